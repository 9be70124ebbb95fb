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
#include "sync/kept_versions.h"
#include "sync/path_helpers.h"
#include "sync/progress_display.h"
#include "sync/removal_guard.h"
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

// A clean-up that would remove most of the target runs only when the user who started the run
// from the visible window says so; with nobody to ask it is held back, as a failure of the job.
// A preview lists it all the same and says that the run would ask.
bool CleanUpConfirmed(SyncEngine& engine) {
  const RemovalCounts counts = CountExtraFiles(engine);
  if (!IsMassRemoval(counts)) return true;
  const std::string target = ShownPath(engine.Roots().target);
  if (engine.Previewing()) {
    engine.Report().Noted(target, "清理会移除目标中一半以上的文件，运行时要先确认");
    return true;
  }
  const bool visible = engine.Hooks().mainWindowVisible && engine.Hooks().mainWindowVisible();
  if (engine.UserCanConfirm() && visible) {
    const int flags = kMessageOkCancel | kMessageIconExclamation | kMessageDefaultSecond;
    if (ShowMessage(MassRemovalQuestion(counts, target, engine.Versions().Days()), flags, "提示") ==
        kButtonOk) {
      return true;
    }
    engine.Report().Noted(target, "清理已取消，只复制");
    return false;
  }
  engine.Report().Failed("未清理", target, MassRemovalHeldBack(counts));
  return false;
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
  engine.SetVersions(
      KeptVersions(resolved.roots.target, engine.RunStart(), KeepDaysFromText(c.keepDaysBox.Text())));
  const bool clean =
      c.cleanUpSwitch.Checked() && SourceCanBeCleanedAgainst(engine) && CleanUpConfirmed(engine);
  if (!engine.Previewing()) engine.Versions().Expire(Now(), engine.Report());
  if (clean) {
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
  engine.SetVersions(KeptVersions());
}

std::string PortableIniPath(const SyncEngine& engine, const SyncHooks& hooks) {
  return hooks.portableIniPath.empty() ? RunDirectory() + "\\Tarnvel.ini" : hooks.portableIniPath;
}

// A stopped run says so in the history too: its target is not complete.
constexpr char kStoppedMark[] = "（已停止）";

void AddDurationLine(SyncEngine& engine) {
  if (engine.Previewing()) return;  // a preview is no run of the history
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

namespace {

std::string PreviewSummary(SyncEngine& engine) {
  const MainControls& c = engine.Controls();
  return "信息：这是预览，没有改动任何文件。运行将创建目录 " + ToText(ListBoxCount(c.createdDirectoriesLog)) +
         " 个，复制文件 " + ToText(ListBoxCount(c.copiedFilesLog)) + " 个（其中替换 " +
         ToText(engine.Totals().replacedFiles) + " 个），删除目录 " +
         ToText(ListBoxCount(c.removedDirectoriesLog)) + " 个，删除文件 " +
         ToText(ListBoxCount(c.removedFilesLog)) + " 个。";
}

void ShowOutcome(SyncEngine& engine, std::optional<RunLogScope>& log) {
  MainControls& c = engine.Controls();
  const std::int32_t failures = engine.Report().Failures();
  // A stopped run says so: "all done" would tell the user the target is complete when it is not.
  const bool stopped = engine.StopRequestedByUser();
  // A job that stopped on its own (a full target) says why.
  const std::string& reason = engine.Report().StopReason();
  if (stopped && log) log->Line("停止：" + LogTimeText(Now()) + "，任务在完成前被停止，目标目录尚未同步完");
  log.reset();  // the totals are written before the completion message waits for the user
  if (engine.Previewing()) {
    const std::string failed = failures == 0 ? "" : "有 " + ToText(failures) + " 项未能完成，详见失败列表。";
    c.statusLine.SetText(stopped ? std::string("信息：预览已停止，没有改动任何文件。")
                                 : PreviewSummary(engine) + failed);
    return;
  }
  c.statusLine.SetText(EndOfRunStatus(stopped, failures, engine.Report().FoldersLeftOut(), reason));
  if (engine.Hooks().mainWindowVisible && engine.Hooks().mainWindowVisible()) {
    const std::string said = stopped           ? std::string("任务已停止")
                             : !reason.empty() ? reason + "，备份不完整，详见失败列表"
                             : failures == 0   ? std::string("已经完成任务")
                                             : std::string("任务结束，但备份不完整，详见失败列表");
    ShowMessage(said, kMessageIconInformation, "信息");
  }
}

bool RunOrPreview(SyncEngine& engine, bool preview, RunJobsFrom from) {
  RunGuard guard(engine);
  if (!guard.Acquired()) return false;
  engine.SetPreviewing(preview);
  MainControls& c = engine.Controls();
  c.statusLine.SetText(preview ? "信息：正在预览，不会改动任何文件..." : "信息：程序初始成功，任务开始中...");
  if (engine.Hooks().storeJobBoxes) engine.Hooks().storeJobBoxes(c.sourceBox.Text(), c.targetBox.Text());
  ListBoxClear(c.createdDirectoriesLog);
  ListBoxClear(c.copiedFilesLog);
  ListBoxClear(c.removedDirectoriesLog);
  ListBoxClear(c.removedFilesLog);
  ListBoxClear(c.failuresLog);
  engine.Report().Clear();
  c.startControl.SetEnabled(false);
  c.previewControl.SetEnabled(false);
  c.stopControl.SetEnabled(true);
  engine.ClearStop();
  engine.SetRunStart(Now());
  std::optional<RunLogScope> log;
  if (!preview) log.emplace(engine.Report(), "Orvane目录同步 V2.5 运行记录");
  {
    SpeedTimerScope timer(engine);
    engine.Totals().startTick = TickCount();
    engine.Totals().dataTotal = 0;
    engine.Totals().replacedFiles = 0;
    if (!preview) ListBoxAdd(c.runHistory, ToText(Now()));
    RunJobs(engine, from);
    c.runHistory.Select(ListBoxCount(c.runHistory));
  }
  // The logs show their last lines before the run says it has ended.
  BringControlsUpToDate();
  c.startControl.SetEnabled(true);
  c.previewControl.SetEnabled(true);
  c.stopControl.SetEnabled(false);
  ShowOutcome(engine, log);
  engine.SetPreviewing(false);
  return true;
}

}  // namespace

bool RunSyncTasks(SyncEngine& engine, RunJobsFrom from) { return RunOrPreview(engine, false, from); }

bool PreviewSyncTasks(SyncEngine& engine) {
  return RunOrPreview(engine, true, RunJobsFrom::kBoxesOrTickedRows);
}

}  // namespace tarnvel
