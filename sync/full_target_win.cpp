#include "sync/full_target.h"

#include "runtime/files.h"

namespace tarnvel {

void StopForFullTarget(RunReport& report, const std::string& targetFile, std::int64_t neededBytes) {
  const std::size_t cut = targetFile.find_last_of('\\');
  const std::string directory = cut == std::string::npos ? targetFile : targetFile.substr(0, cut + 1);
  report.Failed("复制", targetFile, FullTargetText(FreeSpaceOf(directory), neededBytes));
  report.SetStopReason(kFullTargetText);
}

}  // namespace tarnvel
