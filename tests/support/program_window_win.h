// Tarnvel.exe driven from outside, as a user drives it: the program started in the test
// desktop, its windows found by title and control id, its message boxes answered, and what it
// stored read back from the prefix's registry.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

namespace tarnvel::test {

inline const std::wstring kProgramPath = L"Y:\\Tarnvel.exe";
inline const std::wstring kMainTitle = L"Orvane目录同步 V:2.5";
inline const std::wstring kVendorKey = L"SOFTWARE\\kelvotra";
inline const std::wstring kProductKey = L"SOFTWARE\\kelvotra\\Orvane目录同步";

// Another process's window appearing or changing: polled, since nothing can be waited on.
bool WaitUntil(const std::function<bool()>& done, int tries = 1500);

std::wstring TextOf(HWND hwnd);
// A top-level window of the process with this title (visible or not).
HWND WindowOf(DWORD process, const std::wstring& title);

// Tarnvel.exe started without arguments in Z:\; ended by force if a test leaves it running.
class Program {
 public:
  // Tarnvel.exe of the build, started in Z:\ (the sandbox).
  Program();
  // Any program, started in `directory`.
  Program(const std::wstring& path, const std::wstring& directory);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
  bool Started() const { return started_; }
  // The system's error code when the program could not be started.
  DWORD StartError() const { return error_; }
  DWORD Id() const { return info_.dwProcessId; }
  bool EndsWithin(DWORD milliseconds);
  DWORD ExitCode();
  // Waits for a window of the program with this title (shown, unless `visible` is false).
  HWND Window(const std::wstring& title, bool visible = true);

 private:
  PROCESS_INFORMATION info_{};
  bool started_ = false;
  DWORD error_ = 0;
};

// A message box (class "#32770") of the given caption: its text, and a button pressed on it.
struct Box {
  HWND hwnd = nullptr;
  std::wstring text;
};
Box WaitForBox(const std::wstring& caption);
void Press(const Box& box, int button);

// Types a text into an edit box or a combo box, as the keyboard would (the box notifies the
// change).
void Type(HWND box, const std::wstring& text);
// A click on a button or a menu entry of the window, by its command id.
void Command(HWND window, int id);

// The stored value: the user's own copy wins where the machine-wide key is not writable.
std::wstring Stored(const std::wstring& key, const std::wstring& name);
void ForgetSettings();
// Stores a text value as the program would find it (in both roots: the machine's where it is
// writable, the user's otherwise).
void StoreSetting(const std::wstring& key, const std::wstring& name, const std::wstring& value);

// The values of a key as `reg export` writes them (the user's copy winning over the machine's),
// by value name; the key's subkeys are not included.
std::map<std::wstring, std::wstring> ExportedValues(const std::wstring& key);

// The text of the run log (%LOCALAPPDATA%\Tarnvel\logs) written last among those that contain
// `mentioning` (a folder of the test, say), or "" when there is none. Chosen by write time and
// content, not by name: two runs started in the same second get "<time>.log" and
// "<time> (2).log", and the later one sorts first.
std::string NewestRunLog(const std::string& mentioning = "");

// The main window's tests: each starts with the product's settings forgotten and leaves none.
class MainWindowTest : public testing::Test {
 protected:
  void SetUp() override { ForgetSettings(); }
  void TearDown() override { ForgetSettings(); }

  // Waits for the main window of the started program.
  static HWND Start(Program& program);
  // Leaves through the exit control, answering its question with OK; the program ends with 0.
  static void Exit(Program& program, HWND main);
};

}  // namespace tarnvel::test
