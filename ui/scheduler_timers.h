// The scheduler's two timers as timers of a window (Windows build): the second timer calls
// OnSecondTick, the interval timer OnIntervalTick, with the periods the scheduler sets.
#pragma once

#include <cstdint>

#include "runtime/window.h"
#include "ui/scheduler.h"

namespace tarnvel {

class SchedulerTimers {
 public:
  // Connects the scheduler to timers of the window, which must have been created; the
  // timers start at once with the scheduler's current periods.
  SchedulerTimers(Window& window, Scheduler& scheduler);
  SchedulerTimers(const SchedulerTimers&) = delete;
  SchedulerTimers& operator=(const SchedulerTimers&) = delete;

  bool SecondTimerRunning() const { return second_.Running(); }
  bool IntervalTimerRunning() const { return interval_.Running(); }

 private:
  void Set(WindowTimer& timer, std::uint32_t milliseconds, void (Scheduler::*onTick)());

  Window& window_;
  Scheduler& scheduler_;
  WindowTimer second_;
  WindowTimer interval_;
};

}  // namespace tarnvel
