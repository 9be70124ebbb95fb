#include "runtime/encoding.h"

#include <gtest/gtest.h>

namespace tarnvel {
namespace {

TEST(Encoding, GbkRoundTripsThroughUnicode) {
  const std::string gbk = "信息：所有任务完成。";
  EXPECT_EQ(gbk.size(), 20u);  // the literal is compiled to GBK
  const std::wstring wide = GbkToWide(gbk);
  EXPECT_EQ(wide.size(), 10u);
  EXPECT_EQ(wide[0], static_cast<wchar_t>(0x4FE1));  // 信
  EXPECT_EQ(WideToGbk(wide), gbk);
}

TEST(Encoding, Utf8AndUtf16LeConvertBothWays) {
  const std::string gbk = "Orvane目录同步";
  const std::string utf8 = GbkToUtf8(gbk);
  EXPECT_EQ(utf8, "Orvane\xE7\x9B\xAE\xE5\xBD\x95\xE5\x90\x8C\xE6\xAD\xA5");
  EXPECT_EQ(Utf8ToGbk(utf8), gbk);
  const std::string u16 = GbkToUtf16Le(gbk);
  EXPECT_EQ(u16.size(), 20u);
  EXPECT_EQ(Utf16LeToGbk(u16), gbk);
}

TEST(Encoding, UnmappableCharacterBecomesQuestionMark) {
  EXPECT_EQ(Utf8ToGbk("a\xF0\x9F\x98\x80" "b").front(), 'a');  // emoji: not in GBK
  EXPECT_EQ(Utf8ToGbk("a\xF0\x9F\x98\x80" "b").back(), 'b');
}

TEST(Encoding, CollapseSeparatorsKeepsShareAndGbkTrailBytes) {
  EXPECT_EQ(CollapseSeparators("C:\\a\\\\b//c"), "C:\\a\\b\\c");
  EXPECT_EQ(CollapseSeparators("\\\\server\\\\share"), "\\\\server\\share");
  // A GBK pair whose trail byte is 0x5C is not a separator.
  const std::string tricky = "C:\\\xB0\x5C\\\\x";
  EXPECT_EQ(CollapseSeparators(tricky), "C:\\\xB0\x5C\\x");
}

}  // namespace
}  // namespace tarnvel
