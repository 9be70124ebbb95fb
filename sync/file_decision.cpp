#include "sync/file_decision.h"

namespace tarnvel {

bool TargetIsCurrent(const DirectoryEntry& source, const DirectoryEntry* target) {
  if (target == nullptr || target->IsDirectory()) return false;
  return source.size == target->size && MillisecondOf(source.lastWriteTime) == MillisecondOf(target->lastWriteTime);
}

}  // namespace tarnvel
