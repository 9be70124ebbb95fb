#include "runtime/text.h"

#include <gtest/gtest.h>

namespace tarnvel {
namespace {

// "啊" is 0xB0 0xA1: its trail byte equals the lead byte of the full-width space 0xA1 0xA1.
const std::string kAh = "\xB0\xA1";
const std::string kSpaceW = "　";  // 0xA1 0xA1
// Real GBK characters whose trail byte is "|" (0x7C), "\" (0x5C) or an ASCII letter.
const std::string kBarTrail = "\x81\x7C";    // 亅
const std::string kSlashTrail = "\x81\x5C";  // 乗
const std::string kUpperTrail = "\x81\x41";
const std::string kLowerTrail = "\x81\x61";

TEST(TextSearch, NeverMatchesInsideADoubleByteCharacter) {
  EXPECT_EQ(FindText(kAh, "\xA1"), -1);
  EXPECT_EQ(FindText("x" + kAh + kSpaceW, kSpaceW), 4);  // not at the pair straddling 啊's trail byte
  EXPECT_EQ(FindText(kBarTrail + "|", "|"), 3);
  EXPECT_EQ(FindText(kSlashTrail, "\\"), -1);
  EXPECT_EQ(FindTextReverse(kAh + kAh, "\xA1"), -1);
  EXPECT_EQ(FindTextReverse("x" + kAh + kSpaceW + "y", kSpaceW), 4);
  // A sought text that ends in a lone lead byte may not end halfway through a character.
  EXPECT_EQ(FindText("a" + kAh, "a\xB0"), -1);
}

TEST(TextSearch, IgnoreCaseFoldsOnlySingleByteLetters) {
  EXPECT_EQ(FindText("xxHeLLo", "hello", 1, true), 3);
  EXPECT_EQ(FindText("xxHeLLo", "hello"), -1);
  EXPECT_EQ(FindText(kUpperTrail, kLowerTrail, 1, true), -1);  // two different characters
  EXPECT_EQ(FindText(kUpperTrail + "A", kUpperTrail + "a", 1, true), 1);
}

TEST(TextSearch, StartPositionsAndEmptySought) {
  EXPECT_EQ(FindText("abcabc", "bc"), 2);
  EXPECT_EQ(FindText("abcabc", "bc", 3), 5);
  EXPECT_EQ(FindText("abcabc", "bc", 7), -1);
  EXPECT_EQ(FindText("abcabc", "bc", -4), 2);
  // A start on a trail byte moves on to the next character.
  EXPECT_EQ(FindText(kAh + kSpaceW, kSpaceW, 2), 3);
  EXPECT_EQ(FindText("abc", ""), 1);
  EXPECT_EQ(FindText("", ""), -1);
  EXPECT_EQ(FindText("", "a"), -1);
  EXPECT_EQ(FindTextReverse("abcabc", "bc"), 5);
  EXPECT_EQ(FindTextReverse("abcabc", "bc", 4), 2);
  EXPECT_EQ(FindTextReverse("abcabc", "bc", 5), 5);
  EXPECT_EQ(FindTextReverse("abcabc", "bc", 0), -1);
  EXPECT_EQ(FindTextReverse("abcabc", "BC", 99, true), 5);
}

TEST(TextReplace, CountsStartsAndCase) {
  EXPECT_EQ(ReplaceSubtext("a-b-c-d", "-", "+"), "a+b+c+d");
  EXPECT_EQ(ReplaceSubtext("a-b-c-d", "-", "+", 1, 2), "a+b+c-d");
  EXPECT_EQ(ReplaceSubtext("a-b-c-d", "-", "+", 4), "a-b+c+d");
  EXPECT_EQ(ReplaceSubtext("a-b-c-d", "-", "+", 1, 0), "a-b-c-d");
  EXPECT_EQ(ReplaceSubtext("aAaA", "a", "x", 1, -1, false), "xxxx");
  EXPECT_EQ(ReplaceSubtext("aAaA", "a", "x"), "xAxA");
  EXPECT_EQ(ReplaceSubtext("aaa", "aa", "a"), "aa");  // resumes after each replacement
  EXPECT_EQ(ReplaceSubtext("abc", "b"), "ac");
  EXPECT_EQ(ReplaceSubtext("", "b", "x"), "");
  EXPECT_EQ(ReplaceSubtext("abc", "", "x"), "abc");
}

TEST(TextReplace, LeavesDoubleByteCharactersWhole) {
  EXPECT_EQ(ReplaceSubtext(kAh + kAh, "\xA1", "x"), kAh + kAh);
  EXPECT_EQ(ReplaceSubtext(kSlashTrail + "\\" + kSlashTrail, "\\", "/"), kSlashTrail + "/" + kSlashTrail);
  EXPECT_EQ(ReplaceSubtext(kAh + kSpaceW, kSpaceW, " "), kAh + " ");
}

TEST(TextReplace, ReplaceSpanClampsToTheText) {
  EXPECT_EQ(ReplaceSpan("abcdef", 2, 3, "X"), "aXef");
  EXPECT_EQ(ReplaceSpan("abcdef", 5, 99, "X"), "abcdX");
  EXPECT_EQ(ReplaceSpan("abc", 9, 1, "X"), "abcX");
  EXPECT_EQ(ReplaceSpan("abc", -3, 1), "bc");
  EXPECT_EQ(ReplaceSpan("abc", 2, -1, "X"), "aXbc");
}

struct SplitCase {
  std::string text, delimiter;
  int maxPieces;
  TextArray expected;
};

class SplitTextTable : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitTextTable, Splits) {
  const SplitCase& c = GetParam();
  EXPECT_EQ(SplitText(c.text, c.delimiter, c.maxPieces), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitTextTable,
    testing::Values(SplitCase{"a,,b,", ",", -1, {"a", "", "b"}}, SplitCase{",a", ",", -1, {"", "a"}},
                    SplitCase{",", ",", -1, {""}}, SplitCase{"a,b,c", ",", 2, {"a", "b"}},
                    SplitCase{"a,b,c", ",", 0, {}}, SplitCase{"a,b,c", ",", 3, {"a", "b", "c"}},
                    SplitCase{"a,b", "", -1, {"a,b"}}, SplitCase{"", ",", -1, {}},
                    SplitCase{"a||b||", "||", -1, {"a", "b"}},
                    SplitCase{kBarTrail + "|" + kBarTrail, "|", -1, {kBarTrail, kBarTrail}},
                    SplitCase{"C:\\" + kSlashTrail + "\\x", "\\", -1, {"C:", kSlashTrail, "x"}},
                    SplitCase{kAh + kSpaceW + kAh, kSpaceW, -1, {kAh, kAh}},
                    SplitCase{kAh + kAh, "\xA1", -1, {kAh + kAh}}));

TEST(TextTrim, BlanksAreAsciiAndFullWidthSpaces) {
  EXPECT_EQ(TrimBoth(kSpaceW + " a b" + kSpaceW + " "), "a b");
  EXPECT_EQ(TrimBoth(kAh + kSpaceW), kAh);
  EXPECT_EQ(TrimBoth(kSpaceW + kSpaceW), "");
  EXPECT_EQ(TrimBoth(""), "");
  // 0xA1 0xA1 at the end is only a blank when it starts on a character boundary: here the
  // pair would straddle the trail of 啊 and a lone 0xA1.
  EXPECT_EQ(TrimBoth("x\xB0\xA1\xA1"), "x\xB0\xA1\xA1");
  EXPECT_EQ(TrimBoth("\t a\t"), "\t a\t");  // tabs are not blanks here
  EXPECT_EQ(RemoveSpaces(" a " + kSpaceW + "b" + kAh + " "), "ab" + kAh);
  EXPECT_EQ(RemoveSpaces("x\xB0\xA1\xA1\xA1"), "x\xB0\xA1");
}

TEST(TextCase, AsciiLettersOnly) {
  EXPECT_EQ(ToUpper("abc" + kLowerTrail + "xyZ"), "ABC" + kLowerTrail + "XYZ");
  EXPECT_EQ(ToLower("ABC" + kUpperTrail + "Q"), "abc" + kUpperTrail + "q");
}

TEST(TextCuts, LeftRightMidLimits) {
  EXPECT_EQ(LeftText("abc", 2), "ab");
  EXPECT_EQ(LeftText("abc", 0), "");
  EXPECT_EQ(LeftText("abc", -1), "");
  EXPECT_EQ(LeftText("abc", 9), "abc");
  EXPECT_EQ(RightText("abc", 5), "abc");
  EXPECT_EQ(RightText("abc", 1), "c");
  EXPECT_EQ(RightText("abc", -2), "");
  EXPECT_EQ(MidText("abc", 4, 1), "");
  EXPECT_EQ(MidText("abc", 0, 1), "");
  EXPECT_EQ(MidText("abc", 2, 9), "bc");
  EXPECT_EQ(MidText("abc", 2, 0), "");
  EXPECT_EQ(TextLength("信息"), 4);
}

TEST(TextCharacters, CodesAndBlanks) {
  EXPECT_EQ(CharCode("A"), 65);
  EXPECT_EQ(CharCode(kAh), -80);  // 0xB0 as a signed byte
  EXPECT_EQ(CharCode(kAh, 2), -95);
  EXPECT_EQ(CharCode("a", 2), 0);
  EXPECT_EQ(CharCode("a", 0), 0);
  EXPECT_EQ(CharOf(65), "A");
  EXPECT_EQ(CharOf(0x1B0), "\xB0");
  EXPECT_EQ(CharOf(0), "");
  EXPECT_EQ(BlankText(3), "   ");
  EXPECT_EQ(BlankText(0), "");
  EXPECT_EQ(BlankText(-5), "");
  EXPECT_TRUE(TextEqual("a" + kAh, "a" + kAh));
  EXPECT_FALSE(TextEqual("a", "A"));
}

}  // namespace
}  // namespace tarnvel
