// RemoveDirectoryTree: the one operation that deletes a whole tree, so it guards what it is
// given and never walks through a directory link.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "runtime/encoding.h"
#include "runtime/files.h"

namespace tarnvel {
namespace {

// The absolute \\?\ form of a path, so that every depth below it works whatever its length.
// A last name that ends in a dot or a blank is kept as written when an entry of that name
// exists; one of dots and blanks only that names nothing is refused (empty result), since the
// plain path would name the folder above it.
std::wstring LongAbsoluteForm(const std::string& path) {
  const std::string collapsed = CollapseSeparators(path);
  std::wstring wide = ExactPathToWide(collapsed);
  if (wide.empty()) return {};
  const bool verbatim = wide.rfind(L"\\\\?\\", 0) == 0;
  const std::string_view name = LastPathComponent(collapsed);
  if (IsVanishingName(name) && !(verbatim && wide.ends_with(Utf8ToWide(name)))) return {};
  if (!verbatim) {
    const DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (n == 0) return {};
    std::wstring full(n, L'\0');
    full.resize(GetFullPathNameW(wide.c_str(), n, full.data(), nullptr));
    if (full.rfind(L"\\\\", 0) == 0) {
      wide = L"\\\\?\\UNC\\" + full.substr(2);
    } else {
      wide = L"\\\\?\\" + full;
    }
  }
  while (!wide.empty() && wide.back() == L'\\') wide.pop_back();
  return wide;
}

bool IsDot(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

// Deletes the files of one directory and removes its links; gives its real subdirectories.
std::vector<std::wstring> ClearLevel(const std::wstring& dir) {
  std::vector<std::wstring> subdirectories;
  std::vector<std::pair<std::wstring, DWORD>> entries;  // read whole first, then changed
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileExW((dir + L"\\*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                              FIND_FIRST_EX_LARGE_FETCH);
  if (h == INVALID_HANDLE_VALUE) return subdirectories;
  do {
    if (!IsDot(data.cFileName)) entries.emplace_back(dir + L"\\" + data.cFileName, data.dwFileAttributes);
  } while (FindNextFileW(h, &data));
  FindClose(h);
  for (auto& [path, attrs] : entries) {
    if (!(attrs & FILE_ATTRIBUTE_DIRECTORY)) {
      // The entry itself, never a file it may link to (Wine shows a host link as a plain
      // file); a read-only file stays, and so then does its directory.
      if (!(attrs & FILE_ATTRIBUTE_READONLY)) RemoveFileLink(WideToUtf8(path));
    } else if (attrs & FILE_ATTRIBUTE_REPARSE_POINT) {
      RemoveDirectoryW(path.c_str());  // the link itself, never what it points to
    } else {
      subdirectories.push_back(std::move(path));
    }
  }
  return subdirectories;
}

}  // namespace

bool RemoveDirectoryTree(const std::string& path) {
  const std::size_t first = path.find_first_not_of(' ');
  if (first == std::string::npos) return false;
  const std::string given = path.substr(first);
  if (IsProtectedRoot(given)) return false;
  const std::wstring root = LongAbsoluteForm(given);
  // The full form too: "." or a relative path may name a drive root.
  if (root.empty() || IsProtectedRoot(WideToUtf8(root))) return false;
  const DWORD attrs = GetFileAttributesW(root.c_str());
  if (attrs == INVALID_FILE_ATTRIBUTES || !(attrs & FILE_ATTRIBUTE_DIRECTORY)) return false;
  if (attrs & FILE_ATTRIBUTE_REPARSE_POINT) return RemoveDirectoryW(root.c_str()) != FALSE;

  // Depth first without recursion, so that no depth of tree can exhaust the stack: a directory
  // is removed once everything below it has been handled.
  struct Level {
    std::wstring path;
    bool cleared;
  };
  std::vector<Level> stack{{root, false}};
  bool removed = false;
  while (!stack.empty()) {
    if (stack.back().cleared) {
      removed = RemoveDirectoryW(stack.back().path.c_str()) != FALSE;  // the root comes last
      stack.pop_back();
      continue;
    }
    stack.back().cleared = true;
    for (std::wstring& sub : ClearLevel(stack.back().path)) stack.push_back({std::move(sub), false});
  }
  return removed;
}

}  // namespace tarnvel
