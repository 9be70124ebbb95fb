#include "sync/task_runner.h"

#include "runtime/controls.h"
#include "sync/file_info.h"

namespace tarnvel {

void TrimRunHistory(ListBox& history) {
  if (ListBoxCount(history) < 10) return;
  ListBoxDelete(history, 1);
  ListBoxDelete(history, 2);
}

bool PortableForcesSingleMode(const std::string& ecValue) { return ecValue == "1"; }

bool RunsBoxesJob(RunJobsFrom from, int taskRows, const std::function<std::string()>& ecValue) {
  if (from == RunJobsFrom::kBoxesOnly || taskRows == 0) return true;
  return PortableForcesSingleMode(ecValue());
}

std::string DurationLine(std::uint32_t elapsedMilliseconds) {
  return "消耗:" + DurationText(static_cast<std::int32_t>(elapsedMilliseconds / 1000u));
}

}  // namespace tarnvel
