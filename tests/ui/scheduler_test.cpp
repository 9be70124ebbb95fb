#include "ui/scheduler.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "runtime/datetime.h"
#include "sync/main_controls.h"
#include "tests/ui/settings_memory.h"
#include "ui/schedule_entry.h"
#include "ui/settings_store.h"

namespace tarnvel {
namespace {

DateTime At(int year, int month, int day, int hour, int minute, int second, int ms = 0) {
  return DateTime{MakeDateTime(year, month, day, hour, minute, second).days + ms / 86400000.0};
}

// 2024-04-01 is a Monday; April has 30 days.
DateTime April(int day, int hour, int minute, int second, int ms = 0) {
  return At(2024, 4, day, hour, minute, second, ms);
}

void SetSlot(MainControls& controls, int k, const char* hour, const char* minute, const char* second,
             bool on = true) {
  DailySlot& slot = controls.dailySlots[k];
  slot.enabled.SetChecked(on);
  slot.hour.SetText(hour);
  slot.minute.SetText(minute);
  slot.second.SetText(second);
}

// A scheduler on the fake clock whose run starter counts runs and remembers when each began.
// While `inRun` is set (a run the test pretends is in progress) the starter refuses, as the
// task runner does; `duringRun` is called inside every run the scheduler starts.
struct Rig {
  explicit Rig(DateTime start) : clock(start), scheduler(controls, [this] { return Start(); }) {
    scheduler.ConnectTimers([this](std::uint32_t ms) { secondPeriods.push_back(ms); },
                            [this](std::uint32_t ms) { intervalPeriods.push_back(ms); });
  }

  bool Start() {
    if (inRun) return false;
    inRun = true;
    runStarts.push_back(FieldsOf(Now()));
    if (duringRun) duringRun();
    inRun = false;
    return true;
  }

  int Runs() const { return static_cast<int>(runStarts.size()); }

  // Ticks every `step` seconds for `seconds` seconds after the start, the first tick `step` on.
  void TickFor(int seconds, int step = 1) {
    for (int done = 0; done < seconds; done += step) {
      clock.Advance(static_cast<std::int64_t>(step) * 1000);
      scheduler.OnSecondTick();
    }
  }

  ScopedFakeClock clock;
  MainControls controls;
  Scheduler scheduler;
  bool inRun = false;
  std::function<void()> duringRun;
  std::vector<CalendarFields> runStarts;
  std::vector<std::uint32_t> secondPeriods;
  std::vector<std::uint32_t> intervalPeriods;
};

TEST(TimeKey, TwoDigitGroupsJoined) {
  EXPECT_EQ(TimeKey(8, 5, 0), "080500");
  EXPECT_EQ(TimeKey(0, 0, 0), "000000");
  EXPECT_EQ(TimeKey(23, 59, 59), "235959");
  EXPECT_EQ(TimeKey(10, 0, 9), "100009");
}

TEST(DailySlot, FiresInItsSecondOnly) {
  Rig rig(April(2, 8, 4, 58));
  SetSlot(rig.controls, 0, "8", "5", "0");
  rig.TickFor(1);  // 08:04:59
  EXPECT_EQ(rig.Runs(), 0);
  rig.TickFor(1);  // 08:05:00
  ASSERT_EQ(rig.Runs(), 1);
  EXPECT_EQ(rig.runStarts[0].minute, 5);
  EXPECT_EQ(rig.runStarts[0].second, 0);
  rig.TickFor(5);  // 08:05:01 ..
  EXPECT_EQ(rig.Runs(), 1);

  // A scheduler that starts at 08:05:01 has not seen 08:05:00.
  Rig late(April(2, 8, 5, 1));
  SetSlot(late.controls, 0, "8", "5", "0");
  late.scheduler.OnSecondTick();
  late.TickFor(3);
  EXPECT_EQ(late.Runs(), 0);
}

TEST(DailySlot, PaddedBoxesAndTwoSlotsOfOneSecond) {
  Rig rig(April(2, 8, 4, 59));
  SetSlot(rig.controls, 0, "08", "05", "00");
  SetSlot(rig.controls, 2, "8", "5", "0");
  SetSlot(rig.controls, 1, "8", "5", "0", false);  // unticked: takes no part
  rig.TickFor(2);
  EXPECT_EQ(rig.Runs(), 2);  // both ticked slots run, one after the other
}

TEST(DailySlot, EmptyBoxesFireAtMidnight) {
  Rig rig(April(2, 23, 59, 58));
  SetSlot(rig.controls, 1, "", "", "");
  rig.TickFor(1);
  EXPECT_EQ(rig.Runs(), 0);
  rig.TickFor(1);  // 00:00:00 of April 3
  ASSERT_EQ(rig.Runs(), 1);
  EXPECT_EQ(rig.runStarts[0].day, 3);
  EXPECT_EQ(rig.runStarts[0].hour, 0);
}

// The fault this guards against: a 1000 ms timer that arrives at 08:04:59.990 and then at
// 08:05:01.002 never saw 08:05:00, and the day's backup silently did not happen.
TEST(DailySlot, TimerJitterDoesNotSkipTheSecond) {
  Rig rig(April(2, 8, 4, 59, 0));
  SetSlot(rig.controls, 0, "8", "5", "0");
  rig.clock.Advance(990);  // 08:04:59.990: not yet the slot's second
  rig.scheduler.OnSecondTick();
  EXPECT_EQ(rig.Runs(), 0);
  rig.clock.Advance(1012);  // 08:05:01.002
  rig.scheduler.OnSecondTick();
  EXPECT_EQ(rig.Runs(), 1);
  rig.clock.Advance(998);  // 08:05:02.000
  rig.scheduler.OnSecondTick();
  rig.clock.Advance(3);
  rig.scheduler.OnSecondTick();  // two ticks within one second
  EXPECT_EQ(rig.Runs(), 1);
}

TEST(DailySlot, AJumpFiresNothingOlderThanAMinute) {
  // A 10-minute gap (sleep, a busy machine) ending at 08:15:00: the slot 59 s back is made
  // up, those 60 s and 10 minutes back are not.
  struct Case {
    const char* minute;
    const char* second;
    int runs;
  };
  for (const Case& c : {Case{"14", "1", 1}, Case{"14", "0", 0}, Case{"5", "0", 0}, Case{"15", "0", 1}}) {
    Rig rig(April(2, 8, 4, 59));
    SetSlot(rig.controls, 0, "8", c.minute, c.second);
    rig.scheduler.OnSecondTick();
    rig.clock.Set(April(2, 8, 15, 0));
    rig.scheduler.OnSecondTick();
    EXPECT_EQ(rig.Runs(), c.runs) << "slot 08:" << c.minute << ":" << c.second;
  }
}

TEST(DailySlot, AClockSetBackStartsAfresh) {
  Rig rig(April(2, 9, 0, 0));
  SetSlot(rig.controls, 0, "8", "0", "1");
  rig.TickFor(2);
  rig.clock.Set(April(2, 8, 0, 0));
  rig.scheduler.OnSecondTick();
  EXPECT_EQ(rig.Runs(), 0);
  rig.TickFor(1);  // 08:00:01 comes round again and is tested
  EXPECT_EQ(rig.Runs(), 1);
}

// Every second of a span is tested when ticks come once a minute (the catch-up covers them).
int CalendarRunsOver(DateTime start, int seconds, const char* day, const char* kind, const char* time,
                     std::vector<CalendarFields>* starts = nullptr) {
  Rig rig(start);
  rig.controls.calendarSwitch.SetChecked(true);
  AppendScheduleRow(rig.controls.scheduleList, day, kind, time, true);
  rig.scheduler.OnSecondTick();
  rig.TickFor(seconds, Scheduler::kCatchUpSeconds);
  if (starts) *starts = rig.runStarts;
  return rig.Runs();
}

TEST(CalendarEntry, MonthlyDayThirtyOneSkipsAThirtyDayMonth) {
  constexpr int kDay = 86400;
  // The last day of April and the first of May, every second.
  EXPECT_EQ(CalendarRunsOver(April(30, 0, 0, 0), 2 * kDay, "31", "1", "0:00"), 0);
  EXPECT_EQ(CalendarRunsOver(April(30, 0, 0, 0), 2 * kDay, "31", "1", "12:00"), 0);
  std::vector<CalendarFields> starts;
  EXPECT_EQ(CalendarRunsOver(April(29, 23, 0, 0), 2 * kDay, "30", "1", "0:00", &starts), 1);
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].day, 30);
  EXPECT_EQ(CalendarRunsOver(At(2024, 3, 31, 0, 0, 0), kDay, "31", "1", "8:30", &starts), 1);
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].hour, 8);
  EXPECT_EQ(starts[0].minute, 30);  // the tick at most a minute after 08:30:00
}

TEST(CalendarEntry, WeeklyMondayIsOneSundayIsSeven) {
  constexpr int kWeek = 7 * 86400;
  std::vector<CalendarFields> starts;
  ASSERT_EQ(CalendarRunsOver(April(1, 0, 0, 0), kWeek, "1", "2", "8:30", &starts), 1);
  EXPECT_EQ(starts[0].day, 1);  // Monday, 1 April
  ASSERT_EQ(CalendarRunsOver(April(1, 0, 0, 0), kWeek, "7", "2", "00:00", &starts), 1);
  EXPECT_EQ(starts[0].day, 7);  // Sunday, 7 April
  EXPECT_EQ(starts[0].hour, 0);
}

TEST(CalendarEntry, DueAtSecondZeroOfItsMinute) {
  EXPECT_TRUE(CalendarEntryDue("2", "1", "8:30", April(2, 8, 30, 0)));
  EXPECT_FALSE(CalendarEntryDue("2", "1", "8:30", April(2, 8, 30, 1)));
  EXPECT_FALSE(CalendarEntryDue("2", "1", "8:30", April(2, 8, 31, 0)));
  EXPECT_TRUE(CalendarEntryDue("2", "1", "00:00", April(2, 0, 0, 0)));
  EXPECT_TRUE(CalendarEntryDue("2", "2", "08:05", April(2, 8, 5, 0)));  // Tuesday
  EXPECT_FALSE(CalendarEntryDue("3", "2", "08:05", April(2, 8, 5, 0)));
  // Rows the dialog cannot make are never due.
  EXPECT_FALSE(CalendarEntryDue("2", "1", "830", April(2, 8, 30, 0)));
  EXPECT_FALSE(CalendarEntryDue("2", "1", "8:30:00", April(2, 8, 30, 0)));
  EXPECT_FALSE(CalendarEntryDue("2", "3", "8:30", April(2, 8, 30, 0)));
  EXPECT_FALSE(CalendarEntryDue("9", "2", "8:30", April(2, 8, 30, 0)));
  EXPECT_FALSE(CalendarEntryDue("0", "1", "0:00", April(2, 0, 0, 0)));
}

TEST(CalendarEntry, UntickedRowsAndTheSwitchOffFireNothing) {
  Rig rig(April(2, 8, 29, 59));
  SetSlot(rig.controls, 0, "8", "30", "0");
  AppendScheduleRow(rig.controls.scheduleList, "2", "1", "8:30", true);
  AppendScheduleRow(rig.controls.scheduleList, "2", "2", "8:30", false);
  rig.controls.intervalBox.SetText("5");
  rig.scheduler.ApplyInterval();
  rig.TickFor(2);
  EXPECT_EQ(rig.Runs(), 1);  // the daily slot only: the calendar switch is off
  rig.scheduler.OnIntervalTick();
  EXPECT_EQ(rig.Runs(), 1);  // the switch gates the interval runs too

  rig.controls.calendarSwitch.SetChecked(true);
  rig.clock.Set(April(2, 8, 29, 59));
  rig.scheduler.OnSecondTick();  // clock set back: starts afresh
  rig.TickFor(2);
  EXPECT_EQ(rig.Runs(), 3);  // the slot and the ticked monthly row
  rig.scheduler.OnIntervalTick();
  EXPECT_EQ(rig.Runs(), 4);
}

TEST(Service, StopsSlotsAndCalendarButNotTheInterval) {
  Rig rig(April(2, 8, 29, 50));
  EXPECT_EQ(rig.controls.serviceControl.Text(), "关闭服务");
  EXPECT_EQ(rig.secondPeriods, std::vector<std::uint32_t>{1000});
  SetSlot(rig.controls, 0, "8", "30", "0");
  rig.controls.calendarSwitch.SetChecked(true);
  AppendScheduleRow(rig.controls.scheduleList, "2", "1", "8:30", true);

  rig.scheduler.ToggleService();
  EXPECT_FALSE(rig.scheduler.ServiceRunning());
  EXPECT_EQ(rig.controls.serviceControl.Text(), "启动服务");
  EXPECT_EQ(rig.secondPeriods.back(), 0u);
  rig.TickFor(20);  // a late tick still queued by the system does nothing
  EXPECT_EQ(rig.Runs(), 0);
  rig.scheduler.OnIntervalTick();
  EXPECT_EQ(rig.Runs(), 1);

  // Started again after the due second: it is not made up.
  rig.scheduler.ToggleService();
  EXPECT_EQ(rig.controls.serviceControl.Text(), "关闭服务");
  EXPECT_EQ(rig.secondPeriods.back(), 1000u);
  rig.TickFor(5);
  EXPECT_EQ(rig.Runs(), 1);
}

TEST(Service, StoppedAndStartedWithinASecondTestsItOnce) {
  Rig rig(April(2, 8, 29, 59));
  SetSlot(rig.controls, 0, "8", "30", "0");
  rig.TickFor(1);
  EXPECT_EQ(rig.Runs(), 1);
  rig.scheduler.StopService();
  rig.scheduler.StartService();
  rig.scheduler.OnSecondTick();
  EXPECT_EQ(rig.Runs(), 1);
}

TEST(RunInProgress, ASlotDueDuringARunStartsOnceAfterIt) {
  Rig rig(April(2, 8, 29, 59));
  SetSlot(rig.controls, 0, "8", "30", "0");
  SetSlot(rig.controls, 1, "8", "30", "2");
  SetSlot(rig.controls, 2, "8", "30", "4");
  rig.controls.calendarSwitch.SetChecked(true);
  int nestedRuns = 0;
  rig.duringRun = [&] {
    if (nestedRuns++ > 0) return;
    // The first run lasts 10 seconds; the window's timers keep ticking inside it.
    for (int i = 0; i < 10; ++i) {
      rig.clock.Advance(1000);
      rig.scheduler.OnSecondTick();
      if (i == 6) rig.scheduler.OnIntervalTick();
    }
    EXPECT_TRUE(rig.scheduler.RunQueued());
  };
  rig.TickFor(1);
  ASSERT_EQ(rig.Runs(), 2);  // the slot's run, then one for everything due meanwhile
  EXPECT_EQ(rig.runStarts[0].second, 0);
  EXPECT_EQ(rig.runStarts[1].second, 10);  // right after the first run
  EXPECT_FALSE(rig.scheduler.RunQueued());
  rig.TickFor(60);
  EXPECT_EQ(rig.Runs(), 2);  // nothing fires twice
}

TEST(RunInProgress, QueuedDuringTheWindowsOwnRun) {
  Rig rig(April(2, 8, 29, 59));
  SetSlot(rig.controls, 0, "8", "30", "0");
  rig.inRun = true;  // a run started from the start control
  rig.TickFor(3);
  EXPECT_EQ(rig.Runs(), 0);
  EXPECT_TRUE(rig.scheduler.RunQueued());
  rig.inRun = false;
  rig.scheduler.RunFinished();
  EXPECT_EQ(rig.Runs(), 1);
  rig.scheduler.RunFinished();
  EXPECT_EQ(rig.Runs(), 1);
}

TEST(Interval, PeriodFromTheBox) {
  EXPECT_EQ(IntervalPeriod("5"), 300000u);
  EXPECT_EQ(IntervalPeriod("1"), 60000u);
  EXPECT_EQ(IntervalPeriod("998"), 998u * 60000u);
  EXPECT_EQ(IntervalPeriod("999"), 0u);
  EXPECT_EQ(IntervalPeriod(""), 0u);
  EXPECT_EQ(IntervalPeriod("0"), 0u);
  EXPECT_EQ(IntervalPeriod("-5"), 0u);  // never a negative (or continuous) period
  EXPECT_EQ(IntervalPeriod("abc"), 0u);
  EXPECT_EQ(IntervalPeriod("2147483647"), 0u);
}

TEST(Interval, ResumesFromTheStoredSettingsAtStartUp) {
  Rig rig(April(2, 8, 0, 0));
  EXPECT_EQ(rig.intervalPeriods, std::vector<std::uint32_t>{0});  // stopped until applied
  test::MemorySettings backend;
  backend.values[ProductValue("E1")] = "5";
  backend.values[ProductValue("D")] = "1";
  SettingsStore store(rig.controls, backend);
  store.LoadSettings();
  rig.scheduler.ApplyInterval();
  EXPECT_EQ(rig.intervalPeriods.back(), 300000u);
  EXPECT_EQ(rig.scheduler.IntervalTimerPeriod(), 300000u);
  rig.scheduler.OnIntervalTick();
  EXPECT_EQ(rig.Runs(), 1);

  rig.controls.intervalBox.SetText("-5");
  rig.scheduler.ApplyInterval();
  EXPECT_EQ(rig.intervalPeriods.back(), 0u);
}

TEST(SlotBoxes, Corrections) {
  struct Case {
    const char* text;
    SlotBoxKind kind;
    const char* shown;
  };
  const Case cases[] = {
      {"24", SlotBoxKind::Hour, "00"},
      {"23", SlotBoxKind::Hour, "23"},
      {"", SlotBoxKind::Hour, "00"},
      {"8", SlotBoxKind::Hour, "8"},
      {"08", SlotBoxKind::Hour, "08"},
      {"60", SlotBoxKind::Minute, "00"},
      {"59", SlotBoxKind::Minute, "59"},
      {"60", SlotBoxKind::Second, "00"},
      {"0", SlotBoxKind::Second, "0"},
      {"24", SlotBoxKind::Minute, "24"},
      // Texts the slot would read as another time than the one shown.
      {"abc", SlotBoxKind::Hour, "00"},
      {"-1", SlotBoxKind::Minute, "00"},
      {"1e2", SlotBoxKind::Second, "00"},
      {"２３", SlotBoxKind::Hour, "２３"},
      // Pasted texts that are no plain number: read as some other time, or none.
      {"1e1", SlotBoxKind::Hour, "00"},
      {"24e-1", SlotBoxKind::Hour, "00"},
      {"8;", SlotBoxKind::Hour, "00"},
      {"8|", SlotBoxKind::Minute, "00"},
      {"3T:", SlotBoxKind::Minute, "00"},
      {"8.0", SlotBoxKind::Second, "00"},
      {"+8", SlotBoxKind::Hour, "00"},
      {"007", SlotBoxKind::Minute, "00"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CorrectedSlotText(c.text, c.kind), c.shown) << '"' << c.text << '"';
  }
  MainControls controls;
  controls.dailySlots[0].hour.SetText("30");
  EXPECT_TRUE(CorrectSlotBox(controls.dailySlots[0].hour, SlotBoxKind::Hour));
  EXPECT_EQ(controls.dailySlots[0].hour.Text(), "00");
  EXPECT_FALSE(CorrectSlotBox(controls.dailySlots[0].hour, SlotBoxKind::Hour));
}

}  // namespace
}  // namespace tarnvel
