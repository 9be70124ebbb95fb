#include <windows.h>

#include "sync/case_rename.h"

#include "runtime/encoding.h"
#include "runtime/files.h"

namespace tarnvel {
namespace {

constexpr int kNameTries = 8;
constexpr int kCarriedAttributes = 0x27;

// A temporary name beside the entry that nothing has yet.
std::string FreeTemporaryName(const std::string& directory) {
  for (int tries = 0; tries < kNameTries; ++tries) {
    const std::string name = TemporaryFileName();
    if (GetAttributes(directory + name) < 0) return name;
  }
  return TemporaryFileName();
}

// Renames through a temporary name; when the second step fails the entry is given its old name
// back (the error of the failed step is kept).
bool RenameThroughTemporary(const std::string& directory, const std::string& from, const std::string& to) {
  const std::string temp = directory + FreeTemporaryName(directory);
  if (!RenameEntry(directory + from, temp)) return false;
  if (RenameEntry(temp, directory + to)) return true;
  const DWORD error = GetLastError();
  RenameEntry(temp, directory + from);
  SetLastError(error);
  return false;
}

bool RemoveEmptyFolder(const std::string& path) {
  return RemoveDirectoryW(PathToWide(path).c_str()) != FALSE;
}

// Some file system drivers lose a folder's content when they rename it (they make a new, empty
// folder). A trial folder holding one file is renamed and looked into; a trial that cannot be
// made counts as such a volume.
bool FolderRenameKeepsContent(const std::string& directory) {
  const std::string first = directory + FreeTemporaryName(directory);
  if (!MakeDirectory(first)) return false;
  const std::string second = directory + FreeTemporaryName(directory);
  const bool made = WriteWholeFile(first + "\\" + TemporaryFileName(), {});
  const bool renamed = made && RenameEntry(first, second);
  const std::string now = renamed ? second : first;
  bool kept = false;
  ListDirectory(now, [&](const DirectoryEntry& entry) {
    if (DeleteFileAt(now + "\\" + entry.name)) kept = true;
    return true;
  });
  RemoveEmptyFolder(now);
  return renamed && kept;
}

// Moves every entry of `from` into the existing folder `to` by renaming files and links and
// rebuilding subfolders (made, filled, emptied folder removed), never renaming a folder that
// holds anything.
bool MoveEntries(const std::string& from, const std::string& to) {
  bool moved = true;
  DWORD error = 0;
  const bool listed = ListDirectory(from, [&](const DirectoryEntry& entry) {
    const std::string source = from + "\\" + entry.name;
    const std::string target = to + "\\" + entry.name;
    bool ok;
    if (entry.IsDirectory() && !entry.IsDirectoryLink()) {
      ok = MakeDirectory(target) && MoveEntries(source, target);
      if (ok) SetAttributes(target, static_cast<int>(entry.attributes) & kCarriedAttributes);
      ok = ok && RemoveEmptyFolder(source);
    } else {
      ok = RenameEntry(source, target);
    }
    if (!ok) error = GetLastError();
    moved = ok;
    return ok;
  });
  if (!listed && moved) error = GetLastError();
  SetLastError(error);
  return listed && moved;
}

// The folder's entries wait in a temporary folder while the emptied folder is renamed. When a
// step fails, what has moved stays in the temporary folder: nothing is removed.
bool RenameFolderByItsEntries(const std::string& directory, const std::string& from, const std::string& to) {
  const std::string holding = directory + FreeTemporaryName(directory);
  if (!MakeDirectory(holding)) return false;
  if (!MoveEntries(directory + from, holding)) return false;
  const bool renamed = RenameThroughTemporary(directory, from, to);
  const DWORD error = GetLastError();
  const std::string home = directory + (renamed ? to : from);
  if (!MoveEntries(holding, home)) return false;
  RemoveEmptyFolder(holding);
  SetLastError(error);
  return renamed;
}

}  // namespace

bool RenameToSpelling(const std::string& directory, const std::string& from, const std::string& to,
                      bool isFolder) {
  // A link keeps its spelling: where the system follows it, a rename would move the entry
  // behind it, from wherever that is, into the target.
  if (LeadsElsewhere(directory + from)) {
    SetLastError(ERROR_CANT_RESOLVE_FILENAME);
    return false;
  }
  if (!isFolder || FolderRenameKeepsContent(directory)) return RenameThroughTemporary(directory, from, to);
  return RenameFolderByItsEntries(directory, from, to);
}

}  // namespace tarnvel
