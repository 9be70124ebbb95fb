// The sync task runner: one complete run of the main-window engine over the main window's
// controls.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace tarnvel {

class SyncEngine;
class ListBox;
struct SyncHooks;

// Where a run takes its jobs from: the boxes when the task list has no rows (or the portable
// file's "EC" is exactly "1"), otherwise every ticked row; or the boxes alone, whatever the
// list holds (the removable disk's own job).
enum class RunJobsFrom { kBoxesOrTickedRows, kBoxesOnly };

// Runs the job of the source and target boxes, or every ticked row of the task list, each
// with the optional clean-up, the directory walk and the root's files; records the run in the
// run history with its duration; restores the controls and, when the main window is on
// screen, says that the run is complete. A stop ends the run after the entry in hand: no
// later row starts. A start while a run is in progress (a scheduler tick inside a run) is
// refused: false, and nothing is touched.
bool RunSyncTasks(SyncEngine& engine, RunJobsFrom from = RunJobsFrom::kBoxesOrTickedRows);

// Whether the run takes the boxes' single job. `ecValue` is read only when the list has rows.
bool RunsBoxesJob(RunJobsFrom from, int taskRows, const std::function<std::string()>& ecValue);

// Walks exactly as RunSyncTasks would, with the same boxes, task list and clean-up switch, and
// lists on the logs what the run would create, copy, replace and remove, with the counters;
// changes nothing on disk (not even the target root) and adds nothing to the run history. The
// status line says it was a preview and sums it up. Refused like RunSyncTasks during a run.
bool PreviewSyncTasks(SyncEngine& engine);

// Once the history holds 10 lines or more, the lines at positions 1 and then 2 (counted from
// 0, the second in the shortened list) go.
void TrimRunHistory(ListBox& history);

// Single mode is forced by the portable file's "EC" value when it is exactly "1".
bool PortableForcesSingleMode(const std::string& ecValue);

// The run history's duration line: "消耗:" + hours:minutes:seconds of the elapsed ticks.
std::string DurationLine(std::uint32_t elapsedMilliseconds);

// The status line at the end of a run: all done; or stopped; or, when anything failed, that the
// backup is incomplete, with how many items failed and how many folders were left out whole; a
// job that stopped on its own (a full target) leads with its reason.
std::string EndOfRunStatus(bool stopped, std::int32_t failures, std::int32_t foldersLeftOut,
                           const std::string& stopReason = {});

// The hooks the program runs with: the runtime's event processing and a one-second thread
// timer for the speed display.
SyncHooks SystemSyncHooks();

}  // namespace tarnvel
