// What a run could not do, shown and logged: real failures (a source held open without sharing,
// a target held open), the failures log, the counts, the run log on disk.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/encoding.h"
#include "sync/directory_listing.h"
#include "sync/run_log.h"
#include "sync/task_runner.h"
#include "tests/support/sandbox.h"
#include "tests/sync/sync_fixture_win.h"

namespace tarnvel::test {
namespace {

std::vector<std::wstring> LogNames(const std::string& directory) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileW(Utf8ToWide(directory + "\\*.log").c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return names;
  do names.emplace_back(data.cFileName);
  while (FindNextFileW(h, &data));
  FindClose(h);
  std::sort(names.begin(), names.end());
  return names;
}

// The text of the run log in the default folder that names this directory (read with the
// system's own calls, not the program's).
std::string LogNaming(const std::string& directory) {
  const std::string logs = RunLog::DefaultDirectory();
  for (const std::wstring& name : LogNames(logs)) {
    std::ifstream in(std::filesystem::path(Utf8ToWide(logs) + L"\\" + name), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    if (text.str().find(directory) != std::string::npos) return text.str();
  }
  return {};
}

TEST(RunLog, KeepsTheNewestHundredAndNamesItselfByItsStart) {
  const std::string dir = FreshTestDir() + "logs";
  CreateDirectoryW(Utf8ToWide(dir).c_str(), nullptr);
  for (int i = 0; i < 105; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "\\2020-01-01 00-%02d-%02d.log", i / 60, i % 60);
    std::ofstream(std::filesystem::path(Utf8ToWide(dir + name))) << "old";
  }
  RunLog log;
  ASSERT_TRUE(log.Open(dir, MakeDateTime(2026, 12, 9, 8, 5, 0)));
  log.Line("第一行");
  log.Close();
  const std::vector<std::wstring> names = LogNames(dir);
  ASSERT_EQ(names.size(), 100u);
  EXPECT_EQ(names.front(), L"2020-01-01 00-00-06.log") << "the six oldest went";
  EXPECT_EQ(names.back(), L"2026-12-09 08-05-00.log");
  std::ifstream in(std::filesystem::path(Utf8ToWide(dir + "\\2026-12-09 08-05-00.log")), std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "\xEF\xBB\xBF第一行\r\n");
}

class RunReportWin : public SyncTreeTest {};

// A source held open without sharing cannot be copied: the old target stays, the failure is in
// the failures log with the system's reason, nothing is counted as copied, the status line
// says how many failed, and the run log holds the roots, the failure and the totals.
TEST_F(RunReportWin, AFailedCopyIsShownCountedAndLogged) {
  WriteTextFile(src + "held.txt", "new content");
  WriteTextFile(src + "fine.txt", "fine");
  WriteTextFile(dst + "held.txt", "old");
  HANDLE h = CreateFileW(Utf8ToWide(src + "held.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  rig.SetJob(src, dst);
  ASSERT_TRUE(RunSyncTasks(rig.engine));
  CloseHandle(h);

  EXPECT_EQ(ReadTextFile(dst + "held.txt"), "old");
  EXPECT_EQ(ReadTextFile(dst + "fine.txt"), "fine");
  EXPECT_EQ(rig.controls.copiedFilesLog.Count(), 1);
  EXPECT_EQ(rig.controls.fileCounter.Text(), "已同步文件:1个");
  ASSERT_EQ(rig.controls.failuresLog.Count(), 1);
  const std::string failure = rig.controls.failuresLog.ItemText(0);
  EXPECT_NE(failure.find("失败：复制 " + dst + "held.txt - "), std::string::npos) << failure;
  EXPECT_GT(failure.size(), ("失败：复制 " + dst + "held.txt - ").size()) << "the system's reason follows";
  EXPECT_EQ(rig.engine.Report().Failures(), 1);
  EXPECT_NE(rig.controls.statusLine.Text().find("1 项未能完成"), std::string::npos) << rig.controls.statusLine.Text();

  const std::string log = LogNaming(src);
  ASSERT_FALSE(log.empty()) << "no run log names " << src;
  EXPECT_NE(log.find("源目录：" + src), std::string::npos);
  EXPECT_NE(log.find("复制：" + dst + "fine.txt"), std::string::npos);
  EXPECT_NE(log.find(failure), std::string::npos);
  EXPECT_NE(log.find("复制 1 项，失败 1 项"), std::string::npos);
}

// A refused pair of roots starts nothing and says why.
TEST_F(RunReportWin, ANestedPairIsRefusedAndReported) {
  WriteTextFile(src + "a.txt", "a");
  rig.SetJob(src, src + "backup", true);
  ASSERT_TRUE(RunSyncTasks(rig.engine));
  EXPECT_FALSE(Exists(src + "backup"));
  EXPECT_EQ(rig.engine.Report().Failures(), 1);
  ASSERT_EQ(rig.controls.failuresLog.Count(), 1);
  EXPECT_NE(rig.controls.failuresLog.ItemText(0).find("目标目录位于源目录之内"), std::string::npos);
}

}  // namespace
}  // namespace tarnvel::test

namespace tarnvel::test {
namespace {

// Past its byte budget the cache drops its oldest listings: a dropped directory is listed afresh
// (and shows what changed since), a kept one is handed over as it was taken.
TEST(ListingCache, DropsTheOldestListingsPastItsBudget) {
  const std::string dir = FreshTestDir();
  for (const char* d : {"a", "b", "c"}) WriteTextFile(dir + d + "\\one.txt", "1");
  ListingCache cache;
  const DirectoryListing a = DirectoryListing::Of(dir + "a");
  cache.SetBudget(a.Bytes() * 2 + a.Bytes() / 2);
  cache.Keep(dir + "a", a);
  cache.Keep(dir + "b", DirectoryListing::Of(dir + "b"));
  cache.Keep(dir + "c", DirectoryListing::Of(dir + "c"));
  EXPECT_LE(cache.KeptBytes(), a.Bytes() * 2 + a.Bytes() / 2);
  for (const char* d : {"a", "b", "c"}) WriteTextFile(dir + d + "\\two.txt", "2");
  EXPECT_EQ(cache.Take(dir + "a").Entries().size(), 2u) << "dropped: listed again";
  EXPECT_EQ(cache.Take(dir + "c").Entries().size(), 1u) << "kept: as it was";
  EXPECT_EQ(cache.Take(dir + "c").Entries().size(), 2u) << "taken once, then listed again";
  cache.Clear();
  EXPECT_EQ(cache.KeptBytes(), 0u);
}

}  // namespace
}  // namespace tarnvel::test
