#include <windows.h>

#include "sync/file_copier.h"

#include "sync/walk_support.h"

namespace tarnvel {
namespace {

constexpr int kCarriedAttributes = 0x37;

void DiscardTemporary(const std::string& temp) {
  if (GetAttributes(temp) < 0) return;
  SetAttributes(temp, kAttrArchive);  // a read-only copy cannot be deleted
  DeleteFileAt(temp);
}

// A copy that fails because a file of that name is there already.
bool FailedOnAnExistingFile() {
  const DWORD error = GetLastError();
  return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

// The system's copy of an archived file gives the new file exactly the attributes the engine
// would write (it carries read-only, hidden and system, and the file system marks a new file
// archived); anything else is written.
void CarryAttributes(const std::string& target, std::uint32_t sourceAttributes) {
  const int wanted = static_cast<int>(sourceAttributes) & kCarriedAttributes;
  const bool carriedByCopy =
      (sourceAttributes & kAttrArchive) != 0 && AttributesAlready(sourceAttributes, wanted);
  if (!carriedByCopy) SetAttributes(target, wanted);
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

bool CopyToTemporary(const std::string& source, const std::string& temp, const CopyProgress& progress) {
  try {
    if (CopyFileWithProgress(source, temp, progress, true)) return true;
    if (FailedOnAnExistingFile()) {
      // A copy cut off by an earlier run left its temporary file: discard it and copy again.
      DiscardTemporary(temp);
      if (CopyFileWithProgress(source, temp, progress, true)) return true;
    }
  } catch (...) {
    DiscardTemporary(temp);
    throw;
  }
  DiscardTemporary(temp);
  return false;
}

bool ReplaceExisting(const std::string& source, const std::string& target, std::uint32_t sourceAttributes,
                     int targetAttributes, const CopyProgress& progress) {
  const std::string temp = TemporaryCopyPath(target);
  if (!CopyToTemporary(source, temp, progress)) return false;
  if (targetAttributes >= 0) SetAttributes(target, kAttrArchive);
  if (!MoveFileReplace(temp, target)) {
    DiscardTemporary(temp);
    if (targetAttributes >= 0) SetAttributes(target, targetAttributes);
    return false;
  }
  CarryAttributes(target, sourceAttributes);
  return true;
}

// The target is not there: nothing can be lost, so the copy goes to its own name. A copy that
// broke off leaves nothing behind; a file someone made there in the meantime is replaced
// safely, or, when the source cannot be read, left alone.
bool CopyToMissing(const std::string& source, const std::string& target, const CopyFacts& facts,
                   const CopyProgress& progress) {
  if (facts.temporaryLeft) DiscardTemporary(TemporaryCopyPath(target));
  bool copied = false;
  try {
    copied = CopyFileWithProgress(source, target, progress, true);
  } catch (...) {
    DiscardPartialCopy(target);
    throw;
  }
  if (copied) {
    CarryAttributes(target, facts.sourceAttributes);
    return true;
  }
  const DWORD error = GetLastError();
  if (FailedOnAnExistingFile()) {
    return ReplaceExisting(source, target, facts.sourceAttributes, GetAttributes(target), progress);
  }
  if (!FailedBeforeCreatingTheTarget(error)) DiscardPartialCopy(target);
  return false;
}

}  // namespace

std::string TemporaryCopyPath(const std::string& target) { return target + ".~tvcopy"; }

bool ReplaceWithCopy(const std::string& source, const std::string& target, const CopyFacts& facts,
                     const CopyProgress& progress) {
  if (facts.targetListed && facts.targetAttributes < 0) return CopyToMissing(source, target, facts, progress);
  const int targetAttributes =
      facts.targetAttributes >= 0 ? static_cast<int>(facts.targetAttributes) & kCarriedAttributes : -1;
  return ReplaceExisting(source, target, facts.sourceAttributes, targetAttributes, progress);
}

}  // namespace tarnvel
