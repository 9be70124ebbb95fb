// The run's progress figures, speed and history texts, on windowless controls.
#include "sync/progress_display.h"

#include <gtest/gtest.h>

#include "runtime/datetime.h"
#include "sync/main_controls.h"
#include "sync/sync_engine.h"
#include "sync/task_runner.h"

namespace tarnvel {
namespace {

TEST(ProgressDisplay, CopyProgressFigures) {
  MainControls c;
  SyncEngine engine(c);
  int pumps = 0;
  engine.Hooks().eventInterval = 0;
  engine.Hooks().processEvents = [&] { ++pumps; };

  EXPECT_EQ(OnCopyProgress(engine, 0, 0), 0);  // an empty file
  EXPECT_EQ(c.fileProgress.Position(), 0);
  EXPECT_EQ(c.filePercentage.Text(), "0%");
  EXPECT_EQ(c.transferFigures.Text(), "0KB /0 KB");

  OnCopyProgress(engine, 1500, 1500);  // divisor 1000, truncated
  EXPECT_EQ(c.transferFigures.Text(), "1KB /1 KB");
  EXPECT_EQ(c.filePercentage.Text(), "100%");

  OnCopyProgress(engine, 3, 2);  // 66.6...% truncated
  EXPECT_EQ(c.fileProgress.Position(), 66);
  EXPECT_EQ(c.filePercentage.Text(), "66%");
  EXPECT_EQ(engine.Totals().currentFileSize, 3);
  EXPECT_EQ(engine.Totals().currentBytesDone, 2);

  const std::int64_t fiveGb = std::int64_t{5} << 30;
  OnCopyProgress(engine, fiveGb, fiveGb / 2);
  EXPECT_EQ(c.filePercentage.Text(), "50%");
  EXPECT_EQ(c.transferFigures.Text(), "2684354KB /5368709 KB");
  EXPECT_EQ(engine.Totals().currentBytesDone, fiveGb / 2);
  EXPECT_EQ(pumps, 4);
}

TEST(ProgressDisplay, SpeedTexts) {
  EXPECT_EQ(SpeedText(61440), "72 k/s");
  EXPECT_EQ(SpeedText(32000), "37.5 k/s");
  EXPECT_EQ(SpeedText(10240), "12 k/s");
  EXPECT_EQ(SpeedText(1000), "1.2 k/s");
}

TEST(ProgressDisplay, SpeedTickUsesTheLastSecondOfTheFileInProgress) {
  ScopedFakeClock clock(DateTime{40000.0}, 5000);
  MainControls c;
  SyncEngine engine(c);
  engine.Totals().startTick = 5000;
  c.speed.SetText("before");

  clock.Advance(1000);
  engine.Totals().currentBytesDone = 4096;
  OnSpeedTick(engine);  // the first tick: nothing to compare with
  EXPECT_EQ(c.speed.Text(), "before");
  EXPECT_EQ(c.elapsedTime.Text(), "00:00:01");

  clock.Advance(1000);
  engine.Totals().currentBytesDone = 4096 + 61440;
  OnSpeedTick(engine);
  EXPECT_EQ(c.speed.Text(), "72 k/s");

  clock.Advance(1000);
  engine.Totals().currentBytesDone = 100;  // a new file started: left as it was
  OnSpeedTick(engine);
  EXPECT_EQ(c.speed.Text(), "72 k/s");

  clock.Advance(72000);
  OnSpeedTick(engine);  // no progress during the second
  EXPECT_EQ(c.speed.Text(), "72 k/s");
  EXPECT_EQ(c.elapsedTime.Text(), "00:01:15");
}

TEST(ProgressDisplay, CountersAndLogs) {
  ListBox log;
  EXPECT_EQ(CounterText(kFileCounterPrefix, log), "已同步文件:0个");
  AppendToLog(log, "a");
  AppendToLog(log, "b");
  EXPECT_EQ(log.Selection(), 1);
  EXPECT_EQ(CounterText(kRemovedFilesPrefix, log), "清除多余文件:2个");
}

TEST(RunHistory, TrimsTwoLinesFromTenOn) {
  ListBox history;
  for (int i = 0; i < 9; ++i) history.Add("L" + std::to_string(i));
  TrimRunHistory(history);
  EXPECT_EQ(history.Count(), 9);
  history.Add("L9");
  TrimRunHistory(history);
  // Position 1 goes, then position 2 of what is left (the former position 3).
  ASSERT_EQ(history.Count(), 8);
  EXPECT_EQ(history.ItemText(0), "L0");
  EXPECT_EQ(history.ItemText(1), "L2");
  EXPECT_EQ(history.ItemText(2), "L4");
}

TEST(RunHistory, DurationLineAndPortableMode) {
  EXPECT_EQ(DurationLine(75999), "消耗:00:01:15");
  EXPECT_EQ(DurationLine(0), "消耗:00:00:00");
  EXPECT_TRUE(PortableForcesSingleMode("1"));
  EXPECT_FALSE(PortableForcesSingleMode("1 ;remark"));
  EXPECT_FALSE(PortableForcesSingleMode(""));
  EXPECT_FALSE(PortableForcesSingleMode("0"));
  // The boxes alone whatever the list holds; otherwise rows win unless "EC" is exactly "1",
  // and the file is read only when there are rows.
  int reads = 0;
  auto ec = [&reads](std::string value) {
    return [&reads, value] {
      ++reads;
      return value;
    };
  };
  EXPECT_TRUE(RunsBoxesJob(RunJobsFrom::kBoxesOnly, 3, ec("0")));
  EXPECT_TRUE(RunsBoxesJob(RunJobsFrom::kBoxesOrTickedRows, 0, ec("0")));
  EXPECT_EQ(reads, 0);
  EXPECT_TRUE(RunsBoxesJob(RunJobsFrom::kBoxesOrTickedRows, 3, ec("1")));
  EXPECT_FALSE(RunsBoxesJob(RunJobsFrom::kBoxesOrTickedRows, 3, ec("")));
  EXPECT_EQ(reads, 2);
}

TEST(RunGuard, ASecondRunIsRefusedWhileOneIsInProgress) {
  MainControls c;
  SyncEngine engine(c);
  {
    RunGuard first(engine);
    EXPECT_TRUE(first.Acquired());
    RunGuard second(engine);
    EXPECT_FALSE(second.Acquired());
    EXPECT_TRUE(engine.Running());
  }
  EXPECT_FALSE(engine.Running());
  RunGuard again(engine);
  EXPECT_TRUE(again.Acquired());
}

}  // namespace
}  // namespace tarnvel
