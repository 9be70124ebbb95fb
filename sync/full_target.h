// A target volume with no room left. The first copy that fails for want of space ends the job's
// copying: every further copy would fail the same way, one by one, each after reading its source.
// Both engines stop through StopForFullTarget, so that whatever may still make room first is
// done in one place.
#pragma once

#include <cstdint>
#include <string>

#include "sync/run_report.h"

namespace tarnvel {

inline constexpr const char* kFullTargetText = "目标磁盘空间不足";

// The error codes a copy fails with when the volume is full (the disk, or the user's quota).
bool IsOutOfSpace(unsigned long error);

// "目标磁盘空间不足，剩余 <free>，需要 <needed>" in the data counter's units; a free space of -1
// (the system could not tell) is said so.
std::string FullTargetText(std::int64_t freeBytes, std::int64_t neededBytes);

// Reports the copy of `targetFile` (which needed `neededBytes`) as failed for want of space, with
// the room the volume has left, and marks the report stopped for that reason: the caller copies
// nothing more in this job. Windows build only.
void StopForFullTarget(RunReport& report, const std::string& targetFile, std::int64_t neededBytes);

}  // namespace tarnvel
