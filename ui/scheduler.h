// The scheduler: starts a run of the task runner without the user, from three daily slots,
// the calendar entries of the schedule list and the interval, all read from the main
// window's controls at the moment of testing.
//
// How the main window drives it:
//
//   Scheduler scheduler(controls, [&] { return RunSyncTasks(engine); });
//   SchedulerTimers timers(window, scheduler);  // the window's two timers (scheduler_timers.h)
//   settings.LoadSettings();
//   scheduler.ApplyInterval();     // interval runs resume after a restart
//   ...
//   second timer       -> scheduler.OnSecondTick();
//   interval timer     -> scheduler.OnIntervalTick();
//   interval box edited-> scheduler.ApplyInterval();
//   service control    -> scheduler.ToggleService();
//   a run the window started itself has ended -> scheduler.RunFinished();
//
// Missed seconds: a window timer of 1000 ms does not land on every second (one tick at
// 08:04:59.990, the next at 08:05:01.002 skips 08:05:00). Each tick therefore tests every
// second since the previous tick, up to the last 60 seconds (kCatchUpSeconds): a machine that
// wakes from sleep, or a clock moved forward, does not fire a morning's slots at once. Every
// second is tested once, so a slot or entry fires at most once per due second. A clock set
// back starts afresh from the current second.
//
// Runs in progress: the run starter runs a whole run and returns when it is over, dispatching
// window messages meanwhile, so ticks arrive inside a run. A firing that the starter refuses
// because a run is in progress is queued: after the run, one more run starts, however many
// firings fell due meanwhile (queued once, not dropped, not repeated).
//
// Everything runs on the user-interface thread.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/values.h"

namespace tarnvel {

struct MainControls;
class EditBox;

// "080500" for 8:05:00: each number as two digits ("0" before a number below 10), joined
// without a separator. Numbers of 100 or more, and negative ones, give longer or odd groups
// that match no time of day.
std::string TimeKey(int hour, int minute, int second);

// The value a daily-slot box stands for: ToNumber of its text truncated toward zero (an
// empty or non-numeric text gives 0).
int SlotBoxValue(std::string_view text);

enum class SlotBoxKind { Hour, Minute, Second };

// The text a daily-slot box (or the schedule dialog's hour and minute boxes) shows after the
// user has edited it: one or two decimal digits (full-width digits counted as digits) of a
// value in the box's range (0..23 for hours, 0..59 otherwise) stay as
// typed; anything else ("1e1",
// "8;", "24", "") becomes "00". So the box always shows the time the slot fires at, and the
// stored text reads back as that time.
std::string CorrectedSlotText(std::string_view text, SlotBoxKind kind);
// Applies CorrectedSlotText to a box; returns whether its text changed.
bool CorrectSlotBox(EditBox& box, SlotBoxKind kind);

// Whether a calendar row (day-number, kind and time texts) is due in the given second: at
// second 0 of its hour and minute, on its day of the month (kind "1", 1..31) or on its
// weekday (kind "2", 1 = Monday .. 7 = Sunday). A row whose day lies outside its kind's range,
// of another kind, or whose time does not split into exactly two parts at ":" is never due.
bool CalendarEntryDue(std::string_view dayNumber, std::string_view kind, std::string_view time,
                      DateTime when);

// The interval timer's period in milliseconds for the interval box's text (minutes): 0, the
// timer stopped, for an empty text, 0 or a negative number, or 999 and more.
std::uint32_t IntervalPeriod(std::string_view text);

class Scheduler {
 public:
  // Runs a whole run and returns when it is over; false when it was refused because a run is
  // already in progress (then the scheduler queues one run for later).
  using StartRun = std::function<bool()>;
  // Sets a timer's period in milliseconds; 0 stops it.
  using SetTimerPeriod = std::function<void(std::uint32_t milliseconds)>;
  // The local time now; the runtime's Now (and so ScopedFakeClock) unless a test gives its own.
  using Clock = std::function<DateTime()>;

  static constexpr int kCatchUpSeconds = 60;
  static constexpr std::uint32_t kSecondPeriod = 1000;
  static constexpr char kRunningCaption[] = "关闭服务";
  static constexpr char kStoppedCaption[] = "启动服务";

  // The service starts running: the service control reads "关闭服务". The current second is
  // the first one the next tick tests.
  Scheduler(MainControls& controls, StartRun startRun, Clock clock = {});
  Scheduler(const Scheduler&) = delete;
  Scheduler& operator=(const Scheduler&) = delete;

  // Hands the scheduler the window's two timers and sets them to the current periods at once.
  void ConnectTimers(SetTimerPeriod secondTimer, SetTimerPeriod intervalTimer);

  // The second timer's routine: tests every second since the previous tick (at most the last
  // kCatchUpSeconds) against the ticked daily slots and, while the calendar switch is on, the
  // ticked rows of the schedule list, in that order, and starts a run for each firing. Does
  // nothing while the service is stopped.
  void OnSecondTick();
  // The interval timer's routine: a run while the calendar switch is on.
  void OnIntervalTick();
  // Sets the interval timer's period from the interval box (IntervalPeriod). Run it when the
  // user has edited the box and after the settings have filled it.
  void ApplyInterval();
  // The service control: stops or starts the second timer (the daily slots and the calendar
  // entries); the interval timer is not affected.
  void ToggleService();
  void StartService();
  void StopService();  // the portable start
  bool ServiceRunning() const { return serviceRunning_; }
  // Call when a run the scheduler did not start has ended: a queued firing starts now.
  void RunFinished();

  bool RunQueued() const { return queued_; }
  std::uint32_t SecondTimerPeriod() const { return serviceRunning_ ? kSecondPeriod : 0; }
  std::uint32_t IntervalTimerPeriod() const { return intervalPeriod_; }

 private:
  struct Due;
  long long CurrentSecond() const;
  Due ReadDue() const;
  static int FiringsIn(const Due& due, long long second);
  void Fire();
  void StartQueued();

  MainControls& controls_;
  StartRun startRun_;
  Clock clock_;
  SetTimerPeriod secondTimer_;
  SetTimerPeriod intervalTimer_;
  bool serviceRunning_ = false;
  std::uint32_t intervalPeriod_ = 0;
  std::optional<long long> lastTested_;  // the last second a tick has tested
  bool queued_ = false;
  bool startingQueued_ = false;
};

}  // namespace tarnvel
