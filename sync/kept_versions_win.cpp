#include <windows.h>

#include "sync/kept_versions.h"

#include "runtime/encoding.h"
#include "runtime/files.h"
#include "sync/file_copier.h"
#include "sync/run_report.h"
#include "sync/walk_roots.h"

namespace tarnvel {
namespace {

std::string WithoutSeparator(const std::string& path) {
  return !path.empty() && path.back() == '\\' ? path.substr(0, path.size() - 1) : path;
}

std::string ParentOf(const std::string& path) {
  const std::size_t cut = WithoutSeparator(path).find_last_of('\\');
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

// A rename that never copies and never replaces: the kept entry stays on its volume, and
// nothing already kept is overwritten.
bool RenameOnVolume(const std::string& from, const std::string& to) {
  return MoveFileExW(PathToWide(WithoutSeparator(from)).c_str(), PathToWide(WithoutSeparator(to)).c_str(),
                     0) != 0;
}

// "name.ext" → "name (n).ext"; a name without extension (or a leading dot only) gets it at the end.
std::string NumberedName(const std::string& path, int n) {
  const std::size_t slash = path.find_last_of('\\');
  const std::size_t dot = path.find_last_of('.');
  const std::string suffix = " (" + std::to_string(n) + ")";
  if (dot == std::string::npos || dot <= slash + 1) return path + suffix;
  return path.substr(0, dot) + suffix + path.substr(dot);
}

bool PlainDirectory(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(PathToWide(WithoutSeparator(path)).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
         (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 && !LeadsElsewhere(path);
}

// Removes a kept tree: what it holds is the program's own, read-only files included. A link in
// it loses only itself; nothing behind one is entered or changed.
bool RemoveKeptTree(const std::string& directory) {
  bool removed = true;
  ListDirectory(directory, [&](const DirectoryEntry& entry) {
    const std::string path = directory + entry.name;
    if (entry.IsDirectoryLink()) {
      removed = RemoveDirectoryTree(path) && removed;
    } else if (entry.IsDirectory()) {
      removed = RemoveKeptTree(path + "\\") && removed;
    } else {
      removed = RemoveListedFile(path, entry.attributes, true) && removed;
    }
    return true;
  });
  SetAttributes(WithoutSeparator(directory), kAttrArchive);
  return RemoveDirectoryW(PathToWide(WithoutSeparator(directory)).c_str()) != 0 && removed;
}

std::int64_t FreeBytes(const std::string& directory) {
  ULARGE_INTEGER available{};
  if (!GetDiskFreeSpaceExW(PathToWide(directory).c_str(), &available, nullptr, nullptr)) return -1;
  return static_cast<std::int64_t>(available.QuadPart);
}

}  // namespace

bool KeptVersions::MakeRoom(std::int64_t bytes, RunReport& report) {
  bool freed = false;
  // Some room beyond the file itself: the new copy's folder entry and the volume's own bookkeeping.
  constexpr std::int64_t kSlack = 64 * 1024;
  while (FreeBytes(targetRoot_) < bytes + kSlack && FreeOldest(report)) freed = true;
  return freed;
}

bool KeptVersions::MakeFolder() {
  if (folderMade_) return true;
  const std::string folder = WithoutSeparator(Folder());
  if (MakeDirectory(folder)) {
    SetAttributes(folder, kAttrHidden | kAttrSystem);
  } else if (!PlainDirectory(folder)) {
    // A file or a link of that name is not ours: nothing is moved into or through it.
    const DWORD error = GetLastError();
    const bool taken = GetFileAttributesW(PathToWide(folder).c_str()) != INVALID_FILE_ATTRIBUTES;
    SetLastError(taken ? ERROR_ALREADY_EXISTS : error);
    return false;
  }
  if (!MakeDirectory(WithoutSeparator(RunFolder())) && !PlainDirectory(RunFolder())) return false;
  folderMade_ = true;
  return true;
}

bool KeptVersions::Takes(const std::string& path) { return !LeadsElsewhere(path); }

std::string KeptVersions::SetAside(const std::string& path) {
  const std::string relative = CounterpartPath(path, targetRoot_, "");
  if (!On() || relative.empty()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return {};
  }
  if (!Takes(path)) {
    SetLastError(ERROR_CANT_RESOLVE_FILENAME);
    return {};
  }
  if (!MakeFolder()) return {};
  const std::string place = RunFolder() + WithoutSeparator(relative);
  if (!MakeDirectoryWithParents(ParentOf(place))) return {};
  if (RenameOnVolume(path, place)) return place;
  for (int n = 2; n < 100 && (GetLastError() == ERROR_ALREADY_EXISTS || GetLastError() == ERROR_FILE_EXISTS);
       ++n) {
    const std::string numbered = NumberedName(place, n);
    if (RenameOnVolume(path, numbered)) return numbered;
  }
  return {};
}

bool KeptVersions::PutBack(const std::string& kept, const std::string& path) {
  return RenameOnVolume(kept, path);
}

std::vector<std::string> KeptVersions::RunFolderNames() const {
  std::vector<std::string> names;
  if (targetRoot_.empty() || !PlainDirectory(Folder())) return names;
  ListDirectory(Folder(), [&](const DirectoryEntry& entry) {
    if (entry.IsDirectory() && !entry.IsDirectoryLink()) names.push_back(entry.name);
    return true;
  });
  return names;
}

void KeptVersions::Expire(DateTime now, RunReport& report) {
  for (const std::string& name : RunFolderNames()) {
    const std::optional<DateTime> made = RunFolderTime(name);
    if (!made || name == runFolder_ || !RunFolderExpired(*made, now, days_)) continue;
    if (RemoveKeptTree(Folder() + name + "\\")) {
      report.Done("删除过期的历史版本", Folder() + name);
    } else {
      report.FailedWithLastError("删除过期的历史版本", Folder() + name);
    }
  }
}

bool KeptVersions::FreeOldest(RunReport& report) {
  const std::vector<std::string> oldest = RunFoldersOldestFirst(RunFolderNames(), runFolder_);
  if (oldest.empty()) return false;
  const std::string folder = Folder() + oldest.front() + "\\";
  if (!RemoveKeptTree(folder)) {
    report.FailedWithLastError("删除最早的历史版本", folder);
    return false;
  }
  report.Done("删除最早的历史版本", folder);
  return true;
}

}  // namespace tarnvel
