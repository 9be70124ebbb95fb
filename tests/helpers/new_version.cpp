// The "new program" an update test installs: started, it writes version.txt beside itself with
// its version and the folder it was started in, then sets the event the test waits on: the one
// named in TARNVEL_STARTED_EVENT, which the test gives its own name (test executables running
// side by side in one prefix would otherwise wake each other).
#include <windows.h>

#include <string>

int wmain() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring own(path, length);
  const std::wstring directory = own.substr(0, own.find_last_of(L'\\') + 1);
  wchar_t current[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, current);
  const std::wstring line = L"2.6|" + own + L"|" + current;
  const int size = WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), nullptr, 0,
                                       nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), bytes.data(), size, nullptr,
                      nullptr);
  HANDLE file =
      CreateFileW((directory + L"version.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  wchar_t name[256] = {};
  const DWORD named = GetEnvironmentVariableW(L"TARNVEL_STARTED_EVENT", name, 256);
  if (named == 0 || named >= 256) return 0;  // nobody waits
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, name);
  if (done != nullptr) {
    SetEvent(done);
    CloseHandle(done);
  }
  return 0;
}
