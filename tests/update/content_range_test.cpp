#include "update/content_range.h"

#include <gtest/gtest.h>

namespace tarnvel {
namespace {

struct RangeCase {
  const char* value;
  bool valid;
  bool hasPart;
  std::int64_t first, last, total;
};

RangeCase Refused(const char* value) { return RangeCase{value, false, false, 0, 0, 0}; }

class ContentRangeForms : public testing::TestWithParam<RangeCase> {};

TEST_P(ContentRangeForms, ParsesOnlyTheThreeForms) {
  const RangeCase& c = GetParam();
  const auto range = ParseContentRange(c.value);
  ASSERT_EQ(range.has_value(), c.valid) << c.value;
  if (!range) return;
  EXPECT_EQ(range->hasPart, c.hasPart) << c.value;
  EXPECT_EQ(range->first, c.first) << c.value;
  EXPECT_EQ(range->last, c.last) << c.value;
  EXPECT_EQ(range->total, c.total) << c.value;
}

INSTANTIATE_TEST_SUITE_P(
    Values, ContentRangeForms,
    testing::Values(
        RangeCase{"bytes 30000-50479/100000", true, true, 30000, 50479, 100000},
        RangeCase{"bytes 0-0/1", true, true, 0, 0, 1},
        // the last byte of the file, and one past it
        RangeCase{"bytes 99-99/100", true, true, 99, 99, 100}, Refused("bytes 99-100/100"),
        RangeCase{"bytes 0-99/*", true, true, 0, 99, -1},
        RangeCase{"bytes */100000", true, false, 0, 0, 100000}, RangeCase{"bytes */0", true, false, 0, 0, 0},
        RangeCase{"BYTES 1-2/3", true, true, 1, 2, 3}, RangeCase{" \tbytes  1-2/3 \t", true, true, 1, 2, 3},
        // 18 digits fit; 19 are refused rather than overflowed
        RangeCase{"bytes 0-1/999999999999999999", true, true, 0, 1, 999999999999999999},
        Refused("bytes 0-1/9999999999999999999"), Refused("bytes 0-999/18446744073709552616"),  // 2^64 + 1000
        Refused(""), Refused("bytes"), Refused("bytes "),
        Refused("bytes=0-1/2"), Refused("bytes0-1/2"), Refused("items 0-1/2"), Refused("bytes */*"),
        Refused("bytes */"), Refused("bytes 5-4/10"), Refused("bytes -1-2/3"), Refused("bytes 1-2/3x"),
        Refused("bytes 1-2"), Refused("bytes 1 -2/3"), Refused("bytes 1-/3"), Refused("bytes 1-2/+3"),
        Refused("bytes 0-1/2, bytes 2-3/4")));

}  // namespace
}  // namespace tarnvel
