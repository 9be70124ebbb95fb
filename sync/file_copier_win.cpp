#include "sync/file_copier.h"

namespace tarnvel {
namespace {

void DiscardTemporary(const std::string& temp) {
  if (GetAttributes(temp) < 0) return;
  SetAttributes(temp, kAttrArchive);  // a read-only copy cannot be deleted
  DeleteFileAt(temp);
}

}  // namespace

std::string TemporaryCopyPath(const std::string& target) { return target + ".~tvcopy"; }

bool ReplaceWithCopy(const std::string& source, const std::string& target, int sourceAttributes,
                     int targetAttributes, const CopyProgress& progress) {
  const std::string temp = TemporaryCopyPath(target);
  DiscardTemporary(temp);  // left over by a run that was cut off
  bool copied = false;
  try {
    copied = CopyFileWithProgress(source, temp, progress, true);
  } catch (...) {
    DiscardTemporary(temp);
    throw;
  }
  if (!copied) {
    DiscardTemporary(temp);
    return false;
  }
  if (targetAttributes >= 0) SetAttributes(target, kAttrArchive);
  if (!MoveFileReplace(temp, target)) {
    DiscardTemporary(temp);
    if (targetAttributes >= 0) SetAttributes(target, targetAttributes);
    return false;
  }
  SetAttributes(target, sourceAttributes);
  return true;
}

}  // namespace tarnvel
