// The command-line job never reaches past what it was given: not the drive root an empty piece of
// the job line would name, and nothing behind a directory link.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/job_styles.h"
#include "app/size_copier.h"
#include "runtime/encoding.h"
#include "runtime/files.h"
#include "tests/app/job_steps_support.h"
#include "tests/support/job_tree_win.h"
#include "tests/support/own_drive_win.h"
#include "tests/support/sandbox.h"

namespace tarnvel {
namespace {

using test::FileText;
using test::FreshTestDir;
using test::OwnDrive;
using test::TreeOf;
using test::WriteFileOfSize;

using test::RunStyle;

class GuardedStyle : public testing::TestWithParam<int> {};
INSTANTIATE_TEST_SUITE_P(Styles, GuardedStyle, testing::Values(1, 2, 3));

// Fault: an empty target piece became "\", and the cleaner stripped the current drive's root of
// everything the source lacked.
TEST_P(GuardedStyle, EmptyTargetNeverReachesTheDriveRoot) {
  const std::string dir = FreshTestDir();
  WriteFileOfSize(dir + "root\\canary.txt", 5);
  WriteFileOfSize(dir + "root\\folder\\canary2.txt", 5);
  WriteFileOfSize(dir + "root\\work\\here.txt", 5);
  WriteFileOfSize(dir + "src\\only-in-source.txt", 5);
  OwnDrive drive(dir + "root");
  ASSERT_TRUE(drive.Ready());
  ASSERT_TRUE(drive.EnterFolder(L"work"));
  ASSERT_EQ(GetAttributes("\\canary.txt"), kAttrArchive) << "the current drive's root is the test's folder";
  const auto before = TreeOf(dir + "root");

  RunStyle(GetParam(), dir + "src", "");
  RunStyle(GetParam(), dir + "src", " ");
  CleanTargetBySize(dir + "src", "");
  CopyTreeBySize(dir + "src", "");
  EXPECT_EQ(TreeOf(dir + "root"), before);
}

// An empty source names the drive root too: nothing of it is copied into the target, and the
// target is not cleaned against it.
TEST_P(GuardedStyle, EmptySourceCopiesAndCleansNothing) {
  const std::string dir = FreshTestDir();
  WriteFileOfSize(dir + "root\\canary.txt", 5);
  WriteFileOfSize(dir + "root\\work\\dst\\mine.txt", 5);
  OwnDrive drive(dir + "root");
  ASSERT_TRUE(drive.Ready());
  ASSERT_TRUE(drive.EnterFolder(L"work"));
  const auto before = TreeOf(dir + "root");
  RunStyle(GetParam(), "", "dst");
  EXPECT_EQ(CountMissingFiles("", "dst"), 0);
  EXPECT_EQ(TreeOf(dir + "root"), before);
}

// Fault of a nested pair: with the target inside the source the copy would go on into its own
// output; with the source inside the target the cleaner would delete the source.
TEST_P(GuardedStyle, NestedPairsAreLeftAlone) {
  const std::string dir = FreshTestDir();
  WriteFileOfSize(dir + "t\\s\\data.txt", 5);
  WriteFileOfSize(dir + "t\\other.txt", 5);
  const auto before = TreeOf(dir + "t");
  RunStyle(GetParam(), dir + "t\\s", dir + "t");
  RunStyle(GetParam(), dir + "t", dir + "t\\s\\backup");
  EXPECT_EQ(TreeOf(dir + "t"), before);
}

// Every entry of a folder and of its Fonts folder, read with std::filesystem.
std::vector<std::wstring> EntriesOf(const std::wstring& folder) {
  std::vector<std::wstring> names;
  for (const std::wstring& dir : {folder, folder + L"\\Fonts"}) {
    for (const auto& entry : std::filesystem::directory_iterator(dir))
      names.push_back(entry.path().wstring());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Fault: the job line had no system-folder guard, and it always cleans: with a one-file source
// and the target c:\windows\fonts\.. it removed the Windows folder's files. Each target is first
// shown refused before any walk, so that a faulty guard never gets to the real folder.
TEST_P(GuardedStyle, TheSystemFoldersAreNeverATarget) {
  wchar_t buffer[MAX_PATH + 1] = {};
  const std::wstring windows(buffer, GetWindowsDirectoryW(buffer, MAX_PATH + 1));
  const std::string source = FreshTestDir() + "src";
  WriteFileOfSize(source + "\\one.txt", 3);
  const auto before = EntriesOf(windows);
  ASSERT_GT(before.size(), 10u);
  for (const std::string& target : {std::string("c:\\windows\\fonts\\.."), WideToUtf8(windows) + ".",
                                    "\\\\?\\" + WideToUtf8(windows) + "\\system32\\..", std::string("C:/")}) {
    ASSERT_FALSE(ResolveSizeJob(source, target).Usable()) << target;
    EXPECT_EQ(RunStyle(GetParam(), source, target), kJobNotStarted) << target;
  }
  EXPECT_EQ(EntriesOf(windows), before);
}

// The harness lays out Z:\links\N: outside\keep.txt, tree\file.txt, tree\link -> outside and the
// loop tree\sub\up -> tree. App tests own slots 5 to 8.
std::string LinkSlot(int slot) { return "Z:\\links\\" + std::to_string(slot) + "\\"; }

// A source link out of both trees is followed and copied as a folder; a link back to an
// ancestor of the walk is passed over (it would never end).
TEST_P(GuardedStyle, SourceLinksAreFollowedOnlyWhereTheWalkStaysFinite) {
  const std::string slot = LinkSlot(5);
  ASSERT_TRUE(IsDirectoryLink(slot + "tree\\sub\\up")) << "link fixtures missing";
  const std::string target = FreshTestDir() + "copy";
  EXPECT_EQ(CountMissingFiles(slot + "tree", target), 2);
  EXPECT_EQ(RunStyle(GetParam(), slot + "tree", target), kJobDone);
  EXPECT_EQ(TreeOf(target), (std::map<std::string, std::int64_t>{
                                {"file.txt", 5}, {"link\\", -1}, {"link\\keep.txt", 5}, {"sub\\", -1}}));
  EXPECT_EQ(FileText(slot + "outside\\keep.txt"), "keep\n");
}

TEST_P(GuardedStyle, TargetLinksAreNeverCleanedOrWrittenThrough) {
  const int slotNumber = 5 + GetParam();  // 6, 7, 8: one fixture per style
  const std::string slot = LinkSlot(slotNumber);
  ASSERT_TRUE(IsDirectoryLink(slot + "tree\\link")) << "link fixtures missing";
  const std::string source = FreshTestDir() + "src";
  // The source has real folders where the target has links, and lacks the rest of the target.
  WriteFileOfSize(source + "\\link\\new.txt", 3);
  WriteFileOfSize(source + "\\sub\\up\\loop.txt", 3);
  RunStyle(GetParam(), source, slot + "tree");
  EXPECT_EQ(FileText(slot + "outside\\keep.txt"), "keep\n") << "nothing behind a link is deleted";
  EXPECT_EQ(GetAttributes(slot + "outside\\new.txt"), -1) << "no copy goes through a link";
  EXPECT_EQ(GetAttributes(slot + "tree\\loop.txt"), -1) << "no copy goes round a loop";
  EXPECT_EQ(GetAttributes(slot + "tree\\file.txt"), -1) << "what the source lacks is still cleaned";
}

}  // namespace
}  // namespace tarnvel
