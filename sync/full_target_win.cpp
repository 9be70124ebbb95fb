#include "sync/full_target.h"

#include "runtime/files.h"

namespace tarnvel {
namespace {

std::int64_t FreeSpaceBeside(const std::string& targetFile) {
  const std::size_t cut = targetFile.find_last_of('\\');
  return FreeSpaceOf(cut == std::string::npos ? targetFile : targetFile.substr(0, cut + 1));
}

}  // namespace

bool CopyFailedForSpace(const std::string& targetFile, std::int64_t neededBytes, unsigned long error) {
  return FailedForWantOfSpace(error, FreeSpaceBeside(targetFile), neededBytes);
}

bool StopIfTargetFull(RunReport& report, const std::string& targetFile, std::int64_t neededBytes,
                      unsigned long error) {
  const std::int64_t freeBytes = FreeSpaceBeside(targetFile);
  if (!FailedForWantOfSpace(error, freeBytes, neededBytes)) return false;
  report.Failed("复制", targetFile, FullTargetText(freeBytes, neededBytes));
  report.SetStopReason(kFullTargetText);
  return true;
}

}  // namespace tarnvel
