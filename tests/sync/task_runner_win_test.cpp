// Whole runs of the main-window engine on windowless controls over real trees.
#include <windows.h>

#include <gtest/gtest.h>

#include "runtime/convert.h"
#include "runtime/datetime.h"
#include "runtime/dialogs.h"
#include "runtime/inifile.h"
#include "sync/path_helpers.h"
#include "sync/task_runner.h"
#include "tests/support/sandbox.h"
#include "tests/sync/sync_fixture_win.h"

namespace tarnvel::test {
namespace {

class TaskRunnerWin : public testing::Test {
 protected:
  void SetUp() override {
    dir = FreshTestDir();
    src = dir + "Src";
    dst = dir + "Dst";
    rig.engine.Hooks().portableIniPath = dir + "Tarnvel.ini";
    rig.engine.Hooks().storeJobBoxes = [this](const std::string& s, const std::string& t) {
      stored.push_back(s + "|" + t);
    };
    rig.engine.Hooks().startSpeedTimer = [this](std::function<void()> tick) {
      ++timersStarted;
      speedTick = std::move(tick);
    };
    rig.engine.Hooks().stopSpeedTimer = [this] { ++timersStopped; };
    rig.engine.Hooks().mainWindowVisible = [this] { return visible; };
  }
  void TearDown() override { ClearAttributesBelow(dir); }
  void AddRow(const std::string& source, const std::string& target, bool ticked) {
    const int row = ListViewInsert(rig.controls.taskList, -1, source);
    ListViewSetText(rig.controls.taskList, row, kTaskTargetColumn, target);
    ListViewSetCheck(rig.controls.taskList, row, ticked ? 1 : 0);
  }
  std::string dir, src, dst;
  EngineRig rig;
  std::vector<std::string> stored;
  int timersStarted = 0, timersStopped = 0;
  std::function<void()> speedTick;
  bool visible = false;
};

TEST_F(TaskRunnerWin, SingleModeRun) {
  ScopedFakeClock clock(MakeDateTime(2011, 3, 5, 22, 7, 9), 1000);
  ScopedDialogScript dialogs;
  visible = true;
  WriteTextFile(src + "\\root.txt", "r");
  WriteTextFile(src + "\\a\\one.txt", "1");
  rig.SetJob(src, dst);
  bool advanced = false;
  rig.onEvents = [&] {
    if (!advanced) clock.Advance(75000);
    advanced = true;
  };
  ASSERT_TRUE(RunSyncTasks(rig.engine));

  EXPECT_EQ(stored, (std::vector<std::string>{src + "|" + dst}));  // as typed, without "\"
  EXPECT_EQ(rig.controls.sourceBox.Text(), src + "\\");
  EXPECT_EQ(rig.controls.targetBox.Text(), dst + "\\");
  EXPECT_EQ(ReadTextFile(dst + "\\root.txt"), "r");
  EXPECT_EQ(ReadTextFile(dst + "\\a\\one.txt"), "1");
  // The root's own files come last.
  EXPECT_EQ(Lines(rig.controls.copiedFilesLog),
            (std::vector<std::string>{NormalisePath(dst + "\\a\\one.txt"), NormalisePath(dst + "\\root.txt")}));
  ASSERT_EQ(rig.controls.runHistory.Count(), 2);
  EXPECT_EQ(rig.controls.runHistory.ItemText(0), "2011年3月5日22时7分9秒");
  EXPECT_EQ(rig.controls.runHistory.ItemText(1), "消耗:00:01:15");
  EXPECT_EQ(rig.controls.runHistory.Selection(), 1);
  EXPECT_EQ(rig.controls.statusLine.Text(), "信息：所有任务完成。");
  EXPECT_TRUE(rig.controls.startControl.Enabled());
  EXPECT_FALSE(rig.controls.stopControl.Enabled());
  EXPECT_EQ(timersStarted, 1);
  EXPECT_EQ(timersStopped, 1);
  const auto messages = dialogs.Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].message, "已经完成任务");
  EXPECT_EQ(messages[0].caption, "信息");
  EXPECT_EQ(messages[0].flags, 0x40);
}

TEST_F(TaskRunnerWin, NoMessageWhileTheWindowIsHiddenAndTheLogsStartEmpty) {
  ScopedDialogScript dialogs;
  rig.controls.copiedFilesLog.Add("earlier run");
  rig.controls.removedFilesLog.Add("earlier run");
  rig.SetJob(src, dst);
  RunSyncTasks(rig.engine);
  EXPECT_TRUE(dialogs.Messages().empty());
  EXPECT_EQ(rig.controls.copiedFilesLog.Count(), 0);
  EXPECT_EQ(rig.controls.removedFilesLog.Count(), 0);
}

TEST_F(TaskRunnerWin, ListModeRunsTickedRowsInOrder) {
  for (const char* n : {"1", "2", "3"}) WriteTextFile(dir + "s" + n + "\\f" + n + ".txt", n);
  AddRow(dir + "s1", dir + "t1", true);
  AddRow(dir + "s2", dir + "t2", false);
  AddRow(dir + "s3", dir + "t3", true);
  rig.SetJob(src, dst);
  RunSyncTasks(rig.engine);
  EXPECT_TRUE(Exists(dir + "t1\\f1.txt"));
  EXPECT_FALSE(Exists(dir + "t2"));
  EXPECT_TRUE(Exists(dir + "t3\\f3.txt"));
  EXPECT_FALSE(Exists(dst));  // the boxes' own job does not run in list mode
  EXPECT_EQ(Lines(rig.controls.copiedFilesLog),
            (std::vector<std::string>{NormalisePath(dir + "t1\\f1.txt"), NormalisePath(dir + "t3\\f3.txt")}));
  EXPECT_EQ(rig.controls.sourceBox.Text(), dir + "s3\\");
  EXPECT_EQ(rig.controls.targetBox.Text(), dir + "t3\\");
  EXPECT_EQ(rig.controls.runHistory.Count(), 2);
}

TEST_F(TaskRunnerWin, NoTickedRowStillRecordsTheRun) {
  WriteTextFile(dir + "s1\\f.txt", "x");
  AddRow(dir + "s1", dir + "t1", false);
  RunSyncTasks(rig.engine);
  EXPECT_FALSE(Exists(dir + "t1"));
  ASSERT_EQ(rig.controls.runHistory.Count(), 2);
  EXPECT_EQ(rig.controls.runHistory.ItemText(1).rfind("消耗:", 0), 0u);
}

TEST_F(TaskRunnerWin, PortableFileForcesSingleModeOnlyWithExactlyOne) {
  WriteTextFile(src + "\\box.txt", "b");
  WriteTextFile(dir + "s1\\row.txt", "r");
  AddRow(dir + "s1", dir + "t1", true);
  rig.SetJob(src, dst);
  ASSERT_TRUE(WriteIniItem(dir + "Tarnvel.ini", "DIR", "EC", "1"));
  RunSyncTasks(rig.engine);
  EXPECT_TRUE(Exists(dst + "\\box.txt"));
  EXPECT_FALSE(Exists(dir + "t1"));

  ASSERT_TRUE(WriteIniItem(dir + "Tarnvel.ini", "DIR", "EC", "1 ;only the digit counts"));
  RunSyncTasks(rig.engine);
  EXPECT_TRUE(Exists(dir + "t1\\row.txt"));
}

// The removable disk's job is the boxes alone, whatever rows are ticked and whatever "EC" says.
TEST_F(TaskRunnerWin, BoxesOnlyRunsTheBoxesWhateverTheListHolds) {
  WriteTextFile(src + "\\box.txt", "b");
  WriteTextFile(dir + "s1\\row.txt", "r");
  AddRow(dir + "s1", dir + "t1", true);
  rig.SetJob(src, dst);
  EXPECT_TRUE(RunSyncTasks(rig.engine, RunJobsFrom::kBoxesOnly));
  EXPECT_EQ(ReadTextFile(dst + "\\box.txt"), "b");
  EXPECT_FALSE(Exists(dir + "t1"));
  EXPECT_EQ(rig.controls.runHistory.Count(), 2);
}

// Fixed: a stop in the first row still made and logged the later rows' targets.
TEST_F(TaskRunnerWin, AStopEndsTheRowLoop) {
  for (const char* f : {"a\\1.txt", "b\\2.txt"}) WriteTextFile(dir + "s1\\" + f, "x");
  WriteTextFile(dir + "s2\\f.txt", "y");
  AddRow(dir + "s1", dir + "t1", true);
  AddRow(dir + "s2", dir + "t2", true);
  rig.onEvents = [&] { rig.engine.RequestStop(); };
  RunSyncTasks(rig.engine);
  EXPECT_TRUE(Exists(dir + "t1\\a\\1.txt"));
  EXPECT_FALSE(Exists(dir + "t2")) << "the second row never starts";
  for (const std::string& line : Lines(rig.controls.createdDirectoriesLog)) {
    EXPECT_EQ(line.find("s2"), std::string::npos) << line;
  }
  EXPECT_EQ(rig.controls.sourceBox.Text(), dir + "s1\\");
  ASSERT_EQ(rig.controls.runHistory.Count(), 2) << "the run still records its duration";
  EXPECT_TRUE(rig.controls.runHistory.ItemText(1).ends_with("（已停止）"))
      << rig.controls.runHistory.ItemText(1);
  EXPECT_EQ(rig.controls.statusLine.Text(), "信息：任务已停止，目标目录尚未同步完。");
}

TEST_F(TaskRunnerWin, HistoryIsTrimmedAfterTheRun) {
  for (int i = 0; i < 9; ++i) rig.controls.runHistory.Add("old " + std::to_string(i));
  rig.SetJob(src, dst);
  RunSyncTasks(rig.engine);
  ASSERT_EQ(rig.controls.runHistory.Count(), 9);
  EXPECT_EQ(rig.controls.runHistory.ItemText(0), "old 0");
  EXPECT_EQ(rig.controls.runHistory.ItemText(1), "old 2");
  EXPECT_EQ(rig.controls.runHistory.ItemText(8).rfind("消耗:", 0), 0u);
}

// A missing source or one that lists nothing never empties the target; the target root is made.
TEST_F(TaskRunnerWin, CleanUpNeedsASourceThatHoldsSomething) {
  WriteTextFile(dst + "\\precious.txt", "p");
  rig.SetJob(dir + "unplugged", dst, true);
  RunSyncTasks(rig.engine);
  EXPECT_TRUE(Exists(dst + "\\precious.txt"));

  MakeDirectoryPath(src);
  rig.SetJob(src, dst, true);
  RunSyncTasks(rig.engine);
  EXPECT_TRUE(Exists(dst + "\\precious.txt"));

  rig.SetJob(dir + "unplugged", dir + "new\\deep\\bak", true);
  RunSyncTasks(rig.engine);
  EXPECT_FALSE(Exists(dir + "new")) << "a missing source makes no target";
}

// After a run with clean-up, an independent walk finds the trees equal, dot directories aside.
TEST_F(TaskRunnerWin, CleanRunLeavesEqualTrees) {
  WriteTextFile(src + "\\a\\x.txt", "new x");
  WriteTextFile(src + "\\a\\b\\y.txt", std::string(70000, 'y'));
  WriteTextFile(src + "\\z.txt", "");
  WriteTextFile(src + "\\.git\\config", "skipped");
  WriteTextFile(src + "\\中文目录\\文件.txt", "中文");
  WriteTextFile(dst + "\\a\\x.txt", "old x, other size");
  WriteTextFile(dst + "\\gone\\deep\\g.txt", "g");
  WriteTextFile(dst + "\\stale.txt", "s");
  SetRawAttributes(dst + "\\stale.txt", FILE_ATTRIBUTE_READONLY);
  SetWriteTime(src + "\\a\\x.txt", kSomeTime + 3 * kOneMillisecond);
  rig.SetJob(src, dst, true);
  RunSyncTasks(rig.engine);
  EXPECT_EQ(CompareTrees(src, dst), std::vector<std::string>{});
  EXPECT_FALSE(Exists(dst + "\\.git"));
  EXPECT_EQ(rig.controls.removedDirectoriesLog.Count(), 2);  // gone\deep, then gone
  EXPECT_EQ(rig.controls.removedFilesLog.Count(), 2);
}

// Fixed: a scheduler tick inside a run used to start a second run within the first.
TEST_F(TaskRunnerWin, AStartDuringARunIsRefused) {
  WriteTextFile(src + "\\a.txt", "a");
  std::vector<bool> nested;
  rig.onEvents = [&] { nested.push_back(RunSyncTasks(rig.engine)); };
  rig.SetJob(src, dst);
  EXPECT_TRUE(RunSyncTasks(rig.engine));
  ASSERT_FALSE(nested.empty());
  for (bool started : nested) EXPECT_FALSE(started);
  EXPECT_EQ(rig.controls.runHistory.Count(), 2);
}

// A stop ends the walks, but the run still closes: history, controls, completion.
TEST_F(TaskRunnerWin, StoppedRunStillRestoresTheControls) {
  for (const char* f : {"a\\1.txt", "b\\2.txt", "c\\3.txt", "root.txt"}) WriteTextFile(src + "\\" + f, "x");
  rig.onEvents = [&] { rig.engine.RequestStop(); };
  rig.SetJob(src, dst);
  RunSyncTasks(rig.engine);
  EXPECT_TRUE(Exists(dst + "\\a\\1.txt"));
  EXPECT_FALSE(Exists(dst + "\\b"));
  EXPECT_FALSE(Exists(dst + "\\c"));
  EXPECT_FALSE(Exists(dst + "\\root.txt")) << "the root's files come after the stop";
  EXPECT_EQ(rig.controls.runHistory.Count(), 2);
  EXPECT_TRUE(rig.controls.startControl.Enabled());
  // It does not claim to be complete.
  EXPECT_EQ(rig.controls.statusLine.Text(), "信息：任务已停止，目标目录尚未同步完。");
  // The next run clears the flag and runs whole.
  rig.onEvents = nullptr;
  RunSyncTasks(rig.engine);
  EXPECT_TRUE(Exists(dst + "\\c\\3.txt"));
}

// The default timer is a real one-second timer of this thread: it ticks inside event processing.
TEST_F(TaskRunnerWin, SystemHooksTickTheSpeedDisplay) {
  SyncHooks hooks = SystemSyncHooks();
  int ticks = 0;
  hooks.startSpeedTimer([&] { ++ticks; });
  MSG msg;
  while (ticks == 0 && GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  hooks.stopSpeedTimer();
  EXPECT_EQ(ticks, 1);
}

}  // namespace
}  // namespace tarnvel::test
