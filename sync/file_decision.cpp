#include "sync/file_decision.h"

#include <array>

#include "runtime/text.h"

namespace tarnvel {
namespace {

constexpr std::uint64_t kTicksPerSecond = 10'000'000;
constexpr std::uint64_t kCoarseWindow = 2 * kTicksPerSecond;
constexpr std::uint64_t kHour = 3600 * kTicksPerSecond;

std::uint64_t Distance(std::uint64_t a, std::uint64_t b) { return a > b ? a - b : b - a; }

}  // namespace

VolumeTimes VolumeTimesOf(std::string_view fileSystemName) {
  static constexpr std::array<std::string_view, 6> kFatFamily = {"FAT",   "FAT12", "FAT16",
                                                                 "FAT32", "EXFAT", "VFAT"};
  const std::string name = ToUpper(fileSystemName);
  for (const std::string_view fat : kFatFamily) {
    if (name == fat) return VolumeTimes::kCoarse;
  }
  return VolumeTimes::kFine;
}

bool IsCoarseTime(std::uint64_t fileTime) { return fileTime % kCoarseWindow == 0; }

bool TimesAgree(std::uint64_t source, std::uint64_t target, VolumeTimes volume) {
  if (MillisecondOf(source) == MillisecondOf(target)) return true;
  if (volume != VolumeTimes::kCoarse && !IsCoarseTime(target)) return false;
  const std::uint64_t apart = Distance(source, target);
  return apart < kCoarseWindow || Distance(apart, kHour) < kCoarseWindow;
}

bool TargetIsCurrent(const DirectoryEntry& source, const DirectoryEntry* target, VolumeTimes volume) {
  // A link in the target is never current: the backup gets a file of its own.
  if (target == nullptr || target->IsDirectory() || (target->attributes & kAttrReparsePoint) != 0)
    return false;
  return source.size == target->size && TimesAgree(source.lastWriteTime, target->lastWriteTime, volume);
}

}  // namespace tarnvel
