#include "runtime/datetime.h"

#include <random>
#include <thread>

#include <gtest/gtest.h>

#include "runtime/convert.h"

namespace tarnvel {
namespace {

TEST(DateTimeFields, SerialNumbersOfKnownDates) {
  EXPECT_EQ(MakeDateTime(1899, 12, 30).days, 0.0);
  EXPECT_EQ(MakeDateTime(1900, 1, 1).days, 2.0);
  EXPECT_EQ(MakeDateTime(100, 1, 1).days, kMinDateTime);
  EXPECT_EQ(MakeDateTime(2011, 5, 3).days, 40666.0);
  EXPECT_EQ(MakeDateTime(9999, 12, 31).days, 2958465.0);
  EXPECT_EQ(MakeDateTime(2011, 5, 3, 12).days, 40666.5);
  EXPECT_EQ(MakeDateTime(1899, 12, 29, 18).days, -0.25);  // one continuous scale before 1899-12-30
}

TEST(DateTimeFields, InvalidFieldsGiveTheEmptyDate) {
  EXPECT_EQ(MakeDateTime(2011, 2, 29), DateTime{});
  EXPECT_EQ(MakeDateTime(1900, 2, 29), DateTime{});
  EXPECT_NE(MakeDateTime(2000, 2, 29), DateTime{});
  EXPECT_EQ(MakeDateTime(99, 12, 31), DateTime{});
  EXPECT_EQ(MakeDateTime(10000, 1, 1), DateTime{});
  EXPECT_EQ(MakeDateTime(2011, 0, 1), DateTime{});
  EXPECT_EQ(MakeDateTime(2011, 4, 31), DateTime{});
  EXPECT_EQ(MakeDateTime(2011, 4, 30, 24), DateTime{});
  EXPECT_EQ(MakeDateTime(2011, 4, 30, 0, 60), DateTime{});
  EXPECT_EQ(MakeDateTime(2011, 4, 30, 0, 0, -1), DateTime{});
}

TEST(DateTimeFields, ReadBackRoundedToTheSecond) {
  const DateTime t = MakeDateTime(2011, 5, 3, 14, 5, 3);
  EXPECT_EQ(YearOf(t), 2011);
  EXPECT_EQ(MonthOf(t), 5);
  EXPECT_EQ(DayOf(t), 3);
  EXPECT_EQ(HourOf(t), 14);
  EXPECT_EQ(MinuteOf(t), 5);
  EXPECT_EQ(SecondOf(t), 3);
  EXPECT_EQ(WeekdayOf(t), 3);  // a Tuesday
  EXPECT_EQ(WeekdayOf(DateTime{0}), 7);
  EXPECT_EQ(WeekdayOf(MakeDateTime(2024, 3, 3)), 1);
  EXPECT_EQ(WeekdayOf(MakeDateTime(1899, 12, 29)), 6);
  // 0.4 s before midnight is the next day's midnight in every field and in the text.
  const DateTime late{MakeDateTime(2011, 12, 31).days + 1 - 0.4 / 86400};
  EXPECT_EQ(YearOf(late), 2012);
  EXPECT_EQ(MonthOf(late), 1);
  EXPECT_EQ(DayOf(late), 1);
  EXPECT_EQ(HourOf(late), 0);
  EXPECT_EQ(ToText(late), "2012年1月1日");
  // Out of range reads as the nearest end.
  EXPECT_EQ(YearOf(DateTime{-1e9}), 100);
  EXPECT_EQ(YearOf(DateTime{1e12}), 9999);
  EXPECT_EQ(YearOf(DateTime{std::nan("")}), 100);
}

TEST(DateTimeFields, DaysInMonth) {
  EXPECT_EQ(DaysInMonth(2011, 1), 31);
  EXPECT_EQ(DaysInMonth(2011, 2), 28);
  EXPECT_EQ(DaysInMonth(2012, 2), 29);
  EXPECT_EQ(DaysInMonth(1900, 2), 28);
  EXPECT_EQ(DaysInMonth(2000, 2), 29);
  EXPECT_EQ(DaysInMonth(2011, 4), 30);
  EXPECT_EQ(DaysInMonth(2011, 12), 31);
  EXPECT_EQ(DaysInMonth(2011, 13), 0);
  EXPECT_EQ(DaysInMonth(2011, 0), 0);
  EXPECT_EQ(DaysInMonth(99, 1), 0);
  EXPECT_EQ(DaysInMonth(10000, 1), 0);
}

TEST(DateTimeText, RoundTripsToTheSecondAcrossRandomDateTimes) {
  std::mt19937_64 random(20110503);
  std::uniform_real_distribution<double> anyDay(kMinDateTime, kMaxDateTime);
  for (int n = 0; n < 20000; ++n) {
    const DateTime t{anyDay(random)};
    const CalendarFields f = FieldsOf(t);
    const DateTime back = ToDateTime(ToText(t));
    ASSERT_EQ(back, MakeDateTime(f.year, f.month, f.day, f.hour, f.minute, f.second)) << ToText(t);
    ASSERT_EQ(ToText(back), ToText(t));
    ASSERT_LE(std::fabs(back.days - t.days), 0.5 / 86400 + 1e-9) << ToText(t);
  }
}

TEST(DateTimeText, WholeSecondsRoundTripExactly) {
  std::mt19937 random(7);
  for (int n = 0; n < 5000; ++n) {
    const int year = 100 + static_cast<int>(random() % 9900), month = 1 + static_cast<int>(random() % 12);
    const int day = 1 + static_cast<int>(random() % DaysInMonth(year, month));
    const int hour = static_cast<int>(random() % 24), minute = static_cast<int>(random() % 60);
    const int second = static_cast<int>(random() % 60);
    const DateTime t = MakeDateTime(year, month, day, hour, minute, second);
    ASSERT_EQ(ToDateTime(ToText(t)), t) << ToText(t);
    const CalendarFields f = FieldsOf(t);
    ASSERT_EQ(f.year, year);
    ASSERT_EQ(f.day, day);
    ASSERT_EQ(f.second, second);
  }
}

struct WeekCase {
  DateTime t1, t2;
  double weeks;
};

class TimeIntervalWeeks : public testing::TestWithParam<WeekCase> {};

// Weeks count the Sunday boundaries crossed between the two dates.
TEST_P(TimeIntervalWeeks, CountsWeeks) {
  const WeekCase& c = GetParam();
  EXPECT_EQ(TimeInterval(c.t1, c.t2, 4), c.weeks);
  EXPECT_EQ(TimeInterval(c.t2, c.t1, 4), -c.weeks);
}

// 2024-03-02 is a Saturday, 2024-03-03 a Sunday.
INSTANTIATE_TEST_SUITE_P(Cases, TimeIntervalWeeks,
                         testing::Values(WeekCase{MakeDateTime(2024, 3, 3), MakeDateTime(2024, 3, 2), 1},
                                         WeekCase{MakeDateTime(2024, 3, 9), MakeDateTime(2024, 3, 3), 0},
                                         WeekCase{MakeDateTime(2024, 3, 10), MakeDateTime(2024, 3, 3), 1},
                                         WeekCase{MakeDateTime(2024, 3, 10), MakeDateTime(2024, 3, 2), 2},
                                         WeekCase{MakeDateTime(2024, 3, 4), MakeDateTime(2024, 3, 2), 1},
                                         WeekCase{MakeDateTime(2024, 3, 30), MakeDateTime(2024, 3, 2), 4},
                                         WeekCase{MakeDateTime(2024, 3, 5, 12), MakeDateTime(2024, 3, 5, 1),
                                                  0}));

TEST(TimeIntervalUnits, CalendarAndClockUnits) {
  const DateTime a = MakeDateTime(2011, 5, 3, 14, 5, 3), b = MakeDateTime(2009, 12, 31, 23, 0, 0);
  EXPECT_EQ(TimeInterval(a, b, 1), 2);
  EXPECT_EQ(TimeInterval(a, b, 2), 4 * 2 + (1 - 3));
  EXPECT_EQ(TimeInterval(a, b, 3), 12 * 2 + (5 - 12));
  EXPECT_EQ(TimeInterval(b, a, 3), -17);
  EXPECT_DOUBLE_EQ(TimeInterval(a, b, 5), a.days - b.days);
  EXPECT_EQ(TimeInterval(a, a, 8), 0);
  const DateTime t = MakeDateTime(2011, 5, 3, 10, 0, 0);
  EXPECT_EQ(TimeInterval(MakeDateTime(2011, 5, 3, 10, 0, 1), t, 8), 1);
  EXPECT_EQ(TimeInterval(MakeDateTime(2011, 5, 3, 9, 59, 59), t, 8), -1);
  EXPECT_EQ(TimeInterval(MakeDateTime(2011, 5, 3, 11, 0, 0), t, 6), 1);
  // An hour back is -1 hour: the half second rounds toward the difference's own sign.
  EXPECT_EQ(TimeInterval(MakeDateTime(2011, 5, 3, 9, 0, 0), t, 6), -1);
  EXPECT_EQ(TimeInterval(MakeDateTime(2011, 5, 3, 10, 59, 59), t, 6), 0);
  EXPECT_EQ(TimeInterval(MakeDateTime(2011, 5, 3, 10, 59, 59), t, 7), 59);
  EXPECT_EQ(TimeInterval(MakeDateTime(2011, 5, 4, 10, 0, 0), t, 8), 86400);
  // Units beyond the range count as the nearest one.
  EXPECT_EQ(TimeInterval(a, b, 0), TimeInterval(a, b, 1));
  EXPECT_EQ(TimeInterval(a, b, 99), TimeInterval(a, b, 8));
}

TEST(FakeClock, FixesNowAndTicksAndAdvances) {
  const DateTime start = MakeDateTime(2024, 3, 4, 8, 4, 59);
  {
    ScopedFakeClock clock(start, 1000);
    EXPECT_EQ(Now(), start);
    EXPECT_EQ(TickCount(), 1000u);
    clock.Advance(1000);
    EXPECT_EQ(HourOf(Now()), 8);
    EXPECT_EQ(MinuteOf(Now()), 5);
    EXPECT_EQ(SecondOf(Now()), 0);
    EXPECT_EQ(TickCount(), 2000u);
    {
      ScopedFakeClock inner(MakeDateTime(2000, 1, 1), 5);
      EXPECT_EQ(YearOf(Now()), 2000);
      EXPECT_EQ(TickCount(), 5u);
    }
    EXPECT_EQ(MinuteOf(Now()), 5);
    clock.SetTick(0xFFFFFF00u);
    clock.Advance(0x200);
    EXPECT_EQ(TickCount(), 0x100u);  // wraps as the system's count does
    clock.Set(MakeDateTime(2024, 12, 31, 23, 59, 59));
    clock.Advance(1000);
    EXPECT_EQ(ToText(Now()), "2025年1月1日");
    DateTime seenByWorker;
    std::thread worker([&] { seenByWorker = Now(); });
    worker.join();
    EXPECT_EQ(seenByWorker, Now());
  }
  const DateTime real = Now();
  EXPECT_GE(YearOf(real), 2024);
  const CalendarFields f = FieldsOf(real);
  EXPECT_EQ(MakeDateTime(f.year, f.month, f.day, f.hour, f.minute, f.second), real);  // whole seconds
}

}  // namespace
}  // namespace tarnvel
