#include "sync/main_controls.h"

#include <string>

#include "sync/kept_versions.h"

namespace tarnvel {

MainControls::MainControls() {
  // The lists get their columns now, so that rows written before any window exists keep
  // every column and the window shows them when it attaches.
  taskList.SetColumns({"源目录", "目标目录"}, {260, 260});
  scheduleList.SetColumns({"日", "类型", "说明", "方式", "时间"}, {40, 40, 180, 60, 60});
  fileProgress.SetRange(0, 100);
  keepDaysBox.SetText(std::to_string(kDefaultKeepDays));
}

std::vector<MainControls::Named> MainControls::All() {
  std::vector<Named> all = {
      {"sourceBox", &sourceBox},       {"targetBox", &targetBox}, {"sourceBrowse", &sourceBrowse},
      {"targetBrowse", &targetBrowse}, {"taskList", &taskList},
  };
  const char* const slotNames[kDailySlotCount] = {"dailySlot1", "dailySlot2", "dailySlot3"};
  for (int i = 0; i < kDailySlotCount; ++i) {
    const std::string base = slotNames[i];
    all.push_back({base + ".enabled", &dailySlots[i].enabled});
    all.push_back({base + ".hour", &dailySlots[i].hour});
    all.push_back({base + ".minute", &dailySlots[i].minute});
    all.push_back({base + ".second", &dailySlots[i].second});
  }
  const std::vector<Named> rest = {
      {"scheduleList", &scheduleList},
      {"calendarSwitch", &calendarSwitch},
      {"intervalSwitch", &intervalSwitch},
      {"intervalBox", &intervalBox},
      {"cleanUpSwitch", &cleanUpSwitch},
      {"keepDaysBox", &keepDaysBox},
      {"runHistory", &runHistory},
      {"statusLine", &statusLine},
      {"startControl", &startControl},
      {"stopControl", &stopControl},
      {"previewControl", &previewControl},
      {"serviceControl", &serviceControl},
      {"removableDiskControl", &removableDiskControl},
      {"usageNotesControl", &usageNotesControl},
      {"exitControl", &exitControl},
      {"createdDirectoriesLog", &createdDirectoriesLog},
      {"copiedFilesLog", &copiedFilesLog},
      {"removedDirectoriesLog", &removedDirectoriesLog},
      {"removedFilesLog", &removedFilesLog},
      {"failuresLog", &failuresLog},
      {"directoryCounter", &directoryCounter},
      {"fileCounter", &fileCounter},
      {"dataCounter", &dataCounter},
      {"removedDirectoriesCounter", &removedDirectoriesCounter},
      {"removedFilesCounter", &removedFilesCounter},
      {"fileProgress", &fileProgress},
      {"filePercentage", &filePercentage},
      {"transferFigures", &transferFigures},
      {"speed", &speed},
      {"elapsedTime", &elapsedTime},
  };
  all.insert(all.end(), rest.begin(), rest.end());
  return all;
}

}  // namespace tarnvel
