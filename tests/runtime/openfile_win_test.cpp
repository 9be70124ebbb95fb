// Open files on disk: modes, sharing, and the shared operations over a real file.
#include <gtest/gtest.h>

#include "runtime/files.h"
#include "runtime/openfile.h"
#include "tests/support/sandbox.h"

namespace tarnvel {
namespace {

ByteString Bytes(std::string_view s) { return ByteString(s.begin(), s.end()); }

class OpenFiles : public testing::Test {
 protected:
  void SetUp() override { path = test::FreshTestDir() + "file.dat"; }
  std::string path;
};

TEST_F(OpenFiles, ModesCreateTruncateAndKeep) {
  EXPECT_EQ(FileOpen(path, 1), 0);  // read: must exist
  EXPECT_EQ(FileOpen(path, 2), 0);
  EXPECT_EQ(FileOpen(path, 3), 0);
  FileNumber f = FileOpen(path, 6);  // read and write, created
  ASSERT_NE(f, 0);
  EXPECT_TRUE(WriteRawText(f, "hello"));
  CloseFile(f);

  f = FileOpen(path, 5);  // write, keeping the contents
  ASSERT_NE(f, 0);
  EXPECT_EQ(FileLength(f), 5);
  EXPECT_TRUE(ReadBytes(f, 1).empty());  // opened for writing only
  SeekEnd(f);
  WriteRawText(f, "!");
  CloseFile(f);
  EXPECT_EQ(ReadWholeFile(path), Bytes("hello!"));

  f = FileOpen(path, 4);  // truncated
  ASSERT_NE(f, 0);
  EXPECT_EQ(FileLength(f), 0);
  CloseFile(f);

  f = FileOpen(path, 1);
  ASSERT_NE(f, 0);
  EXPECT_FALSE(WriteRawText(f, "x"));  // opened for reading only
  CloseFile(f);
}

TEST_F(OpenFiles, ShareModesKeepOthersOut) {
  WriteWholeFile(path, {Bytes("data")});
  const FileNumber exclusive = FileOpen(path, 3, 4);
  ASSERT_NE(exclusive, 0);
  EXPECT_EQ(FileOpen(path, 1, 1), 0);
  CloseFile(exclusive);

  const FileNumber noWriters = FileOpen(path, 1, 3);
  ASSERT_NE(noWriters, 0);
  const FileNumber reader = FileOpen(path, 1, 1);
  EXPECT_NE(reader, 0);
  EXPECT_EQ(FileOpen(path, 2, 1), 0);
  CloseFile(reader);
  CloseFile(noWriters);

  const FileNumber noReaders = FileOpen(path, 2, 2);
  ASSERT_NE(noReaders, 0);
  EXPECT_EQ(FileOpen(path, 1, 1), 0);
  CloseFile(noReaders);
}

TEST_F(OpenFiles, LinesDataAndDeletionOnDisk) {
  const FileNumber f = FileOpen(path, 6);
  ASSERT_NE(f, 0);
  std::string text;
  for (int i = 0; i < 600; ++i) text += "line " + std::to_string(i) + "\r\n";
  ASSERT_TRUE(WriteRawText(f, text));
  ASSERT_TRUE(WriteData(f, std::string("名"), std::int32_t{7}));
  SeekStart(f);
  for (int i = 0; i < 600; ++i) ASSERT_EQ(ReadLine(f), "line " + std::to_string(i));
  std::string name;
  std::int32_t number = 0;
  std::int64_t tooWide = 0;
  const std::int64_t at = FilePosition(f);
  EXPECT_FALSE(ReadData(f, name, tooWide));  // 4 bytes left for 8
  EXPECT_EQ(FilePosition(f), at);
  ASSERT_TRUE(ReadData(f, name, number));
  EXPECT_EQ(name, "名");
  EXPECT_EQ(number, 7);

  // Remove the first 300 lines: the rest moves down in blocks across the 4096-byte steps.
  const std::int64_t length = FileLength(f);
  std::size_t cut = 0;
  for (int i = 0; i < 300; ++i) cut += ("line " + std::to_string(i) + "\r\n").size();
  SeekStart(f);
  ASSERT_TRUE(DeleteData(f, static_cast<std::int64_t>(cut)));
  EXPECT_EQ(FileLength(f), length - static_cast<std::int64_t>(cut));
  EXPECT_EQ(ReadLine(f), "line 300");
  CloseFile(f);
  EXPECT_EQ(FileSize64(path), length - static_cast<std::int64_t>(cut));
}

}  // namespace
}  // namespace tarnvel
