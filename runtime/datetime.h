// Date-times: days since 1899-12-30 00:00:00 as one continuous double (the fraction is the
// time of day). Calendar fields are read from the value rounded to the whole second, so every
// field operation, ToText and ToDateTime agree to the second. Years 100..9999, proleptic
// Gregorian; a value outside that range (or NaN) reads as the nearest end of it.
#pragma once

#include <cstdint>

#include "runtime/values.h"

namespace tarnvel {

inline constexpr double kMaxDateTime = 2958465.0 + 86399.0 / 86400.0;  // 9999-12-31 23:59:59

// The date-time of those fields, or the empty date when any is outside the calendar (year
// 100..9999, month 1..12, day 1..month length, hour 0..23, minute and second 0..59).
DateTime MakeDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
bool IsValidDateTime(int year, int month, int day, int hour, int minute, int second);

// The calendar fields of a date-time, read once (rounded to the whole second).
struct CalendarFields {
  int year = 100, month = 1, day = 1, hour = 0, minute = 0, second = 0;
  int weekday = 6;  // 1 = Sunday .. 7 = Saturday
};
CalendarFields FieldsOf(DateTime t);

int YearOf(DateTime t);
int MonthOf(DateTime t);  // 1..12
int DayOf(DateTime t);    // 1..31
int HourOf(DateTime t);
int MinuteOf(DateTime t);
int SecondOf(DateTime t);
int WeekdayOf(DateTime t);  // 1 = Sunday .. 7 = Saturday

// 28..31; 0 for a year outside 100..9999 or a month outside 1..12.
int DaysInMonth(int year, int month);

// t1 - t2 in the unit: 1 years, 2 quarters, 3 months, 4 weeks, 5 days (with fraction), 6 hours,
// 7 minutes, 8 seconds (units beyond the range count as the nearest end). Hours, minutes and
// seconds are rounded half a second away from zero, then truncated.
double TimeInterval(DateTime t1, DateTime t2, int unit);

// The local date and time to the whole second (or the fake clock's time).
DateTime Now();
// Milliseconds since the system started; wraps around after 49.7 days.
std::uint32_t TickCount();

// Fixes Now() and TickCount() for the whole process while it lives, so that logic that depends
// on the clock (a schedule due at 08:05:00, a speed over elapsed ticks) is tested without
// waiting. Scopes nest; the innermost one rules. Safe to read from any thread.
namespace detail {
// The operating system's clock, in datetime_win.cpp or datetime_posix.cpp.
DateTime SystemNow();
std::uint32_t SystemTickCount();
}  // namespace detail

class ScopedFakeClock {
 public:
  explicit ScopedFakeClock(DateTime now, std::uint32_t tick = 0);
  ~ScopedFakeClock();
  ScopedFakeClock(const ScopedFakeClock&) = delete;
  ScopedFakeClock& operator=(const ScopedFakeClock&) = delete;

  // Moves both the date-time and the tick count on by that many milliseconds.
  void Advance(std::int64_t milliseconds);
  void Set(DateTime now);
  void SetTick(std::uint32_t tick);

  struct State;  // opaque; defined beside the clock

 private:
  State* previous_;
  State* state_;
};

}  // namespace tarnvel
