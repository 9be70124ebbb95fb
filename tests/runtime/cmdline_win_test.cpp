// CommandLineArgs on a real process: the test executable starts itself with a chosen command
// line and the child checks what it reads.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "runtime/cmdline.h"
#include "runtime/encoding.h"

namespace tarnvel {
namespace {

constexpr wchar_t kChildVariable[] = L"TARNVEL_CMDLINE_CHILD";
// Blanks, Chinese, Korean, an emoji (a surrogate pair) and a decomposed accent.
const std::string kJobArgument = "D:\\my  目录|E:\\乗 한글 😀 e\xCC\x81|2|x";

bool IsChild() { return GetEnvironmentVariableW(kChildVariable, nullptr, 0) > 0; }

// Runs in the child only: the parent gave it the command line below.
TEST(CommandLineArgsChild, ReadsItsOwnCommandLine) {
  if (!IsChild()) GTEST_SKIP() << "runs in the child process";
  EXPECT_EQ(CommandLineArgs(), (TextArray{"--gtest_filter=CommandLineArgsChild.*", kJobArgument, "tail"}));
}

TEST(CommandLineArgs, ProcessSeesArgumentsWithoutItsQuotedName) {
  if (IsChild()) GTEST_SKIP();
  wchar_t self[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  std::wstring program = self;
  // Started by its Unix path from outside every drive, Wine names the test "unix\..."; its own
  // long form of that path reaches the file.
  if (program.rfind(L"unix\\", 0) == 0) program = L"\\\\?\\" + program;
  std::wstring line = L"\"" + program + L"\"   --gtest_filter=CommandLineArgsChild.* \"" +
                      Utf8ToWide(kJobArgument) + L"\"\ttail";
  ASSERT_TRUE(SetEnvironmentVariableW(kChildVariable, L"1"));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                      nullptr, &startup, &process);
  SetEnvironmentVariableW(kChildVariable, nullptr);
  ASSERT_TRUE(started) << GetLastError() << " " << WideToUtf8(program);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exitCode = 99;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  EXPECT_EQ(exitCode, 0u) << "the child read a different argument list";
}

}  // namespace
}  // namespace tarnvel
