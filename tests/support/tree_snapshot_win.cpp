#include <windows.h>

#include "tests/support/tree_snapshot_win.h"

#include <vector>

namespace tarnvel::test {
namespace {

std::wstring Extended(const std::wstring& path) { return L"\\\\?\\" + path; }

void ReadFileInto(const std::wstring& path, TreeEntry& entry) {
  HANDLE file = CreateFileW(Extended(path).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileInformationByHandle(file, &info)) {
    entry.identity = (static_cast<std::uint64_t>(info.dwVolumeSerialNumber) << 48) ^
                     ((static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow);
  }
  std::vector<char> buffer(1 << 16);
  std::uint64_t hash = 14695981039346656037ull;
  DWORD got = 0;
  bool ok = true;
  while (true) {
    if (!ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
      ok = false;
      break;
    }
    if (got == 0) break;
    hash = Fnv1a(buffer.data(), got, hash);
  }
  CloseHandle(file);
  entry.readable = ok;
  entry.checksum = hash;
}

std::uint64_t DirectoryIdentity(const std::wstring& path) {
  HANDLE dir = CreateFileW(Extended(path).c_str(), FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (dir == INVALID_HANDLE_VALUE) return 0;
  BY_HANDLE_FILE_INFORMATION info{};
  std::uint64_t identity = 0;
  if (GetFileInformationByHandle(dir, &info)) {
    identity = (static_cast<std::uint64_t>(info.dwVolumeSerialNumber) << 48) ^
               ((static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow);
  }
  CloseHandle(dir);
  return identity;
}

void Walk(const std::wstring& directory, const std::wstring& prefix, TreeSnapshot& out, int depth,
          int maxDepth, bool& truncated) {
  if (depth > maxDepth) {
    truncated = true;
    return;
  }
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileExW(Extended(directory + L"\\*").c_str(), FindExInfoBasic, &data,
                                 FindExSearchNameMatch, nullptr, 0);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring key = prefix.empty() ? name : prefix + L"/" + name;
    const std::wstring path = directory + L"\\" + name;
    TreeEntry entry;
    entry.directoryBit = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.size = (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    entry.lastWriteTime = (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                          data.ftLastWriteTime.dwLowDateTime;
    if (name.find_first_of(L"\\/") != std::wstring::npos) {
      entry.kind = EntryKind::kOddName;
    } else if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      entry.kind = entry.directoryBit ? EntryKind::kDirectoryLink : EntryKind::kFileLink;
    } else if (entry.directoryBit) {
      entry.kind = EntryKind::kDirectory;
      entry.identity = DirectoryIdentity(path);
    } else {
      entry.kind = EntryKind::kFile;
      ReadFileInto(path, entry);
    }
    out.emplace(key, entry);
    if (entry.kind == EntryKind::kDirectory) Walk(path, key, out, depth + 1, maxDepth, truncated);
  } while (FindNextFileW(find, &data));
  FindClose(find);
}

}  // namespace

std::uint64_t Fnv1a(const void* data, std::size_t size, std::uint64_t hash) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  for (std::size_t i = 0; i < size; ++i) {
    hash ^= bytes[i];
    hash *= 1099511628211ull;
  }
  return hash;
}

TreeSnapshot SnapshotTree(const std::wstring& root, bool* truncated, int maxDepth) {
  TreeSnapshot snapshot;
  bool deeper = false;
  Walk(root, L"", snapshot, 0, maxDepth, deeper);
  if (truncated != nullptr) *truncated = deeper;
  return snapshot;
}

const char* KindName(EntryKind kind) {
  switch (kind) {
    case EntryKind::kFile:
      return "file";
    case EntryKind::kDirectory:
      return "folder";
    case EntryKind::kDirectoryLink:
      return "folder link";
    case EntryKind::kFileLink:
      return "file link";
    case EntryKind::kOddName:
      return "entry with a backslash in its name";
  }
  return "?";
}

bool LiesIn(const std::wstring& key, const std::wstring& prefix) {
  if (prefix.empty()) return true;
  return key == prefix || (key.size() > prefix.size() && key.compare(0, prefix.size(), prefix) == 0 &&
                           key[prefix.size()] == L'/');
}

std::wstring FoldedKey(const std::wstring& key) {
  std::wstring folded = key;
  if (!folded.empty()) CharUpperBuffW(folded.data(), static_cast<DWORD>(folded.size()));
  return folded;
}

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                       nullptr, nullptr);
  std::string out(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr,
                      nullptr);
  return out;
}

ProcessOutcome RunProcess(const std::wstring& program, const std::wstring& commandLine,
                          const std::wstring& currentDirectory, unsigned long limitMs,
                          const std::wstring& outputFile) {
  ProcessOutcome outcome;
  std::wstring line = commandLine;
  // What the program prints is not the test's output, unless the test reads it from a file.
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE nul = outputFile.empty()
                   ? CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 &inherit, OPEN_EXISTING, 0, nullptr)
                   : CreateFileW(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                 0, nullptr);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (nul != INVALID_HANDLE_VALUE) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = nul;
  }
  PROCESS_INFORMATION process{};
  const ULONGLONG start = GetTickCount64();
  const BOOL started =
      CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, nul != INVALID_HANDLE_VALUE, 0, nullptr,
                     currentDirectory.empty() ? nullptr : currentDirectory.c_str(), &startup, &process);
  if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
  if (!started) {
    outcome.startError = GetLastError();
    return outcome;
  }
  outcome.started = true;
  if (WaitForSingleObject(process.hProcess, limitMs) == WAIT_OBJECT_0) {
    outcome.ended = true;
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    outcome.exitCode = code;
  } else {
    TerminateProcess(process.hProcess, 0xDEAD);
    WaitForSingleObject(process.hProcess, 10000);
  }
  outcome.elapsedMs = static_cast<unsigned long>(GetTickCount64() - start);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return outcome;
}

}  // namespace tarnvel::test
