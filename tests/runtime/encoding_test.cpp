// The one conversion between the program's UTF-8 texts and the UTF-16 of the system, and the
// GBK form of old settings files.
#include "runtime/encoding.h"

#include <gtest/gtest.h>

namespace tarnvel {
namespace {

std::u16string Units(std::initializer_list<char16_t> units) { return std::u16string(units); }

TEST(Utf16Conversion, EveryLengthOfSequenceRoundTrips) {
  // One character of each UTF-8 length, the longest forms at the ends of their ranges.
  const std::string text = "A\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF";
  const std::u16string units = Units({u'A', 0x0080, 0x07FF, 0x0800, 0xFFFF, 0xD800, 0xDC00, 0xDBFF, 0xDFFF});
  EXPECT_EQ(Utf8ToUtf16Exact(text), units);
  EXPECT_EQ(Utf16ToUtf8(units), text);
  EXPECT_TRUE(IsStrictUtf8(text));
  EXPECT_TRUE(IsWtf8(text));
}

TEST(Utf16Conversion, CharactersOfManyScriptsAndEmoji) {
  const std::string names = "信息 한글 日本語 العربية Ελληνικά кириллица café e\xCC\x81 😀";
  const auto units = Utf8ToUtf16Exact(names);
  ASSERT_TRUE(units);
  EXPECT_EQ((*units)[0], 0x4FE1);                                        // 信
  EXPECT_EQ(units->substr(units->size() - 2), Units({0xD83D, 0xDE00}));  // 😀 as a pair
  EXPECT_EQ(Utf16ToUtf8(*units), names);
  // The composed and the decomposed é stay two different texts.
  EXPECT_NE(Utf8ToUtf16Exact("caf\xC3\xA9"), Utf8ToUtf16Exact("cafe\xCC\x81"));
}

TEST(Utf16Conversion, LoneSurrogatesTravelAsWtf8AndComeBack) {
  const std::u16string lone = Units({u'a', 0xD83D, u'b', 0xDE00, 0xDC00, 0xD800});
  const std::string wtf8 = Utf16ToUtf8(lone);
  EXPECT_EQ(wtf8,
            "a\xED\xA0\xBD"
            "b\xED\xB8\x80\xED\xB0\x80\xED\xA0\x80");
  EXPECT_TRUE(IsWtf8(wtf8));
  EXPECT_FALSE(IsStrictUtf8(wtf8));
  EXPECT_EQ(Utf8ToUtf16Exact(wtf8), lone);
  // A low half before a high half is no pair: both stay lone.
  EXPECT_EQ(Utf8ToUtf16Exact(Utf16ToUtf8(Units({0xDC00, 0xD800}))), Units({0xDC00, 0xD800}));
  // A pair always has the four-byte spelling; its two halves spelled apart are refused, so no
  // name has two spellings.
  EXPECT_EQ(Utf16ToUtf8(Units({0xD83D, 0xDE00})), "\xF0\x9F\x98\x80");
  EXPECT_FALSE(IsWtf8("\xED\xA0\xBD\xED\xB8\x80"));
  EXPECT_EQ(Utf8ToUtf16Exact("\xED\xA0\xBD\xED\xB8\x80"), std::nullopt);
}

TEST(Utf16Conversion, BytesThatAreNoCharacterAreRefusedOrShownAsReplacement) {
  for (const std::string bad : {"\x80", "\xC0\x80", "\xC1\xBF", "\xE0\x9F\xBF", "\xF0\x8F\xBF\xBF",
                                "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xFF", "\xE4\xB8", "\xF0\x9F\x98"}) {
    EXPECT_EQ(Utf8ToUtf16Exact("x" + bad), std::nullopt) << testing::PrintToString(bad);
    EXPECT_FALSE(IsWtf8(bad));
    EXPECT_EQ(Utf8SequenceLength(bad, 0), 0u);
  }
  // For display, each stray byte is one U+FFFD and the characters around it stay.
  EXPECT_EQ(Utf8ToUtf16("a\xE4\xB8"
                        "b\x80\xE4\xB8\xAD"),
            Units({u'a', 0xFFFD, 0xFFFD, u'b', 0xFFFD, 0x4E2D}));
  EXPECT_EQ(Utf8ToUtf16(""), u"");
  EXPECT_EQ(Utf8ToUtf16Exact(""), u"");
}

TEST(Utf16Conversion, WideFormsAreTheSameCodeUnits) {
  const std::string text = "目录 \xF0\x9F\x98\x80 \xED\xA0\x80";
  const auto wide = Utf8ToWideExact(text);
  ASSERT_TRUE(wide);
  ASSERT_EQ(wide->size(), 7u);  // 目 录 blank, a pair, blank, a lone surrogate
  EXPECT_EQ((*wide)[3], static_cast<wchar_t>(0xD83D));
  EXPECT_EQ((*wide)[6], static_cast<wchar_t>(0xD800));
  EXPECT_EQ(WideToUtf8(*wide), text);
  EXPECT_EQ(Utf8ToWide("a\xFF"), std::wstring(L"a\xFFFD"));
  EXPECT_EQ(Utf8ToWideExact("a\xFF"), std::nullopt);
}

TEST(Utf16Conversion, LittleEndianBytesOfTextFiles) {
  const std::string text = "Orvane目录同步😀";
  const std::string le = Utf8ToUtf16Le(text);
  EXPECT_EQ(le.size(), (6 + 4 + 2) * 2u);
  EXPECT_EQ(le.substr(12, 2), std::string("\xEE\x76", 2));  // 目 U+76EE
  EXPECT_EQ(le.substr(20), std::string("\x3D\xD8\x00\xDE", 4));
  EXPECT_EQ(Utf16LeToUtf8(le), text);
  EXPECT_EQ(Utf16LeToUtf8(std::string("\x00\xD8", 2)), "\xED\xA0\x80");  // a lone half stays
}

TEST(Utf16Fields, ALongTextIsCutAtAWholeCharacterWithinTheField) {
  // The tip takes 127 units and its terminator: 126 letters and an emoji (a pair) do not fit,
  // so the emoji goes as a whole rather than leaving its first half.
  const std::string tip = std::string(126, 'a') + "😀";
  EXPECT_EQ(CutToUtf16Field(tip, kTrayTipUnits), std::string(126, 'a'));
  EXPECT_EQ(CutToUtf16Field(std::string(125, 'a') + "😀b", kTrayTipUnits), std::string(125, 'a') + "😀");
  // Chinese and Korean are one unit per character, three bytes each.
  std::string title;
  for (int i = 0; i < 70; ++i) title += i % 2 ? "목" : "录";
  const std::string cut = CutToUtf16Field(title, kBalloonTitleUnits);
  EXPECT_EQ(cut.size(), 63u * 3);
  EXPECT_EQ(title.rfind(cut, 0), 0u);
  const auto units = Utf8ToUtf16Exact(CutToUtf16Field(std::string(300, 'x') + "é", kBalloonTextUnits));
  ASSERT_TRUE(units);
  EXPECT_EQ(units->size(), 255u);
  // What fits stays whole; a decomposed accent is two characters and may be cut between.
  EXPECT_EQ(CutToUtf16Field("信息：完成", kTrayTipUnits), "信息：完成");
  EXPECT_EQ(CutToUtf16Field("e\xCC\x81", 2), "e");
  EXPECT_EQ(CutToUtf16Field("😀", 2), "");
  EXPECT_EQ(CutToUtf16Field("abc", 0), "");
}

TEST(GbkFiles, ConvertBothWaysAndReportWhatGbkCannotHold) {
  const std::string gbk = "Orvane\xC4\xBF\xC2\xBC\xCD\xAC\xB2\xBD";  // Orvane目录同步
  EXPECT_EQ(GbkToUtf8(gbk), "Orvane目录同步");
  EXPECT_EQ(Utf8ToGbk("Orvane目录同步"), gbk);
  EXPECT_EQ(Utf8ToGbk("d:\\目录"), "d:\\\xC4\xBF\xC2\xBC");
  EXPECT_EQ(Utf8ToGbk("plain"), "plain");
  // Korean, an emoji, a lone surrogate and bytes that are no UTF-8 have no GBK form: no "?".
  EXPECT_EQ(Utf8ToGbk("한글"), std::nullopt);
  EXPECT_EQ(Utf8ToGbk("a😀b"), std::nullopt);
  EXPECT_EQ(Utf8ToGbk("\xED\xA0\x80"), std::nullopt);
  EXPECT_EQ(Utf8ToGbk("中\xED\xB0\x80"), std::nullopt);  // a lone low half after a character
  EXPECT_EQ(Utf8ToGbk("\xB0\xA1"), std::nullopt);
  // A lone lead byte of GBK is no character: it shows as U+FFFD, the rest is read.
  EXPECT_EQ(GbkToUtf8("a\xC4\xBF\xC4"), "a目\xEF\xBF\xBD");
}

TEST(PathSeparators, CollapseKeepsShareNames) {
  EXPECT_EQ(CollapseSeparators("C:\\a\\\\b//c"), "C:\\a\\b\\c");
  EXPECT_EQ(CollapseSeparators("\\\\server\\\\share"), "\\\\server\\share");
  EXPECT_EQ(CollapseSeparators("//srv/目录//한글"), "\\\\srv\\目录\\한글");
  // No byte of a UTF-8 character is a separator: "乗" (E4 B9 97) and "ー" (E3 83 BC) stay whole.
  EXPECT_EQ(CollapseSeparators("C:\\乗\\\\ー\\"), "C:\\乗\\ー\\");
}

TEST(PathSeparators, LastComponentAndVanishingNames) {
  EXPECT_EQ(LastPathComponent("a\\b.\\"), "b.");
  EXPECT_EQ(LastPathComponent("C:\\目录\\한글.txt"), "한글.txt");
  EXPECT_EQ(LastPathComponent("emoji😀"), "emoji😀");
  EXPECT_EQ(LastPathComponent("x/y//"), "y");
  EXPECT_EQ(LastPathComponent("\\\\"), "");
  EXPECT_TRUE(IsVanishingName("..."));
  EXPECT_TRUE(IsVanishingName(". ."));
  EXPECT_FALSE(IsVanishingName(".."));
  EXPECT_FALSE(IsVanishingName("."));
  EXPECT_FALSE(IsVanishingName(".　"));  // the full-width space is a character of the name
}

TEST(PathSeparators, APathThatIsNoTextNamesNothing) {
  EXPECT_EQ(PathToWide("C:\\a\xFF"), std::wstring());
  EXPECT_EQ(PathToWide("C:\\目录"), std::wstring(L"C:\\\x76EE\x5F55"));
}

}  // namespace
}  // namespace tarnvel
