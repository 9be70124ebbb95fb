#include <windows.h>

#include "sync/file_copier.h"

#include "runtime/encoding.h"
#include "sync/directory_listing.h"
#include "sync/kept_versions.h"
#include "sync/run_report.h"
#include "sync/walk_support.h"

namespace tarnvel {
namespace {

constexpr int kCarriedAttributes = 0x37;
constexpr int kNameTries = 8;

std::string DirectoryOf(const std::string& path) {
  const std::size_t cut = path.find_last_of('\\');
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

// Removes a temporary file this copy made; nothing else ever has its name.
void DiscardTemporary(const std::string& temp) {
  SetAttributes(temp, kAttrArchive);  // a read-only copy cannot be deleted
  DeleteFileAt(temp);
}

bool FailedOnAnExistingFile(DWORD error) {
  return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

// A read-only file that is also hidden or system: a copy made read-only at once may no longer
// take the other bits (Wine keeps them beside the file and, for an unprivileged user, cannot
// write them to a read-only one), so the copy's own carrying is never trusted for it.
bool CopyMayDropBits(std::uint32_t sourceAttributes) {
  return (sourceAttributes & kAttrReadOnly) != 0 && (sourceAttributes & (kAttrHidden | kAttrSystem)) != 0;
}

// The system's copy of an archived file gives the new file exactly the attributes the engine
// would write (it carries read-only, hidden and system, and the file system marks a new file
// archived); anything else is written, read-only last (SetAttributes).
void CarryAttributes(const std::string& target, std::uint32_t sourceAttributes, CopyResult& result) {
  const int wanted = static_cast<int>(sourceAttributes) & kCarriedAttributes;
  const bool carriedByCopy = (sourceAttributes & kAttrArchive) != 0 &&
                             AttributesAlready(sourceAttributes, wanted) &&
                             !CopyMayDropBits(sourceAttributes);
  if (!carriedByCopy && !SetAttributes(target, wanted)) {
    result.attributesFailed = true;
    result.attributesError = GetLastError();
  }
}

// A copy that failed before it made the target: the source could not be opened or the target
// could not be created. Whatever has the target's name then is not the engine's to remove.
bool FailedBeforeCreatingTheTarget(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_INVALID_NAME:
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return true;
    default:
      return false;
  }
}

// What a copy that broke off may have left under the target's name; never a directory.
void DiscardPartialCopy(const std::string& target) {
  const int attributes = GetAttributes(target);
  if (attributes < 0 || (attributes & static_cast<int>(kAttrDirectory)) != 0) return;
  SetAttributes(target, kAttrArchive);
  DeleteFileAt(target);
}

// A copy to a name the listing showed free that failed without finding a file there has left a
// file shorter than its source: its own part, not someone's (some drivers report a full volume
// as "access denied", which otherwise says the target was never made).
bool LeftAPart(const std::string& target, const CopyFacts& facts) {
  if (facts.sourceSize < 0) return false;
  const std::int64_t size = FileSize64(target);
  return size >= 0 && size < facts.sourceSize &&
         (GetAttributes(target) & static_cast<int>(kAttrDirectory)) == 0;
}

// Copies the source to a new temporary file beside the target; its path, or "" with the error.
std::string CopyToTemporary(const std::string& source, const std::string& target,
                            const CopyProgress& progress, DWORD* error) {
  const std::string directory = DirectoryOf(target);
  for (int tries = 0; tries < kNameTries; ++tries) {
    const std::string temp = directory + TemporaryFileName();
    bool copied = false;
    try {
      copied = CopyFileWithProgress(source, temp, progress, true);
    } catch (...) {
      DiscardPartialCopy(temp);
      throw;
    }
    if (copied) return temp;
    *error = GetLastError();
    // A file of that name is someone's: leave it and take another name.
    if (FailedOnAnExistingFile(*error)) continue;
    // The copy found the name free, so whatever has it now is this copy's part (a driver may
    // report a full volume as "access denied" once the file is made).
    DiscardPartialCopy(temp);
    SetLastError(*error);
    return {};
  }
  return {};
}

// The complete copy takes the place of a target that goes into the kept versions first. A
// target that vanished meanwhile leaves nothing to keep, nor does a link (the copy takes its
// place as a link's); one that cannot be kept stays as it is.
CopyResult& ReplaceKeepingOld(const std::string& temp, const std::string& target, const CopyFacts& facts,
                              CopyResult& result) {
  if (facts.TargetIsLink() || !KeptVersions::Takes(target)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
  } else {
    result.keptAt = facts.versions->SetAside(target);
  }
  if (result.keptAt.empty() && GetLastError() != ERROR_FILE_NOT_FOUND) {
    result.error = GetLastError();
    DiscardTemporary(temp);
    return result;
  }
  if (!MoveFileReplace(temp, target)) {
    result.error = GetLastError();
    if (!result.keptAt.empty() && facts.versions->PutBack(result.keptAt, target)) result.keptAt.clear();
    DiscardTemporary(temp);
    return result;
  }
  result.copied = true;
  if (facts.carryAttributes) CarryAttributes(target, facts.sourceAttributes, result);
  return result;
}

CopyResult ReplaceExisting(const std::string& source, const std::string& target, const CopyFacts& facts,
                           const CopyProgress& progress) {
  CopyResult result;
  if (!facts.replaceReadOnly && facts.targetAttributes >= 0 && !facts.TargetIsLink() &&
      (static_cast<std::uint64_t>(facts.targetAttributes) & kAttrReadOnly) != 0) {
    result.error = ERROR_ACCESS_DENIED;
    return result;
  }
  DWORD error = 0;
  const std::string temp = CopyToTemporary(source, target, progress, &error);
  if (temp.empty()) {
    result.error = error;
    return result;
  }
  if (facts.versions != nullptr && facts.versions->On())
    return ReplaceKeepingOld(temp, target, facts, result);
  // The rename is tried first, as the target is: a system that shows a file link as the file
  // behind it (Wine does) would have an attribute write change that file. Only a target the
  // system refuses to replace is made archive-only and tried again, its attributes restored when
  // that fails too. A link's attributes are those of the file behind it: never written.
  if (!MoveFileReplace(temp, target)) {
    result.error = GetLastError();
    const bool protectedTarget = facts.targetAttributes >= 0 && !facts.TargetIsLink() &&
                                 (facts.targetAttributes & (kAttrReadOnly | kAttrHidden | kAttrSystem)) != 0;
    bool replaced = false;
    if (protectedTarget && result.error == ERROR_ACCESS_DENIED) {
      const int oldAttributes = static_cast<int>(facts.targetAttributes) & kCarriedAttributes;
      SetAttributes(target, kAttrArchive);
      replaced = MoveFileReplace(temp, target);
      if (!replaced) {
        result.error = GetLastError();
        SetAttributes(target, oldAttributes);
      }
    }
    if (!replaced) {
      DiscardTemporary(temp);
      return result;
    }
  }
  result.copied = true;
  if (facts.carryAttributes || CopyMayDropBits(facts.sourceAttributes)) {
    CarryAttributes(target, facts.sourceAttributes, result);
  }
  return result;
}

// The target is not there: nothing can be lost, so the copy goes to its own name. A copy that
// broke off leaves nothing behind; a file someone made there in the meantime is replaced
// safely, or, when the source cannot be read, left alone.
CopyResult CopyToMissing(const std::string& source, const std::string& target, const CopyFacts& facts,
                         const CopyProgress& progress) {
  CopyResult result;
  try {
    result.copied = CopyFileWithProgress(source, target, progress, true);
  } catch (...) {
    DiscardPartialCopy(target);
    throw;
  }
  if (result.copied) {
    if (facts.carryAttributes || CopyMayDropBits(facts.sourceAttributes)) {
      CarryAttributes(target, facts.sourceAttributes, result);
    }
    return result;
  }
  result.error = GetLastError();
  if (!FailedOnAnExistingFile(result.error) && LeftAPart(target, facts)) {
    DiscardPartialCopy(target);
    return result;
  }
  if (FailedOnAnExistingFile(result.error)) {
    CopyFacts now = facts;
    now.targetAttributes = -1;
    const DWORD attributes = GetFileAttributesW(PathToWide(target).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) now.targetAttributes = attributes;
    return ReplaceExisting(source, target, now, progress);
  }
  if (!FailedBeforeCreatingTheTarget(result.error)) DiscardPartialCopy(target);
  return result;
}

}  // namespace

CopyResult ReplaceWithCopy(const std::string& source, const std::string& target, const CopyFacts& facts,
                           const CopyProgress& progress) {
  if (facts.targetListed && facts.targetAttributes < 0) return CopyToMissing(source, target, facts, progress);
  return ReplaceExisting(source, target, facts, progress);
}

bool RemoveListedFile(const std::string& path, std::uint32_t attributes, bool clearReadOnly) {
  if ((attributes & kAttrReadOnly) != 0 && !clearReadOnly) {
    SetLastError(ERROR_ACCESS_DENIED);  // a read-only file stays, as a plain delete would leave it
    return false;
  }
  // Not every system shows a file link as one (Wine lists a host link as a plain file, and its
  // delete reaches the file behind it), so every file goes the way a link must: a fresh file of
  // our own is renamed over the entry, which replaces the entry itself, and is then deleted.
  // Attributes are cleared only when the system refuses that (they would be written through).
  if (RemoveFileLink(path)) return true;
  const DWORD error = GetLastError();
  if (error != ERROR_ACCESS_DENIED || (attributes & kAttrReparsePoint) != 0 ||
      (attributes & (kAttrReadOnly | kAttrHidden | kAttrSystem)) == 0) {
    SetLastError(error);
    return false;
  }
  SetAttributes(path, kAttrArchive);
  return RemoveFileLink(path);
}

void RemoveLeftoverTemporaries(const std::string& targetDir, const DirectoryListing& target,
                               const DirectoryListing& source, RunReport& report) {
  if (!target.Listed() || !source.Listed()) return;
  for (const DirectoryEntry& entry : target.Entries()) {
    if (entry.IsDirectory()) continue;
    if (!IsTemporaryFileName(entry.name) || source.Find(entry.name) != nullptr) continue;
    const std::string path = targetDir + entry.name;
    if (RemoveListedFile(path, entry.attributes, true)) {
      report.Done("删除遗留的临时文件", path);
    } else {
      report.FailedWithLastError("删除遗留的临时文件", path);
    }
  }
}

}  // namespace tarnvel
