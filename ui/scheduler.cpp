#include "ui/scheduler.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>
#include <vector>

#include "runtime/convert.h"
#include "runtime/datetime.h"
#include "runtime/text.h"
#include "sync/main_controls.h"
#include "ui/schedule_entry.h"

namespace tarnvel {
namespace {

constexpr long long kSecondsPerDay = 86400;

std::string TwoDigits(int value) { return value < 10 ? "0" + ToText(value) : ToText(value); }

// The box's text when it is one or two decimal digits (full-width digits folded); "" otherwise.
std::string SlotDigits(std::string_view text) {
  const std::string folded = FullWidthToHalfWidth(text);
  if (folded.empty() || folded.size() > 2) return {};
  for (char c : folded) {
    if (c < '0' || c > '9') return {};
  }
  return folded;
}

int SlotLimit(SlotBoxKind kind) { return kind == SlotBoxKind::Hour ? 24 : 60; }

// The second that has begun at a date-time: the clock's milliseconds rounded first, so that
// 08:05:00.000 held as a double a hair below it still reads as second 08:05:00.
long long WholeSecondOf(DateTime t) {
  const long long ms = std::llround(t.days * kSecondsPerDay * 1000.0);
  return ms / 1000 - (ms % 1000 < 0 ? 1 : 0);
}

CalendarFields FieldsOfSecond(long long second) {
  return FieldsOf(DateTime{static_cast<double>(second) / kSecondsPerDay});
}

// 1 = Monday .. 7 = Sunday from the runtime's 1 = Sunday .. 7 = Saturday.
int MondayFirstWeekday(const CalendarFields& f) { return f.weekday == 1 ? 7 : f.weekday - 1; }

}  // namespace

std::string TimeKey(int hour, int minute, int second) {
  return TwoDigits(hour) + TwoDigits(minute) + TwoDigits(second);
}

int SlotBoxValue(std::string_view text) { return ToInteger(ToNumber(text)); }

std::string CorrectedSlotText(std::string_view text, SlotBoxKind kind) {
  const std::string digits = SlotDigits(text);
  if (digits.empty() || ToInteger(digits) >= SlotLimit(kind)) return "00";
  return std::string(text);
}

bool CorrectSlotBox(EditBox& box, SlotBoxKind kind) {
  const std::string text = box.Text();
  const std::string corrected = CorrectedSlotText(text, kind);
  if (corrected == text) return false;
  box.SetText(corrected);
  return true;
}

namespace {

// A calendar row read once: the day it stands for (of the month or of the week), the hour and
// the minute. A row the dialog cannot make reads as none.
struct CalendarEntry {
  bool monthly = true;
  int day = 0;
  int hour = 0;
  int minute = 0;
};

std::optional<CalendarEntry> ReadCalendarEntry(std::string_view dayNumber, std::string_view kind,
                                               std::string_view time) {
  // The description names the day the row stands for; a row without one is never due.
  if (DescribeEntry(dayNumber, kind, time).empty()) return std::nullopt;
  const TextArray parts = SplitText(std::string(time), ":");
  if (parts.size() != 2) return std::nullopt;
  return CalendarEntry{kind == kMonthlyKind, ToInteger(dayNumber), ToInteger(parts[0]), ToInteger(parts[1])};
}

bool EntryDueAt(const CalendarEntry& entry, const CalendarFields& now) {
  if (now.second != 0 || now.hour != entry.hour || now.minute != entry.minute) return false;
  return entry.day == (entry.monthly ? now.day : MondayFirstWeekday(now));
}

}  // namespace

bool CalendarEntryDue(std::string_view dayNumber, std::string_view kind, std::string_view time,
                      DateTime when) {
  const std::optional<CalendarEntry> entry = ReadCalendarEntry(dayNumber, kind, time);
  return entry && EntryDueAt(*entry, FieldsOf(when));
}

std::uint32_t IntervalPeriod(std::string_view text) {
  const int minutes = ToInteger(text);
  if (text.empty() || minutes <= 0 || minutes >= 999) return 0;
  return static_cast<std::uint32_t>(minutes) * 60000u;
}

Scheduler::Scheduler(MainControls& controls, StartRun startRun, Clock clock)
    : controls_(controls), startRun_(std::move(startRun)), clock_(std::move(clock)) {
  if (!clock_) clock_ = [] { return Now(); };
  StartService();
}

void Scheduler::ConnectTimers(SetTimerPeriod secondTimer, SetTimerPeriod intervalTimer) {
  secondTimer_ = std::move(secondTimer);
  intervalTimer_ = std::move(intervalTimer);
  if (secondTimer_) secondTimer_(SecondTimerPeriod());
  if (intervalTimer_) intervalTimer_(intervalPeriod_);
}

long long Scheduler::CurrentSecond() const { return WholeSecondOf(clock_()); }

// What a tick tests, read from the controls once per tick.
struct Scheduler::Due {
  std::vector<std::string> slotKeys;   // of the ticked daily slots
  std::vector<CalendarEntry> entries;  // of the ticked rows, while the calendar switch is on
};

Scheduler::Due Scheduler::ReadDue() const {
  Due due;
  for (const DailySlot& slot : controls_.dailySlots) {
    if (!slot.enabled.Checked()) continue;
    due.slotKeys.push_back(TimeKey(SlotBoxValue(slot.hour.Text()), SlotBoxValue(slot.minute.Text()),
                                   SlotBoxValue(slot.second.Text())));
  }
  if (!controls_.calendarSwitch.Checked()) return due;
  const ListView& list = controls_.scheduleList;
  const int rows = list.Count();
  for (int row = 0; row < rows; ++row) {
    if (list.Check(row) == 0) continue;
    const std::optional<CalendarEntry> entry =
        ReadCalendarEntry(list.ItemText(row, kScheduleDayColumn), list.ItemText(row, kScheduleKindColumn),
                          list.ItemText(row, kScheduleTimeColumn));
    if (entry) due.entries.push_back(*entry);
  }
  return due;
}

int Scheduler::FiringsIn(const Due& due, long long second) {
  if (due.slotKeys.empty() && due.entries.empty()) return 0;
  const CalendarFields now = FieldsOfSecond(second);
  int firings = 0;
  if (!due.slotKeys.empty()) {
    const std::string nowKey = TimeKey(now.hour, now.minute, now.second);
    for (const std::string& key : due.slotKeys) firings += key == nowKey ? 1 : 0;
  }
  for (const CalendarEntry& entry : due.entries) firings += EntryDueAt(entry, now) ? 1 : 0;
  return firings;
}

void Scheduler::OnSecondTick() {
  if (!serviceRunning_) return;
  const long long now = CurrentSecond();
  if (!lastTested_ || *lastTested_ > now) lastTested_ = now - 1;  // first tick, or clock set back
  const long long first = std::max(*lastTested_ + 1, now - (kCatchUpSeconds - 1));
  // Every due second is counted before any run starts: a run dispatches window messages, so
  // the next tick arrives inside it and must find these seconds tested already.
  const Due due = ReadDue();
  int firings = 0;
  for (long long second = first; second <= now; ++second) firings += FiringsIn(due, second);
  lastTested_ = now;
  for (int i = 0; i < firings; ++i) Fire();
}

void Scheduler::OnIntervalTick() {
  if (controls_.calendarSwitch.Checked()) Fire();
}

void Scheduler::ApplyInterval() {
  intervalPeriod_ = IntervalPeriod(controls_.intervalBox.Text());
  if (intervalTimer_) intervalTimer_(intervalPeriod_);
}

void Scheduler::ToggleService() {
  if (serviceRunning_) {
    StopService();
  } else {
    StartService();
  }
}

void Scheduler::StartService() {
  const long long now = CurrentSecond();
  // Seconds while the service was stopped are not made up; a second tested already (stopped
  // and started within it) is not tested again.
  if (!lastTested_ || *lastTested_ < now - 1 || *lastTested_ > now) lastTested_ = now - 1;
  serviceRunning_ = true;
  controls_.serviceControl.SetText(kRunningCaption);
  if (secondTimer_) secondTimer_(kSecondPeriod);
}

void Scheduler::StopService() {
  serviceRunning_ = false;
  controls_.serviceControl.SetText(kStoppedCaption);
  if (secondTimer_) secondTimer_(0);
}

void Scheduler::Fire() {
  if (!startRun_ || !startRun_()) {
    queued_ = true;
    return;
  }
  StartQueued();
}

void Scheduler::RunFinished() { StartQueued(); }

void Scheduler::StartQueued() {
  // Only the outermost caller starts the queued run; a nested one (inside that very run)
  // leaves it queued for the outer loop.
  if (startingQueued_) return;
  startingQueued_ = true;
  while (queued_) {
    queued_ = false;
    if (!startRun_ || !startRun_()) {
      queued_ = true;
      break;
    }
  }
  startingQueued_ = false;
}

}  // namespace tarnvel
