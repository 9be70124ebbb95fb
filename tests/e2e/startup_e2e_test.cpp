// Tarnvel.exe started as a user or a shortcut starts it: the job line, the progress window,
// the main window, and the program's version information.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/sandbox.h"

namespace {

// The harness shows the built programs as drive Y:.
const std::wstring kProgram = L"Y:\\Tarnvel.exe";

class Process {
 public:
  Process(const std::wstring& arguments, const std::wstring& directory) {
    std::wstring line = L"\"" + kProgram + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    started_ = CreateProcessW(kProgram.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              directory.empty() ? nullptr : directory.c_str(), &startup, &info_) != FALSE;
    if (!started_) error_ = GetLastError();
  }
  ~Process() {
    if (!started_) return;
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 99);
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
  }
  bool Started() const { return started_; }
  DWORD Error() const { return error_; }
  DWORD Id() const { return info_.dwProcessId; }
  bool EndsWithin(DWORD milliseconds) {
    return WaitForSingleObject(info_.hProcess, milliseconds) == WAIT_OBJECT_0;
  }
  DWORD ExitCode() {
    DWORD code = 0;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
  }
  // The process's visible top-level window with this title, once it has appeared.
  HWND WaitForWindow(const std::wstring& title) {
    WaitForInputIdle(info_.hProcess, 10000);
    for (int tries = 0; tries < 1000; ++tries) {
      Search search{Id(), title, nullptr};
      EnumWindows(FindOwnWindow, reinterpret_cast<LPARAM>(&search));
      if (search.found != nullptr) return search.found;
      Sleep(10);  // polling for a window of another process; nothing else to wait on
    }
    return nullptr;
  }

 private:
  struct Search {
    DWORD process;
    std::wstring title;
    HWND found;
  };
  static BOOL CALLBACK FindOwnWindow(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    wchar_t title[256] = {};
    GetWindowTextW(hwnd, title, 256);
    if (owner == search->process && IsWindowVisible(hwnd) && search->title == title) {
      search->found = hwnd;
      return FALSE;
    }
    return TRUE;
  }

  PROCESS_INFORMATION info_{};
  bool started_ = false;
  DWORD error_ = 0;
};

// Holds a started job's worker until released, through the hook the program offers tests.
class HeldJob {
 public:
  explicit HeldJob(const wchar_t* name) : event_(CreateEventW(nullptr, TRUE, FALSE, name)) {
    SetEnvironmentVariableW(L"TARNVEL_HOLD_JOB", name);
  }
  ~HeldJob() {
    SetEnvironmentVariableW(L"TARNVEL_HOLD_JOB", nullptr);
    Release();
    CloseHandle(event_);
  }
  void Release() { SetEvent(event_); }

 private:
  HANDLE event_;
};

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> children;
  EnumChildWindows(
      parent,
      [](HWND child, LPARAM param) {
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&children));
  return children;
}

TEST(StartUpE2E, LineOfThreePiecesEndsAtOnceAndTouchesNothing) {
  const std::wstring dir = tarnvel::test::FreshTestDirWide();
  Process program(L"\"D:\\a|E:\\b|2|\"", dir);
  ASSERT_TRUE(program.Started()) << "CreateProcessW error " << program.Error();
  ASSERT_TRUE(program.EndsWithin(30000));
  EXPECT_EQ(program.ExitCode(), 2u) << "a job line without its four pieces starts nothing";
  EXPECT_TRUE(std::filesystem::is_empty(dir));
}

TEST(StartUpE2E, StaticJobRunsItsWorkerAndEndsTheProgram) {
  HeldJob held(L"TarnvelE2EStatic");
  const std::wstring dir = tarnvel::test::FreshTestDirWide();
  Process program(L"Z:\\x||1|y", dir);
  ASSERT_TRUE(program.Started()) << "CreateProcessW error " << program.Error();
  // A bad line would have ended the program already; this one waits in its job's worker.
  EXPECT_FALSE(program.EndsWithin(1500));
  held.Release();
  ASSERT_TRUE(program.EndsWithin(30000));
  EXPECT_EQ(program.ExitCode(), 2u) << "an empty target piece: the job does not start";
}

TEST(StartUpE2E, TwoBarJobShowsAllSevenControlsInItsWindow) {
  HeldJob held(L"TarnvelE2EDouble");
  const std::wstring dir = tarnvel::test::FreshTestDirWide();
  Process program(L"\"" + dir + L"源|" + dir + L"目标|3|x\"", dir);
  ASSERT_TRUE(program.Started()) << "CreateProcessW error " << program.Error();
  HWND window = program.WaitForWindow(L"Orvane目录同步");
  ASSERT_NE(window, nullptr);
  RECT rect{};
  GetWindowRect(window, &rect);
  const int dpi = GetDeviceCaps(GetDC(nullptr), LOGPIXELSY);
  EXPECT_EQ(rect.right - rect.left, MulDiv(382, dpi, 96));
  EXPECT_EQ(rect.bottom - rect.top, MulDiv(107, dpi, 96));
  const std::vector<HWND> children = Children(window);
  ASSERT_EQ(children.size(), 7u);
  for (HWND child : children) EXPECT_TRUE(IsWindowVisible(child));
  held.Release();
  ASSERT_TRUE(program.EndsWithin(30000));
  EXPECT_EQ(program.ExitCode(), 2u) << "its source is missing: the job does not start";
}

TEST(StartUpE2E, WithoutArgumentsTheMainWindowOpensAndTheExitControlEndsIt) {
  const std::wstring dir = tarnvel::test::FreshTestDirWide();
  Process program(L"", dir);
  ASSERT_TRUE(program.Started()) << "CreateProcessW error " << program.Error();
  HWND window = program.WaitForWindow(L"Orvane目录同步 V:2.5");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(GetParent(window), nullptr);
  // Centred on the screen.
  RECT rect{};
  GetWindowRect(window, &rect);
  EXPECT_LE(std::abs((rect.left + rect.right) / 2 - GetSystemMetrics(SM_CXSCREEN) / 2), 2);
  // Leaving is the exit control's, confirmed; the close box only hides the window.
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(110, BN_CLICKED), 0);
  HWND question = nullptr;
  for (int tries = 0; tries < 1000 && question == nullptr; ++tries) {
    question = FindWindowW(L"#32770", L"提示");
    if (question == nullptr) Sleep(10);  // a window of another process; nothing to wait on
  }
  ASSERT_NE(question, nullptr);
  PostMessageW(question, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(program.EndsWithin(30000));
  EXPECT_EQ(program.ExitCode(), 0u);
  EXPECT_TRUE(std::filesystem::is_empty(dir));  // nothing read or written beside it
}

TEST(StartUpE2E, VersionInformationNamesTheProduct) {
  HMODULE version = LoadLibraryW(L"version.dll");
  ASSERT_NE(version, nullptr);
  using SizeFn = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
  using InfoFn = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
  using QueryFn = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);
  auto size = reinterpret_cast<SizeFn>(GetProcAddress(version, "GetFileVersionInfoSizeW"));
  auto info = reinterpret_cast<InfoFn>(GetProcAddress(version, "GetFileVersionInfoW"));
  auto query = reinterpret_cast<QueryFn>(GetProcAddress(version, "VerQueryValueW"));
  ASSERT_TRUE(size && info && query);
  DWORD ignored = 0;
  std::vector<char> data(size(kProgram.c_str(), &ignored));
  ASSERT_FALSE(data.empty());
  ASSERT_TRUE(info(kProgram.c_str(), 0, static_cast<DWORD>(data.size()), data.data()));
  auto value = [&](const wchar_t* name) {
    wchar_t* text = nullptr;
    UINT length = 0;
    std::wstring path = std::wstring(L"\\StringFileInfo\\080404b0\\") + name;
    if (!query(data.data(), path.c_str(), reinterpret_cast<LPVOID*>(&text), &length)) return std::wstring();
    return std::wstring(text);
  };
  EXPECT_EQ(value(L"ProductName"), L"Orvane目录同步");
  EXPECT_EQ(value(L"FileVersion"), L"2.5.0.0");
  EXPECT_EQ(value(L"ProductVersion"), L"2.5.0.0");
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(query(data.data(), L"\\", reinterpret_cast<LPVOID*>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00020005u);
  FreeLibrary(version);
}

}  // namespace
