// Files and directories through the wide file API.
#include <windows.h>

#include <algorithm>
#include <exception>
#include <utility>
#include <vector>

#include "runtime/encoding.h"
#include "runtime/files.h"

namespace tarnvel {
namespace {

constexpr std::uint32_t kVisibleAttributes = 0x37;
constexpr std::uint32_t kSettableAttributes = 0x27;

// Search handles from the basic, large-fetch form of the first-file call: no short names are
// built, and the system reads the directory in bigger blocks.
HANDLE FindFirst(const std::wstring& pattern, WIN32_FIND_DATAW& data) {
  HANDLE h = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                              FIND_FIRST_EX_LARGE_FETCH);
  if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_INVALID_PARAMETER) {
    // Systems older than Windows 7 know neither option.
    h = FindFirstFileExW(pattern.c_str(), FindExInfoStandard, &data, FindExSearchNameMatch, nullptr, 0);
  }
  return h;
}

DirectoryEntry ToEntry(const WIN32_FIND_DATAW& data) {
  DirectoryEntry entry;
  entry.name = WideToUtf8(data.cFileName);
  entry.attributes = data.dwFileAttributes;
  entry.size =
      static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
  entry.lastWriteTime = (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                        data.ftLastWriteTime.dwLowDateTime;
  return entry;
}

bool IsDot(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

bool HasWildcard(std::string_view path) { return path.find_first_of("*?") != std::string_view::npos; }

bool EndsWithSeparator(std::string_view path) {
  return !path.empty() && (path.back() == '\\' || path.back() == '/' || path.back() == ':');
}

std::wstring WithoutTrailingSeparators(std::wstring path) {
  while (path.size() > 1 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
  return path;
}

}  // namespace

struct FileSearchAccess {
  static bool Accepts(const FileSearch& s, std::uint32_t attributes) {
    if (!s.hasMask_) return (attributes & kAttrDirectory) == 0;
    if (s.mask_ == 0) return (attributes & kVisibleAttributes) == 0;
    return (attributes & s.mask_) != 0;
  }

  static std::string Find(const std::string& pattern, bool hasMask, std::uint32_t mask, FileSearch& s) {
    WIN32_FIND_DATAW data;
    bool haveFirst = false;
    if (!pattern.empty()) {
      Close(s);
      HANDLE h = FindFirst(PathToWide(pattern), data);
      if (h == INVALID_HANDLE_VALUE) return {};
      s.handle_ = h;
      s.hasMask_ = hasMask;
      s.mask_ = mask;
      haveFirst = true;
    }
    if (!s.handle_) return {};
    for (;;) {
      if (!haveFirst && !FindNextFileW(s.handle_, &data)) {
        Close(s);
        return {};
      }
      haveFirst = false;
      if (Accepts(s, data.dwFileAttributes)) {
        s.current_ = ToEntry(data);
        return s.current_.name;
      }
    }
  }

  static void Close(FileSearch& s) {
    if (s.handle_) FindClose(s.handle_);
    s.handle_ = nullptr;
    s.hasMask_ = false;
    s.mask_ = 0;
    s.current_ = DirectoryEntry{};
  }

  static void Move(FileSearch& to, FileSearch& from) {
    to.handle_ = std::exchange(from.handle_, nullptr);
    to.hasMask_ = from.hasMask_;
    to.mask_ = from.mask_;
    to.current_ = std::move(from.current_);
    Close(from);
  }
};

FileSearch::FileSearch(FileSearch&& other) noexcept { FileSearchAccess::Move(*this, other); }

FileSearch& FileSearch::operator=(FileSearch&& other) noexcept {
  if (this != &other) {
    FileSearchAccess::Close(*this);
    FileSearchAccess::Move(*this, other);
  }
  return *this;
}

FileSearch::~FileSearch() { FileSearchAccess::Close(*this); }

std::string FindFile(const std::string& pattern, FileSearch& search) {
  return FileSearchAccess::Find(pattern, false, 0, search);
}

std::string FindFile(const std::string& pattern, int attributes, FileSearch& search) {
  return FileSearchAccess::Find(pattern, true, static_cast<std::uint32_t>(attributes) & kVisibleAttributes,
                                search);
}

void EndFind(FileSearch& search) { FileSearchAccess::Close(search); }

bool ListDirectory(const std::string& directory, const std::function<bool(const DirectoryEntry&)>& onEntry) {
  if (directory.empty()) return false;
  const std::wstring dir = WithoutTrailingSeparators(PathToWide(directory));
  if (dir.empty()) return false;  // not a path at all: never the current drive's root
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirst(dir + L"\\*", data);
  if (h == INVALID_HANDLE_VALUE) {
    // A drive root lists no "." or "..": there, nothing found means empty, not missing.
    if (GetLastError() != ERROR_FILE_NOT_FOUND) return false;
    const DWORD attrs = GetFileAttributesW(dir.c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) != 0;
  }
  bool more = true;
  do {
    if (!IsDot(data.cFileName)) more = onEntry(ToEntry(data));
  } while (more && FindNextFileW(h, &data));
  FindClose(h);
  return true;
}

bool FileExists(const std::string& path) {
  if (path.empty()) return false;
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirst(PathToWide(path), data);
  if (h == INVALID_HANDLE_VALUE) return false;
  FindClose(h);
  return true;
}

std::int64_t FileSize64(const std::string& path) {
  if (path.empty() || EndsWithSeparator(path)) return -1;  // a search of "dir\" finds nothing
  const std::wstring wide = PathToWide(path);
  if (HasWildcard(path)) {
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirst(wide, data);
    if (h == INVALID_HANDLE_VALUE) return -1;
    FindClose(h);
    return ToEntry(data).size;
  }
  // For a plain path the attribute query gives what the search would, at a fraction of its cost.
  WIN32_FILE_ATTRIBUTE_DATA info;
  if (!GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &info)) return -1;
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) |
                                   info.nFileSizeLow);
}

std::int32_t FileSize(const std::string& path) {
  const std::int64_t size = FileSize64(path);
  return size < 0 ? -1 : static_cast<std::int32_t>(static_cast<std::uint32_t>(size & 0xFFFFFFFFu));
}

int GetAttributes(const std::string& path) {
  if (path.empty()) return -1;
  const DWORD attrs = GetFileAttributesW(PathToWide(path).c_str());
  return attrs == INVALID_FILE_ATTRIBUTES ? -1 : static_cast<int>(attrs & kVisibleAttributes);
}

bool SetAttributes(const std::string& path, int attributes) {
  if (path.empty()) return false;
  const std::wstring wide = PathToWide(path);
  const DWORD wanted = static_cast<DWORD>(attributes) & kSettableAttributes;
  // Hidden, system and archive first, read-only in a second call: a file system that keeps the
  // other bits beside the file (Wine) may refuse them once the file is read-only.
  const DWORD first = wanted & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
  if (!SetFileAttributesW(wide.c_str(), first ? first : FILE_ATTRIBUTE_NORMAL)) return false;
  if (first == wanted) return true;
  return SetFileAttributesW(wide.c_str(), wanted) != FALSE;
}

bool CopyFileTo(const std::string& source, const std::string& target) {
  if (source.empty() || target.empty()) return false;
  return CopyFileExW(PathToWide(source).c_str(), PathToWide(target).c_str(), nullptr, nullptr, nullptr, 0) !=
         FALSE;
}

namespace {

struct CopyContext {
  const CopyProgress* progress;
  std::exception_ptr failure;
};

DWORD CALLBACK OnCopyBlock(LARGE_INTEGER total, LARGE_INTEGER done, LARGE_INTEGER, LARGE_INTEGER, DWORD,
                           DWORD, HANDLE, HANDLE, LPVOID data) {
  auto* context = static_cast<CopyContext*>(data);
  try {
    return (*context->progress)(total.QuadPart, done.QuadPart) == kCopyContinue ? PROGRESS_CONTINUE
                                                                                : PROGRESS_CANCEL;
  } catch (...) {
    // No exception may unwind through the system's copy routine.
    context->failure = std::current_exception();
    return PROGRESS_CANCEL;
  }
}

}  // namespace

bool CopyFileWithProgress(const std::string& source, const std::string& target, const CopyProgress& progress,
                          bool failIfExists) {
  if (source.empty() || target.empty()) return false;
  CopyContext context{&progress, nullptr};
  const BOOL copied =
      CopyFileExW(PathToWide(source).c_str(), PathToWide(target).c_str(), progress ? OnCopyBlock : nullptr,
                  &context, nullptr, failIfExists ? COPY_FILE_FAIL_IF_EXISTS : 0);
  if (context.failure) std::rethrow_exception(context.failure);
  return copied != FALSE;
}

bool DeleteFileAt(const std::string& path) {
  // Exactly the file named: a listed "f." must not take "f" with it.
  return !path.empty() && DeleteFileW(ExactPathToWide(path).c_str()) != FALSE;
}

bool MakeDirectory(const std::string& path) {
  return !path.empty() && CreateDirectoryW(PathToWide(path).c_str(), nullptr) != FALSE;
}

bool MoveFileReplace(const std::string& source, const std::string& target) {
  if (source.empty() || target.empty()) return false;
  return MoveFileExW(PathToWide(source).c_str(), PathToWide(target).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool RenameEntry(const std::string& from, const std::string& to) {
  if (from.empty() || to.empty()) return false;
  return MoveFileExW(PathToWide(from).c_str(), PathToWide(to).c_str(), MOVEFILE_WRITE_THROUGH) != FALSE;
}

std::string FileSystemNameOf(const std::string& path) {
  const std::wstring wide = PathToWide(path);
  if (wide.empty()) return {};
  wchar_t volume[MAX_PATH + 1] = {};
  if (!GetVolumePathNameW(wide.c_str(), volume, MAX_PATH)) return {};
  wchar_t name[MAX_PATH + 1] = {};
  if (!GetVolumeInformationW(volume, nullptr, 0, nullptr, nullptr, nullptr, name, MAX_PATH)) return {};
  return WideToUtf8(name);
}

std::int64_t FreeSpaceOf(const std::string& directory) {
  const std::wstring wide = PathToWide(directory);
  ULARGE_INTEGER available, total;
  if (wide.empty() || !GetDiskFreeSpaceExW(wide.c_str(), &available, &total, nullptr)) return -1;
  if (total.QuadPart == 0) return -1;
  return static_cast<std::int64_t>(available.QuadPart);
}

bool RemoveFileLink(const std::string& path) {
  if (path.empty()) return false;
  const std::wstring link = ExactPathToWide(path);
  if (link.empty()) return false;  // no exact name: nothing is touched
  const std::size_t cut = link.find_last_of(L'\\');
  const std::wstring directory = cut == std::wstring::npos ? std::wstring() : link.substr(0, cut + 1);
  for (unsigned attempt = 0; attempt < 8; ++attempt) {
    const std::wstring temp = directory + Utf8ToWide(TemporaryFileName());
    HANDLE h =
        CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
      return false;
    }
    CloseHandle(h);
    if (!MoveFileExW(temp.c_str(), link.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      const DWORD error = GetLastError();
      DeleteFileW(temp.c_str());
      SetLastError(error);
      return false;
    }
    return DeleteFileW(link.c_str()) != FALSE;
  }
  return false;
}

namespace {

// The path the file system gives an opened entry ("\\?\X:\..."), links resolved where the
// system follows them; empty when it cannot be told. `isLink` tells whether the system marks it.
std::wstring FinalPathOf(const std::wstring& path, DWORD flags, bool* isLink = nullptr) {
  HANDLE h = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (isLink != nullptr && GetFileInformationByHandleEx(h, FileAttributeTagInfo, &tag, sizeof tag))
    *isLink = (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  std::wstring final = FinalPathOfHandle(h);
  CloseHandle(h);
  return final;
}

bool SameIgnoringCase(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                              TRUE) == CSTR_EQUAL;
}

}  // namespace

std::wstring FinalPathOfHandle(void* handle) {
  std::wstring buffer(MAX_PATH, L'\0');
  for (int tries = 0; tries < 4; ++tries) {
    const DWORD n = GetFinalPathNameByHandleW(static_cast<HANDLE>(handle), buffer.data(),
                                              static_cast<DWORD>(buffer.size()), FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0) break;
    if (n < buffer.size()) {
      buffer.resize(n);
      return buffer;
    }
    buffer.assign(n + 1, L'\0');
  }
  return {};
}

bool LeadsElsewhere(const std::string& path) {
  const std::wstring entry = WithoutTrailingSeparators(ExactPathToWide(path));
  const std::size_t cut = entry.find_last_of(L'\\');
  if (entry.empty() || cut == std::wstring::npos) return false;
  bool marked = false;
  const std::wstring opened = FinalPathOf(entry, FILE_FLAG_OPEN_REPARSE_POINT, &marked);
  if (marked) return true;
  if (opened.empty()) return false;
  // The entry's folder, opened the same way, names where the entry itself would be.
  const std::wstring folder = FinalPathOf(entry.substr(0, cut + 1), 0);
  if (folder.empty()) return false;
  return !SameIgnoringCase(opened, WithoutTrailingSeparators(folder) + entry.substr(cut));
}

bool IsDirectoryLink(const std::string& path) {
  if (path.empty()) return false;
  const DWORD attrs = GetFileAttributesW(WithoutTrailingSeparators(PathToWide(path)).c_str());
  return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) &&
         (attrs & FILE_ATTRIBUTE_REPARSE_POINT);
}

ByteString ReadWholeFile(const std::string& path) {
  if (path.empty()) return {};
  HANDLE file = CreateFileW(PathToWide(path).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  ByteString bytes;
  LARGE_INTEGER size{};
  if (GetFileSizeEx(file, &size) && size.QuadPart > 0) bytes.reserve(static_cast<std::size_t>(size.QuadPart));
  std::uint8_t block[65536];
  DWORD got = 0;
  bool ok = true;
  while ((ok = ReadFile(file, block, sizeof block, &got, nullptr) != FALSE) && got > 0) {
    bytes.insert(bytes.end(), block, block + got);
  }
  CloseHandle(file);
  return ok ? bytes : ByteString{};
}

bool WriteWholeFile(const std::string& path, std::initializer_list<std::span<const std::uint8_t>> parts) {
  if (path.empty()) return false;
  const std::wstring wide = PathToWide(path);
  HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED) {
    // Creating over a hidden or system file is refused; truncating it keeps its attributes.
    file = CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, TRUNCATE_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  for (const auto part : parts) {
    for (std::size_t done = 0; ok && done < part.size();) {
      const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(part.size() - done, 1u << 30));
      DWORD written = 0;
      ok = WriteFile(file, part.data() + done, ask, &written, nullptr) && written > 0;
      done += written;
    }
  }
  ok = CloseHandle(file) && ok;
  return ok;
}

std::string CurrentDirectory() {
  const DWORD n = GetCurrentDirectoryW(0, nullptr);
  if (n == 0) return {};
  std::wstring dir(n, L'\0');
  dir.resize(GetCurrentDirectoryW(n, dir.data()));
  return WideToUtf8(dir);
}

namespace {

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);  // cut short: the program lies on a long path
  }
}

}  // namespace

std::string RunDirectory() {
  const std::wstring path = ModulePath();
  const std::size_t cut = path.find_last_of(L"\\/");
  return cut == std::wstring::npos ? std::string() : WideToUtf8(path.substr(0, cut));
}

std::string ExecutableName() {
  const std::wstring path = ModulePath();
  const std::size_t cut = path.find_last_of(L"\\/");
  return WideToUtf8(cut == std::wstring::npos ? path : path.substr(cut + 1));
}

}  // namespace tarnvel
