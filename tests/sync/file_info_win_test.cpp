#include <windows.h>

#include <gtest/gtest.h>

#include "runtime/encoding.h"
#include "runtime/files.h"
#include "sync/file_info.h"
#include "sync/path_helpers.h"
#include "tests/support/sandbox.h"

namespace tarnvel {
namespace {

// 2011-03-05 14:07:09.250 UTC.
constexpr std::uint64_t kMarch2011 = 129438076292500000ULL;

void WriteFileWithTime(const std::string& path, std::uint64_t modified) {
  HANDLE h = CreateFileW(PathToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
  DWORD written = 0;
  WriteFile(h, "data", 4, &written, nullptr);
  FILETIME t{static_cast<DWORD>(modified), static_cast<DWORD>(modified >> 32)};
  const BOOL set = SetFileTime(h, nullptr, nullptr, &t);
  CloseHandle(h);
  ASSERT_TRUE(set) << path;
}

TEST(FileTimeKey, ReadsTheModificationTimeInUtc) {
  const std::string dir = test::FreshTestDir();
  WriteFileWithTime(dir + "a.txt", kMarch2011);
  EXPECT_EQ(FileTimeKey(dir + "a.txt", 0), "修改时间：2011-3-5 星期六 14:7:9:250");
  EXPECT_EQ(FileTimeKey(dir + "a.txt", 2), FileTimeKey(dir + "a.txt", 0));
  EXPECT_EQ(FileTimeKey(dir + "a.txt", 1).rfind("创建时间：", 0), 0u);
  EXPECT_EQ(FileTimeKey(dir + "a.txt", 3).rfind("访问时间：", 0), 0u);
}

TEST(FileTimeKey, OneMillisecondApartDiffersAtAnyPathLength) {
  const std::string root = test::FreshTestDir();
  std::string deep = root;
  for (int i = 0; i < 7; ++i) deep += std::string(40, static_cast<char>('k' + i)) + "\\";
  MakeDirectoryPath(deep);
  for (const std::string& dir : {root, deep}) {
    SCOPED_TRACE(dir.size());
    WriteFileWithTime(dir + "one.bin", kMarch2011);
    WriteFileWithTime(dir + "two.bin", kMarch2011 + 10000);
    if (dir == deep) {
      ASSERT_GT((dir + "one.bin").size(), 260u);
    }
    const std::string one = FileTimeKey(dir + "one.bin", 0);
    const std::string two = FileTimeKey(dir + "two.bin", 0);
    EXPECT_EQ(one, "修改时间：2011-3-5 星期六 14:7:9:250");
    EXPECT_EQ(two, "修改时间：2011-3-5 星期六 14:7:9:251");
  }
}

TEST(FileTimeKey, UnreadableFileGivesTheZeroTime) {
  const std::string dir = test::FreshTestDir();
  EXPECT_EQ(FileTimeKey(dir + "missing.txt", 0), "修改时间：1601-1-1 星期一 0:0:0:0");
  EXPECT_EQ(FileTimeKey("", 1), "创建时间：1601-1-1 星期一 0:0:0:0");
  // A wildcard never stands in for another file's times.
  WriteFileWithTime(dir + "real.txt", kMarch2011);
  EXPECT_EQ(FileTimeKey(dir + "re*.txt", 0), "修改时间：1601-1-1 星期一 0:0:0:0");
}

TEST(FileTimeKey, FileHeldOpenWithoutSharingIsStillRead) {
  const std::string dir = test::FreshTestDir();
  WriteFileWithTime(dir + "held.txt", kMarch2011);
  HANDLE h =
      CreateFileW(PathToWide(dir + "held.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(FileTimeKey(dir + "held.txt", 0), "修改时间：2011-3-5 星期六 14:7:9:250");
  CloseHandle(h);
}

TEST(FileTimeKeyOf, TheListingsTimeGivesTheSameKey) {
  const std::string dir = test::FreshTestDir();
  WriteFileWithTime(dir + "x.txt", kMarch2011 + 1234567);
  int seen = 0;
  ASSERT_TRUE(ListDirectory(dir, [&](const DirectoryEntry& e) {
    EXPECT_EQ(FileTimeKeyOf(e.lastWriteTime, 0), FileTimeKey(dir + e.name, 0));
    ++seen;
    return true;
  }));
  EXPECT_EQ(seen, 1);
}

}  // namespace
}  // namespace tarnvel
