#include "runtime/datetime.h"

#include <algorithm>
#include <cmath>
#include <mutex>

namespace tarnvel {
namespace {

constexpr long long kSecondsPerDay = 86400;
constexpr long long kUnixEpochSerial = 25569;  // 1970-01-01 as days since 1899-12-30

long long FloorDiv(long long a, long long b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// Days since 1899-12-30 of a proleptic Gregorian date (H. Hinnant's days_from_civil).
long long SerialOfDate(int year, int month, int day) {
  const long long y = year - (month <= 2 ? 1 : 0);
  const long long era = FloorDiv(y, 400);
  const long long yoe = y - era * 400;
  const long long doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468 + kUnixEpochSerial;
}

void DateOfSerial(long long serial, CalendarFields& f) {
  const long long z = serial - kUnixEpochSerial + 719468;
  const long long era = FloorDiv(z, 146097);
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  f.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  f.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  f.year = static_cast<int>(yoe + era * 400 + (f.month <= 2 ? 1 : 0));
  f.weekday = static_cast<int>(((serial % 7) + 7 + 6) % 7) + 1;  // 1899-12-30 was a Saturday
}

// Whole seconds since 1899-12-30 00:00:00, the value clamped to the calendar's range.
long long SecondsOf(DateTime t) {
  const double days = std::isnan(t.days) ? kMinDateTime : std::clamp(t.days, kMinDateTime, kMaxDateTime);
  return static_cast<long long>(std::floor(days * kSecondsPerDay + 0.5));
}

double Trunc(double v) { return std::trunc(v); }

}  // namespace

bool IsValidDateTime(int year, int month, int day, int hour, int minute, int second) {
  return year >= 100 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= DaysInMonth(year, month) && hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 &&
         second >= 0 && second <= 59;
}

DateTime MakeDateTime(int year, int month, int day, int hour, int minute, int second) {
  if (!IsValidDateTime(year, month, day, hour, minute, second)) return DateTime{};
  const double secondOfDay = hour * 3600.0 + minute * 60.0 + second;
  return DateTime{static_cast<double>(SerialOfDate(year, month, day)) + secondOfDay / kSecondsPerDay};
}

CalendarFields FieldsOf(DateTime t) {
  const long long seconds = SecondsOf(t);
  const long long serial = FloorDiv(seconds, kSecondsPerDay);
  const long long secondOfDay = seconds - serial * kSecondsPerDay;
  CalendarFields f;
  DateOfSerial(serial, f);
  f.hour = static_cast<int>(secondOfDay / 3600);
  f.minute = static_cast<int>(secondOfDay / 60 % 60);
  f.second = static_cast<int>(secondOfDay % 60);
  return f;
}

int YearOf(DateTime t) { return FieldsOf(t).year; }
int MonthOf(DateTime t) { return FieldsOf(t).month; }
int DayOf(DateTime t) { return FieldsOf(t).day; }
int HourOf(DateTime t) { return FieldsOf(t).hour; }
int MinuteOf(DateTime t) { return FieldsOf(t).minute; }
int SecondOf(DateTime t) { return FieldsOf(t).second; }
int WeekdayOf(DateTime t) { return FieldsOf(t).weekday; }

int DaysInMonth(int year, int month) {
  static constexpr int kLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 100 || year > 9999 || month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kLengths[month - 1];
}

double TimeInterval(DateTime t1, DateTime t2, int unit) {
  unit = std::clamp(unit, 1, 8);
  const double difference = t1.days - t2.days;
  if (difference == 0) return 0;
  const CalendarFields a = FieldsOf(t1), b = FieldsOf(t2);
  switch (unit) {
    case 1:
      return a.year - b.year;
    case 2:
      return 4.0 * (a.year - b.year) + ((a.month - 1) / 3 - (b.month - 1) / 3);
    case 3:
      return 12.0 * (a.year - b.year) + (a.month - b.month);
    case 4: {
      double weeks = Trunc(Trunc(difference) / 7);
      if (difference > 0 && a.weekday < b.weekday) weeks += 1;
      if (difference < 0 && a.weekday > b.weekday) weeks -= 1;
      return weeks;
    }
    case 5:
      return difference;
    default: {
      // Half a second toward the difference's own sign, so that -1 hour counts as -1, not 0.
      static constexpr double kHalfSecond = 5.787037037037037e-6;
      static constexpr double kPerDay[3] = {24.0, 1440.0, 86400.0};
      const double rounded = difference + (difference > 0 ? kHalfSecond : -kHalfSecond);
      return Trunc(rounded * kPerDay[unit - 6]);
    }
  }
}

// The fake clock: one process-wide pointer to the innermost live ScopedFakeClock's state.
struct ScopedFakeClock::State {
  DateTime base;
  long long offsetMs = 0;
  std::uint32_t tick = 0;
};

namespace {
std::mutex gClockMutex;
ScopedFakeClock::State* gFakeClock = nullptr;
}  // namespace

ScopedFakeClock::ScopedFakeClock(DateTime now, std::uint32_t tick) : state_(new State{now, 0, tick}) {
  std::lock_guard lock(gClockMutex);
  previous_ = gFakeClock;
  gFakeClock = state_;
}

ScopedFakeClock::~ScopedFakeClock() {
  {
    std::lock_guard lock(gClockMutex);
    gFakeClock = previous_;
  }
  delete state_;
}

void ScopedFakeClock::Advance(std::int64_t milliseconds) {
  std::lock_guard lock(gClockMutex);
  state_->offsetMs += milliseconds;
  state_->tick = static_cast<std::uint32_t>(state_->tick + static_cast<std::uint64_t>(milliseconds));
}

void ScopedFakeClock::Set(DateTime now) {
  std::lock_guard lock(gClockMutex);
  state_->base = now;
  state_->offsetMs = 0;
}

void ScopedFakeClock::SetTick(std::uint32_t tick) {
  std::lock_guard lock(gClockMutex);
  state_->tick = tick;
}

DateTime Now() {
  {
    std::lock_guard lock(gClockMutex);
    if (gFakeClock) return DateTime{gFakeClock->base.days + gFakeClock->offsetMs / 86400000.0};
  }
  return detail::SystemNow();
}

std::uint32_t TickCount() {
  {
    std::lock_guard lock(gClockMutex);
    if (gFakeClock) return gFakeClock->tick;
  }
  return detail::SystemTickCount();
}

}  // namespace tarnvel
