// What the main-window engine could not do is said, never passed over: a source folder or root
// that cannot be read, a missing source, a folder that cannot be made. And what a killed run
// left behind (its temporary files) goes, and a copy keeps every attribute bit of its source.
//
// Z:\unreadable is laid out by the harness (tools/wine-run): src\a.txt, src\open\b.txt and
// src\shut\ (which the wine user cannot list), and shut\, a root that cannot be listed.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sync/task_runner.h"
#include "tests/support/sandbox.h"
#include "tests/sync/sync_fixture_win.h"

namespace tarnvel::test {
namespace {

constexpr const char* kUnreadableSource = "Z:\\unreadable\\src";
constexpr const char* kLeftOut = "；此文件夹及其中的全部内容未同步";

class WalkFailures : public testing::Test {
 protected:
  void SetUp() override {
    dir = FreshTestDir();
    ASSERT_TRUE(Exists(std::string(kUnreadableSource) + "\\a.txt"))
        << "the harness did not lay out Z:\\unreadable";
    rig.engine.Hooks().portableIniPath = dir + "Tarnvel.ini";
  }
  void TearDown() override { ClearAttributesBelow(dir); }

  // One run of the runner over the boxes (or the ticked rows); the failures log's lines.
  std::vector<std::string> Run(const std::string& source, const std::string& target, bool cleanUp) {
    rig.SetJob(source, target, cleanUp);
    EXPECT_TRUE(RunSyncTasks(rig.engine));
    return Lines(rig.controls.failuresLog);
  }
  static bool AnyLineHas(const std::vector<std::string>& lines, const std::vector<std::string>& parts) {
    for (const std::string& line : lines) {
      bool all = true;
      for (const std::string& part : parts) all = all && line.find(part) != std::string::npos;
      if (all) return true;
    }
    return false;
  }
  std::string dir;
  EngineRig rig;
};

// An unreadable source folder: one failure naming it, its stale backup kept (clean-up or not),
// the rest copied, and the status line says the backup is incomplete.
TEST_F(WalkFailures, UnreadableSourceFolderIsAFailureAndItsBackupStays) {
  for (const bool cleanUp : {false, true}) {
    const std::string dst = dir + (cleanUp ? "cleaned" : "plain");
    WriteTextFile(dst + "\\shut\\old.txt", "the last backup of the folder");
    const std::vector<std::string> failures = Run(kUnreadableSource, dst, cleanUp);
    ASSERT_EQ(failures.size(), 1u) << cleanUp;
    EXPECT_TRUE(AnyLineHas(failures, {"读取目录", "Z:\\unreadable\\src\\shut\\", kLeftOut}))
        << failures.front();
    EXPECT_EQ(ReadTextFile(dst + "\\shut\\old.txt"), "the last backup of the folder");
    EXPECT_EQ(ReadTextFile(dst + "\\a.txt"), "a\n");
    EXPECT_EQ(ReadTextFile(dst + "\\open\\b.txt"), "b\n");
    EXPECT_EQ(rig.controls.statusLine.Text(),
              "信息：任务结束，但备份不完整：有 1 项未能完成（其中 1 个文件夹整个未同步），详见失败列表。");
  }
}

// A source root that is missing or cannot be read makes no target and is one failure; in list
// mode the other rows run all the same.
TEST_F(WalkFailures, MissingOrUnreadableRootMakesNoTarget) {
  struct Case {
    std::string source;
    std::vector<std::string> said;
  };
  const std::vector<Case> cases = {
      {dir + "missing", {"失败：源目录不存在 " + dir + "missing\\"}},
      {"Z:\\unreadable\\shut", {"失败：读取目录 Z:\\unreadable\\shut\\ - ", kLeftOut}},
  };
  for (const Case& c : cases) {
    for (const bool cleanUp : {false, true}) {
      const std::vector<std::string> failures = Run(c.source, dir + "dst", cleanUp);
      ASSERT_EQ(failures.size(), 1u) << c.source;
      EXPECT_TRUE(AnyLineHas(failures, c.said)) << failures.front();
      EXPECT_FALSE(Exists(dir + "dst")) << c.source;
      EXPECT_EQ(rig.controls.statusLine.Text().rfind("信息：任务结束，但备份不完整：有 1 项未能完成", 0), 0u);
    }
  }
  WriteTextFile(dir + "s2\\f.txt", "f");
  for (const auto& [source, target] :
       {std::pair{dir + "gone", dir + "t1"}, std::pair{dir + "s2", dir + "t2"}}) {
    const int row = ListViewInsert(rig.controls.taskList, -1, source);
    ListViewSetText(rig.controls.taskList, row, kTaskTargetColumn, target);
    ListViewSetCheck(rig.controls.taskList, row, 1);
  }
  EXPECT_EQ(Run("", "", false).size(), 1u);
  EXPECT_FALSE(Exists(dir + "t1"));
  EXPECT_EQ(ReadTextFile(dir + "t2\\f.txt"), "f");
}

// A target folder that cannot be made: one failure that says the folder was left out whole.
TEST_F(WalkFailures, FolderThatCannotBeMadeIsLeftOutWhole) {
  for (int i = 0; i < 3; ++i) WriteTextFile(dir + "src\\sub\\f" + std::to_string(i) + ".txt", "f");
  WriteTextFile(dir + "blocker", "a file where the target's parent would go");
  const std::vector<std::string> failures = Run(dir + "src", dir + "blocker\\dst", false);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_TRUE(AnyLineHas(failures, {"创建目录", dir + "blocker\\dst", kLeftOut})) << failures.front();
  EXPECT_EQ(rig.engine.Report().FoldersLeftOut(), 1);
}

// Temporary files a killed run left beside the files it replaced go; a user's look-alikes and a
// source file of such a name stay as files of the user's.
TEST_F(WalkFailures, LeftOverTemporariesGoAndLookAlikesStay) {
  WriteTextFile(dir + "src\\x.txt", "x");
  WriteTextFile(dir + "src\\sub\\y.txt", "y");
  // A source file of such a name: its backup, current by size and time, stays as it is.
  WriteTextFile(dir + "src\\~tv11111111.tmp", "source");
  WriteTextFile(dir + "dst\\~tv11111111.tmp", "backup");
  SetWriteTime(dir + "src\\~tv11111111.tmp", kSomeTime);
  SetWriteTime(dir + "dst\\~tv11111111.tmp", kSomeTime);
  for (const char* left : {"dst\\~tv0badf00d.tmp", "dst\\sub\\~tv2e2e2e2e.tmp"})
    WriteTextFile(dir + left, "partial");
  const std::vector<const char*> kept = {"~tv1234ABCD.tmp", "~tv123abcd.tmp", "~tv1234abcd.tmp.txt"};
  for (const char* name : kept) WriteTextFile(dir + "dst\\" + name, "look-alike");
  Run(dir + "src", dir + "dst", false);
  EXPECT_FALSE(Exists(dir + "dst\\~tv0badf00d.tmp"));
  EXPECT_FALSE(Exists(dir + "dst\\sub\\~tv2e2e2e2e.tmp"));
  EXPECT_EQ(ReadTextFile(dir + "dst\\~tv11111111.tmp"), "backup");
  for (const char* name : kept) EXPECT_EQ(ReadTextFile(dir + "dst\\" + name), "look-alike") << name;
}

// A copy carries every bit of read-only, hidden and system, whatever their mix.
TEST_F(WalkFailures, CopyCarriesEveryAttributeBit) {
  const std::vector<std::uint32_t> mixes = {0x01, 0x02, 0x04, 0x03, 0x05, 0x07, 0x23, 0x27};
  for (std::size_t i = 0; i < mixes.size(); ++i) {
    const std::string name = "\\f" + std::to_string(i) + ".txt";
    WriteTextFile(dir + "src" + name, "f");
    SetRawAttributes(dir + "src" + name, mixes[i]);
  }
  Run(dir + "src", dir + "dst", false);
  for (std::size_t i = 0; i < mixes.size(); ++i) {
    const std::string name = "\\f" + std::to_string(i) + ".txt";
    EXPECT_EQ(RawAttributes(dir + "dst" + name) & 0x07u, mixes[i] & 0x07u) << name;
  }
  EXPECT_TRUE(Lines(rig.controls.failuresLog).empty());
}

}  // namespace
}  // namespace tarnvel::test
