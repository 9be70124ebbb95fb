#include "ui/scheduler_timers.h"

namespace tarnvel {

SchedulerTimers::SchedulerTimers(Window& window, Scheduler& scheduler)
    : window_(window), scheduler_(scheduler) {
  scheduler_.ConnectTimers([this](std::uint32_t ms) { Set(second_, ms, &Scheduler::OnSecondTick); },
                           [this](std::uint32_t ms) { Set(interval_, ms, &Scheduler::OnIntervalTick); });
}

void SchedulerTimers::Set(WindowTimer& timer, std::uint32_t milliseconds, void (Scheduler::*onTick)()) {
  if (milliseconds == 0) {
    timer.Stop();
    return;
  }
  Scheduler* scheduler = &scheduler_;
  timer.Start(window_, milliseconds, [scheduler, onTick] { (scheduler->*onTick)(); });
}

}  // namespace tarnvel
