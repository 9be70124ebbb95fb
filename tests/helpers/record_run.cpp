// An after-command for the tests: appends one line to record_run.log beside itself (or to the file
// its argument names), then sets the event RecordRunEventName(log path) so that a test can wait for
// it instead of polling the file.
#include <windows.h>

#include <string>

namespace {

std::wstring OwnDirectory() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring full(path, length);
  return full.substr(0, full.find_last_of(L'\\') + 1);
}

// Kernel object names take no backslashes.
std::wstring EventNameFor(std::wstring logPath) {
  for (wchar_t& c : logPath) {
    if (c == L'\\' || c == L':') c = L'_';
  }
  return L"Local\\TarnvelRecordRun_" + logPath;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring log = argc > 1 ? std::wstring(argv[1]) : OwnDirectory() + L"record_run.log";
  HANDLE file = CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  const char line[] = "ran\r\n";
  DWORD written = 0;
  const BOOL ok = WriteFile(file, line, sizeof line - 1, &written, nullptr);
  CloseHandle(file);
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, EventNameFor(log).c_str());
  if (done != nullptr) {
    SetEvent(done);
    CloseHandle(done);
  }
  return ok ? 0 : 1;
}
