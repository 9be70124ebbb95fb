// The settings-file parser and writer over bytes in each encoding a settings file comes in.
#include "runtime/inifile.h"

#include <gtest/gtest.h>

#include "runtime/encoding.h"

namespace tarnvel {
namespace {

std::string Rewrite(std::string_view bytes, std::string_view section, std::string_view key,
                    std::string_view value) {
  IniDocument doc = ParseIni(bytes);
  EXPECT_TRUE(SetIniValue(doc, section, key, value));
  return SerializeIni(doc);
}

TEST(IniParse, NamesIgnoreAsciiCaseAndBlanksAndQuotes) {
  const IniDocument doc = ParseIni(
      "; 说明\r\n"
      "top=before any section\r\n"
      "  [ Dir ]  \r\n"
      "\tInstall =  d:\\备份  \r\n"
      "EC=\"1\"\r\n"
      "plain line without equals\r\n"
      "[other]\r\n"
      "Install=elsewhere\r\n");
  EXPECT_EQ(IniValue(doc, "DIR", "install"), "d:\\备份");
  EXPECT_EQ(IniValue(doc, "dir", "EC"), "1");
  EXPECT_EQ(IniValue(doc, "other", "INSTALL"), "elsewhere");
  EXPECT_EQ(IniValue(doc, "dir", "missing"), std::nullopt);
  EXPECT_EQ(IniValue(doc, "nosuch", "Install"), std::nullopt);
  EXPECT_EQ(IniValue(doc, "dir", "top"), std::nullopt);  // lines before any section belong to none
}

TEST(IniParse, TextAfterTheValueBelongsToIt) {
  // The hand-written form that the usage notes show: the apostrophe starts no remark.
  const IniDocument doc = ParseIni("[DIR]\r\nInstall=d:\\备份 '这里设置\r\nEC=1 '是否\r\n");
  EXPECT_EQ(IniValue(doc, "DIR", "Install"), "d:\\备份 '这里设置");
  EXPECT_EQ(IniValue(doc, "DIR", "EC"), "1 '是否");
}

// GBK bytes of a text, for files written by earlier versions.
std::string Gbk(std::string_view utf8) { return Utf8ToGbk(utf8).value(); }

TEST(IniParse, GbkTrailBytesAreNeverBracketsOrLetters) {
  // In a GBK file the pair 0x81 0x5D ends in the byte of "]" and 0x81 0x61 in that of "a": a
  // two-byte character is one unit, so it closes no section and "\x81\x61" and "\x81\x41" differ.
  const IniDocument doc = ParseIni("[\x81\x5D]\r\nk\x81\x61=1\r\n");
  ASSERT_EQ(doc.encoding, IniEncoding::kGbk);
  const std::string section = GbkToUtf8("\x81\x5D");
  EXPECT_EQ(IniValue(doc, section, "k" + GbkToUtf8("\x81\x61")), "1");
  EXPECT_EQ(IniValue(doc, section, "K" + GbkToUtf8("\x81\x61")), "1");
  EXPECT_EQ(IniValue(doc, section, "k" + GbkToUtf8("\x81\x41")), std::nullopt);
}

TEST(IniParse, AByteThatIsNoCharacterNeverSwallowsADelimiter) {
  // Names and values ending in a byte that starts no UTF-8 character, or in a GBK lead byte:
  // what is written reads back, and writing it again adds no second copy.
  for (const std::string odd : {"\xB0", "\xE4\xB8", "\x81", "\xFF"}) {
    for (const std::string& start :
         {std::string(), std::string("\xEF\xBB\xBF"), Gbk("[目录]\r\nk=备份\r\n")}) {
      IniDocument doc = ParseIni(start);
      ASSERT_TRUE(SetIniValue(doc, "s" + odd, "k" + odd, "v" + odd));
      ASSERT_TRUE(SetIniValue(doc, "s" + odd, "j", "w"));
      const std::string saved = SerializeIni(doc);
      IniDocument again = ParseIni(saved);
      EXPECT_EQ(IniValue(again, "s" + odd, "k" + odd), "v" + odd) << testing::PrintToString(saved);
      EXPECT_EQ(IniValue(again, "s" + odd, "j"), "w");
      ASSERT_TRUE(SetIniValue(again, "s" + odd, "k" + odd, "v" + odd));
      EXPECT_EQ(SerializeIni(again), saved);
      if (!start.empty() && start[0] == '[') {
        EXPECT_EQ(IniValue(again, "目录", "k"), "备份");
      }
    }
  }
}

TEST(IniParse, LongValuesAreCutWithoutSplittingACharacter) {
  const std::string exact(kIniValueLimit, 'v');
  EXPECT_EQ(IniValue(ParseIni("[s]\nk=" + exact + "\n"), "s", "k"), exact);
  EXPECT_EQ(IniValue(ParseIni("[s]\nk=" + exact + "vv\n"), "s", "k"), exact);
  std::string pairs;
  for (int i = 0; i < 5120; ++i) pairs += "é";  // 10,240 bytes: the last whole character ends at 10,238
  const auto cut = IniValue(ParseIni("[s]\nk=" + pairs + "\n"), "s", "k");
  ASSERT_TRUE(cut);
  EXPECT_EQ(cut->size(), kIniValueLimit - 1);
}

TEST(IniWrite, ReplacingAValueKeepsEveryOtherLineAndTheLineEnds) {
  const std::string before = "; keep me\r\n[DIR]\r\nInstall=old\r\n; inner\r\nEC=0\r\n\r\n[Next]\r\nx=1\r\n";
  // An ASCII file is taken for GBK, and "新" fits.
  EXPECT_EQ(Rewrite(before, "dir", "INSTALL", "e:\\新"),
            Gbk("; keep me\r\n[DIR]\r\nInstall=e:\\新\r\n; inner\r\nEC=0\r\n\r\n[Next]\r\nx=1\r\n"));
  // A new key goes after the section's last non-blank line, before the blank that separates it.
  EXPECT_EQ(Rewrite(before, "DIR", "Added", "v"),
            "; keep me\r\n[DIR]\r\nInstall=old\r\n; inner\r\nEC=0\r\nAdded=v\r\n\r\n[Next]\r\nx=1\r\n");
  // A missing section is appended; a file without a final line end gets one first.
  EXPECT_EQ(Rewrite("[a]\nx=1", "B", "y", "2"), "[a]\nx=1\n[B]\ny=2\n");
  // A new file is UTF-8 with a byte-order mark.
  EXPECT_EQ(Rewrite("", "DIR", "Install", "d:\\x"), "\xEF\xBB\xBF[DIR]\r\nInstall=d:\\x\r\n");
}

TEST(IniParse, ACarriageReturnAtTheVeryEndIsTextNotALineEnd) {
  // Found by fuzzing: "x\r" at the end of a CR LF file lost its CR on every parse, so the file
  // changed each time it was written.
  const std::string bytes = "[s]\r\nk=1\r\nx\r\r";
  const IniDocument doc = ParseIni(bytes);
  ASSERT_EQ(doc.lines.size(), 3u);
  EXPECT_EQ(doc.lines[2], "x\r\r");
  EXPECT_EQ(SerializeIni(doc), bytes);
  EXPECT_EQ(ParseIni(SerializeIni(doc)).lines, doc.lines);
}

TEST(IniWrite, DeletesKeysAndWholeSections) {
  IniDocument doc = ParseIni("[A]\r\nk=1\r\nj=2\r\n[B]\r\nk=3\r\n[a]\r\nk=4\r\n");
  EXPECT_TRUE(DeleteIniKey(doc, "a", "K"));
  EXPECT_EQ(IniValue(doc, "A", "k"), std::nullopt);  // from both sections called A
  EXPECT_EQ(IniValue(doc, "B", "k"), "3");
  EXPECT_FALSE(DeleteIniKey(doc, "A", "k"));
  EXPECT_TRUE(DeleteIniSection(doc, "A"));
  EXPECT_EQ(SerializeIni(doc), "[B]\r\nk=3\r\n");
  EXPECT_FALSE(DeleteIniSection(doc, "A"));
}

TEST(IniWrite, RefusesWhatWouldBreakTheFilesLines) {
  const std::string before = "[s]\r\nk=1\r\n";
  IniDocument doc = ParseIni(before);
  EXPECT_FALSE(SetIniValue(doc, "s", "k", "1\r\n[evil]\r\nx=2"));
  EXPECT_FALSE(SetIniValue(doc, "s", "a=b", "1"));
  EXPECT_FALSE(SetIniValue(doc, "s]x", "k", "1"));
  EXPECT_FALSE(SetIniValue(doc, "s", "  ", "1"));
  EXPECT_FALSE(SetIniValue(doc, "", "k", "1"));
  EXPECT_FALSE(SetIniValue(doc, "s", ";k", "1"));
  EXPECT_FALSE(SetIniValue(doc, "s", "k", std::string_view("a\0b", 3)));
  EXPECT_EQ(SerializeIni(doc), before);
}

TEST(IniEncodingTest, DetectsEachForm) {
  EXPECT_EQ(DetectIniEncoding("[DIR]\r\nEC=1\r\n"), IniEncoding::kGbk);  // plain ASCII
  EXPECT_EQ(DetectIniEncoding(Gbk("[DIR]\r\nInstall=d:\\备份\r\n")), IniEncoding::kGbk);
  EXPECT_EQ(DetectIniEncoding("\xC1\xAA\xCD\xA8"), IniEncoding::kGbk);  // GBK that looks nearly UTF-8
  EXPECT_EQ(DetectIniEncoding("[DIR]\r\nInstall=d:\\备份\r\n"), IniEncoding::kUtf8);
  EXPECT_EQ(DetectIniEncoding("x=\xED\xA0\x80"), IniEncoding::kGbk);  // a surrogate is no UTF-8 here
  EXPECT_EQ(DetectIniEncoding("\xEF\xBB\xBF[DIR]"), IniEncoding::kUtf8Bom);
  EXPECT_EQ(DetectIniEncoding("\xFF\xFE[\0"), IniEncoding::kUtf16Le);
  EXPECT_TRUE(IsStrictUtf8("\xE4\xB8\xAD\xF0\x9F\x98\x80"));
  EXPECT_FALSE(IsStrictUtf8("\xC0\x80"));          // overlong
  EXPECT_FALSE(IsStrictUtf8("\xED\xA0\x80"));      // a surrogate
  EXPECT_FALSE(IsStrictUtf8("\xF4\x90\x80\x80"));  // beyond U+10FFFF
  EXPECT_FALSE(IsStrictUtf8("\xE4\xB8"));          // cut short
}

TEST(IniEncodingTest, GbkFilesStayGbkWhileEveryValueFits) {
  const std::string before = Gbk("; 说明\r\n[DIR]\r\nInstall=d:\\备份\r\n");
  IniDocument doc = ParseIni(before);
  ASSERT_EQ(doc.encoding, IniEncoding::kGbk);
  EXPECT_EQ(IniValue(doc, "DIR", "Install"), "d:\\备份");
  ASSERT_TRUE(SetIniValue(doc, "DIR", "EC", "1"));
  ASSERT_TRUE(SetIniValue(doc, "DIR", "Note", "资料"));
  EXPECT_EQ(SerializeIni(doc), Gbk("; 说明\r\n[DIR]\r\nInstall=d:\\备份\r\nEC=1\r\nNote=资料\r\n"));
}

TEST(IniEncodingTest, AGbkFileTheNextReadWouldTakeForUtf8BecomesUtf8WithTheMark) {
  // "目录" is C4 BF C2 BC in GBK: two valid UTF-8 characters. Alone in the file, it would come
  // back as "D:\ĿJ¼" (or "?") at the next read.
  IniDocument doc = ParseIni("[DIR]\r\nEC=1\r\n");
  ASSERT_EQ(doc.encoding, IniEncoding::kGbk);
  ASSERT_TRUE(SetIniValue(doc, "DIR", "Install", "D:\\目录"));
  const std::string saved = SerializeIni(doc);
  EXPECT_EQ(saved, "\xEF\xBB\xBF[DIR]\r\nEC=1\r\nInstall=D:\\目录\r\n");
  EXPECT_EQ(IniValue(ParseIni(saved), "DIR", "Install"), "D:\\目录");
  // The same value beside one the guess reads as GBK keeps the file GBK.
  IniDocument mixed = ParseIni(Gbk("[DIR]\r\nEC=1\r\nNote=备份\r\n"));
  ASSERT_TRUE(SetIniValue(mixed, "DIR", "Install", "D:\\目录"));
  EXPECT_EQ(SerializeIni(mixed), Gbk("[DIR]\r\nEC=1\r\nNote=备份\r\nInstall=D:\\目录\r\n"));
  // Deleting that other value would leave bytes that look like UTF-8: then the file switches.
  ASSERT_TRUE(DeleteIniKey(mixed, "DIR", "Note"));
  EXPECT_EQ(SerializeIni(mixed), "\xEF\xBB\xBF[DIR]\r\nEC=1\r\nInstall=D:\\目录\r\n");
}

TEST(IniEncodingTest, AUtf8FileWithoutTheMarkGetsItWhenItWouldNoLongerBeValid) {
  IniDocument doc = ParseIni("[DIR]\nInstall=d:\\备份\n");
  ASSERT_EQ(doc.encoding, IniEncoding::kUtf8);
  ASSERT_TRUE(SetIniValue(doc, "DIR", "Odd", "x\xB0"));
  EXPECT_EQ(SerializeIni(doc), "\xEF\xBB\xBF[DIR]\nInstall=d:\\备份\nOdd=x\xB0\n");
  // A UTF-16 file can hold every character but no stray byte: such an item is refused.
  IniDocument wide = ParseIni("\xFF\xFE" + Utf8ToUtf16Le("[DIR]\r\n"));
  EXPECT_FALSE(SetIniValue(wide, "DIR", "Odd", "x\xB0"));
  EXPECT_TRUE(SetIniValue(wide, "DIR", "Lone", "\xED\xA0\x80"));
}

TEST(IniEncodingTest, AValueGbkCannotHoldMakesTheFileUtf8WithEveryLineKept) {
  for (const std::string value : {"d:\\한글", "e:\\emoji😀", "f:\\café naïve", "g:\\Ελληνικά"}) {
    IniDocument doc = ParseIni(Gbk("; 说明\r\n[DIR]\r\nInstall=d:\\备份\r\nEC=1\r\n"));
    ASSERT_TRUE(SetIniValue(doc, "DIR", "Install", value));
    const std::string saved = SerializeIni(doc);
    EXPECT_EQ(saved, "\xEF\xBB\xBF; 说明\r\n[DIR]\r\nInstall=" + value + "\r\nEC=1\r\n");
    EXPECT_EQ(saved.find('?'), std::string::npos);
    EXPECT_EQ(IniValue(ParseIni(saved), "DIR", "Install"), value);
  }
  // A name GBK cannot hold is found in no GBK file, and deleting it changes nothing.
  IniDocument doc = ParseIni(Gbk("[DIR]\r\nEC=1\r\n"));
  EXPECT_EQ(IniValue(doc, "DIR", "한"), std::nullopt);
  EXPECT_FALSE(DeleteIniKey(doc, "DIR", "한"));
  EXPECT_FALSE(DeleteIniSection(doc, "한"));
  EXPECT_EQ(doc.encoding, IniEncoding::kGbk);
}

TEST(IniEncodingTest, Utf8FilesKeepTheirForm) {
  const std::string emojiLine = "note=\xF0\x9F\x98\x80";
  for (const std::string bom : {"", "\xEF\xBB\xBF"}) {
    const std::string bytes = bom + "[目录]\n安装=d:\\备份\n" + emojiLine + "\n";
    IniDocument doc = ParseIni(bytes);
    EXPECT_EQ(IniValue(doc, "目录", "安装"), "d:\\备份");
    EXPECT_EQ(IniValue(doc, "目录", "note"), "😀");
    ASSERT_TRUE(SetIniValue(doc, "目录", "安装", "e:\\목록"));
    EXPECT_EQ(SerializeIni(doc), bom + "[目录]\n安装=e:\\목록\n" + emojiLine + "\n");
  }
}

TEST(IniEncodingTest, Utf16FilesKeepTheirFormAndSurrogatePairs) {
  const std::string smile = std::string("\x3D\xD8\x00\xDE", 4);  // U+1F600 in UTF-16 LE
  const std::string bytes =
      "\xFF\xFE" + Utf8ToUtf16Le("[DIR]\r\nInstall=d:\\备份\r\nnote=") + smile + Utf8ToUtf16Le("\r\n");
  IniDocument doc = ParseIni(bytes);
  EXPECT_EQ(doc.encoding, IniEncoding::kUtf16Le);
  EXPECT_EQ(IniValue(doc, "dir", "install"), "d:\\备份");
  ASSERT_TRUE(SetIniValue(doc, "DIR", "EC", "1"));
  EXPECT_EQ(IniValue(doc, "dir", "note"), "😀");
  ASSERT_TRUE(SetIniValue(doc, "DIR", "lone", "\xED\xA0\x80"));  // a lone surrogate stays one
  EXPECT_EQ(SerializeIni(doc), "\xFF\xFE" + Utf8ToUtf16Le("[DIR]\r\nInstall=d:\\备份\r\nnote=") + smile +
                                   Utf8ToUtf16Le("\r\nEC=1\r\nlone=") + std::string("\x00\xD8", 2) +
                                   Utf8ToUtf16Le("\r\n"));
}

}  // namespace
}  // namespace tarnvel
