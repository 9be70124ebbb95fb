#include "runtime/arith.h"

#include <cmath>
#include <set>

#include <gtest/gtest.h>

#include "runtime/datetime.h"
#include "runtime/values.h"

namespace tarnvel {
namespace {

TEST(ArithRound, HalfAwayFromZero) {
  EXPECT_EQ(Round(2.5), 3);
  EXPECT_EQ(Round(-2.5), -3);
  EXPECT_EQ(Round(2.4999), 2);
  EXPECT_EQ(Round(-0.5), -1);
  EXPECT_EQ(Round(1.005, 2), 1.01);
  EXPECT_EQ(Round(-1.005, 2), -1.01);
  EXPECT_EQ(Round(1.004, 2), 1.0);
  EXPECT_EQ(Round(0.125, 2), 0.13);
  EXPECT_EQ(Round(1250, -2), 1300);
  EXPECT_EQ(Round(-1249, -2), -1200);
  EXPECT_EQ(Round(0), 0);
  EXPECT_FALSE(std::signbit(Round(-0.001, 2)));  // a zero result is +0, never "-0"
  EXPECT_EQ(Round(1e300, 400), 1e300);           // nothing left to round, and no overflow to infinity
  EXPECT_EQ(Round(123.456, -400), 0);
  EXPECT_TRUE(std::isinf(Round(HUGE_VAL)));
}

TEST(ArithDivide, TruncatesEachQuotientInTurn) {
  EXPECT_EQ(IntDivide(7, 2), 3);
  EXPECT_EQ(IntDivide(-7, 2), -3);
  EXPECT_EQ(IntDivide(100, 3, 2), 16);  // 33, then 16.5 truncated
  EXPECT_EQ(IntDivide(1000, 2, 3, 4), 41);
  EXPECT_EQ(Remainder(7.5, 2), 1.5);
  EXPECT_EQ(Remainder(-7, 3), -1);
  EXPECT_EQ(Remainder(100, 7, 3), 2);
}

TEST(ArithDivide, ZeroDivisorsAreRuntimeErrorsWithTheirMessages) {
  try {
    IntDivide(1, 0);
    FAIL() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_STREQ(e.what(), "不能整除于零");
  }
  try {
    Remainder(1, 2, 0);
    FAIL() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_STREQ(e.what(), "不能求余数于零");
  }
  EXPECT_THROW(IntDivide(5, 1, 0.0), RuntimeError);
}

TEST(ArithBits, OperationsAndShifts) {
  EXPECT_EQ(BitAnd(0xF0F, 0x0FF), 0x00F);
  EXPECT_EQ(BitAnd(0xFF, 0x3C, 0x0F), 0x0C);
  EXPECT_EQ(BitOr(1, 2, 4, 8), 15);
  EXPECT_EQ(BitXor(0xFF, 0x0F, 0x01), 0xF1);
  EXPECT_EQ(BitNot(0), -1);
  EXPECT_EQ(ShiftLeft(1, 4), 16);
  EXPECT_EQ(ShiftLeft(1, 33), 2);  // modulo 32
  EXPECT_EQ(ShiftLeft(1, 31), INT32_MIN);
  EXPECT_EQ(ShiftRight(-8, 1), -4);  // arithmetic
  EXPECT_EQ(ShiftRight(64, 32), 64);
  EXPECT_EQ(ShiftRight(INT32_MIN, -1), -1);  // -1 is 31 modulo 32
}

TEST(ArithRandom, ClassicSequenceAndBounds) {
  RandomSeed(1);
  EXPECT_EQ(RandomInt(), 41);
  EXPECT_EQ(RandomInt(), 18467);
  EXPECT_EQ(RandomInt(), 6334);
  EXPECT_EQ(RandomInt(), 26500);
  RandomSeed(1);
  EXPECT_EQ(RandomInt(0, 9), 41 % 10);
  for (int n = 0; n < 1000; ++n) {
    const int v = RandomInt(5, 1);  // reversed bounds are swapped
    ASSERT_GE(v, 1);
    ASSERT_LE(v, 5);
  }
  EXPECT_EQ(RandomInt(-10, -1), 0);  // negative bounds count as 0
  EXPECT_EQ(RandomInt(7, 7), 7);
}

TEST(ArithRandom, UnseededCallsInOneMillisecondStillDiffer) {
  ScopedFakeClock clock(MakeDateTime(2024, 1, 1), 12345);
  std::set<int> firsts;
  for (int n = 0; n < 5; ++n) {
    RandomSeed();
    firsts.insert(RandomInt(0, 1000000));
  }
  EXPECT_GT(firsts.size(), 1u);
}

}  // namespace
}  // namespace tarnvel
