#include <windows.h>

#include <shlobj.h>

#include "sync/run_log.h"

#include <algorithm>
#include <vector>

#include "runtime/encoding.h"

namespace tarnvel {
namespace {

constexpr std::size_t kBlockSize = 64 * 1024;

bool MakeDirectories(const std::wstring& directory) {
  if (CreateDirectoryW(directory.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) return true;
  const std::size_t cut = directory.find_last_of(L'\\');
  if (cut == std::wstring::npos || cut < 3) return false;
  if (!MakeDirectories(directory.substr(0, cut))) return false;
  return CreateDirectoryW(directory.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

// The logs of the directory, oldest first (their names sort by their start times).
std::vector<std::wstring> LogsIn(const std::wstring& directory) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileW((directory + L"\\*.log").c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(data.cFileName);
  } while (FindNextFileW(h, &data));
  FindClose(h);
  std::sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
    return RunLog::StartedBefore(WideToUtf8(a), WideToUtf8(b));
  });
  return names;
}

}  // namespace

RunLog::~RunLog() { Close(); }

bool RunLog::Open(const std::string& directory, DateTime start, int keep) {
  Close();
  const std::wstring dir = Utf8ToWide(directory);
  if (dir.empty() || !MakeDirectories(dir)) return false;
  std::vector<std::wstring> old = LogsIn(dir);
  const std::size_t room = keep > 1 ? static_cast<std::size_t>(keep - 1) : 0;
  for (std::size_t i = 0; old.size() > room && i < old.size() - room; ++i) DeleteFileW((dir + L"\\" + old[i]).c_str());
  const std::string name = FileNameFor(start);
  const std::string stem = name.substr(0, name.size() - 4);
  for (int n = 1; n < 100; ++n) {
    const std::string candidate = n == 1 ? name : stem + " (" + std::to_string(n) + ").log";
    const std::wstring path = dir + L"\\" + Utf8ToWide(candidate);
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      file_ = h;
      path_ = directory + "\\" + candidate;
      buffer_ = "\xEF\xBB\xBF";  // UTF-8 with its byte-order mark, so any editor reads it right
      return true;
    }
    if (GetLastError() != ERROR_FILE_EXISTS) return false;
  }
  return false;
}

void RunLog::Line(std::string_view text) {
  if (file_ == nullptr) return;
  buffer_.append(text);
  buffer_ += "\r\n";
  if (buffer_.size() >= kBlockSize) Flush();
}

void RunLog::Flush() {
  if (file_ == nullptr || buffer_.empty()) return;
  DWORD written = 0;
  WriteFile(static_cast<HANDLE>(file_), buffer_.data(), static_cast<DWORD>(buffer_.size()), &written, nullptr);
  buffer_.clear();
}

void RunLog::Close() {
  if (file_ == nullptr) return;
  Flush();
  CloseHandle(static_cast<HANDLE>(file_));
  file_ = nullptr;
}

std::string RunLog::DefaultDirectory() {
  PWSTR folder = nullptr;
  std::string directory;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &folder)) && folder != nullptr) {
    directory = WideToUtf8(folder) + "\\Tarnvel\\logs";
  }
  CoTaskMemFree(folder);
  return directory;
}

}  // namespace tarnvel
