// The installer batches run by the command interpreter, as the update runs them, in a folder
// whose name needs quoting (a blank, Chinese) and holds what cmd would expand on a command line
// ("%windir%", "%i"): the old program is a process of its own that
// the batch must end, the new one a helper that records its start (version.txt beside it).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/encoding.h"
#include "tests/support/sandbox.h"
#include "tests/support/tree_snapshot_win.h"
#include "tests/support/update_support_win.h"
#include "update/update_texts.h"

namespace tarnvel {
namespace {

const std::string kNewProgram = std::string(TARNVEL_PROGRAMS_DIR) + "new_version.exe";
const std::string kName = "Tarnvel 新.exe";

class UpdateBatch : public testing::Test {
 protected:
  void SetUp() override {
    base_ = test::FreshTestDir();
    dir_ = base_ + "程序 目录 a%windir%b x%i";
    ASSERT_TRUE(CreateDirectoryW(Utf8ToWide(dir_).c_str(), nullptr));
    // The running program: a copy of the helper, started suspended, so only the batch ends it.
    ASSERT_TRUE(CopyFileW(Utf8ToWide(kNewProgram).c_str(), Utf8ToWide(Path(kName)).c_str(), FALSE));
    std::wstring line = L"\"" + Utf8ToWide(Path(kName)) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    // Under a loaded Wine the start of a program copied a moment ago now and then fails; it is
    // the stand-in for the running program, not what is tested, so it gets a few tries.
    bool started = false;
    DWORD error = 0;
    for (int attempt = 0; attempt < 5 && !started; ++attempt) {
      if (attempt > 0) Sleep(200);
      started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                               Utf8ToWide(dir_).c_str(), &startup, &running_);
      if (!started) error = GetLastError();
    }
    ASSERT_TRUE(started) << "error " << error;
  }
  void TearDown() override {
    TerminateProcess(running_.hProcess, 0);
    WaitForSingleObject(running_.hProcess, 10000);
    CloseHandle(running_.hProcess);
    CloseHandle(running_.hThread);
  }
  std::string Path(const std::string& name) const { return dir_ + "\\" + name; }
  InstallPlace Place() const { return {dir_, kName, running_.dwProcessId}; }

  // Writes the batch beside the program, runs it as the update does and waits until it has
  // ended and the program it starts has written version.txt.
  void Run(const InstallBatch& batch) {
    ASSERT_TRUE(test::WriteText(Path("update.bat"), batch.text));
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    for (const auto& [name, value] : batch.environment)
      SetEnvironmentVariableW(Utf8ToWide(name).c_str(), Utf8ToWide(value).c_str());
    const test::ProcessOutcome outcome = test::RunProcess(
        std::wstring(system) + L"\\cmd.exe", Utf8ToWide(InstallBatchCommand()), Utf8ToWide(dir_), 60000);
    for (const auto& variable : batch.environment)
      SetEnvironmentVariableW(Utf8ToWide(variable.first).c_str(), nullptr);
    ASSERT_TRUE(outcome.ended);
    ASSERT_TRUE(test::DispatchUntil([&] { return !test::ReadText(Path("version.txt")).empty(); }));
  }
  bool OldProgramEnded() const { return WaitForSingleObject(running_.hProcess, 0) == WAIT_OBJECT_0; }

  const std::string newProgram_ = test::ReadText(kNewProgram) + "2.6";
  std::string base_, dir_;
  PROCESS_INFORMATION running_{};
};

TEST_F(UpdateBatch, DirectModeEndsTheProgramPutsTheNewOneInPlaceStartsItAndGoes) {
  ASSERT_TRUE(test::WriteText(Path("update.exe.tmp"), newProgram_));
  Run(DirectInstallBatch(Place()));
  EXPECT_TRUE(OldProgramEnded());
  EXPECT_EQ(test::ReadText(Path(kName)), newProgram_);
  EXPECT_EQ(test::Names(dir_), (std::vector<std::string>{kName, "version.txt"}));
  EXPECT_EQ(test::ReadText(Path("version.txt")).rfind("2.6|" + Path(kName) + "|", 0), 0u);
}

// The archive is unpacked beside the program; the program is ended and replaced only when the
// archive holds the member (else the old one is started again); the archive and its folder go.
class ArchiveBatch : public UpdateBatch, public testing::WithParamInterface<bool> {};

TEST_P(ArchiveBatch, ArchiveModeReplacesTheProgramOnlyWhenTheMemberIsThere) {
  const bool holdsMember = GetParam();
  const std::string member = "Tarnvel 2.6.exe";
  const std::string packed = base_ + (holdsMember ? member : "说明.exe");
  ASSERT_TRUE(test::WriteText(packed, newProgram_));
  ASSERT_TRUE(test::RunAndWait("\"" + std::string(TARNVEL_PROGRAMS_DIR) + "rar.exe\" a -m3 \"" +
                               Path("update.rar") + "\" \"" + packed + "\""));
  const std::string oldProgram = test::ReadText(Path(kName));
  Run(ArchiveInstallBatch(Place(), std::string(TARNVEL_PROGRAMS_DIR) + "rar.exe", member));
  EXPECT_EQ(OldProgramEnded(), holdsMember);
  EXPECT_EQ(test::ReadText(Path(kName)), holdsMember ? newProgram_ : oldProgram);
  EXPECT_EQ(test::Names(dir_), (std::vector<std::string>{kName, "version.txt"}));
}
INSTANTIATE_TEST_SUITE_P(Member, ArchiveBatch, testing::Bool());

}  // namespace
}  // namespace tarnvel
