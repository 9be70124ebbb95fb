// The cleaner over real trees in the sandbox.
#include <windows.h>

#include <gtest/gtest.h>

#include "runtime/encoding.h"
#include "sync/cleaner.h"
#include "runtime/files.h"
#include "sync/path_helpers.h"
#include "tests/support/sandbox.h"
#include "tests/sync/sync_fixture_win.h"

namespace tarnvel::test {
namespace {

class CleanerWin : public SyncTreeTest {
 protected:
  void SetUp() override {
    SyncTreeTest::SetUp();
    MakeDirectoryPath(src);
  }
  void Clean() {
    rig.SetJob(src, dst, true);
    std::string path = rig.engine.Roots().target;
    RemoveExtraDirectories(rig.engine, path);
    path = rig.engine.Roots().target;
    RemoveExtraFiles(rig.engine, path);
  }
};

// Post-order: every file of an extra directory is logged on its own before the directory.
TEST_F(CleanerWin, ExtraDirectoryWithThreeFiles) {
  for (const char* f : {"x\\1.txt", "x\\2.txt", "x\\3.txt"}) WriteTextFile(dst + f, "e");
  std::vector<std::string> order;
  rig.onEvents = [&] {
    order.push_back(std::to_string(rig.controls.removedFilesLog.Count()) + "/" +
                    std::to_string(rig.controls.removedDirectoriesLog.Count()));
  };
  Clean();
  EXPECT_EQ(Lines(rig.controls.removedFilesLog),
            (std::vector<std::string>{dst + "x\\1.txt", dst + "x\\2.txt", dst + "x\\3.txt"}));
  EXPECT_EQ(Lines(rig.controls.removedDirectoriesLog), (std::vector<std::string>{dst + "x"}));
  EXPECT_EQ(order, (std::vector<std::string>{"1/0", "2/0", "3/0", "3/1"}));
  EXPECT_EQ(rig.controls.removedFilesCounter.Text(), "清除多余文件:3个");
  EXPECT_EQ(rig.controls.removedDirectoriesCounter.Text(), "清除多余目录:1个");
  EXPECT_FALSE(Exists(dst + "x"));
}

TEST_F(CleanerWin, RemovesOnlyWhatTheSourceLacks) {
  WriteTextFile(src + "same.txt", "source");
  WriteTextFile(dst + "same.txt", "different size");
  MakeDirectoryPath(src + "AsDir");
  WriteTextFile(dst + "asdir", "a file where the source has a directory");
  WriteTextFile(dst + "ro.txt", "r");
  WriteTextFile(dst + "hid.txt", "h");
  SetRawAttributes(dst + "ro.txt", FILE_ATTRIBUTE_READONLY);
  SetRawAttributes(dst + "hid.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  WriteTextFile(dst + ".old\\inside.txt", "dot directories are never touched");
  WriteTextFile(src + "kept\\k.txt", "k");
  WriteTextFile(dst + "KEPT\\k.txt", "k");
  WriteTextFile(dst + "KEPT\\gone.txt", "g");
  SetRawAttributes(dst + "KEPT", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
  Clean();
  EXPECT_TRUE(Exists(dst + "same.txt"));
  EXPECT_FALSE(Exists(dst + "asdir")) << "a file where the source has a directory goes";
  EXPECT_FALSE(Exists(dst + "ro.txt"));
  EXPECT_FALSE(Exists(dst + "hid.txt"));
  EXPECT_TRUE(Exists(dst + ".old\\inside.txt"));
  EXPECT_TRUE(Exists(dst + "KEPT\\k.txt"));
  EXPECT_FALSE(Exists(dst + "KEPT\\gone.txt"));
  // A directory the clean-up keeps keeps its attributes (it used to lose its hidden bit).
  EXPECT_TRUE(RawAttributes(dst + "KEPT") & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(rig.controls.removedDirectoriesLog.Count(), 0);
  EXPECT_EQ(Lines(rig.controls.removedFilesLog),
            (std::vector<std::string>{dst + "KEPT\\gone.txt", dst + "asdir", dst + "hid.txt", dst + "ro.txt"}));
  // Every target file examined adds its size.
  EXPECT_GT(rig.engine.Totals().dataTotal, 0);
}

// The directories the clean-up keeps keep hidden, system and read-only; an extra directory goes
// whatever its attributes.
TEST_F(CleanerWin, KeptDirectoriesKeepTheirAttributesAndExtraOnesGoWhateverTheirs) {
  for (const char* d : {"a", "b", "c", "c\\d"}) {
    MakeDirectoryPath(src + d);
    MakeDirectoryPath(dst + d);
  }
  WriteTextFile(dst + "extra\\x.txt", "x");
  SetRawAttributes(dst + "extra", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  SetRawAttributes(dst + "b", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
  SetRawAttributes(dst + "c", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  SetRawAttributes(dst + "c\\d", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_SYSTEM);
  const std::uint32_t keep = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  Clean();
  EXPECT_EQ(RawAttributes(dst + "a") & keep, 0u);
  EXPECT_EQ(RawAttributes(dst + "b") & keep, static_cast<std::uint32_t>(FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(RawAttributes(dst + "c") & keep, keep);
  EXPECT_EQ(RawAttributes(dst + "c\\d") & keep, static_cast<std::uint32_t>(FILE_ATTRIBUTE_SYSTEM));
  EXPECT_FALSE(Exists(dst + "extra"));
}

TEST_F(CleanerWin, StatusLineNamesTheSourceAtTheTopAndOnlyRemovalsDeeper) {
  MakeDirectoryPath(src + "top\\deep");
  MakeDirectoryPath(dst + "top\\deep");
  MakeDirectoryPath(dst + "top\\extra");
  std::vector<std::string> statuses;
  rig.onEvents = [&] { statuses.push_back(rig.controls.statusLine.Text()); };
  Clean();
  ASSERT_FALSE(statuses.empty());
  EXPECT_EQ(statuses.front(), "提示：清除多余目录 - > " + src + "top");
  EXPECT_NE(std::find(statuses.begin(), statuses.end(), "提示：清除多余目录 - > " + src + "top\\extra"),
            statuses.end());
  EXPECT_EQ(std::find(statuses.begin(), statuses.end(), "提示：清除多余目录 - > " + src + "top\\deep"), statuses.end());
}

// Fixed: the cleaner could delete through a directory link.
TEST_F(CleanerWin, NeverDeletesThroughADirectoryLink) {
  dst = "Z:\\links\\10\\tree\\";
  WriteTextFile(src + "file.txt", "file\n");
  Clean();
  // tree\link leads to outside\, tree\sub\up back to tree\. Whether the links themselves (and so
  // the extra sub\) go is the system's affair: Windows removes a link, Wine cannot. What lies
  // behind them stays, byte for byte, either way.
  EXPECT_EQ(ReadTextFile("Z:\\links\\10\\outside\\keep.txt"), "keep\n") << "deleted through tree\\link";
  EXPECT_EQ(ReadTextFile("Z:\\links\\10\\tree\\file.txt"), "file\n") << "deleted through tree\\sub\\up";
  EXPECT_TRUE(Exists("Z:\\links\\10\\outside")) << "a link may go only as a link";
}

// Fixed: with the source inside the target, the source itself was cleaned as something extra.
TEST_F(CleanerWin, PassesOverASourceInsideTheTarget) {
  src = dst + "current\\";
  WriteTextFile(src + "precious.txt", "p");
  WriteTextFile(src + "inner\\deep.txt", "d");
  WriteTextFile(dst + "stale.txt", "s");
  Clean();
  EXPECT_TRUE(Exists(src + "precious.txt"));
  EXPECT_TRUE(Exists(src + "inner\\deep.txt"));
  EXPECT_FALSE(Exists(dst + "stale.txt"));
}

// Fixed: a source unplugged in the middle of the clean-up looked like one whose files were all
// gone, and every target file examined after it was deleted.
TEST_F(CleanerWin, ASourceThatVanishesMidwayStopsTheRemovals) {
  for (const char* f : {"a\\1.txt", "a\\2.txt", "b\\3.txt", "c\\4.txt", "top.txt"}) {
    WriteTextFile(src + f, "s");
    WriteTextFile(dst + f, "s");
  }
  bool unplugged = false;
  rig.onEvents = [&] {
    if (unplugged) return;
    ASSERT_TRUE(MoveFileW(Utf8ToWide(dir + "Src").c_str(), Utf8ToWide(dir + "Unplugged").c_str()));
    unplugged = true;
  };
  Clean();
  ASSERT_TRUE(unplugged);
  EXPECT_EQ(Lines(rig.controls.removedFilesLog), std::vector<std::string>{});
  EXPECT_EQ(Lines(rig.controls.removedDirectoriesLog), std::vector<std::string>{});
  for (const char* f : {"a\\1.txt", "a\\2.txt", "b\\3.txt", "c\\4.txt", "top.txt"}) EXPECT_TRUE(Exists(dst + f)) << f;
}

TEST_F(CleanerWin, StopLeavesTheRestInPlace) {
  for (const char* f : {"a.txt", "b.txt", "c.txt"}) WriteTextFile(dst + f, "x");
  rig.onEvents = [&] { rig.engine.RequestStop(); };
  rig.SetJob(src, dst, true);
  std::string path = rig.engine.Roots().target;
  RemoveExtraFiles(rig.engine, path);
  EXPECT_EQ(rig.controls.removedFilesLog.Count(), 1);
  EXPECT_TRUE(Exists(dst + "b.txt"));
}

// Fixed: a stop inside an extra directory still removed the directory with its remaining files.
TEST_F(CleanerWin, StopInsideAnExtraDirectoryKeepsItsRest) {
  for (const char* f : {"x\\1.txt", "x\\2.txt", "x\\y\\3.txt", "z.txt"}) WriteTextFile(dst + f, "e");
  rig.onEvents = [&] { rig.engine.RequestStop(); };
  Clean();
  EXPECT_EQ(Lines(rig.controls.removedFilesLog), std::vector<std::string>{dst + "x\\1.txt"});
  EXPECT_EQ(rig.controls.removedDirectoriesLog.Count(), 0);
  // Neither the rest of the directory nor a level entered after the stop.
  for (const char* f : {"x\\2.txt", "x\\y\\3.txt", "z.txt"}) EXPECT_TRUE(Exists(dst + f)) << f;
}

}  // namespace
}  // namespace tarnvel::test

namespace tarnvel::test {
namespace {

// A link in the target is removed (as a link) only while the source root is there: with the
// source gone, nothing at all is attempted, the link included. (The harness lays out
// Z:\links\11: tree\link -> outside and the loop tree\sub\up.)
TEST(CleanerLinks, NothingIsRemovedOnceTheSourceIsGoneLinksIncluded) {
  const std::string slot = "Z:\\links\\11\\";
  ASSERT_TRUE(IsDirectoryLink(slot + "tree\\link")) << "link fixtures missing";
  EngineRig rig;
  const std::string gone = FreshTestDir() + "unplugged\\";
  rig.SetJob(gone, slot + "tree\\", true);
  std::string path = rig.engine.Roots().target;
  RemoveExtraDirectories(rig.engine, path);
  path = rig.engine.Roots().target;
  RemoveExtraFiles(rig.engine, path);
  EXPECT_EQ(rig.engine.Report().Failures(), 0) << "no removal was even tried";
  EXPECT_EQ(rig.controls.removedDirectoriesLog.Count(), 0);
  EXPECT_TRUE(IsDirectoryLink(slot + "tree\\link"));
  EXPECT_TRUE(Exists(slot + "tree\\file.txt"));
  EXPECT_EQ(ReadTextFile(slot + "outside\\keep.txt"), "keep\n");
}

}  // namespace
}  // namespace tarnvel::test
