#include "sync/file_info.h"

#include <gtest/gtest.h>

namespace tarnvel {
namespace {

constexpr std::uint64_t kTicksPerDay = 864000000000ULL;

// FILETIME of a UTC calendar time, through the days since 1601-01-01.
std::uint64_t FileTimeOf(int year, int month, int day, int h, int m, int s, int ms) {
  // Days from civil (H. Hinnant), shifted from 1970 to 1601.
  year -= month <= 2;
  const long long era = (year >= 0 ? year : year - 399) / 400;
  const long long yoe = year - era * 400;
  const long long doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const long long days = era * 146097 + doe - 719468 + 134774;
  return static_cast<std::uint64_t>(days) * kTicksPerDay +
         ((h * 3600ULL + m * 60ULL + s) * 1000ULL + static_cast<unsigned>(ms)) * 10000ULL;
}

TEST(FileTimeKeyOf, WritesPlainNumbersAndTheWeekdayCharacter) {
  const std::uint64_t t = FileTimeOf(2011, 3, 5, 14, 7, 9, 250);
  EXPECT_EQ(FileTimeKeyOf(t, 0), "修改时间：2011-3-5 星期六 14:7:9:250");
  EXPECT_EQ(FileTimeKeyOf(t, 1), "创建时间：2011-3-5 星期六 14:7:9:250");
  EXPECT_EQ(FileTimeKeyOf(t, 3), "访问时间：2011-3-5 星期六 14:7:9:250");
  // Kind 0 and kind 2, and every unknown kind, are the modification time.
  EXPECT_EQ(FileTimeKeyOf(t, 2), FileTimeKeyOf(t, 0));
  EXPECT_EQ(FileTimeKeyOf(t, 7), FileTimeKeyOf(t, 0));
}

TEST(FileTimeKeyOf, ZeroTimeIsMondayFirstJanuary1601) {
  EXPECT_EQ(FileTimeKeyOf(0, 0), "修改时间：1601-1-1 星期一 0:0:0:0");
}

TEST(FileTimeKeyOf, EveryWeekdayAndTheLeapDay) {
  // 2024-02-25 and 2024-03-03 were Sundays.
  const char* const names[7] = {"日", "一", "二", "三", "四", "五", "六"};
  EXPECT_EQ(FileTimeKeyOf(FileTimeOf(2024, 2, 25, 23, 59, 59, 999), 0),
            "修改时间：2024-2-25 星期日 23:59:59:999");
  EXPECT_EQ(FileTimeKeyOf(FileTimeOf(2024, 2, 29, 0, 0, 0, 1), 0), "修改时间：2024-2-29 星期四 0:0:0:1");
  EXPECT_EQ(FileTimeKeyOf(FileTimeOf(2024, 3, 2, 12, 0, 0, 0), 0), "修改时间：2024-3-2 星期六 12:0:0:0");
  EXPECT_EQ(FileTimeKeyOf(FileTimeOf(1900, 3, 1, 0, 0, 0, 0), 0), "修改时间：1900-3-1 星期四 0:0:0:0");
  for (int d = 0; d < 7; ++d) {
    const std::string key = FileTimeKeyOf(FileTimeOf(2024, 3, 3 + d, 1, 2, 3, 4), 0);
    EXPECT_NE(key.find(std::string("星期") + names[d]), std::string::npos) << key;
  }
}

TEST(FileTimeKeyOf, OneMillisecondApartDiffers) {
  const std::uint64_t t = FileTimeOf(2020, 1, 1, 0, 0, 0, 0);
  EXPECT_NE(FileTimeKeyOf(t, 0), FileTimeKeyOf(t + 10000, 0));
  // Below a millisecond the key cannot tell.
  EXPECT_EQ(FileTimeKeyOf(t, 0), FileTimeKeyOf(t + 9999, 0));
}

TEST(FileTimes, OfKindPicksTheStamp) {
  const FileTimes times{1, 2, 3};
  EXPECT_EQ(times.OfKind(1), 1u);
  EXPECT_EQ(times.OfKind(3), 2u);
  EXPECT_EQ(times.OfKind(0), 3u);
  EXPECT_EQ(times.OfKind(2), 3u);
  EXPECT_EQ(times.OfKind(-5), 3u);
}

struct SizeCase {
  std::int64_t kilobytes;
  std::string text;
};

class SizeTextTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(SizeTextTest, ChangesUnitExactlyAtTheBoundaries) {
  EXPECT_EQ(SizeText(GetParam().kilobytes), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Table, SizeTextTest,
                         ::testing::Values(SizeCase{0, "0 字节"}, SizeCase{1, "1 KB"},
                                           SizeCase{1023, "1023 KB"}, SizeCase{1024, "1.00 MB"},
                                           SizeCase{1536, "1.50 MB"}, SizeCase{1048575, "1024.00 MB"},
                                           SizeCase{1048576, "1.00 GB"}, SizeCase{3221225, "3.07 GB"},
                                           SizeCase{-1, "-1024 字节"},
                                           // Sizes beyond 32 bits: 5 TB in kilobytes.
                                           SizeCase{5368709120LL, "5120.00 GB"},
                                           SizeCase{INT64_MIN, "-9223372036854775808 字节"}));

TEST(DurationText, PadsEachGroupToTwoDigits) {
  EXPECT_EQ(DurationText(0), "00:00:00");
  EXPECT_EQ(DurationText(59), "00:00:59");
  EXPECT_EQ(DurationText(75), "00:01:15");
  EXPECT_EQ(DurationText(3600), "01:00:00");
  EXPECT_EQ(DurationText(3725), "01:02:05");
  EXPECT_EQ(DurationText(36000), "10:00:00");
  EXPECT_EQ(DurationText(360000), "100:00:00");
  EXPECT_EQ(DurationText(INT32_MAX), "596523:14:07");
}

}  // namespace
}  // namespace tarnvel
