// File time stamps read from the file's directory entry: the file is never opened, so a file
// that another program holds open is read all the same and nothing is read of its content.
#include <windows.h>

#include "runtime/encoding.h"
#include "sync/file_info.h"

namespace tarnvel {
namespace {

std::uint64_t Ticks(const FILETIME& t) {
  return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

template <typename Data>
FileTimes TimesOf(const Data& data) {
  return FileTimes{Ticks(data.ftCreationTime), Ticks(data.ftLastAccessTime), Ticks(data.ftLastWriteTime)};
}

}  // namespace

FileTimes ReadFileTimes(const std::string& path) {
  if (path.empty()) return {};
  const std::wstring wide = PathToWide(path);
  WIN32_FILE_ATTRIBUTE_DATA attributes;
  if (GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &attributes)) return TimesOf(attributes);
  // Some system files refuse even the attribute query while in use; their directory's
  // listing still has the times. A wildcard would match other names, so it is never searched.
  if (path.find_first_of("*?") != std::string::npos) return {};
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileExW(wide.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return {};
  FindClose(search);
  return TimesOf(found);
}

std::string FileTimeKey(const std::string& path, int kind) {
  return FileTimeKeyOf(ReadFileTimes(path).OfKind(kind), kind);
}

}  // namespace tarnvel
