// Memory files and the data format: platform-free, so they run natively under the sanitizers too.
#include "runtime/openfile.h"

#include <gtest/gtest.h>

#include <cstring>

namespace tarnvel {
namespace {

// A memory file closed at the end of the test.
class MemoryFile {
 public:
  MemoryFile() : number(FileOpenMemory()) {}
  ~MemoryFile() { CloseFile(number); }
  ByteString All() const {
    const std::int64_t at = FilePosition(number);
    SeekStart(number);
    ByteString bytes = ReadBytes(number, FileLength(number));
    RestoreTo(at);
    return bytes;
  }
  void RestoreTo(std::int64_t at) const { data_format::RestorePosition(number, at); }
  FileNumber number;
};

ByteString Bytes(std::string_view s) { return ByteString(s.begin(), s.end()); }

TEST(MemoryFile, LinesStopAtLineFeedZeroAndEndOfFileMark) {
  MemoryFile f;
  ASSERT_NE(f.number, 0);
  ASSERT_TRUE(WriteRawText(f.number, std::string_view("one\r\ntwo\nthree\0four\x1A"
                                                      "five\r",
                                                      25)));
  ASSERT_TRUE(SeekStart(f.number));
  EXPECT_EQ(ReadLine(f.number), "one");
  EXPECT_EQ(ReadLine(f.number), "two");
  EXPECT_EQ(ReadLine(f.number), "three");
  // The zero byte stays unread: the next line is empty and the position does not move.
  EXPECT_TRUE(AtEndOfFile(f.number, true));
  EXPECT_FALSE(AtEndOfFile(f.number));
  EXPECT_EQ(ReadLine(f.number), "");
  EXPECT_EQ(ReadBytes(f.number, 1), Bytes(std::string_view("\0", 1)));
  EXPECT_EQ(ReadLine(f.number), "four");
  EXPECT_EQ(ReadBytes(f.number, 1), Bytes("\x1A"));
  EXPECT_EQ(ReadLine(f.number), "five");  // a carriage return before the end is dropped too
  EXPECT_TRUE(AtEndOfFile(f.number));
}

TEST(MemoryFile, LongLinesCrossReadBlocks) {
  MemoryFile f;
  const std::string longLine(3000, 'x');
  WriteText(f.number, longLine, "\n", "tail");
  SeekStart(f.number);
  EXPECT_EQ(ReadLine(f.number), longLine);
  EXPECT_EQ(ReadLine(f.number), "tail");
}

TEST(MemoryFile, GrowsByteByByteAndReadsClamp) {
  MemoryFile f;
  for (int i = 0; i < 5000; ++i) {
    const std::uint8_t b = static_cast<std::uint8_t>(i % 251);
    ASSERT_TRUE(WriteBytes(f.number, {std::span<const std::uint8_t>(&b, 1)}));
  }
  EXPECT_EQ(FileLength(f.number), 5000);
  SeekStart(f.number);
  EXPECT_TRUE(ReadBytes(f.number, 0).empty());
  EXPECT_TRUE(ReadBytes(f.number, -5).empty());
  const ByteString all = ReadBytes(f.number, 1 << 20);
  ASSERT_EQ(all.size(), 5000u);
  EXPECT_EQ(all[4999], 4999 % 251);
  EXPECT_TRUE(ReadBytes(f.number, 10).empty());
}

TEST(MemoryFile, DeleteDataMovesTheRestDownAcrossBlocks) {
  MemoryFile f;
  ByteString pattern(10000);
  for (std::size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<std::uint8_t>(i * 7);
  WriteBytes(f.number, {pattern});
  SeekStart(f.number);
  ReadBytes(f.number, 100);
  ASSERT_TRUE(DeleteData(f.number, 5000));
  EXPECT_EQ(FileLength(f.number), 5000);
  EXPECT_EQ(FilePosition(f.number), 100);
  ByteString expected(pattern.begin(), pattern.begin() + 100);
  expected.insert(expected.end(), pattern.begin() + 5100, pattern.end());
  EXPECT_EQ(f.All(), expected);
  // More than is left removes up to the end.
  ASSERT_TRUE(DeleteData(f.number, 1 << 20));
  EXPECT_EQ(FileLength(f.number), 100);
  EXPECT_FALSE(DeleteData(f.number, -1));
}

TEST(MemoryFile, WriteTextConvertsValuesAsText) {
  MemoryFile f;
  ASSERT_TRUE(WriteText(f.number, "n=", 42, " ", true, " ", 1.5, std::string(" end")));
  EXPECT_EQ(f.All(), Bytes("n=42 真 1.5 end"));
}

TEST(MemoryFile, UnknownFileNumberFails) {
  const FileNumber gone = FileOpenMemory();
  CloseFile(gone);
  EXPECT_EQ(FileLength(gone), -1);
  EXPECT_FALSE(SeekStart(gone));
  EXPECT_FALSE(WriteData(gone, 1));
  std::int32_t v = 0;
  EXPECT_FALSE(ReadData(gone, v));
  EXPECT_EQ(ReadLine(gone), "");
  EXPECT_TRUE(AtEndOfFile(gone));
  EXPECT_EQ(FileOpen("", 3, 1), 0);
  EXPECT_EQ(FileOpen("x", 7, 1), 0);
  EXPECT_EQ(FileOpen("x", 1, 5), 0);
}

TEST(DataFormat, BytesOfEachKind) {
  MemoryFile f;
  ASSERT_TRUE(WriteData(f.number, "ab", Bytes("xyz"), std::uint8_t{0xFE}, std::int16_t{-2},
                        std::int32_t{0x01020304}, std::int64_t{-1}, 1.0f, 2.0, true, DateTime{40666.5}));
  ByteString expected =
      Bytes(std::string_view("ab\0"
                             "\3\0\0\0xyz"
                             "\xFE"
                             "\xFE\xFF"
                             "\x04\x03\x02\x01",
                             17));
  expected.insert(expected.end(), 8, 0xFF);
  const float one = 1.0f;
  const double two = 2.0, date = 40666.5;
  auto raw = [&expected](const void* p, std::size_t n) {
    const auto* b = static_cast<const std::uint8_t*>(p);
    expected.insert(expected.end(), b, b + n);
  };
  raw(&one, 4);
  raw(&two, 8);
  expected.insert(expected.end(), {1, 0, 0, 0});
  raw(&date, 8);
  EXPECT_EQ(f.All(), expected);
}

TEST(DataFormat, RoundTripOfEveryKindAndArrays) {
  MemoryFile f;
  const std::vector<std::string> names{"甲", "", "丙"};
  const std::vector<ByteString> blobs{Bytes("a"), {}, ByteString{0, 1, 0}};
  const std::vector<std::int32_t> numbers{1, -2, 3};
  ASSERT_TRUE(WriteData(f.number, std::string("目录"), ByteString{0, 0, 7}, std::uint8_t{200},
                        std::int16_t{-300}, std::int32_t{-70000}, std::int64_t{1} << 40, 0.25f, -3.5, false,
                        DateTime{-657434.0}, names, blobs, numbers));
  // An array carries no count: what was written is exactly its elements.
  EXPECT_EQ(FileLength(f.number), 7 + 7 + 1 + 2 + 4 + 8 + 4 + 8 + 4 + 8 + (4 + 1 + 4) + (5 + 4 + 7) + 12);
  SeekStart(f.number);
  std::string text;
  ByteString bytes;
  std::uint8_t b = 0;
  std::int16_t s = 0;
  std::int32_t i = 0;
  std::int64_t l = 0;
  float fl = 0;
  double d = 0;
  bool logical = true;
  DateTime when{0};
  std::vector<std::string> names2(3);
  std::vector<ByteString> blobs2(3);
  std::vector<std::int32_t> numbers2(2);  // reads only as many as it holds
  ASSERT_TRUE(ReadData(f.number, text, bytes, b, s, i, l, fl, d, logical, when, names2, blobs2, numbers2));
  EXPECT_EQ(text, "目录");
  EXPECT_EQ(bytes, (ByteString{0, 0, 7}));
  EXPECT_EQ(b, 200);
  EXPECT_EQ(s, -300);
  EXPECT_EQ(i, -70000);
  EXPECT_EQ(l, std::int64_t{1} << 40);
  EXPECT_EQ(fl, 0.25f);
  EXPECT_EQ(d, -3.5);
  EXPECT_FALSE(logical);
  EXPECT_EQ(when.days, -657434.0);
  EXPECT_EQ(names2, names);
  EXPECT_EQ(blobs2, blobs);
  EXPECT_EQ(numbers2, (std::vector<std::int32_t>{1, -2}));
  std::int32_t last = 0;
  ASSERT_TRUE(ReadData(f.number, last));
  EXPECT_EQ(last, 3);
  EXPECT_TRUE(AtEndOfFile(f.number));
}

TEST(DataFormat, FailedReadPutsThePositionBack) {
  MemoryFile f;
  // A byte-string length that promises more than the file holds.
  const std::uint32_t lying = 100;
  WriteData(f.number, std::int16_t{5});
  WriteBytes(f.number, {std::span(reinterpret_cast<const std::uint8_t*>(&lying), 4), Bytes("abc")});
  SeekStart(f.number);
  std::int16_t first = 0;
  ByteString bytes;
  EXPECT_FALSE(ReadData(f.number, first, bytes));
  EXPECT_EQ(FilePosition(f.number), 0);
  // A number with too few bytes left.
  ReadBytes(f.number, 6);
  std::int64_t wide = 0;
  EXPECT_FALSE(ReadData(f.number, wide));
  EXPECT_EQ(FilePosition(f.number), 6);
  // A text runs to the end of the file once it has a byte, but not from the end itself.
  std::string text;
  EXPECT_TRUE(ReadData(f.number, text));
  EXPECT_EQ(text, "abc");
  EXPECT_FALSE(ReadData(f.number, text));
  EXPECT_EQ(FilePosition(f.number), 9);
}

}  // namespace
}  // namespace tarnvel
