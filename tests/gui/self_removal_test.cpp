// The program's own file is deleted only once it is free: the batch started by the removal keeps
// trying while the file is held, as a running program's file is, whatever the folder is named.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "runtime/encoding.h"
#include "tests/support/sandbox.h"
#include "ui/portable.h"

namespace tarnvel {
namespace {

// Fault: the path stood in a "for %i" loop of cmd's command line, where "%i" and "%NAME%" in a
// folder name are replaced, so such a program's file was never deleted.
TEST(SelfRemoval, TheFileGoesOnceItsHolderLetsGo) {
  const std::filesystem::path dir = test::FreshTestDirWide();
  std::vector<std::filesystem::path> files;
  std::vector<HANDLE> held;
  for (const wchar_t* folder : {L"工具 箱", L"a%i", L"%windir%", L"x&y^z"}) {
    std::filesystem::create_directories(dir / folder);
    files.push_back(dir / folder / L"程序 副本.exe");
    std::ofstream(files.back()) << "program";
    // Held as a running program holds its file: nobody may delete it meanwhile.
    held.push_back(
        CreateFileW(files.back().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_NE(held.back(), INVALID_HANDLE_VALUE);
    ASSERT_TRUE(StartSelfRemoval(WideToUtf8(files.back().wstring()))) << files.back();
  }
  Sleep(1500);  // each batch has tried at least once by now
  for (const auto& file : files) EXPECT_TRUE(std::filesystem::exists(file)) << "deleted while still held";
  for (HANDLE h : held) CloseHandle(h);
  for (const auto& file : files) {
    for (int i = 0; i < 1000 && std::filesystem::exists(file); ++i) Sleep(20);  // another process's next try
    EXPECT_FALSE(std::filesystem::exists(file)) << file;
  }
}

}  // namespace
}  // namespace tarnvel
