#include "sync/full_target.h"

#include "runtime/files.h"

namespace tarnvel {

bool StopIfTargetFull(RunReport& report, const std::string& targetFile, std::int64_t neededBytes,
                      unsigned long error) {
  const std::size_t cut = targetFile.find_last_of('\\');
  const std::string directory = cut == std::string::npos ? targetFile : targetFile.substr(0, cut + 1);
  const std::int64_t freeBytes = FreeSpaceOf(directory);
  if (!FailedForWantOfSpace(error, freeBytes, neededBytes)) return false;
  report.Failed("复制", targetFile, FullTargetText(freeBytes, neededBytes));
  report.SetStopReason(kFullTargetText);
  return true;
}

}  // namespace tarnvel
