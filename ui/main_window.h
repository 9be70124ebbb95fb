// The main window of the interactive program: the job being edited, the task list, the
// schedule settings, the switches and every display a run writes, laid out to grow with the
// window, plus its routines (the task dialog, the confirmations, the run start, hiding into
// the notification area and leaving the program).
//
// The controls are the shared MainControls; the window attaches them and owns the engine that
// runs over them, the settings store that loads and saves them, and its own captions, pages
// and timers.
#pragma once

#include "ui/scheduler.h"
#include "ui/scheduler_timers.h"

#include <memory>
#include <string>

#include "runtime/controls.h"
#include "runtime/window.h"
#include "sync/main_controls.h"
#include "sync/sync_engine.h"
#include "sync/task_runner.h"
#include "ui/settings_store.h"

namespace tarnvel {

// Command ids of the main window's controls and menu entries.
enum MainWindowId : int {
  kIdSourceBox = 100,
  kIdSourceBrowse,
  kIdTargetBox,
  kIdTargetBrowse,
  kIdStart,
  kIdStop,
  kIdCleanUp,
  kIdService,
  kIdRemovableDisk,
  kIdUsageNotes,
  kIdExit,
  kIdPages,
  kIdTaskList,
  kIdSlotFirst = 120,  // 3 slots x (switch, hour, minute, second): 120 .. 131
  kIdScheduleList = 140,
  kIdCalendarSwitch,
  kIdIntervalSwitch,
  kIdIntervalBox,
  kIdScheduleListToggle,
  kIdLogs = 150,
  kIdCreatedLog,
  kIdCopiedLog,
  kIdRemovedDirsLog,
  kIdRemovedFilesLog,
  kIdFailuresLog,
  kIdRunHistory,
  kIdStatusLine = 160,
  kIdDirectoryCounter,
  kIdFileCounter,
  kIdDataCounter,
  kIdRemovedDirsCounter,
  kIdRemovedFilesCounter,
  kIdFileProgress,
  kIdFilePercentage,
  kIdTransferFigures,
  kIdSpeed,
  kIdElapsedTime,
  kIdPreview = 175,  // in the column of buttons, beside the logs' figures rather than the pages
  kIdKeepDaysBox,
  kIdCaptionFirst = 180,  // the window's own captions
  // Task menu entries.
  kMenuAddTask = 300,
  kMenuEditTask,
  kMenuDeleteTask,
  kMenuClearTasks,
  // The update commands of the window's system menu (the system keeps the low four bits).
  kSysCheckUpdate = 0x1010,
  kSysUpdateToPublished = 0x1020,
  kSysSilentUpdate = 0x1030,
  kSysCompareUpdate = 0x1040,
};

class MainWindow : public Window {
 public:
  // Settings live in the registry unless a test hands its own store.
  explicit MainWindow(SettingsBackend* settings = nullptr);
  ~MainWindow() override;

  MainControls& Controls() { return controls_; }
  SyncEngine& Engine() { return engine_; }
  SettingsStore& Settings() { return store_; }

  // The start control: checks the job's boxes (or ticked rows), then runs. False when nothing
  // ran.
  bool StartRun(RunJobsFrom from = RunJobsFrom::kBoxesOrTickedRows);
  void RequestStop() { engine_.RequestStop(); }
  void BrowseSource();
  void BrowseTarget();
  void AddTask();
  void EditTask();
  void DeleteTask();
  void ClearTasks();
  void CleanupSwitchClicked();
  void ShowUsageNotes();
  // Asks, then leaves the program. A run in progress is stopped first, as the stop control
  // stops it, and the window goes only once the run has returned.
  void ExitProgram();
  // The notification-area icon's mouse events: 1 click, 2 double click, 3 right click.
  void TrayEvent(int kind);
  // Shows the window in its normal state and in front (the tray, a second start).
  void Restore();
  // The task dialog's texts, which carry its values to and from its callers.
  std::string taskSource;
  std::string taskTarget;

  // Removes the notification-area icon and ends the program, with or without saving the
  // settings from the controls. A run in progress is stopped first, and the program ends once
  // it has returned.
  void EndProgram(bool saveSettings);
  // The settings stay as stored whichever way the program ends (a run from the removable disk).
  void KeepStoredSettings() { saveAtExit_ = false; }

  // The scheduler that starts runs from the daily slots, the schedule list and the interval.
  Scheduler* Schedule() { return scheduler_.get(); }

 protected:
  WindowLayout Layout() const override;
  void OnCreate() override;
  void OnClose() override;
  void OnDestroy() override;
  void OnCommand(int id, int code) override;
  std::intptr_t OnNotify(int id, int code, void* header) override;
  void OnSize(int clientWidth, int clientHeight) override;
  bool OnMessage(unsigned message, std::uintptr_t wparam, std::intptr_t lparam,
                 std::intptr_t& result) override;

 private:
  struct Captions;
  void CreateControls();
  void ArrangeControls(int width, int height);
  void ShowPage(int page);
  void ShowLog(int log);
  void MainWindowCreated();
  void TaskMenu();
  bool OpenTaskDialog();
  bool TaskRowAccepted(const std::string& source, const std::string& target);
  void AfterRun();
  // The end of the Windows session: the query stops a run and says yes; the end saves and ends.
  std::intptr_t SessionEnding(bool query, bool ending);
  // The session's one interactive window is held by a named lock for the process's life; false
  // when another process holds it (that one's window is brought forward).
  bool TakeInstance();

  std::unique_ptr<SettingsBackend> ownSettings_;
  MainControls controls_;
  SyncEngine engine_;
  SettingsStore store_;
  std::unique_ptr<Captions> captions_;
  // Runs the boxes' job for the scheduler: false only when a run is in progress already.
  bool RunScheduled();
  // Checks the job's boxes (or ticked rows) and runs them, or previews them; false when nothing
  // ran.
  bool CheckAndRun(RunJobsFrom from, bool preview = false);
  bool PreviewRun();
  void SlotBoxEdited(int id);

  std::unique_ptr<Scheduler> scheduler_;
  std::unique_ptr<SchedulerTimers> schedulerTimers_;
  void* pagesTab_ = nullptr;
  void* logsTab_ = nullptr;
  void* instanceMutex_ = nullptr;
  bool secondInstance_ = false;
  bool settingsLoaded_ = false;
  bool saveAtExit_ = true;
  bool exitPending_ = false;

  // The on-line update: its commands in the system menu and the label of the published version.
  void AddUpdateCommands();
  bool UpdateCommand(unsigned command);
  Label updateLabel_;
};

// The window that answers a second start: a start without arguments while a main window runs
// brings that one to the front instead of opening a second one. True when one was found.
bool BringRunningMainWindowForward();

}  // namespace tarnvel
