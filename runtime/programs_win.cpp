// Starting programs and opening documents through the shell.
#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <string>

#include "runtime/encoding.h"
#include "runtime/programs.h"

namespace tarnvel {
namespace {

// An owned process or thread handle.
class OwnedHandle {
 public:
  explicit OwnedHandle(HANDLE handle = nullptr) : handle_(handle) {}
  ~OwnedHandle() {
    if (handle_ != nullptr) CloseHandle(handle_);
  }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

WORD ShowCommand(int show) {
  static const WORD kCommands[] = {SW_HIDE,          SW_SHOWNORMAL,     SW_SHOWMINIMIZED,
                                   SW_SHOWMAXIMIZED, SW_SHOWNOACTIVATE, SW_SHOWMINNOACTIVE};
  return kCommands[std::clamp(show, 1, 6) - 1];
}

}  // namespace

bool RunProgram(const std::string& commandLine, bool wait, int show) {
  // CreateProcessW may write into the command line it is given.
  auto exact = Utf8ToWideExact(commandLine);
  if (!exact || exact->empty()) return false;
  std::wstring line = std::move(*exact);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = ShowCommand(show);
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &started)) {
    return false;
  }
  OwnedHandle process(started.hProcess);
  OwnedHandle thread(started.hThread);
  if (wait) {
    WaitForSingleObject(process.Get(), INFINITE);
  } else {
    WaitForInputIdle(process.Get(), 1000);
  }
  return true;
}

int ShellOpen(const std::string& path) {
  const auto wide = Utf8ToWideExact(path);
  if (!wide) return 2;  // as for a file that is not there: no other name is opened instead
  const HINSTANCE result = ShellExecuteW(nullptr, L"open", wide->c_str(), L"", L"", SW_SHOWNORMAL);
  return static_cast<int>(reinterpret_cast<INT_PTR>(result));
}

void Delay(int milliseconds) { Sleep(static_cast<DWORD>(std::max(milliseconds, 0))); }

}  // namespace tarnvel
