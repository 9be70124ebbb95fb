#include "runtime/text.h"

#include <gtest/gtest.h>

namespace tarnvel {
namespace {

// UTF-8 characters whose parts are bytes a search could wrongly take alone. No byte of a
// multi-byte character is ASCII, so "\\", "|" and letters can only match themselves.
const std::string kZhong = "中";             // E4 B8 AD
const std::string kSpaceW = "　";            // E3 80 80
const std::string kEmoji = "😀";              // F0 9F 98 80
const std::string kCombining = "e\xCC\x81";  // e + U+0301: two characters
const std::string kUpperA = "Ä", kLowerA = "ä";

TEST(TextSearch, NeverMatchesInsideACharacter) {
  EXPECT_EQ(FindText(kZhong, "\xAD"), -1);          // its last byte
  EXPECT_EQ(FindText(kZhong, "\xB8\xAD"), -1);      // its last two bytes
  EXPECT_EQ(FindText(kZhong, "\xE4\xB8"), -1);      // its first two: the match would end inside
  EXPECT_EQ(FindText(kEmoji + "\x80", "\x80"), 5);  // the stray byte after it, not its own last byte
  EXPECT_EQ(FindText(kEmoji, "\x9F\x98"), -1);
  EXPECT_EQ(FindText("x" + kZhong + kSpaceW, kSpaceW), 5);
  EXPECT_EQ(FindTextReverse(kZhong + kZhong, "\xAD"), -1);
  EXPECT_EQ(FindTextReverse("x" + kSpaceW + kZhong + kSpaceW + "y", kSpaceW), 8);
  // A whole character is found wherever it stands, also next to invalid bytes.
  EXPECT_EQ(FindText("\xFF" + kZhong, kZhong), 2);
  EXPECT_EQ(FindText("\xE4" + kZhong, kZhong), 2);  // a lead byte without its sequence is one unit
  EXPECT_EQ(FindText(kCombining, "e"), 1);          // e and the accent are two characters
}

TEST(TextSearch, IgnoreCaseFoldsOnlyAsciiLetters) {
  EXPECT_EQ(FindText("xxHeLLo", "hello", 1, true), 3);
  EXPECT_EQ(FindText("xxHeLLo", "hello"), -1);
  EXPECT_EQ(FindText(kUpperA, kLowerA, 1, true), -1);  // two different characters here
  EXPECT_EQ(FindText(kUpperA + "A", kUpperA + "a", 1, true), 1);
}

TEST(TextSearch, StartPositionsAndEmptySought) {
  EXPECT_EQ(FindText("abcabc", "bc"), 2);
  EXPECT_EQ(FindText("abcabc", "bc", 3), 5);
  EXPECT_EQ(FindText("abcabc", "bc", 7), -1);
  EXPECT_EQ(FindText("abcabc", "bc", -4), 2);
  // A start inside a character moves on to the next character.
  EXPECT_EQ(FindText(kZhong + kSpaceW, kSpaceW, 2), 4);
  EXPECT_EQ(FindText(kZhong + kZhong, kZhong, 2), 4);
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

TEST(TextReplace, LeavesCharactersWhole) {
  EXPECT_EQ(ReplaceSubtext(kZhong + kZhong, "\xAD", "x"), kZhong + kZhong);
  EXPECT_EQ(ReplaceSubtext(kZhong + "\xAD", "\xAD", "x"), kZhong + "x");  // the stray byte only
  EXPECT_EQ(ReplaceSubtext("乗\\乗", "\\", "/"), "乗/乗");
  EXPECT_EQ(ReplaceSubtext(kZhong + kSpaceW, kSpaceW, " "), kZhong + " ");
  EXPECT_EQ(ReplaceSubtext(kEmoji + "a" + kEmoji, kEmoji, "?"), "?a?");
  EXPECT_EQ(ReplaceSubtext(kZhong + kZhong, "x", "y", 2), kZhong + kZhong);  // start inside 中
}

TEST(TextReplace, ReplaceSpanClampsToTheText) {
  EXPECT_EQ(ReplaceSpan("abcdef", 2, 3, "X"), "aXef");
  EXPECT_EQ(ReplaceSpan("abcdef", 5, 99, "X"), "abcdX");
  EXPECT_EQ(ReplaceSpan("abc", 9, 1, "X"), "abcX");
  EXPECT_EQ(ReplaceSpan("abc", -3, 1), "bc");
  EXPECT_EQ(ReplaceSpan("abc", 2, -1, "X"), "aXbc");
  // A span that begins or ends inside a character takes all of it; an insertion goes before it.
  EXPECT_EQ(ReplaceSpan("a" + kZhong + "b", 3, 1, "X"), "aXb");
  EXPECT_EQ(ReplaceSpan("a" + kZhong + "b", 1, 2, "X"), "Xb");
  EXPECT_EQ(ReplaceSpan("a" + kZhong + "b", 3, 0, "X"), "aX" + kZhong + "b");
  EXPECT_EQ(ReplaceSpan(kEmoji + kEmoji, 2, 4), "");
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

INSTANTIATE_TEST_SUITE_P(Cases, SplitTextTable,
                         testing::Values(SplitCase{"a,,b,", ",", -1, {"a", "", "b"}},
                                         SplitCase{",a", ",", -1, {"", "a"}}, SplitCase{",", ",", -1, {""}},
                                         SplitCase{"a,b,c", ",", 2, {"a", "b"}},
                                         SplitCase{"a,b,c", ",", 0, {}},
                                         SplitCase{"a,b,c", ",", 3, {"a", "b", "c"}},
                                         SplitCase{"a,b", "", -1, {"a,b"}}, SplitCase{"", ",", -1, {}},
                                         SplitCase{"a||b||", "||", -1, {"a", "b"}},
                                         SplitCase{"한글|목록", "|", -1, {"한글", "목록"}},
                                         SplitCase{"C:\\乗\\x", "\\", -1, {"C:", "乗", "x"}},
                                         SplitCase{kZhong + kSpaceW + kZhong, kSpaceW, -1, {kZhong, kZhong}},
                                         SplitCase{kZhong + kZhong, "\xAD", -1, {kZhong + kZhong}},
                                         SplitCase{kEmoji + "," + kEmoji + ",", ",", -1, {kEmoji, kEmoji}},
                                         SplitCase{"a\xFF,b", ",", -1, {"a\xFF", "b"}}));

TEST(TextTrim, BlanksAreAsciiAndFullWidthSpaces) {
  EXPECT_EQ(TrimBoth(kSpaceW + " a b" + kSpaceW + " "), "a b");
  EXPECT_EQ(TrimBoth(kZhong + kSpaceW), kZhong);
  EXPECT_EQ(TrimBoth(kSpaceW + kSpaceW), "");
  EXPECT_EQ(TrimBoth(""), "");
  // E3 80 80 is only a blank as a whole character: inside "〠" (E3 80 A0) followed by 80 there
  // is none, and a full-width space cut short is no blank.
  EXPECT_EQ(TrimBoth("x\xE3\x80\xA0\x80"), "x\xE3\x80\xA0\x80");
  EXPECT_EQ(TrimBoth("x\xE3\x80"), "x\xE3\x80");
  EXPECT_EQ(TrimBoth("\t a\t"), "\t a\t");                        // tabs are not blanks here
  EXPECT_EQ(TrimBoth("\xC2\xA0x\xC2\xA0"), "\xC2\xA0x\xC2\xA0");  // nor is the no-break space
  EXPECT_EQ(RemoveSpaces(" a " + kSpaceW + "b" + kZhong + " "), "ab" + kZhong);
  EXPECT_EQ(RemoveSpaces(kEmoji + " " + kEmoji), kEmoji + kEmoji);
}

TEST(TextCase, AsciiLettersOnly) {
  EXPECT_EQ(ToUpper("abc" + kLowerA + "xyZ"), "ABC" + kLowerA + "XYZ");
  EXPECT_EQ(ToLower("ABC" + kUpperA + "Q"), "abc" + kUpperA + "q");
  EXPECT_EQ(ToUpper("ελληνικά é"), "ελληνικά é");
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
  EXPECT_EQ(TextLength("信息"), 6);
  EXPECT_EQ(TextLength(kEmoji), 4);
}

TEST(TextCuts, NeverInsideACharacter) {
  const std::string t = "a" + kZhong + kEmoji;  // bytes 1 | 2-4 | 5-8
  EXPECT_EQ(LeftText(t, 1), "a");
  EXPECT_EQ(LeftText(t, 2), "a");
  EXPECT_EQ(LeftText(t, 3), "a");
  EXPECT_EQ(LeftText(t, 4), "a" + kZhong);
  EXPECT_EQ(LeftText(t, 7), "a" + kZhong);
  EXPECT_EQ(LeftText(t, 8), t);
  EXPECT_EQ(RightText(t, 3), "");
  EXPECT_EQ(RightText(t, 4), kEmoji);
  EXPECT_EQ(RightText(t, 6), kEmoji);
  EXPECT_EQ(RightText(t, 7), kZhong + kEmoji);
  EXPECT_EQ(MidText(t, 2, 3), kZhong);
  EXPECT_EQ(MidText(t, 2, 2), "");
  EXPECT_EQ(MidText(t, 3, 6), kEmoji);  // starts inside 中: from the next character on
  EXPECT_EQ(MidText(t, 1, 5), "a" + kZhong);
  // Stray bytes are characters of their own and may be cut between.
  EXPECT_EQ(LeftText("\xFF\xFE", 1), "\xFF");
  EXPECT_EQ(MidText("\xE4\xB8x", 2, 1), "\xB8");
}

TEST(TextCharacters, CodesAndBlanks) {
  EXPECT_EQ(CharCode("A"), 65);
  EXPECT_EQ(CharCode(kZhong), -28);  // 0xE4 as a signed byte
  EXPECT_EQ(CharCode(kZhong, 3), -83);
  EXPECT_EQ(CharCode("a", 2), 0);
  EXPECT_EQ(CharCode("a", 0), 0);
  EXPECT_EQ(CharOf(65), "A");
  EXPECT_EQ(CharOf(0x1E4), "\xE4");
  EXPECT_EQ(CharOf(0), "");
  EXPECT_EQ(BlankText(3), "   ");
  EXPECT_EQ(BlankText(0), "");
  EXPECT_EQ(BlankText(-5), "");
  EXPECT_TRUE(TextEqual("a" + kZhong, "a" + kZhong));
  EXPECT_FALSE(TextEqual("caf\xC3\xA9", "caf" + kCombining));
  EXPECT_FALSE(TextEqual("a", "A"));
}

}  // namespace
}  // namespace tarnvel
