// The engine on the FAT sticks of tools/test-fat: a full stick stops the run, and a case-only
// rename of a folder keeps its content on a driver that empties a renamed folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "runtime/encoding.h"
#include "sync/case_rename.h"
#include "sync/full_target.h"
#include "sync/task_runner.h"
#include "tests/support/fat_sticks_win.h"
#include "tests/support/sandbox.h"
#include "tests/sync/sync_fixture_win.h"

namespace tarnvel::test {
namespace {

namespace fs = std::filesystem;

std::string Utf8Of(const std::wstring& path) { return WideToUtf8(path); }

// Six 5 MB files for a 16 MB stick: the fourth does not fit, and neither would the two after it.
TEST(FatStickEngine, AFullStickStopsTheRunAtTheFirstCopyThatDoesNotFit) {
  TARNVEL_REQUIRE_FAT_STICKS();
  const std::string src = FreshTestDir() + "src\\";
  const std::string dst = Utf8Of(FreshStickFolder(L"T:\\", true));
  for (int i = 0; i < 6; ++i)
    WriteTextFile(src + "part" + std::to_string(i) + ".bin", std::string(5 << 20, 'x'));
  EngineRig rig;
  rig.SetJob(src, dst);
  ASSERT_TRUE(RunSyncTasks(rig.engine));
  EXPECT_EQ(rig.engine.Report().StopReason(), kFullTargetText);
  EXPECT_EQ(rig.engine.Report().Failures(), 1) << "no copy is tried after the first that does not fit";
  EXPECT_NE(rig.engine.Report().Lines().front().find("目标磁盘空间不足，剩余 "), std::string::npos);
  EXPECT_EQ(rig.controls.statusLine.Text().rfind("信息：目标磁盘空间不足", 0), 0u)
      << rig.controls.statusLine.Text();
  for (const auto& entry : fs::directory_iterator(Utf8ToWide(dst))) {
    EXPECT_EQ(entry.file_size(), 5u << 20) << "no part of a copy is left: " << entry.path();
  }
}

struct SpellingCase {
  const wchar_t* root;  // L"" for the sandbox
  bool folder;
};

class CaseOnlySpelling : public testing::TestWithParam<SpellingCase> {};

// The entry takes the new spelling, and a folder keeps everything in it, subfolders included.
TEST_P(CaseOnlySpelling, TakesTheNewSpellingAndKeepsTheContent) {
  if (*GetParam().root != L'\0') TARNVEL_REQUIRE_FAT_STICKS();
  const std::string dir =
      *GetParam().root == L'\0' ? FreshTestDir() : Utf8Of(FreshStickFolder(GetParam().root));
  if (GetParam().folder) {
    WriteTextFile(dir + "Photos\\a.txt", "a");
    WriteTextFile(dir + "Photos\\Sub\\b.txt", "bb");
  } else {
    WriteTextFile(dir + "Photos", "picture");
  }
  ASSERT_TRUE(RenameToSpelling(dir, "Photos", "photos", GetParam().folder)) << GetLastError();
  std::vector<std::wstring> names;
  for (const auto& entry : fs::directory_iterator(Utf8ToWide(dir)))
    names.push_back(entry.path().filename().wstring());
  EXPECT_EQ(names, std::vector<std::wstring>{L"photos"});
  if (GetParam().folder) {
    EXPECT_EQ(ReadTextFile(dir + "photos\\a.txt"), "a");
    EXPECT_EQ(ReadTextFile(dir + "photos\\Sub\\b.txt"), "bb");
  } else {
    EXPECT_EQ(ReadTextFile(dir + "photos"), "picture");
  }
}

INSTANTIATE_TEST_SUITE_P(SandboxAndStick, CaseOnlySpelling,
                         testing::Values(SpellingCase{L"", false}, SpellingCase{L"", true},
                                         SpellingCase{L"S:\\", false}, SpellingCase{L"S:\\", true}));

}  // namespace
}  // namespace tarnvel::test
