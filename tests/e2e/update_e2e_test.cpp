// Tarnvel.exe updating itself from nginx on loopback, started from a working directory other
// than its own: a signed update is installed in the program's directory and the new program
// starts; an unsigned or tampered one is refused and changes nothing.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "runtime/encoding.h"
#include "runtime/files.h"
#include "runtime/registry.h"
#include "tests/support/nginx_fixture.h"
#include "tests/support/program_window_win.h"
#include "tests/support/sandbox.h"
#include "tests/support/update_support_win.h"
#include "update/signature.h"

namespace {

namespace fs = std::filesystem;
using namespace tarnvel;

const std::string kPrograms = TARNVEL_PROGRAMS_DIR;
const std::wstring kTitle = L"Orvane目录同步 V:2.5";
// The main window's system-menu commands of the update.
constexpr WPARAM kSilentUpdate = 0x1030;
constexpr WPARAM kCompareUpdate = 0x1040;

// Another process's window appearing: polled, since nothing can be waited on.
bool WaitUntil(const std::function<bool()>& done, int tries = 6000) {
  for (int i = 0; i < tries; ++i) {
    if (done()) return true;
    Sleep(10);
  }
  return false;
}

struct Search {
  DWORD process;
  std::wstring className;
  std::wstring title;
  HWND found;
};

BOOL CALLBACK FindOwnWindow(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  wchar_t title[256] = {}, cls[64] = {};
  GetWindowTextW(hwnd, title, 256);
  GetClassNameW(hwnd, cls, 64);
  if (owner == search->process && IsWindowVisible(hwnd) && search->title == title &&
      (search->className.empty() || search->className == cls)) {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

HWND FindProcessWindow(DWORD process, const std::wstring& className, const std::wstring& title) {
  Search search{process, className, title, nullptr};
  EnumWindows(FindOwnWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The text of a message box (its static text control).
std::wstring MessageBoxText(HWND box) {
  std::wstring all;
  EnumChildWindows(
      box,
      [](HWND child, LPARAM param) {
        wchar_t cls[32] = {}, text[1024] = {};
        GetClassNameW(child, cls, 32);
        if (std::wstring(cls) == L"Static") {
          GetWindowTextW(child, text, 1024);
          *reinterpret_cast<std::wstring*>(param) += text;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&all));
  return all;
}

// The program of the build, copied elsewhere, started from another folder.
class Program : public test::Program {
 public:
  using test::Program::Program;
  HWND WaitForWindow(const std::wstring& className, const std::wstring& title) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindProcessWindow(Id(), className, title)) != nullptr; });
    return found;
  }
};

class UpdateE2E : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(test::NginxUrl("").empty()) << test::NginxMissing();
    const std::string dir = test::FreshTestDir();
    programDir_ = dir + "程序 目录\\";
    elsewhere_ = dir + "elsewhere\\";
    ASSERT_TRUE(MakeDirectory(programDir_));
    ASSERT_TRUE(MakeDirectory(elsewhere_));
    oldProgram_ = ReadWholeFile(kPrograms + "Tarnvel.exe");
    newProgram_ = ReadWholeFile(kPrograms + "new_version.exe");
    ASSERT_FALSE(oldProgram_.empty());
    ASSERT_FALSE(newProgram_.empty());
    ASSERT_TRUE(test::WriteBytes(programDir_ + "Tarnvel.exe", oldProgram_));
    const std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
    served_ = test::NginxRoot() + "update-" + name + "\\";
    RemoveDirectoryTree(served_);
    ASSERT_TRUE(MakeDirectory(served_));
    servedUrl_ = test::NginxUrl("update-" + name + "/");
    // This process's own event, named to the new program through the environment it inherits.
    const std::wstring event = L"Local\\TarnvelNewVersionStarted-" + std::to_wstring(GetCurrentProcessId());
    SetEnvironmentVariableW(L"TARNVEL_STARTED_EVENT", event.c_str());
    started_ = CreateEventW(nullptr, TRUE, FALSE, event.c_str());
    ResetEvent(started_);
    ASSERT_FALSE(test::TestPublicKey().empty()) << "the build made no test key";
  }
  void TearDown() override {
    SetEnvironmentVariableW(L"TARNVEL_UPDATE_URL", nullptr);
    SetEnvironmentVariableW(L"TARNVEL_STARTED_EVENT", nullptr);
    CloseHandle(started_);
  }

  // The update file's URL the programs started next look at.
  static void ServeUpdateFrom(const std::string& fileUrl) {
    SetEnvironmentVariableW(L"TARNVEL_UPDATE_URL", Utf8ToWide(fileUrl).c_str());
  }

  // Waits for the main window of the program, started from elsewhere.
  static HWND MainWindowOf(Program& program) {
    EXPECT_TRUE(program.Started());
    return program.WaitForWindow(L"", kTitle);
  }

  std::vector<std::string> ProgramDirectoryNames() const {
    std::vector<std::string> names = test::Names(programDir_);
    std::erase(names, "version.txt");
    return names;
  }

  // After a refused update: one error box that names the reason; everything as it was.
  void ExpectRefusedAndNothingChanged(Program& program, const std::wstring& reasonPart) {
    HWND box = program.WaitForWindow(L"#32770", L"错误");
    ASSERT_NE(box, nullptr) << "the refusal is said";
    EXPECT_NE(MessageBoxText(box).find(reasonPart), std::wstring::npos) << WideToUtf8(MessageBoxText(box));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(ProgramDirectoryNames(), std::vector<std::string>{"Tarnvel.exe"});
    EXPECT_EQ(ReadWholeFile(programDir_ + "Tarnvel.exe"), oldProgram_);
    EXPECT_TRUE(test::Names(elsewhere_).empty());
    EXPECT_FALSE(program.EndsWithin(0)) << "the program goes on";
  }

  // After an installed update: the new program started from the program's directory, in place
  // of the old one, and every update file is gone.
  void ExpectInstalled(Program& program) {
    ASSERT_EQ(WaitForSingleObject(started_, 60000), WAIT_OBJECT_0) << "the new program did not start";
    ASSERT_TRUE(program.EndsWithin(30000));
    EXPECT_EQ(ReadWholeFile(programDir_ + "Tarnvel.exe"), newProgram_);
    const std::string report = test::ReadText(programDir_ + "version.txt");
    EXPECT_EQ(report.rfind("2.6|" + programDir_ + "Tarnvel.exe|", 0), 0u) << report;
    // The batch deletes itself after starting the program: wait for the folder to change.
    HANDLE change =
        FindFirstChangeNotificationW(Utf8ToWide(programDir_).c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME);
    for (int i = 0; i < 100 && ProgramDirectoryNames() != std::vector<std::string>{"Tarnvel.exe"}; ++i) {
      if (change == INVALID_HANDLE_VALUE || WaitForSingleObject(change, 30000) != WAIT_OBJECT_0) break;
      FindNextChangeNotification(change);
    }
    if (change != INVALID_HANDLE_VALUE) FindCloseChangeNotification(change);
    EXPECT_EQ(ProgramDirectoryNames(), std::vector<std::string>{"Tarnvel.exe"});
    EXPECT_TRUE(test::Names(elsewhere_).empty()) << "nothing lands in the working directory";
  }

  std::string programDir_, elsewhere_, served_, servedUrl_;
  ByteString oldProgram_, newProgram_;
  HANDLE started_ = nullptr;
};

TEST_F(UpdateE2E, DirectModeInstallsASignedProgramAndStartsIt) {
  ASSERT_TRUE(test::WriteBytes(served_ + "Tarnvel.exe", newProgram_));
  ASSERT_TRUE(test::WriteBytes(served_ + "Tarnvel.exe.sig", test::SignForTest(newProgram_)));
  ServeUpdateFrom(servedUrl_ + "Tarnvel.exe");
  Program program(Utf8ToWide(programDir_ + "Tarnvel.exe"), Utf8ToWide(elsewhere_));
  HWND window = MainWindowOf(program);
  ASSERT_NE(window, nullptr);
  PostMessageW(window, WM_SYSCOMMAND, kSilentUpdate, 0);
  ExpectInstalled(program);
}

TEST_F(UpdateE2E, DirectModeRefusesAnUnsignedProgram) {
  ASSERT_TRUE(test::WriteBytes(served_ + "Tarnvel.exe", newProgram_));
  ServeUpdateFrom(servedUrl_ + "Tarnvel.exe");
  Program program(Utf8ToWide(programDir_ + "Tarnvel.exe"), Utf8ToWide(elsewhere_));
  HWND window = MainWindowOf(program);
  ASSERT_NE(window, nullptr);
  PostMessageW(window, WM_SYSCOMMAND, kSilentUpdate, 0);
  ExpectRefusedAndNothingChanged(program, Utf8ToWide(SignatureCheckMessage(SignatureCheck::Missing)));
}

TEST_F(UpdateE2E, DirectModeRefusesATamperedProgramAndRemovesWhatItFetched) {
  ByteString tampered = newProgram_;
  tampered[tampered.size() / 2] ^= 0x01;
  ASSERT_TRUE(test::WriteBytes(served_ + "Tarnvel.exe", tampered));
  ASSERT_TRUE(test::WriteBytes(served_ + "Tarnvel.exe.sig", test::SignForTest(newProgram_)));
  ServeUpdateFrom(servedUrl_ + "Tarnvel.exe");
  Program program(Utf8ToWide(programDir_ + "Tarnvel.exe"), Utf8ToWide(elsewhere_));
  HWND window = MainWindowOf(program);
  ASSERT_NE(window, nullptr);
  PostMessageW(window, WM_SYSCOMMAND, kSilentUpdate, 0);
  ExpectRefusedAndNothingChanged(program, Utf8ToWide(SignatureCheckMessage(SignatureCheck::Bad)));
}

class UpdateCompareE2E : public UpdateE2E {
 protected:
  void SetUp() override {
    UpdateE2E::SetUp();
    if (HasFatalFailure()) return;
    // The stand-in RAR tool, registered as the real one is found.
    ASSERT_TRUE(RegWrite(kRegClassesRoot, "WinRAR\\DefaultIcon\\", kPrograms + "WinRAR.exe,0"));
    // The served archive holds the new program under a name of its own, which the installer
    // renames to the program's.
    const std::string member = served_ + "新版 Tarnvel.exe";
    ASSERT_TRUE(test::WriteBytes(member, newProgram_));
    ASSERT_TRUE(RunStandIn("a -m3 \"" + served_ + "Tarnvel.rar\" \"" + member + "\""));
    DeleteFileAt(member);
    archive_ = ReadWholeFile(served_ + "Tarnvel.rar");
    ASSERT_FALSE(archive_.empty());
  }

  static bool RunStandIn(const std::string& arguments) {
    return test::RunAndWait("\"" + kPrograms + "rar.exe\" " + arguments);
  }


  // Starts the compare-mode update and answers its question with Yes.
  void RunCompareUpdate(Program& program) {
    HWND window = MainWindowOf(program);
    ASSERT_NE(window, nullptr);
    PostMessageW(window, WM_SYSCOMMAND, kCompareUpdate, 0);
    HWND question = program.WaitForWindow(L"#32770", L"询问");
    ASSERT_NE(question, nullptr) << "the sizes differ: the update is offered";
    EXPECT_NE(MessageBoxText(question).find(L"发现最新版本！是否立即更新？"), std::wstring::npos);
    PostMessageW(question, WM_COMMAND, IDYES, 0);
  }

  ByteString archive_;
};

TEST_F(UpdateCompareE2E, ASignedArchiveIsExtractedInThePlaceOfTheProgram) {
  ASSERT_TRUE(test::WriteBytes(served_ + "Tarnvel.rar.sig", test::SignForTest(archive_)));
  ServeUpdateFrom(servedUrl_ + "Tarnvel.rar");
  Program program(Utf8ToWide(programDir_ + "Tarnvel.exe"), Utf8ToWide(elsewhere_));
  RunCompareUpdate(program);
  ExpectInstalled(program);
}

TEST_F(UpdateCompareE2E, AnArchiveSignedForOtherBytesChangesNothing) {
  ByteString other = archive_;
  other.back() ^= 0x01;
  ASSERT_TRUE(test::WriteBytes(served_ + "Tarnvel.rar.sig", test::SignForTest(other)));
  ServeUpdateFrom(servedUrl_ + "Tarnvel.rar");
  Program program(Utf8ToWide(programDir_ + "Tarnvel.exe"), Utf8ToWide(elsewhere_));
  RunCompareUpdate(program);
  ExpectRefusedAndNothingChanged(program, Utf8ToWide(SignatureCheckMessage(SignatureCheck::Bad)));
}

}  // namespace
