// The guard against a clean-up that would remove most of a target: a source folder picked by
// mistake, a source reorganised elsewhere, source and target swapped. Before a job's clean-up
// removes anything it counts what it would remove; a mass removal runs only when the user who
// started the run says so, and is held back (a failure of the job) when nobody can be asked.
#pragma once

#include <cstdint>
#include <string>

namespace tarnvel {

// Files, not folders: a folder of a thousand files weighs a thousand.
struct RemovalCounts {
  std::int64_t files = 0;        // target files the clean-up would remove
  std::int64_t targetFiles = 0;  // target files it looked at, removed or not
};

inline constexpr std::int64_t kMassRemovalFloor = 10;

// At least kMassRemovalFloor files, and more than half of the target's files. An empty or new
// target never is one.
bool IsMassRemoval(const RemovalCounts& counts);

// The question of the main window's box (caption "提示", OK/Cancel, Cancel the default).
// `keepDays` 0 says the files go for good.
std::string MassRemovalQuestion(const RemovalCounts& counts, const std::string& target, int keepDays);
// The reason of the failure a held-back clean-up is reported with.
std::string MassRemovalHeldBack(const RemovalCounts& counts);

}  // namespace tarnvel
