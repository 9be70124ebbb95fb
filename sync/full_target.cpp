#include "sync/full_target.h"

#include "sync/file_info.h"

namespace tarnvel {
namespace {

constexpr unsigned long kErrorHandleDiskFull = 39;
constexpr unsigned long kErrorDiskFull = 112;
constexpr unsigned long kErrorDiskQuotaExceeded = 1295;

std::string BytesText(std::int64_t bytes) {
  // Below one kilobyte the counter's text would say 0; bytes are shown as they are.
  if (bytes < 1024) return std::to_string(bytes) + " 字节";
  return SizeText(bytes / 1024);
}

}  // namespace

bool IsOutOfSpace(unsigned long error) {
  return error == kErrorDiskFull || error == kErrorHandleDiskFull || error == kErrorDiskQuotaExceeded;
}

bool FailedForWantOfSpace(unsigned long error, std::int64_t freeBytes, std::int64_t neededBytes) {
  return IsOutOfSpace(error) || (freeBytes >= 0 && freeBytes < neededBytes);
}

std::string FullTargetText(std::int64_t freeBytes, std::int64_t neededBytes) {
  const std::string left = freeBytes < 0 ? std::string("剩余空间未知") : "剩余 " + BytesText(freeBytes);
  return std::string(kFullTargetText) + "，" + left + "，需要 " + BytesText(neededBytes);
}

}  // namespace tarnvel
