// Tarnvel.exe started with a job line over real trees in the sandbox: it mirrors the source by
// size, opens the after-command once and ends.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <map>
#include <string>

#include "runtime/encoding.h"
#include "runtime/files.h"
#include "tests/support/job_tree_win.h"
#include "tests/support/program_window_win.h"
#include "tests/support/sandbox.h"

namespace tarnvel {
namespace {

using test::FilesOf;
using test::FileText;
using test::FreshTestDir;
using test::WriteFileOfSize;

// Guards against a hang only; no test depends on how long anything takes.
constexpr DWORD kHangGuardMs = 120000;

// The helper record_run.exe, copied into the test's folder so that its log lies there too; the
// event it sets after writing is made here first, so it cannot be missed.
class AfterCommand {
 public:
  explicit AfterCommand(const std::string& dir) : exe_(dir + "record_run.exe"), log_(dir + "record_run.log") {
    CopyFileW(TARNVEL_PROGRAMS_DIR L"record_run.exe", Utf8ToWide(exe_).c_str(), FALSE);
    std::wstring name = Utf8ToWide(log_);
    for (wchar_t& c : name) {
      if (c == L'\\' || c == L':') c = L'_';
    }
    ran_ = CreateEventW(nullptr, TRUE, FALSE, (L"Local\\TarnvelRecordRun_" + name).c_str());
  }
  ~AfterCommand() { CloseHandle(ran_); }
  AfterCommand(const AfterCommand&) = delete;
  AfterCommand& operator=(const AfterCommand&) = delete;

  const std::string& Command() const { return exe_; }
  bool WaitUntilRan() const { return WaitForSingleObject(ran_, kHangGuardMs) == WAIT_OBJECT_0; }
  int TimesRun() const {
    const std::string text = FileText(log_);
    int lines = 0;
    for (char c : text) lines += c == '\n';
    return lines;
  }

 private:
  std::string exe_, log_;
  HANDLE ran_;
};

// Starts Y:\Tarnvel.exe with the job line as its one argument and returns its exit code.
DWORD RunTarnvel(const std::string& jobLine, const std::string& currentDirectory) {
  std::wstring commandLine = L"\"" TARNVEL_PROGRAMS_DIR L"Tarnvel.exe\" " + Utf8ToWide(jobLine);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const std::wstring cwd = Utf8ToWide(currentDirectory);
  if (!CreateProcessW(TARNVEL_PROGRAMS_DIR L"Tarnvel.exe", commandLine.data(), nullptr, nullptr, FALSE, 0,
                      nullptr, cwd.c_str(), &startup, &process)) {
    ADD_FAILURE() << "Tarnvel.exe did not start: " << GetLastError();
    return 9999;
  }
  DWORD code = 9998;
  if (WaitForSingleObject(process.hProcess, kHangGuardMs) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.hProcess, &code);
  } else {
    TerminateProcess(process.hProcess, 9997);
    ADD_FAILURE() << "Tarnvel.exe did not end";
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

std::string JobLine(const std::string& source, const std::string& target, int style,
                    const std::string& after) {
  return source + "|" + target + "|" + std::to_string(style) + "|" + after;
}

class CommandLineJob : public testing::TestWithParam<int> {};
INSTANTIATE_TEST_SUITE_P(Styles, CommandLineJob, testing::Values(1, 2, 3));

TEST_P(CommandLineJob, MirrorsTheTreeThenOpensTheAfterCommandOnce) {
  const std::string dir = FreshTestDir();
  const std::string source = dir + "源目录", target = dir + "备份";
  WriteFileOfSize(source + "\\a.txt", 10);
  WriteFileOfSize(source + "\\空.txt", 0);
  WriteFileOfSize(source + "\\sub\\b.txt", 20, 'b');
  WriteFileOfSize(source + "\\sub\\deep\\c.bin", 70000, 'c');
  WriteFileOfSize(source + "\\.config\\settings.ini", 7, 'g');
  WriteFileOfSize(source + "\\ro.txt", 10);
  WriteFileOfSize(target + "\\a.txt", 5, 'o');
  WriteFileOfSize(target + "\\sub\\b.txt", 20, 'z');  // same size, other content
  WriteFileOfSize(target + "\\extra.txt", 4);
  WriteFileOfSize(target + "\\多余\\inner\\x.txt", 4);
  WriteFileOfSize(target + "\\ro.txt", 3, 'r');  // read-only, of another size
  ASSERT_TRUE(SetAttributes(target + "\\ro.txt", kAttrReadOnly));
  AfterCommand after(dir);

  // The read-only target is not replaced: the job ran but says that not everything was done.
  EXPECT_EQ(RunTarnvel(JobLine(source, target, GetParam(), after.Command()), dir), 1u);
  ASSERT_TRUE(after.WaitUntilRan());
  EXPECT_EQ(after.TimesRun(), 1);

  std::map<std::string, std::int64_t> expected = FilesOf(source);
  expected["ro.txt"] = 3;  // survives the cleaner; the copy over it is refused and reported
  EXPECT_EQ(FilesOf(target), expected);
  EXPECT_EQ(FileText(target + "\\sub\\b.txt"), std::string(20, 'z'));
  EXPECT_EQ(FileText(target + "\\ro.txt"), "rrr");
  EXPECT_EQ(GetAttributes(target + "\\多余"), -1);
  test::MakeTreeWritable(dir);
}

// Fault: a source that is not there (mistyped, unplugged) used to empty the whole target. The
// job does not start: exit code 2, and the after-command, which may rely on the copy, is not
// opened.
TEST_P(CommandLineJob, MissingSourceLeavesTheTargetAndOpensNothing) {
  const std::string dir = FreshTestDir();
  WriteFileOfSize(dir + "dst\\keep.txt", 4);
  WriteFileOfSize(dir + "dst\\folder\\keep2.txt", 6);
  const auto before = test::TreeOf(dir + "dst");
  AfterCommand after(dir);
  EXPECT_EQ(RunTarnvel(JobLine(dir + "unplugged", dir + "dst", GetParam(), after.Command()), dir), 2u);
  EXPECT_EQ(after.TimesRun(), 0);
  EXPECT_EQ(test::TreeOf(dir + "dst"), before);
}

// Fault: a source folder that could not be listed was passed over as if empty, and the job
// ended with 0. Z:\unreadable\src\shut is made unreadable by the harness (tools/wine-run).
TEST_P(CommandLineJob, UnreadableSourceFolderEndsWithExitCodeOneAndIsNamed) {
  const std::string dir = FreshTestDir();
  WriteFileOfSize(dir + "dst\\shut\\old.txt", 5, 'o');
  AfterCommand after(dir);
  EXPECT_EQ(RunTarnvel(JobLine("Z:\\unreadable\\src", dir + "dst", GetParam(), after.Command()), dir), 1u);
  EXPECT_EQ(FileText(dir + "dst\\shut\\old.txt"), "ooooo");
  EXPECT_EQ(FileText(dir + "dst\\open\\b.txt"), "b\n");
  const std::string log = test::NewestRunLog(dir);
  EXPECT_NE(log.find("失败：读取目录 Z:\\unreadable\\src\\shut\\ - "), std::string::npos) << log;
}

TEST(CommandLineJobLine, BadJobLineEndsWithoutTouchingAnything) {
  const std::string dir = FreshTestDir();
  WriteFileOfSize(dir + "src\\a.txt", 4);
  WriteFileOfSize(dir + "dst\\extra.txt", 4);
  AfterCommand after(dir);
  // Three pieces: the empty last one is dropped, so nothing runs, and the exit code says so.
  EXPECT_EQ(RunTarnvel(dir + "src|" + dir + "dst|2|", dir), 2u);
  EXPECT_EQ(FilesOf(dir + "dst"), (std::map<std::string, std::int64_t>{{"extra.txt", 4}}));
  EXPECT_EQ(after.TimesRun(), 0);
}

}  // namespace
}  // namespace tarnvel
