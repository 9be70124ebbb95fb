#include "sync/removal_guard.h"

#include "sync/kept_versions.h"

namespace tarnvel {

bool IsMassRemoval(const RemovalCounts& counts) {
  return counts.files >= kMassRemovalFloor && counts.files * 2 > counts.targetFiles;
}

std::string MassRemovalQuestion(const RemovalCounts& counts, const std::string& target, int keepDays) {
  const std::string where = keepDays > 0 ? "这些文件将移到目标目录下的历史版本文件夹 " +
                                               std::string(kVersionsFolderName) + "，保留 " +
                                               std::to_string(keepDays) + " 天。"
                                         : "这些文件将被永久删除，无法恢复。";
  return "源目录中已经没有目标目录 " + target + " 的 " + std::to_string(counts.targetFiles) + " 个文件中的 " +
         std::to_string(counts.files) + " 个，清理将移除它们。" + where +
         "\n\n请确认源目录和目标目录没有选错。按“确定”清理，按“取消”只复制、不清理。";
}

std::string MassRemovalHeldBack(const RemovalCounts& counts) {
  return "清理会移除目标目录 " + std::to_string(counts.targetFiles) + " 个文件中的 " +
         std::to_string(counts.files) + " 个（超过一半），未经确认不清理；请在主窗口中检查源目录后手动运行";
}

}  // namespace tarnvel
