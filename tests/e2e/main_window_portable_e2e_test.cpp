// The removable-disk start: Tarnvel.exe copied onto the sandbox drive beside its "Tarnvel.ini".
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/program_window_win.h"
#include "tests/support/sandbox.h"

namespace {

namespace fs = std::filesystem;

// Another process's window appearing: polled, since nothing can be waited on.
bool WaitUntil(const auto& done) {
  for (int i = 0; i < 1500; ++i) {
    if (done()) return true;
    Sleep(10);
  }
  return false;
}

// The program copied onto the disk, started in its own folder as from the disk's root.
class DiskProgram : public tarnvel::test::Program {
 public:
  explicit DiskProgram(const fs::path& exe) : Program(exe.wstring(), exe.parent_path().wstring()) {}
};

void Write(const fs::path& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

std::string Read(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Shown {
  DWORD process;
  bool any;
};

bool ShowsAWindow(DWORD process) {
  Shown shown{process, false};
  EnumWindows(
      [](HWND hwnd, LPARAM param) {
        auto* s = reinterpret_cast<Shown*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        if (owner == s->process && IsWindowVisible(hwnd)) s->any = true;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&shown));
  return shown.any;
}

class PortableStart : public testing::Test {
 protected:
  void SetUp() override {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) RegDeleteTreeW(root, L"SOFTWARE\\kelvotra");
    dir_ = tarnvel::test::FreshTestDirWide();
    disk_ = dir_ / L"U盘";
    backup_ = dir_ / L"备份";
    fs::create_directories(disk_ / L"资料");
    fs::create_directories(backup_);
    ASSERT_TRUE(CopyFileW(L"Y:\\Tarnvel.exe", (disk_ / L"Tarnvel.exe").c_str(), FALSE));
    Write(disk_ / L"说明.txt", "readme");
    Write(disk_ / L"资料" / L"表.csv", "1,2,3");
  }
  void TearDown() override {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) RegDeleteTreeW(root, L"SOFTWARE\\kelvotra");
  }

  fs::path dir_, disk_, backup_;
};

TEST_F(PortableStart, TheFileWithInstallAndEcBacksTheDiskUpAndEndsUnseen) {
  Write(backup_ / L"旧文件.txt", "stale");
  Write(disk_ / L"Tarnvel.ini", "[DIR]\r\nInstall=" + backup_.string() + "\r\nEC=1\r\n");
  DiskProgram program(disk_ / L"Tarnvel.exe");
  ASSERT_TRUE(program.Started());
  bool seen = false;
  bool ended = false;
  for (int i = 0; i < 3000 && !ended; ++i) {
    ended = program.EndsWithin(20);
    seen = seen || ShowsAWindow(program.Id());
  }
  ASSERT_TRUE(ended);
  EXPECT_FALSE(seen) << "the main window is never shown";
  EXPECT_EQ(program.ExitCode(), 0u);
  EXPECT_EQ(Read(backup_ / L"说明.txt"), "readme");
  EXPECT_EQ(Read(backup_ / L"资料" / L"表.csv"), "1,2,3");
  EXPECT_TRUE(fs::exists(backup_ / L"Tarnvel.exe"));
  EXPECT_FALSE(fs::exists(backup_ / L"旧文件.txt")) << "EC=1: what the disk no longer holds goes";
  const DWORD attributes = GetFileAttributesW((disk_ / L"Tarnvel.ini").c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(attributes & 7u, 7u) << "read-only, hidden and system while the mode is set up";
}

TEST_F(PortableStart, WithoutEcTheTargetKeepsItsExtraFiles) {
  Write(backup_ / L"旧文件.txt", "stale");
  Write(disk_ / L"Tarnvel.ini", "[DIR]\r\nInstall=" + backup_.string() + "\r\n");
  DiskProgram program(disk_ / L"Tarnvel.exe");
  ASSERT_TRUE(program.Started());
  ASSERT_TRUE(program.EndsWithin(60000));
  EXPECT_EQ(Read(backup_ / L"说明.txt"), "readme");
  EXPECT_TRUE(fs::exists(backup_ / L"旧文件.txt"));
}

// Fixed: "EC=0" still cleaned the backup when the computer's clean-up switch was on, and a ticked
// task row of the computer ran instead of the disk's job.
TEST_F(PortableStart, EcZeroNeverRemovesAndTheDiskRunsWhateverTheTaskListHolds) {
  using tarnvel::test::StoreSetting;
  const std::wstring vendorKey = L"SOFTWARE\\kelvotra";
  StoreSetting(vendorKey, L"Orvane目录同步DY", L"1");
  const fs::path rowSource = dir_ / L"行源";
  const fs::path rowTarget = dir_ / L"行目标";
  fs::create_directories(rowSource);
  Write(rowSource / L"r.txt", "row");
  StoreSetting(vendorKey + L"\\Orvane目录同步", L"LX",
               rowSource.wstring() + L";" + rowTarget.wstring() + L";1|");
  Write(backup_ / L"precious.txt", "only in the backup");
  Write(disk_ / L"Tarnvel.ini", "[DIR]\r\nInstall=" + backup_.string() + "\r\nEC=0\r\n");
  DiskProgram program(disk_ / L"Tarnvel.exe");
  ASSERT_TRUE(program.Started());
  ASSERT_TRUE(program.EndsWithin(60000));
  EXPECT_EQ(program.ExitCode(), 0u);
  EXPECT_EQ(Read(backup_ / L"说明.txt"), "readme") << "the disk is copied";
  EXPECT_EQ(Read(backup_ / L"资料" / L"表.csv"), "1,2,3");
  EXPECT_EQ(Read(backup_ / L"precious.txt"), "only in the backup") << "EC=0 never removes";
  EXPECT_FALSE(fs::exists(rowTarget)) << "the computer's task row does not run";
  EXPECT_EQ(tarnvel::test::Stored(vendorKey, L"Orvane目录同步DY"), L"1")
      << "the computer's switch stays stored";
}

TEST_F(PortableStart, AnEmptyInstallGivesTheInteractiveWindow) {
  Write(disk_ / L"Tarnvel.ini", "[DIR]\r\nInstall=\r\nEC=1\r\n");
  DiskProgram program(disk_ / L"Tarnvel.exe");
  ASSERT_TRUE(program.Started());
  EXPECT_TRUE(WaitUntil([&] { return ShowsAWindow(program.Id()); }));
  EXPECT_TRUE(fs::is_empty(backup_));
}

// A dialog (class "#32770") the process shows, other than the one given.
HWND DialogOf(DWORD process, HWND other = nullptr) {
  struct Search {
    DWORD process;
    HWND other;
    HWND found;
  } search{process, other, nullptr};
  EnumWindows(
      [](HWND hwnd, LPARAM param) {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        wchar_t cls[16] = {};
        GetClassNameW(hwnd, cls, 16);
        if (owner == s->process && hwnd != s->other && IsWindowVisible(hwnd) &&
            std::wstring(cls) == L"#32770") {
          s->found = hwnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::wstring BoxText(HWND box) {
  wchar_t text[512] = {};
  GetDlgItemTextW(box, 0xFFFF, text, 512);
  return text;
}

// Answers the next dialog of the process with a button; returns its message text.
std::wstring Answer(DWORD process, int button) {
  HWND box = nullptr;
  WaitUntil([&] { return (box = DialogOf(process)) != nullptr; });
  if (box == nullptr) return L"<no dialog>";
  const std::wstring text = BoxText(box);
  PostMessageW(box, WM_COMMAND, button, 0);
  WaitUntil([&] { return !IsWindow(box); });
  return text;
}

TEST_F(PortableStart, SetUpWritesTheFileAndEnds) {
  DiskProgram program(disk_ / L"Tarnvel.exe");
  ASSERT_TRUE(program.Started());
  HWND main = nullptr;
  ASSERT_TRUE(WaitUntil([&] {
    main = FindWindowW(nullptr, L"Orvane目录同步 V:2.5");
    DWORD owner = 0;
    if (main != nullptr) GetWindowThreadProcessId(main, &owner);
    return main != nullptr && owner == program.Id() && IsWindowVisible(main);
  }));
  PostMessageW(main, WM_COMMAND, MAKEWPARAM(108, BN_CLICKED), 0);
  EXPECT_NE(Answer(program.Id(), IDOK).find(L"你确定要设置成U盘模式么？"), std::wstring::npos);
  // The folder browser takes the folder it opens on, which exists.
  Answer(program.Id(), IDOK);
  EXPECT_EQ(Answer(program.Id(), IDCANCEL), L"是否清除多余的文件？");
  EXPECT_EQ(Answer(program.Id(), IDOK), L"设置成功！！下次你想备份U盘数据的时候直接打开本程序就可以了。");
  ASSERT_TRUE(program.EndsWithin(30000));
  const fs::path ini = disk_ / L"Tarnvel.ini";
  const DWORD attributes = GetFileAttributesW(ini.c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(attributes & 7u, 7u);
  wchar_t install[512] = {};
  GetPrivateProfileStringW(L"DIR", L"Install", L"", install, 512, ini.c_str());
  EXPECT_TRUE(fs::is_directory(install)) << "Install names the chosen folder";
  wchar_t ec[8] = {};
  GetPrivateProfileStringW(L"DIR", L"EC", L"", ec, 8, ini.c_str());
  EXPECT_EQ(std::wstring(ec), L"0") << "Cancel still completes the set-up, without clean-up";
}

}  // namespace
