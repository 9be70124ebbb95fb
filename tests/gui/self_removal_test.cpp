// The program's own file is deleted only once it is free: the command started by the removal
// keeps trying while the file is held, as a running program's file is.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "runtime/encoding.h"
#include "runtime/programs.h"
#include "runtime/window.h"
#include "tests/support/sandbox.h"
#include "ui/portable.h"

namespace tarnvel {
namespace {

TEST(SelfRemoval, TheFileGoesOnceItsHolderLetsGo) {
  const std::filesystem::path file = std::filesystem::path(test::FreshTestDirWide()) / L"程序 副本.exe";
  std::ofstream(file) << "program";
  // Held as a running program holds its file: nobody may delete it meanwhile.
  HANDLE held = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  ASSERT_FALSE(DeleteFileW(file.c_str()));

  const std::string command = SelfRemovalCommand(SystemKind(), WideToUtf8(file.wstring()));
  ASSERT_TRUE(RunProgram(command, false, 1));
  // The command has tried at least once by now: it is ready for input or a second has passed.
  EXPECT_TRUE(std::filesystem::exists(file)) << "deleted while still held";
  CloseHandle(held);
  bool gone = false;
  for (int i = 0; i < 1000 && !gone; ++i) {
    gone = !std::filesystem::exists(file);
    if (!gone) Sleep(20);  // the command's next try; nothing to wait on in another process
  }
  EXPECT_TRUE(gone) << command;
}

}  // namespace
}  // namespace tarnvel
