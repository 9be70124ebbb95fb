// The main window's named controls as one set of control objects. They are the live settings
// and the inputs and outputs of a run: the settings store loads and saves them, the runner and
// the walkers read their inputs from them and write their progress into them, the scheduler
// and the window's routines act on them. Every control exists from construction on, with or
// without a window: a run started by any trigger finds every display, and a write while the
// window is hidden or absent changes the object all the same. The main window attaches them
// to its Win32 controls later; its menus and timers are its own.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "runtime/controls.h"

namespace tarnvel {

// Columns of the task list.
inline constexpr int kTaskSourceColumn = 0;
inline constexpr int kTaskTargetColumn = 1;

// Columns of the schedule list.
inline constexpr int kScheduleDayColumn = 0;
inline constexpr int kScheduleKindColumn = 1;
inline constexpr int kScheduleDescriptionColumn = 2;
inline constexpr int kScheduleKindLabelColumn = 3;
inline constexpr int kScheduleTimeColumn = 4;

// One daily schedule slot: a switch and the hour, minute and second boxes, texts as typed.
struct DailySlot {
  CheckBox enabled;
  EditBox hour;
  EditBox minute;
  EditBox second;
};

inline constexpr int kDailySlotCount = 3;

struct MainControls {
  MainControls();
  MainControls(const MainControls&) = delete;
  MainControls& operator=(const MainControls&) = delete;

  // The single job: the edit texts are the directories, the lists the folder histories.
  ComboBox sourceBox;
  ComboBox targetBox;
  Button sourceBrowse;
  Button targetBrowse;

  // Further jobs, run in list mode: column 0 source, column 1 target, ticked rows only.
  ListView taskList;

  // Schedule: three daily slots, the calendar entries, the calendar switch (which also gates
  // the interval runs), the interval switch and the interval box in minutes.
  std::array<DailySlot, kDailySlotCount> dailySlots;
  ListView scheduleList;
  CheckBox calendarSwitch;
  CheckBox intervalSwitch;
  EditBox intervalBox;

  // Remove from the target what the source no longer holds.
  CheckBox cleanUpSwitch;
  // Days what a run removes or replaces is kept in the target's versions folder; 0 removes
  // for good. Its text as typed; an unusable one counts as the default.
  EditBox keepDaysBox;

  // Run start and duration lines.
  ListBox runHistory;
  Label statusLine;

  Button startControl;
  Button stopControl;
  Button previewControl;  // "预览(&P)": what a run would do, nothing changed
  Button serviceControl;
  Button removableDiskControl;
  Button usageNotesControl;
  Button exitControl;

  // Displays written by a run.
  ListBox createdDirectoriesLog;    // source path of every target directory created
  ListBox copiedFilesLog;           // normalised target path of every copied file
  ListBox removedDirectoriesLog;    // every removed target directory
  ListBox removedFilesLog;          // every removed target file
  ListBox failuresLog;              // everything the run could not do, with the system's reason
  Label directoryCounter;           // "已同步目录:" + count + "个"
  Label fileCounter;                // "已同步文件:" + count + "个"
  Label dataCounter;                // " 已同步数据：" + size text
  Label removedDirectoriesCounter;  // "清除多余目录:" + count + "个"
  Label removedFilesCounter;        // "清除多余文件:" + count + "个"
  ProgressBar fileProgress;         // 0 to 100, percent of the file being copied
  Label filePercentage;             // percent + "%"
  Label transferFigures;            // kilobytes done + "KB /" + kilobytes in all + " KB"
  Label speed;                      // number + " k/s"
  Label elapsedTime;                // duration text of the run so far

  // Every control under a stable name, in declaration order, for the window that attaches
  // them and for checks that every display exists.
  struct Named {
    std::string name;
    Control* control;
  };
  std::vector<Named> All();
};

}  // namespace tarnvel
