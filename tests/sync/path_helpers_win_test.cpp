#include <gtest/gtest.h>

#include <algorithm>

#include "runtime/files.h"
#include "sync/path_helpers.h"
#include "tests/support/sandbox.h"

namespace tarnvel {
namespace {

void Touch(const std::string& path) {
  const std::string content = "x";
  ASSERT_TRUE(WriteWholeFile(
      path, {std::span(reinterpret_cast<const std::uint8_t*>(content.data()), content.size())}))
      << path;
}

TEST(MakeDirectoryPath, CreatesEveryMissingParent) {
  const std::string root = test::FreshTestDir();
  MakeDirectoryPath(root + "new\\deep\\bak\\");
  EXPECT_TRUE(IsDirectory(root + "new"));
  EXPECT_TRUE(IsDirectory(root + "new\\deep"));
  EXPECT_TRUE(IsDirectory(root + "new\\deep\\bak"));

  // An existing tree, the drive root and forward slashes are no obstacle.
  MakeDirectoryPath(root + "new/deep/other");
  EXPECT_TRUE(IsDirectory(root + "new\\deep\\other"));
  EXPECT_TRUE(IsDirectory(root + "new\\deep\\bak"));
}

TEST(MakeDirectoryPath, ReachesBeyond260Characters) {
  const std::string root = test::FreshTestDir();
  std::string deep = root;
  for (int i = 0; i < 8; ++i) deep += std::string(40, static_cast<char>('a' + i)) + "\\";
  ASSERT_GT(deep.size(), 300u);
  MakeDirectoryPath(deep);
  EXPECT_TRUE(IsDirectory(deep));
  EXPECT_TRUE(IsDirectory(deep.substr(0, deep.size() - 1)));
}

TEST(MakeDirectoryPath, LeavesAFileInTheWayAlone) {
  const std::string root = test::FreshTestDir();
  Touch(root + "taken");
  MakeDirectoryPath(root + "taken\\sub");
  EXPECT_FALSE(IsDirectory(root + "taken"));
  EXPECT_EQ(FileSize64(root + "taken"), 1);
  EXPECT_FALSE(IsDirectory(root + "taken\\sub"));
}

TEST(IsDirectory, TellsDirectoriesFromFilesAndMissingPaths) {
  const std::string root = test::FreshTestDir();
  MakeDirectoryPath(root + "目录");
  Touch(root + "file.txt");
  EXPECT_TRUE(IsDirectory(root));
  EXPECT_TRUE(IsDirectory(root + "目录"));
  EXPECT_TRUE(IsDirectory(root + "目录\\"));
  EXPECT_FALSE(IsDirectory(root + "file.txt"));
  EXPECT_FALSE(IsDirectory(root + "missing"));
  EXPECT_FALSE(IsDirectory(""));
}

TEST(DirectorySearchFilters, SplitDirectoriesFromFiles) {
  const std::string root = test::FreshTestDir();
  MakeDirectoryPath(root + "d1");
  MakeDirectoryPath(root + "d2");
  Touch(root + "f1.txt");
  Touch(root + "f2");

  TextArray directories;
  FileSearch search;
  for (std::string name = FindSubdirectory(root + "*", search); !name.empty();
       name = FindSubdirectory("", search)) {
    directories.push_back(name);
  }
  std::sort(directories.begin(), directories.end());
  EXPECT_EQ(directories, (TextArray{".", "..", "d1", "d2"}));

  TextArray files;
  for (std::string name = FindPlainFile(root + "*.*", search); !name.empty();
       name = FindPlainFile("", search)) {
    files.push_back(name);
  }
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (TextArray{"f1.txt", "f2"}));
  EXPECT_FALSE(search.IsOpen());

  // The listing's entries pass the same filters.
  int passedDirectories = 0;
  int passedFiles = 0;
  ASSERT_TRUE(ListDirectory(root, [&](const DirectoryEntry& e) {
    passedDirectories += PassesDirectoryFilter(e);
    passedFiles += PassesFileFilter(e);
    return true;
  }));
  EXPECT_EQ(passedDirectories, 2);
  EXPECT_EQ(passedFiles, 2);
}

}  // namespace
}  // namespace tarnvel
