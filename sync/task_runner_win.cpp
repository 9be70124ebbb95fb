#include <windows.h>

#include <optional>

#include "sync/task_runner.h"

#include "runtime/convert.h"
#include "runtime/datetime.h"
#include "runtime/dialogs.h"
#include "runtime/files.h"
#include "runtime/inifile.h"
#include "runtime/window.h"
#include "sync/cleaner.h"
#include "sync/directory_listing.h"
#include "sync/directory_sync.h"
#include "sync/file_info.h"
#include "sync/file_sync.h"
#include "sync/path_helpers.h"
#include "sync/progress_display.h"
#include "sync/run_log.h"
#include "sync/sync_engine.h"
#include "sync/walk_roots.h"
#include "sync/walk_support.h"

namespace tarnvel {
namespace {

// The tick routine of this thread's speed timer (one run at a time per thread).
thread_local std::function<void()>* speedTick = nullptr;
thread_local UINT_PTR speedTimerId = 0;

void CALLBACK OnSpeedTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (speedTick == nullptr) return;
  try {
    (*speedTick)();
  } catch (...) {
    // A display write must not unwind into the system's timer dispatch.
  }
}

void StartThreadTimer(std::function<void()> onTick) {
  static thread_local std::function<void()> routine;
  routine = std::move(onTick);
  speedTick = &routine;
  if (speedTimerId == 0) speedTimerId = SetTimer(nullptr, 0, 1000, OnSpeedTimer);
}

void StopThreadTimer() {
  if (speedTimerId != 0) KillTimer(nullptr, speedTimerId);
  speedTimerId = 0;
  speedTick = nullptr;
}

// The clean-up never runs on a source that is missing or lists nothing at all: an unplugged
// disk or an empty mount point must not empty the target. Only a directory can be listed; the
// listing is kept for the clean-up, which reads the source root next. A non-empty target left
// uncleaned because its source is empty is reported.
bool SourceCanBeCleanedAgainst(SyncEngine& engine) {
  const WalkRoots& roots = engine.Roots();
  DirectoryListing listing = engine.Listings().Take(roots.source);
  if (!listing.Listed()) return false;
  if (listing.Entries().empty()) {
    if (roots.targetExists && !DirectoryListing::Of(roots.target).Entries().empty()) {
      engine.Report().Failed("未清理", roots.target, "源目录是空的，目标目录中的内容全部保留");
    }
    return false;
  }
  engine.Listings().Keep(roots.source, listing);
  return true;
}

std::string NormalisedBoxText(ComboBox& box) {
  std::string text = box.Text();
  if (!text.empty() && text.back() != '\\') {
    text += '\\';
    box.SetText(text);
  }
  return text;
}

// A clean-up never runs on the system drive's root, the Windows folder or System32, however
// the target is spelt.
bool TargetsSystemFolder(SyncEngine& engine, const std::string& target) {
  const SyncHooks& hooks = engine.Hooks();
  return IsSystemLocation(target, hooks.systemLocations ? hooks.systemLocations() : TheSystemLocations());
}

void RunJobSteps(SyncEngine& engine) {
  MainControls& c = engine.Controls();
  engine.Report().ClearStop();
  const std::string target = NormalisedBoxText(c.targetBox);
  const std::string source = NormalisedBoxText(c.sourceBox);
  const RootsResolution resolved = ResolveRoots(source, target);
  if (!resolved.Usable()) {
    const std::string why = RootsRefusal(resolved.verdict);
    engine.Report().Failed("任务", source + " -> " + target, why);
    c.statusLine.SetText(why);
    return;
  }
  if (c.cleanUpSwitch.Checked() && TargetsSystemFolder(engine, target)) {
    const std::string why = std::string("错误：") + kSystemFolderRefusal + "，任务未执行。";
    engine.Report().Failed("任务", source + " -> " + target, why);
    c.statusLine.SetText(why);
    return;
  }
  engine.SetRoots(resolved.roots);
  if (RunLog* log = engine.Report().Log()) {
    log->Line("源目录：" + ShownPath(resolved.roots.source));
    log->Line("目标目录：" + ShownPath(resolved.roots.target) +
              (c.cleanUpSwitch.Checked() ? "（清理多余文件）" : ""));
  }
  engine.Listings().Clear();
  // A source that is missing or cannot be read is a failure of the job, and its target is not
  // made: the walks below take the root's listing from here.
  const DirectoryListing sourceRoot = ListSourceRoot(engine.Roots(), engine.Report());
  if (!sourceRoot.Listed()) return;
  engine.Listings().Keep(engine.Roots().source, sourceRoot);
  if (c.cleanUpSwitch.Checked() && SourceCanBeCleanedAgainst(engine)) {
    c.statusLine.SetText("信息：同步清理开始处理...");
    std::string root = engine.Roots().target;
    RemoveExtraDirectories(engine, root);
    root = engine.Roots().target;
    RemoveExtraFiles(engine, root);
    c.statusLine.SetText("信息：同步清理处理完毕...");
  }
  std::string root = engine.Roots().source;
  SyncDirectoryTree(engine, root);
  root = engine.Roots().source;
  SyncFilesOfDirectory(engine, root);
  engine.Listings().Clear();
}

std::string PortableIniPath(const SyncEngine& engine, const SyncHooks& hooks) {
  return hooks.portableIniPath.empty() ? RunDirectory() + "\\Tarnvel.ini" : hooks.portableIniPath;
}

// A stopped run says so in the history too: its target is not complete.
constexpr char kStoppedMark[] = "（已停止）";

void AddDurationLine(SyncEngine& engine) {
  ListBoxAdd(engine.Controls().runHistory, DurationLine(TickCount() - engine.Totals().startTick) +
                                               (engine.StopRequested() ? kStoppedMark : ""));
}

// The speed timer lives exactly as long as the run, whichever way the run ends.
class SpeedTimerScope {
 public:
  explicit SpeedTimerScope(SyncEngine& engine) : hooks_(engine.Hooks()) {
    auto tick = [&engine] { OnSpeedTick(engine); };
    if (hooks_.startSpeedTimer) hooks_.startSpeedTimer(tick);
  }
  ~SpeedTimerScope() {
    if (hooks_.stopSpeedTimer) hooks_.stopSpeedTimer();
  }
  SpeedTimerScope(const SpeedTimerScope&) = delete;
  SpeedTimerScope& operator=(const SpeedTimerScope&) = delete;

 private:
  SyncHooks& hooks_;
};

void RunJobs(SyncEngine& engine, RunJobsFrom from) {
  MainControls& c = engine.Controls();
  const int rows = ListViewCount(c.taskList);
  if (RunsBoxesJob(from, rows,
                   [&engine] { return ReadIniItem(PortableIniPath(engine, engine.Hooks()), "DIR", "EC"); })) {
    RunJobSteps(engine);
    engine.PumpEventsNow();
    AddDurationLine(engine);
    TrimRunHistory(c.runHistory);
    return;
  }
  // A stop ends the row loop: no later row's target is made or logged. A row whose target is
  // full ends only itself: the next row may have another target.
  for (int row = 0; row < rows && !engine.StopRequestedByUser(); ++row) {
    if (ListViewGetCheck(c.taskList, row) == 0) continue;
    c.sourceBox.SetText(ListViewGetText(c.taskList, row, kTaskSourceColumn));
    c.targetBox.SetText(ListViewGetText(c.taskList, row, kTaskTargetColumn));
    RunJobSteps(engine);
    TrimRunHistory(c.runHistory);
    engine.PumpEventsNow();
  }
  AddDurationLine(engine);
}

}  // namespace

SyncHooks SystemSyncHooks() {
  SyncHooks hooks;
  hooks.processEvents = [] { ProcessEventsDuringRun(); };
  hooks.startSpeedTimer = StartThreadTimer;
  hooks.stopSpeedTimer = StopThreadTimer;
  return hooks;
}

bool RunSyncTasks(SyncEngine& engine, RunJobsFrom from) {
  RunGuard guard(engine);
  if (!guard.Acquired()) return false;
  MainControls& c = engine.Controls();
  c.statusLine.SetText("信息：程序初始成功，任务开始中...");
  if (engine.Hooks().storeJobBoxes) engine.Hooks().storeJobBoxes(c.sourceBox.Text(), c.targetBox.Text());
  ListBoxClear(c.createdDirectoriesLog);
  ListBoxClear(c.copiedFilesLog);
  ListBoxClear(c.removedDirectoriesLog);
  ListBoxClear(c.removedFilesLog);
  ListBoxClear(c.failuresLog);
  engine.Report().Clear();
  c.startControl.SetEnabled(false);
  c.stopControl.SetEnabled(true);
  engine.ClearStop();
  std::optional<RunLogScope> log(std::in_place, engine.Report(), "Orvane目录同步 V2.5 运行记录");
  {
    SpeedTimerScope timer(engine);
    engine.Totals().startTick = TickCount();
    engine.Totals().dataTotal = 0;
    ListBoxAdd(c.runHistory, ToText(Now()));
    RunJobs(engine, from);
    c.runHistory.Select(ListBoxCount(c.runHistory));
  }
  // The logs show their last lines before the run says it has ended.
  BringControlsUpToDate();
  c.startControl.SetEnabled(true);
  c.stopControl.SetEnabled(false);
  const std::int32_t failures = engine.Report().Failures();
  // A stopped run says so: "all done" would tell the user the target is complete when it is not.
  const bool stopped = engine.StopRequestedByUser();
  // A job that stopped on its own (a full target) says why.
  const std::string& reason = engine.Report().StopReason();
  if (stopped) log->Line("停止：" + LogTimeText(Now()) + "，任务在完成前被停止，目标目录尚未同步完");
  log.reset();  // the totals are written before the completion message waits for the user
  c.statusLine.SetText(EndOfRunStatus(stopped, failures, engine.Report().FoldersLeftOut(), reason));
  if (engine.Hooks().mainWindowVisible && engine.Hooks().mainWindowVisible()) {
    const std::string said = stopped           ? std::string("任务已停止")
                             : !reason.empty() ? reason + "，备份不完整，详见失败列表"
                             : failures == 0   ? std::string("已经完成任务")
                                               : std::string("任务结束，但备份不完整，详见失败列表");
    ShowMessage(said, kMessageIconInformation, "信息");
  }
  return true;
}

}  // namespace tarnvel
