#include "runtime/convert.h"

#include <climits>
#include <cmath>
#include <optional>

#include <gtest/gtest.h>

#include "runtime/datetime.h"

namespace tarnvel {
namespace {

TEST(ConvertToText, EveryValueKind) {
  EXPECT_EQ(ToText(std::int32_t{-5}), "-5");
  EXPECT_EQ(ToText(std::int32_t{INT32_MIN}), "-2147483648");
  EXPECT_EQ(ToText(std::int16_t{-32768}), "-32768");
  EXPECT_EQ(ToText(std::uint8_t{200}), "200");
  EXPECT_EQ(ToText(std::int64_t{-9007199254740993LL}), "-9007199254740993");
  EXPECT_EQ(ToText(std::uint32_t{4294967295u}), "4294967295");
  EXPECT_EQ(ToText(std::size_t{12}), "12");
  EXPECT_EQ(ToText(0.1f), "0.1");
  EXPECT_EQ(ToText(1234567.0f), "1.23457e+06");
  EXPECT_EQ(ToText(1.0 / 3), "0.3333333333333");
  EXPECT_EQ(ToText(2.5), "2.5");
  EXPECT_EQ(ToText(1e20), "1e+20");
  EXPECT_EQ(ToText(-0.000012), "-1.2e-05");
  EXPECT_EQ(ToText(true), "真");
  EXPECT_EQ(ToText(false), "假");
  EXPECT_EQ(ToText(ByteString{'a', 'b', 0, 'c'}), "ab");
  EXPECT_EQ(ToText(ByteString{'a', 'b'}), "ab");
  EXPECT_EQ(ToText("信息"), "信息");
}

TEST(ConvertToText, DateTimeShowsOnlyTheFieldsItNeeds) {
  EXPECT_EQ(ToText(MakeDateTime(2011, 5, 3, 14, 5, 3)), "2011年5月3日14时5分3秒");
  EXPECT_EQ(ToText(MakeDateTime(2011, 5, 3, 14, 0, 0)), "2011年5月3日14时");
  EXPECT_EQ(ToText(MakeDateTime(2011, 5, 3, 14, 30, 0)), "2011年5月3日14时30分");
  EXPECT_EQ(ToText(MakeDateTime(2011, 5, 3)), "2011年5月3日");
  EXPECT_EQ(ToText(MakeDateTime(2011, 5, 3, 0, 0, 30)), "2011年5月3日0时0分30秒");
  EXPECT_EQ(ToText(MakeDateTime(2011, 5, 3, 0, 30, 0)), "2011年5月3日0时30分");
  EXPECT_EQ(ToText(DateTime{}), "100年1月1日");
}

TEST(ConvertFullWidth, AsciiFormsFoldAndOthersStay) {
  EXPECT_EQ(FullWidthToHalfWidth("１２３ＡＢｃ　－＋．｜＄～"), "123ABc -+.|$~");
  EXPECT_EQ(FullWidthToHalfWidth("信息：所有任务完成。"), "信息:所有任务完成。");
  EXPECT_EQ(FullWidthToHalfWidth("￥￣"), "￥￣");  // no one-byte form
  EXPECT_EQ(FullWidthToHalfWidth("！～"), "!~");  // the ends of the full-width row
  // Only whole characters fold: "！" (EF BC 81) cut short, or its bytes inside other bytes, stay.
  EXPECT_EQ(FullWidthToHalfWidth("\xEF\xBC"), "\xEF\xBC");
  EXPECT_EQ(FullWidthToHalfWidth("\xBC\x81\xE3\x80"), "\xBC\x81\xE3\x80");
}

TEST(ConvertToInteger, ReadsLikeAtoiAfterFolding) {
  EXPECT_EQ(ToInteger("42"), 42);
  EXPECT_EQ(ToInteger("  -12abc"), -12);
  EXPECT_EQ(ToInteger("\t+7"), 7);
  EXPECT_EQ(ToInteger("3abc"), 3);
  EXPECT_EQ(ToInteger("３"), 3);
  EXPECT_EQ(ToInteger("　－２５"), -25);
  EXPECT_EQ(ToInteger("abc"), 0);
  EXPECT_EQ(ToInteger(""), 0);
  EXPECT_EQ(ToInteger("- 5"), 0);
  EXPECT_EQ(ToInteger("1.9"), 1);
  EXPECT_EQ(ToInteger("99999999999"), INT32_MAX);
  EXPECT_EQ(ToInteger("-99999999999999999999999"), INT32_MIN);
  EXPECT_EQ(ToInteger("2147483647"), INT32_MAX);
  EXPECT_EQ(ToInteger("-2147483648"), INT32_MIN);
}

TEST(ConvertToInteger, OtherKinds) {
  EXPECT_EQ(ToInteger(-2.7), -2);
  EXPECT_EQ(ToInteger(2.7f), 2);
  EXPECT_EQ(ToInteger(std::nan("")), 0);
  EXPECT_EQ(ToInteger(1e300), INT32_MAX);
  EXPECT_EQ(ToInteger(-1e300), INT32_MIN);
  EXPECT_EQ(ToInteger(std::int64_t{0x100000005LL}), 5);
  EXPECT_EQ(ToInteger(std::int64_t{0xFFFFFFFFLL}), -1);
  EXPECT_EQ(ToInteger(std::int16_t{-7}), -7);
  EXPECT_EQ(ToInteger(std::uint8_t{200}), 200);
  EXPECT_EQ(ToInteger(true), 1);
  EXPECT_EQ(ToInteger(false), 0);
}

TEST(ConvertToNumber, ReadsLikeAtofAfterFolding) {
  EXPECT_EQ(ToNumber("1.5e3x"), 1500.0);
  EXPECT_EQ(ToNumber("１２．５"), 12.5);
  EXPECT_EQ(ToNumber(" .5"), 0.5);
  EXPECT_EQ(ToNumber("-7."), -7.0);
  EXPECT_EQ(ToNumber("+2E-2"), 0.02);
  EXPECT_EQ(ToNumber("1e"), 1.0);
  EXPECT_EQ(ToNumber("1e+"), 1.0);
  EXPECT_EQ(ToNumber("-"), 0.0);
  EXPECT_EQ(ToNumber("."), 0.0);
  EXPECT_EQ(ToNumber("abc"), 0.0);
  EXPECT_EQ(ToNumber("0.1"), 0.1);  // correctly rounded, as the C library reads it
  EXPECT_EQ(ToNumber("1e400"), HUGE_VAL);
  EXPECT_EQ(ToNumber("-1e400"), -HUGE_VAL);
  EXPECT_EQ(ToNumber("1e-400"), 0.0);
  EXPECT_EQ(ToNumber(std::int32_t{-3}), -3.0);
  EXPECT_EQ(ToNumber(std::int64_t{1} << 40), 1099511627776.0);
  EXPECT_EQ(ToFloat("0.1"), 0.1f);
  EXPECT_EQ(ToFloat(" ３"), 3.0f);
}

TEST(ConvertToBytes, RawLittleEndianValues) {
  EXPECT_EQ(ToBytes(std::int32_t{0x01020304}), (ByteString{4, 3, 2, 1}));
  EXPECT_EQ(ToBytes(std::int16_t{-2}), (ByteString{0xFE, 0xFF}));
  EXPECT_EQ(ToBytes(std::uint8_t{7}), (ByteString{7}));
  EXPECT_EQ(ToBytes(std::int64_t{1}), (ByteString{1, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(ToBytes(1.0f), (ByteString{0, 0, 0x80, 0x3F}));
  EXPECT_EQ(ToBytes(1.0), (ByteString{0, 0, 0, 0, 0, 0, 0xF0, 0x3F}));
  EXPECT_EQ(ToBytes(true), (ByteString{1, 0, 0, 0}));
  EXPECT_EQ(ToBytes(DateTime{1.0}), ToBytes(1.0));
  EXPECT_EQ(ToBytes("ab"), (ByteString{'a', 'b'}));
  EXPECT_EQ(ToBytes(std::vector<std::int16_t>{1, 2}), (ByteString{1, 0, 2, 0}));
  EXPECT_TRUE(ToBytes(TextArray{"a"}).empty());
}

TEST(ConvertHexText, UpperCaseWithoutPadding) {
  EXPECT_EQ(HexText(0), "0");
  EXPECT_EQ(HexText(255), "FF");
  EXPECT_EQ(HexText(0x1A2B), "1A2B");
  EXPECT_EQ(HexText(-1), "FFFFFFFF");
}

struct FormatCase {
  double value;
  std::optional<int> places;
  bool thousands;
  std::string expected;
};

class FormatNumberTable : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatNumberTable, Formats) {
  const FormatCase& c = GetParam();
  EXPECT_EQ(FormatNumber(c.value, c.places, c.thousands), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatNumberTable,
    testing::Values(FormatCase{1234567.891, 2, true, "1,234,567.89"},
                    FormatCase{1234567.891, 2, false, "1234567.89"}, FormatCase{-1234.5, 0, true, "-1,235"},
                    FormatCase{1.5, 3, false, "1.500"}, FormatCase{2.5, 0, false, "3"},
                    FormatCase{1.005, 2, false, "1.01"}, FormatCase{999.996, 2, true, "1,000.00"},
                    FormatCase{-0.001, 2, false, "0.00"}, FormatCase{1250, -2, false, "1300"},
                    FormatCase{123, std::nullopt, true, "123"}, FormatCase{1234, std::nullopt, true, "1,234"},
                    FormatCase{-123456, std::nullopt, true, "-123,456"},
                    FormatCase{1234.25, std::nullopt, true, "1,234.25"},
                    FormatCase{1e20, std::nullopt, true, "1e+20"},
                    FormatCase{0.5, std::nullopt, false, "0.5"}, FormatCase{100, 0, true, "100"}));

struct ParseCase {
  std::string text;
  int year, month, day, hour, minute, second;
};

class ToDateTimeTable : public testing::TestWithParam<ParseCase> {};

TEST_P(ToDateTimeTable, Parses) {
  const ParseCase& c = GetParam();
  const DateTime t = ToDateTime(c.text);
  EXPECT_EQ(t, MakeDateTime(c.year, c.month, c.day, c.hour, c.minute, c.second)) << ToText(t);
}

// Texts that name no real date and time parse to the empty date, 100-01-01 00:00:00.
INSTANTIATE_TEST_SUITE_P(
    Cases, ToDateTimeTable,
    testing::Values(
        ParseCase{"2011年5月3日14时5分3秒", 2011, 5, 3, 14, 5, 3},
        ParseCase{"2011-05-03 14:05:03", 2011, 5, 3, 14, 5, 3}, ParseCase{"2011/5/3", 2011, 5, 3, 0, 0, 0},
        ParseCase{"2011.5.3.14.5", 2011, 5, 3, 14, 5, 0}, ParseCase{"2011年5月3日14时", 2011, 5, 3, 14, 0, 0},
        ParseCase{"2011-05-03 14:05", 2011, 5, 3, 14, 5, 0},
        ParseCase{"２０１１－０５－０３　１４：０５", 2011, 5, 3, 14, 5, 0},
        ParseCase{"2011年5月3日14时5分3秒 and more", 2011, 5, 3, 14, 5, 3},
        ParseCase{"2000-2-29", 2000, 2, 29, 0, 0, 0}, ParseCase{"100-1-1", 100, 1, 1, 0, 0, 0},
        ParseCase{"9999-12-31 23:59:59", 9999, 12, 31, 23, 59, 59},
        ParseCase{"20110503", 2011, 5, 3, 0, 0, 0}, ParseCase{"2011年2月30日", 100, 1, 1, 0, 0, 0},
        ParseCase{"2011", 100, 1, 1, 0, 0, 0}, ParseCase{"2011-13-01", 100, 1, 1, 0, 0, 0},
        ParseCase{"", 100, 1, 1, 0, 0, 0}, ParseCase{"1900-2-29", 100, 1, 1, 0, 0, 0},
        ParseCase{"2011-5-3 24:00", 100, 1, 1, 0, 0, 0}, ParseCase{"2011-5-3 12:60", 100, 1, 1, 0, 0, 0},
        ParseCase{"99-1-1", 100, 1, 1, 0, 0, 0}, ParseCase{"2011-5-3 1:2:3.5", 100, 1, 1, 0, 0, 0},
        ParseCase{"abc", 100, 1, 1, 0, 0, 0}, ParseCase{" 2011-5-3", 100, 1, 1, 0, 0, 0}));

}  // namespace
}  // namespace tarnvel
