// The system's folders as the running system reports them, known by every spelling and by what a
// path opens; and the main window's engine refuses a clean-up that targets one of them.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "runtime/encoding.h"
#include "sync/system_folders.h"
#include "sync/task_runner.h"
#include "tests/support/sandbox.h"
#include "tests/sync/sync_fixture_win.h"

namespace tarnvel::test {
namespace {

std::string Reported(UINT (*query)(LPWSTR, UINT)) {
  wchar_t buffer[MAX_PATH + 1] = {};
  return WideToUtf8(std::wstring(buffer, query(buffer, MAX_PATH + 1)));
}
UINT WindowsFolder(LPWSTR b, UINT n) { return GetWindowsDirectoryW(b, n); }
UINT System32(LPWSTR b, UINT n) { return GetSystemDirectoryW(b, n); }

std::string ShortName(const std::string& path) {
  wchar_t buffer[MAX_PATH + 1] = {};
  return WideToUtf8(std::wstring(buffer, GetShortPathNameW(Utf8ToWide(path).c_str(), buffer, MAX_PATH + 1)));
}

TEST(SystemFoldersWin, TheSystemsOwnFoldersBySpelling) {
  const SystemLocations system = TheSystemLocations();
  const std::string windows = Reported(WindowsFolder), system32 = Reported(System32);
  ASSERT_GE(windows.size(), 3u);
  for (const std::string& path :
       {windows, system32, windows.substr(0, 2), windows.substr(0, 3), windows + "\\.", windows + ".",
        windows + "\\Fonts\\..", system32 + "\\..", "\\\\?\\" + windows,
        "\\\\localhost\\" + windows.substr(0, 1) + "$" + windows.substr(2), ShortName(windows),
        ShortName(system32)}) {
    EXPECT_TRUE(IsSystemLocation(path, system)) << path;
  }
  for (const std::string& path : {windows + "\\Fonts", system32 + "\\drivers", FreshTestDir()})
    EXPECT_FALSE(IsSystemLocation(path, system)) << path;
}

// A folder of the test's own stands in for the system's: what a path opens (a link, a spelling
// the text does not resolve) decides where the text cannot.
TEST(SystemFoldersWin, WhatAPathOpensDecides) {
  const std::string slot = "Z:\\links\\12\\";
  ASSERT_TRUE(std::filesystem::exists(Utf8ToWide(slot + "tree\\link\\keep.txt"))) << "link fixtures missing";
  const SystemLocations standIn = WithOpenedIdentities({"", slot + "outside", "", {}, {}});
  EXPECT_TRUE(IsSystemLocation(slot + "tree\\link", standIn));
  EXPECT_TRUE(IsSystemLocation(slot + "tree\\sub\\up\\link\\", standIn));
  EXPECT_FALSE(IsSystemLocation(slot + "tree", standIn));
}

// The engine's own guard, not only the main window's: a clean-up run whose target spells the
// stand-in system folder removes nothing from it.
TEST_F(SyncTreeTest, ACleanUpNeverTargetsASystemFolder) {
  const std::string system = dir + "Win";
  WriteTextFile(system + "\\fonts\\font.ttf", "f");
  WriteTextFile(system + "\\win.ini", "w");
  WriteTextFile(src + "\\only.txt", "o");
  rig.engine.Hooks().systemLocations = [&] { return WithOpenedIdentities({"", system, "", {}, {}}); };
  for (const std::string& target : {system + "\\fonts\\..", system + "."}) {
    rig.SetJob(src, target, true);
    RunSyncTasks(rig.engine);
    const std::vector<std::string> failures = Lines(rig.controls.failuresLog);
    ASSERT_EQ(failures.size(), 1u) << target;
    EXPECT_NE(failures[0].find("路径不能为系统盘"), std::string::npos) << failures[0];
    EXPECT_EQ(ReadTextFile(system + "\\win.ini"), "w") << target;
    EXPECT_EQ(ReadTextFile(system + "\\fonts\\font.ttf"), "f") << target;
    EXPECT_FALSE(Exists(system + "\\only.txt")) << target;
  }
}

}  // namespace
}  // namespace tarnvel::test
