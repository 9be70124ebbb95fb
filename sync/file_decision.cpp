#include "sync/file_decision.h"

namespace tarnvel {

bool TargetIsCurrent(const DirectoryEntry& source, const DirectoryEntry* target) {
  // A link in the target is never current: the backup gets a file of its own.
  if (target == nullptr || target->IsDirectory() || (target->attributes & kAttrReparsePoint) != 0) return false;
  return source.size == target->size && MillisecondOf(source.lastWriteTime) == MillisecondOf(target->lastWriteTime);
}

}  // namespace tarnvel
