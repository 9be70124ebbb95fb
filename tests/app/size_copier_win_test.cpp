// The command-line engine over real trees in the sandbox, run in-process with windowless controls.
#include "app/size_copier.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>

#include "app/job_styles.h"
#include "runtime/encoding.h"
#include "runtime/files.h"
#include "tests/app/job_steps_support.h"
#include "tests/support/job_tree_win.h"
#include "tests/support/sandbox.h"

namespace tarnvel {
namespace {

using test::FilesOf;
using test::FileText;
using test::FreshTestDir;
using test::TreeOf;
using test::WriteFileOfSize;

using test::RunStyle;
using test::WindowlessJob;

class EveryStyle : public testing::TestWithParam<int> {};
INSTANTIATE_TEST_SUITE_P(Styles, EveryStyle, testing::Values(1, 2, 3));

TEST_P(EveryStyle, MirrorsTheSourceBySizeOnly) {
  const std::string dir = FreshTestDir();
  const std::string source = dir + "源目录", target = dir + "目标";
  WriteFileOfSize(source + "\\a.txt", 10);
  WriteFileOfSize(source + "\\空.txt", 0);
  WriteFileOfSize(source + "\\sub\\b.txt", 20, 'b');
  WriteFileOfSize(source + "\\sub\\deep\\c.bin", 3000, 'c');
  WriteFileOfSize(source + "\\.git\\config", 7, 'g');
  WriteFileOfSize(source + "\\.点目录\\.x", 1);
  WriteFileOfSize(target + "\\a.txt", 5, 'o');               // other size: replaced
  WriteFileOfSize(target + "\\sub\\b.txt", 20, 'z');         // same size, other content: kept
  WriteFileOfSize(target + "\\extra.txt", 4);                // not in the source: gone
  WriteFileOfSize(target + "\\多余\\inner\\x.txt", 4);        // a whole extra folder: gone
  WriteFileOfSize(target + "\\sub\\deep\\stale.tmp", 4);     // extra deep down: gone

  RunStyle(GetParam(), source, target);

  EXPECT_EQ(FilesOf(target), FilesOf(source));
  EXPECT_EQ(FileText(target + "\\sub\\b.txt"), std::string(20, 'z'));
  EXPECT_EQ(FileText(target + "\\a.txt"), std::string(10, 'a'));
  EXPECT_EQ(GetAttributes(target + "\\多余"), -1);
  EXPECT_EQ(FileText(source + "\\a.txt"), std::string(10, 'a')) << "the source is never written";
}

TEST_P(EveryStyle, CreatesAMissingTargetOneLevelDeep) {
  const std::string dir = FreshTestDir();
  WriteFileOfSize(dir + "src\\f.txt", 3);
  RunStyle(GetParam(), dir + "src", dir + "new");
  EXPECT_EQ(FilesOf(dir + "new"), FilesOf(dir + "src"));
  // Folders are made one level at a time: a target whose parent is missing stays missing, and
  // the job says it could not be done.
  EXPECT_EQ(RunStyle(GetParam(), dir + "src", dir + "absent\\below"), kJobIncomplete);
  EXPECT_EQ(GetAttributes(dir + "absent"), -1);
}

TEST_P(EveryStyle, ReadOnlyTargetOfAnotherSizeSurvivesTheCleaner) {
  const std::string dir = FreshTestDir();
  WriteFileOfSize(dir + "src\\ro.txt", 10);
  WriteFileOfSize(dir + "dst\\ro.txt", 3, 'r');
  ASSERT_TRUE(SetAttributes(dir + "dst\\ro.txt", kAttrReadOnly));
  RunStyle(GetParam(), dir + "src", dir + "dst");
  // The cleaner leaves attributes alone and the copy over a read-only file fails.
  EXPECT_EQ(FileText(dir + "dst\\ro.txt"), "rrr");
  test::MakeTreeWritable(dir);
}

// A folder whose name differs only in letter case is the same folder to the file system: it is
// kept, synchronised and given the source's spelling (it used to be deleted first and copied
// afresh, so a copy that failed lost the backup).
TEST_P(EveryStyle, FolderDifferingOnlyInLetterCaseIsTheSameFolder) {
  const std::string dir = FreshTestDir();
  WriteFileOfSize(dir + "src\\photos\\p.jpg", 8);
  WriteFileOfSize(dir + "src\\photos\\q.jpg", 5);
  WriteFileOfSize(dir + "dst\\Photos\\p.jpg", 8, 'x');
  WriteFileOfSize(dir + "dst\\Photos\\extra.jpg", 2);
  EXPECT_EQ(RunStyle(GetParam(), dir + "src", dir + "dst"), kJobDone);
  const auto tree = TreeOf(dir + "dst");
  EXPECT_EQ(tree.count("photos\\"), 1u);
  EXPECT_EQ(FileText(dir + "dst\\Photos\\p.jpg"), std::string(8, 'x')) << "same size: left as it is";
  EXPECT_EQ(FileText(dir + "dst\\Photos\\q.jpg"), std::string(5, 'a'));
  EXPECT_EQ(GetAttributes(dir + "dst\\Photos\\extra.jpg"), -1);
}

// Fault: a missing source used to compare every target file with size -1 and delete the target.
TEST_P(EveryStyle, MissingSourceLeavesTheTargetAlone) {
  const std::string dir = FreshTestDir();
  WriteFileOfSize(dir + "dst\\keep.txt", 4);
  WriteFileOfSize(dir + "dst\\folder\\keep2.txt", 4);
  const auto before = TreeOf(dir + "dst");
  RunStyle(GetParam(), dir + "unplugged", dir + "dst");
  EXPECT_EQ(TreeOf(dir + "dst"), before);
  CleanTargetBySize(dir + "unplugged", dir + "dst");
  CleanTargetBySize(dir + "dst\\keep.txt", dir + "dst");  // a file is no source directory either
  EXPECT_EQ(TreeOf(dir + "dst"), before);
}

// Fault: an existing but empty source (an empty mount point, a share that came up empty)
// emptied the whole target. It is never cleaned against; the job reports it.
TEST_P(EveryStyle, EmptyExistingSourceNeverEmptiesTheTarget) {
  const std::string dir = FreshTestDir();
  test::MakeFolders(dir + "src");
  WriteFileOfSize(dir + "dst\\old.txt", 4);
  WriteFileOfSize(dir + "dst\\folder\\older.txt", 4);
  const auto before = TreeOf(dir + "dst");
  EXPECT_EQ(RunStyle(GetParam(), dir + "src", dir + "dst"), kJobIncomplete);
  EXPECT_EQ(TreeOf(dir + "dst"), before);
}

// Fault: a 32-bit size compare took a file of 4 GiB + 10 bytes for one of 10 bytes.
TEST(SizeCopier, SizesCompareAsSixtyFourBitValues) {
  const std::string dir = FreshTestDir();
  WriteFileOfSize(dir + "src\\big.bin", 10);
  WriteFileOfSize(dir + "dst\\big.bin", 0);
  {
    // A sparse file: no 4 GiB are written.
    HANDLE file = CreateFileW(Utf8ToWide(dir + "dst\\big.bin").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    LARGE_INTEGER end;
    end.QuadPart = (std::int64_t{1} << 32) + 10;
    ASSERT_TRUE(SetFilePointerEx(file, end, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(file));
    CloseHandle(file);
  }
  ASSERT_EQ(FileSize64(dir + "dst\\big.bin"), (std::int64_t{1} << 32) + 10);
  RunStaticSteps(dir + "src", dir + "dst");
  EXPECT_EQ(FileSize64(dir + "dst\\big.bin"), 10);
}

TEST(SizeCopier, CountsFilesTheTargetLacksAndMakesItsFolders) {
  const std::string dir = FreshTestDir();
  WriteFileOfSize(dir + "src\\a", 1);
  WriteFileOfSize(dir + "src\\B", 1);
  WriteFileOfSize(dir + "src\\d1\\c", 1);
  WriteFileOfSize(dir + "src\\d1\\d2\\e", 1);
  WriteFileOfSize(dir + "src\\.dot\\f", 1);
  WriteFileOfSize(dir + "dst\\a", 5);  // of another size: to be replaced
  WriteFileOfSize(dir + "dst\\b", 1);  // names match without regard to letter case
  // d1\c, d1\d2\e and .dot\f are missing and one file differs in size: the copy replaces it.
  EXPECT_EQ(CountMissingFiles(dir + "src", dir + "dst"), 4);
  EXPECT_EQ(GetAttributes(dir + "dst\\d1\\d2"), kAttrDirectory);
  EXPECT_EQ(GetAttributes(dir + "dst\\.dot") & kAttrDirectory, kAttrDirectory);
  EXPECT_EQ(CountMissingFiles(dir + "src\\", dir + "dst\\"), 4) << "a trailing separator changes nothing";
}

TEST(SizeCopier, FileAndFolderOfTheSameNameReplaceEachOther) {
  const std::string dir = FreshTestDir();
  WriteFileOfSize(dir + "src\\item", 6);
  WriteFileOfSize(dir + "src\\node\\inside.txt", 2);
  WriteFileOfSize(dir + "dst\\item\\old.txt", 2);  // a folder where the source has a file
  WriteFileOfSize(dir + "dst\\node", 0);           // an empty file where the source has a folder
  RunStaticSteps(dir + "src", dir + "dst");
  EXPECT_EQ(FilesOf(dir + "dst"), FilesOf(dir + "src"));
}

TEST(SizeCopier, SubdirectoryExistsComparesTheExactName) {
  const std::string dir = FreshTestDir();
  test::MakeFolders(dir + "Photos");
  WriteFileOfSize(dir + "file.txt", 1);
  EXPECT_TRUE(SubdirectoryExists(dir + "Photos"));
  EXPECT_FALSE(SubdirectoryExists(dir + "photos"));
  EXPECT_FALSE(SubdirectoryExists(dir + "file.txt"));
  EXPECT_FALSE(SubdirectoryExists(dir + "missing"));
  EXPECT_FALSE(SubdirectoryExists(dir + "nowhere\\Photos"));
  EXPECT_FALSE(SubdirectoryExists("Photos"));
}

struct PathPair {
  std::string source, target;
  bool usable;
};

class JobPaths : public testing::TestWithParam<PathPair> {};

TEST_P(JobPaths, RefusesBlankAndNestedPairs) {
  const PathPair& p = GetParam();
  EXPECT_EQ(JobPathsUsable(p.source, p.target), p.usable) << p.source << " | " << p.target;
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, JobPaths,
    testing::Values(PathPair{"Z:\\a", "Z:\\b", true}, PathPair{"Z:\\a", "Z:\\ab", true},
                    PathPair{"Z:\\ab", "Z:\\a\\b", true}, PathPair{"Z:\\a", "", false},
                    PathPair{"", "Z:\\b", false}, PathPair{"Z:\\a", "  ", false},
                    PathPair{"Z:\\a", "　", false}, PathPair{"Z:\\a", "Z:\\a", false},
                    PathPair{"Z:\\a\\", "z:\\A", false}, PathPair{"Z:\\a", "Z:\\a\\backup", false},
                    PathPair{"Z:\\t\\s", "Z:\\t", false}, PathPair{"Z:\\t\\.\\s", "Z:\\t\\x\\..", false},
                    PathPair{"Z:\\", "Z:\\b", false}));

}  // namespace
}  // namespace tarnvel
