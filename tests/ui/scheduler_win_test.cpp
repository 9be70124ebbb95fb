#include <windows.h>

#include <gtest/gtest.h>

#include "runtime/datetime.h"
#include "sync/main_controls.h"
#include "ui/scheduler_timers.h"

namespace tarnvel {
namespace {

class HiddenWindow : public Window {
 protected:
  WindowLayout Layout() const override {
    WindowLayout layout;
    layout.title = "scheduler timers";
    layout.visible = false;
    return layout;
  }
};

// The window's real timer drives the scheduler: the slot's second is tested on the first tick
// and its run starts inside the window's message loop.
TEST(SchedulerTimers, TheWindowsSecondTimerFiresTheSlot) {
  HiddenWindow window;
  ASSERT_TRUE(LoadWindow(window));
  ScopedFakeClock clock(MakeDateTime(2024, 4, 2, 8, 5, 0));
  MainControls controls;
  controls.dailySlots[0].enabled.SetChecked(true);
  controls.dailySlots[0].hour.SetText("8");
  controls.dailySlots[0].minute.SetText("5");
  controls.dailySlots[0].second.SetText("0");
  int runs = 0;
  Scheduler scheduler(controls, [&] {
    ++runs;
    PostQuitMessage(0);
    return true;
  });
  SchedulerTimers timers(window, scheduler);
  EXPECT_TRUE(timers.SecondTimerRunning());
  EXPECT_FALSE(timers.IntervalTimerRunning());
  EXPECT_EQ(RunMessageLoop(), 0);
  EXPECT_EQ(runs, 1);

  controls.intervalBox.SetText("5");
  scheduler.ApplyInterval();
  EXPECT_TRUE(timers.IntervalTimerRunning());
  scheduler.ToggleService();
  EXPECT_FALSE(timers.SecondTimerRunning());
  EXPECT_TRUE(timers.IntervalTimerRunning());  // the service leaves the interval alone
  controls.intervalBox.SetText("0");
  scheduler.ApplyInterval();
  EXPECT_FALSE(timers.IntervalTimerRunning());
  scheduler.ToggleService();
  EXPECT_TRUE(timers.SecondTimerRunning());
  DestroyWindow(window);
  ProcessEvents();
}

}  // namespace
}  // namespace tarnvel
