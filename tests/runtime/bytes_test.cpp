#include "runtime/bytes.h"

#include <gtest/gtest.h>

#include "runtime/convert.h"
#include "runtime/datetime.h"

namespace tarnvel {
namespace {

const ByteString kData{1, 2, 0, 3, 0, 0, 4};

TEST(Bytes, CutsAreClamped) {
  EXPECT_EQ(BytesLength(kData), 7);
  EXPECT_EQ(LeftBytes(kData, 2), (ByteString{1, 2}));
  EXPECT_EQ(LeftBytes(kData, 99), kData);
  EXPECT_TRUE(LeftBytes(kData, -1).empty());
  EXPECT_EQ(RightBytes(kData, 2), (ByteString{0, 4}));
  EXPECT_EQ(RightBytes(kData, 99), kData);
  EXPECT_EQ(MidBytes(kData, 3, 2), (ByteString{0, 3}));
  EXPECT_EQ(MidBytes(kData, 6, 9), (ByteString{0, 4}));
  EXPECT_TRUE(MidBytes(kData, 8, 1).empty());
  EXPECT_TRUE(MidBytes(kData, 0, 1).empty());
  EXPECT_EQ(BlankBytes(3), (ByteString{0, 0, 0}));
  EXPECT_TRUE(BlankBytes(-2).empty());
}

TEST(Bytes, FindAndSplitSeeZeroBytes) {
  EXPECT_EQ(FindBytes(kData, ByteString{0, 3}), 3);
  EXPECT_EQ(FindBytes(kData, ByteString{0}, 4), 5);
  EXPECT_EQ(FindBytes(kData, ByteString{9}), -1);
  EXPECT_EQ(FindBytes(kData, ByteString{}), -1);
  EXPECT_EQ(FindBytes(kData, ByteString{1}, 9), -1);
  EXPECT_EQ(SplitBytes(kData), (std::vector<ByteString>{{1, 2}, {3}, {}, {4}}));
  EXPECT_EQ(SplitBytes(ByteString{0, 5, 0}), (std::vector<ByteString>{{}, {5}}));
  EXPECT_EQ(SplitBytes(kData, ByteString{0, 0}), (std::vector<ByteString>{{1, 2, 0, 3}, {4}}));
  EXPECT_EQ(SplitBytes(kData, ByteString{0}, 2), (std::vector<ByteString>{{1, 2}, {3}}));
  EXPECT_TRUE(SplitBytes(kData, ByteString{0}, 0).empty());
  EXPECT_TRUE(SplitBytes(ByteString{}).empty());
  EXPECT_EQ(SplitBytes(kData, ByteString{}), (std::vector<ByteString>{kData}));
}

TEST(BytesValue, ReadsEveryKindAtAnOffset) {
  ByteString data{0xEE};  // one byte ahead, so every read is at offset 2
  auto append = [&](const ByteString& b) { data.insert(data.end(), b.begin(), b.end()); };
  append(ToBytes(std::int64_t{-5}));
  EXPECT_EQ(std::get<std::int64_t>(BytesValue(data, 4, 2)), -5);
  EXPECT_EQ(std::get<std::int32_t>(BytesValue(data, 3, 2)), -5);
  EXPECT_EQ(std::get<std::int16_t>(BytesValue(data, 2, 2)), -5);
  EXPECT_EQ(std::get<std::uint8_t>(BytesValue(data, 1, 2)), 0xFB);
  EXPECT_EQ(std::get<std::uint8_t>(BytesValue(data, 1)), 0xEE);
  EXPECT_EQ(std::get<float>(BytesValue(ToBytes(1.5f), 5)), 1.5f);
  EXPECT_EQ(std::get<double>(BytesValue(ToBytes(-2.25), 6)), -2.25);
  EXPECT_EQ(std::get<bool>(BytesValue(ToBytes(true), 7)), true);
  EXPECT_EQ(std::get<bool>(BytesValue(ByteString{0, 0, 0, 0}, 7)), false);
  const DateTime t = MakeDateTime(2011, 5, 3, 14, 5, 3);
  EXPECT_EQ(std::get<DateTime>(BytesValue(ToBytes(t), 8)), t);
  EXPECT_EQ(std::get<ProcedureRef>(BytesValue(ByteString{0x78, 0x56, 0x34, 0x12}, 9)).address, 0x12345678u);
  EXPECT_EQ(std::get<std::string>(BytesValue(ByteString{'x', 'a', 'b', 0, 'c'}, 10, 2)), "ab");
  EXPECT_EQ(std::get<std::string>(BytesValue(ByteString{'a', 'b'}, 10)), "ab");
}

TEST(BytesValue, TooFewBytesGiveTheKindsZeroValue) {
  const ByteString three{1, 2, 3};
  EXPECT_EQ(std::get<std::int32_t>(BytesValue(three, 3)), 0);
  EXPECT_EQ(std::get<std::int16_t>(BytesValue(three, 2, 3)), 0);
  EXPECT_EQ(std::get<std::uint8_t>(BytesValue(three, 1, 0)), 0);
  EXPECT_EQ(std::get<DateTime>(BytesValue(three, 8)), DateTime{});
  EXPECT_EQ(std::get<std::string>(BytesValue(three, 10, 4)), "");
  EXPECT_EQ(BytesValue(three, 6).index(), 5u);
}

TEST(BytesValue, UnknownKindIsARuntimeError) {
  for (const int kind : {0, 11, -1}) {
    try {
      BytesValue(kData, kind);
      FAIL() << "kind " << kind;
    } catch (const RuntimeError& e) {
      EXPECT_STREQ(e.what(), "“欲取出数据的类型”参数值无效");
    }
  }
}

}  // namespace
}  // namespace tarnvel
