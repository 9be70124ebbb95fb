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

// True when a copy that failed with `error` failed for want of space: the system says so, or
// the volume has less room left than the file needs (some drivers report a full volume as
// "access denied"). A free space of -1 (unknown) decides nothing.
bool FailedForWantOfSpace(unsigned long error, std::int64_t freeBytes, std::int64_t neededBytes);

// "目标磁盘空间不足，剩余 <free>，需要 <needed>" in the data counter's units; a free space of -1
// (the system could not tell) is said so.
std::string FullTargetText(std::int64_t freeBytes, std::int64_t neededBytes);

// True when the copy of `targetFile` (which needed `neededBytes`) failed with `error` for want
// of space, by FailedForWantOfSpace and the room its folder's volume has left: the kept versions
// may then make room and the copy be tried once more. Windows build only.
bool CopyFailedForSpace(const std::string& targetFile, std::int64_t neededBytes, unsigned long error);

// The one place where a failed copy stops a job. When the copy of `targetFile` (which needed
// `neededBytes`) failed for want of space, it is reported with the room the volume has left,
// the report is marked stopped for that reason and the result is true: the caller copies
// nothing more in this job. Otherwise nothing is reported and the result is false. Windows
// build only.
bool StopIfTargetFull(RunReport& report, const std::string& targetFile, std::int64_t neededBytes,
                      unsigned long error);

}  // namespace tarnvel
