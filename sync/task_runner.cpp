#include "sync/task_runner.h"

#include "runtime/controls.h"
#include "runtime/convert.h"
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

std::string EndOfRunStatus(bool stopped, std::int32_t failures, std::int32_t foldersLeftOut,
                           const std::string& stopReason) {
  std::string failed;
  if (failures > 0) {
    failed = "有 " + ToText(failures) + " 项未能完成";
    if (foldersLeftOut > 0) failed += "（其中 " + ToText(foldersLeftOut) + " 个文件夹整个未同步）";
    failed += "，详见失败列表。";
  }
  if (stopped) return "信息：任务已停止，目标目录尚未同步完。" + failed;
  if (!stopReason.empty()) return "信息：" + stopReason + "，备份不完整：" + failed;
  if (failures == 0) return "信息：所有任务完成。";
  return "信息：任务结束，但备份不完整：" + failed;
}

}  // namespace tarnvel
