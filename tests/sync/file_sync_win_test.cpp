// The file synchroniser over real directories in the sandbox.
#include <windows.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include "runtime/encoding.h"
#include "sync/directory_listing.h"
#include "sync/file_copier.h"
#include "sync/file_sync.h"
#include "sync/path_helpers.h"
#include "tests/support/sandbox.h"
#include "tests/sync/sync_fixture_win.h"

namespace tarnvel::test {
namespace {

// Files of the engine's temporary form ("~tv" + 8 hex digits + ".tmp") in a directory, counted
// with the system's own search.
int TemporaryFilesIn(const std::string& directory) {
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileW(PathToWide(directory + "~tv????????.tmp").c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return 0;
  int count = 0;
  do {
    if (std::wstring(data.cFileName) != L"~tv1234ABCD.tmp") ++count;
  } while (FindNextFileW(h, &data));
  FindClose(h);
  return count;
}

class FileSyncWin : public SyncTreeTest {
 protected:
  void SetUp() override {
    SyncTreeTest::SetUp();
    rig.SetJob(src, dst);
  }
  void Sync() {
    std::string path = rig.engine.Roots().source;
    SyncFilesOfDirectory(rig.engine, path);
  }
};

// Equal size and time: left alone even when the content differs; one millisecond apart: copied.
TEST_F(FileSyncWin, DecidesBySizeAndMillisecond) {
  WriteTextFile(src + "same.txt", "new!");
  WriteTextFile(dst + "same.txt", "old!");
  WriteTextFile(src + "ms.txt", "new!");
  WriteTextFile(dst + "ms.txt", "old!");
  WriteTextFile(src + "size.txt", "longer");
  WriteTextFile(dst + "size.txt", "short");
  WriteTextFile(src + "missing.txt", "m");
  SetWriteTime(src + "same.txt", kSomeTime);
  SetWriteTime(dst + "same.txt", kSomeTime);
  // A target time a FAT volume could not have written (not a whole even second): to the
  // millisecond.
  SetWriteTime(src + "ms.txt", kSomeTime + 251 * kOneMillisecond);
  SetWriteTime(dst + "ms.txt", kSomeTime + 250 * kOneMillisecond);
  SetWriteTime(src + "size.txt", kSomeTime);
  SetWriteTime(dst + "size.txt", kSomeTime);
  Sync();
  EXPECT_EQ(ReadTextFile(dst + "same.txt"), "old!");
  EXPECT_EQ(ReadTextFile(dst + "ms.txt"), "new!");
  EXPECT_EQ(WriteTimeOf(dst + "ms.txt"), kSomeTime + 251 * kOneMillisecond);
  EXPECT_EQ(ReadTextFile(dst + "size.txt"), "longer");
  EXPECT_EQ(ReadTextFile(dst + "missing.txt"), "m");
  EXPECT_EQ(rig.controls.copiedFilesLog.Count(), 3);
  EXPECT_EQ(rig.controls.fileCounter.Text(), "已同步文件:3个");
  // Every file examined adds its size, copied or not: 4 + 4 + 6 + 1.
  EXPECT_EQ(rig.engine.Totals().dataTotal, 15);

  // A second pass over the unchanged tree copies nothing and leaves the data counter alone.
  ListBoxClear(rig.controls.copiedFilesLog);
  rig.controls.dataCounter.SetText("untouched");
  Sync();
  EXPECT_EQ(rig.controls.copiedFilesLog.Count(), 0);
  EXPECT_EQ(rig.controls.dataCounter.Text(), "untouched");
}

TEST_F(FileSyncWin, DisplaysTheNormalisedTargetPathAndTheSourceOnTheStatusLine) {
  WriteTextFile(src + "Big.TXT", std::string(3000, 'x'));
  MakeDirectoryPath(dst);
  Sync();
  ASSERT_EQ(rig.controls.copiedFilesLog.Count(), 1);
  std::string expected = dst + "Big.TXT";
  for (char& ch : expected) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  EXPECT_EQ(rig.controls.copiedFilesLog.ItemText(0), expected);
  EXPECT_EQ(rig.controls.copiedFilesLog.Selection(), 0);
  EXPECT_EQ(rig.controls.statusLine.Text(), "信息：正在处理 -> " + src + "Big.TXT");
  EXPECT_EQ(rig.controls.dataCounter.Text(), " 已同步数据：2 KB");
}

// A hidden or read-only target is replaced and carries the source's attributes afterwards.
TEST_F(FileSyncWin, ReplacesProtectedTargetsAndCarriesAttributes) {
  WriteTextFile(src + "ro.txt", "new");
  WriteTextFile(dst + "ro.txt", "old file");
  WriteTextFile(src + "hid.txt", "new");
  WriteTextFile(dst + "hid.txt", "old file");
  SetRawAttributes(dst + "ro.txt", FILE_ATTRIBUTE_READONLY);
  SetRawAttributes(dst + "hid.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  SetRawAttributes(src + "hid.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
  SetRawAttributes(src + "ro.txt", FILE_ATTRIBUTE_ARCHIVE);
  Sync();
  EXPECT_EQ(ReadTextFile(dst + "ro.txt"), "new");
  EXPECT_EQ(ReadTextFile(dst + "hid.txt"), "new");
  EXPECT_EQ(RawAttributes(dst + "ro.txt") & 0x27, FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(RawAttributes(dst + "hid.txt") & 0x27, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(TemporaryFilesIn(dst), 0) << "no temporary copy is left";
}

// Fixed: the target used to be deleted before the copy, so a failed copy lost it.
TEST_F(FileSyncWin, AFailedCopyKeepsTheOldFileWithItsAttributes) {
  WriteTextFile(src + "locked.txt", "new content");
  WriteTextFile(dst + "locked.txt", "old");
  SetRawAttributes(dst + "locked.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
  const std::uint32_t before = RawAttributes(dst + "locked.txt");
  // The source held open without sharing: the system's copy cannot read it.
  HANDLE h = CreateFileW(PathToWide(src + "locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  Sync();
  CloseHandle(h);
  EXPECT_EQ(ReadTextFile(dst + "locked.txt"), "old");
  EXPECT_EQ(RawAttributes(dst + "locked.txt"), before);
  EXPECT_EQ(TemporaryFilesIn(dst), 0) << "no temporary copy is left";
  // Not counted as copied: the failure is in the failures log with the system's reason.
  EXPECT_EQ(rig.controls.copiedFilesLog.Count(), 0);
  ASSERT_EQ(rig.controls.failuresLog.Count(), 1);
  EXPECT_EQ(rig.engine.Report().Failures(), 1);
}

// Files that only look like the engine's temporary copies are the user's: without clean-up they
// stay as they are (only the exact form of the engine's own names is taken for a left-over), and
// names of up to 255 characters are replaced like any other (the temporary name once passed the
// name limit).
TEST_F(FileSyncWin, LookAlikesOfTemporaryFilesStayAndLongNamesAreReplaced) {
  WriteTextFile(src + "x.txt", "fresh");
  WriteTextFile(dst + "x.txt", "old");
  WriteTextFile(dst + "x.txt.~tvcopy", "mine");
  WriteTextFile(dst + "~tv1234ABCD.tmp", "mine too");
  const std::string longName = std::string(251, 'n') + ".txt";
  WriteTextFile(src + longName, "new long");
  WriteTextFile(dst + longName, "old");
  // The first temporary name the copies will draw is someone's already (a file the source holds
  // too, so no leftover of a killed run): the copy takes another name, and that file stays.
  RepeatTemporaryNames(7);
  const std::string taken = TemporaryFileName();
  RepeatTemporaryNames(7);
  for (const std::string& side : {src, dst}) {
    WriteTextFile(side + taken, "someone's");
    SetWriteTime(side + taken, kSomeTime);
  }
  Sync();
  EXPECT_EQ(ReadTextFile(dst + taken), "someone's");
  EXPECT_EQ(ReadTextFile(dst + "x.txt"), "fresh");
  EXPECT_EQ(ReadTextFile(dst + "x.txt.~tvcopy"), "mine");
  EXPECT_EQ(ReadTextFile(dst + "~tv1234ABCD.tmp"), "mine too");
  EXPECT_EQ(ReadTextFile(dst + longName), "new long");
  EXPECT_EQ(rig.engine.Report().Failures(), 0);
}

// The rename that would replace the target fails (the target is held open without delete
// sharing): the old file keeps its content and both its hidden and read-only attributes, and
// the temporary copy is removed.
TEST_F(FileSyncWin, AFailedRenameRestoresTheTargetsAttributes) {
  WriteTextFile(src + "held.txt", "new content");
  WriteTextFile(dst + "held.txt", "old");
  SetRawAttributes(dst + "held.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
  const std::uint32_t before = RawAttributes(dst + "held.txt");
  HANDLE h = CreateFileW(PathToWide(dst + "held.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  Sync();
  CloseHandle(h);
  EXPECT_EQ(ReadTextFile(dst + "held.txt"), "old");
  EXPECT_EQ(RawAttributes(dst + "held.txt"), before);
  EXPECT_EQ(TemporaryFilesIn(dst), 0) << "the temporary copy is discarded";
  EXPECT_EQ(rig.engine.Report().Failures(), 1);
}

TEST_F(FileSyncWin, EmptyFilesAndSubdirectories) {
  WriteTextFile(src + "empty.txt", "");
  WriteTextFile(src + "sub\\inner.txt", "not here");
  MakeDirectoryPath(dst);
  Sync();
  EXPECT_TRUE(Exists(dst + "empty.txt"));
  EXPECT_FALSE(Exists(dst + "sub"));
}

// A file the target directory lacks is copied to its own name; a copy that fails leaves nothing.
TEST_F(FileSyncWin, AFailedCopyOfANewFileLeavesNothing) {
  WriteTextFile(src + "locked.txt", "new content");
  MakeDirectoryPath(dst);
  HANDLE h = CreateFileW(PathToWide(src + "locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  Sync();
  CloseHandle(h);
  EXPECT_FALSE(Exists(dst + "locked.txt"));
  EXPECT_EQ(TemporaryFilesIn(dst), 0) << "no temporary copy is left";
  EXPECT_EQ(rig.controls.copiedFilesLog.Count(), 0);
  EXPECT_EQ(rig.engine.Report().Failures(), 1);
}

// The listing showed no target, but another program wrote one before the copy: it is replaced
// as any existing target is, and carries the source's attributes.
TEST_F(FileSyncWin, ATargetWrittenByAnotherProgramBeforeTheCopyIsReplaced) {
  WriteTextFile(src + "a.txt", "a");
  WriteTextFile(src + "b.txt", "source b");
  MakeDirectoryPath(dst);
  bool written = false;  // at the first event pass, after the listing and before b's copy
  rig.onEvents = [&] {
    if (!written) {
      WriteTextFile(dst + "b.txt", "someone else's");
      SetRawAttributes(dst + "b.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    }
    written = true;
  };
  Sync();
  ASSERT_TRUE(written);
  EXPECT_EQ(ReadTextFile(dst + "b.txt"), "source b");
  EXPECT_EQ(RawAttributes(dst + "b.txt") & 0x27, FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(TemporaryFilesIn(dst), 0) << "no temporary copy is left";
}

// The listing showed no target, another program wrote one before the copy, and the source
// cannot be read: the copy fails before making anything, so the other program's file stays.
// (It was deleted as if it were the remains of the failed copy.)
TEST_F(FileSyncWin, AnUnreadableSourceNeverCostsAFileAnotherProgramWrote) {
  WriteTextFile(src + "a.txt", "a");
  WriteTextFile(src + "b.txt", "source b");
  MakeDirectoryPath(dst);
  HANDLE locked = CreateFileW(PathToWide(src + "b.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                              nullptr);
  ASSERT_NE(locked, INVALID_HANDLE_VALUE);
  bool written = false;  // at the first event pass, after the listing and before b's copy
  rig.onEvents = [&] {
    if (!written) WriteTextFile(dst + "b.txt", "someone else's");
    written = true;
  };
  Sync();
  CloseHandle(locked);
  ASSERT_TRUE(written);
  EXPECT_EQ(ReadTextFile(dst + "b.txt"), "someone else's");
  EXPECT_EQ(TemporaryFilesIn(dst), 0) << "no temporary copy is left";
}

// Attributes the copy does not carry are still written: a source without the archive bit.
TEST_F(FileSyncWin, ANewFileGetsExactlyTheSourceAttributes) {
  WriteTextFile(src + "plain.txt", "p");
  WriteTextFile(src + "hidden.txt", "h");
  WriteTextFile(src + "ro.txt", "r");
  SetRawAttributes(src + "plain.txt", FILE_ATTRIBUTE_ARCHIVE);
  SetRawAttributes(src + "hidden.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  SetRawAttributes(src + "ro.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
  MakeDirectoryPath(dst);
  Sync();
  for (const char* name : {"plain.txt", "hidden.txt", "ro.txt"}) {
    EXPECT_EQ(RawAttributes(dst + name) & 0x27, RawAttributes(src + name) & 0x27) << name;
  }
}

// After the flag no further entry is looked at.
TEST_F(FileSyncWin, StopsAfterTheEntryInHand) {
  for (char c = 'a'; c <= 'e'; ++c) WriteTextFile(src + c + ".txt", "x");
  MakeDirectoryPath(dst);
  rig.onEvents = [&] { rig.engine.RequestStop(); };
  Sync();
  EXPECT_EQ(rig.controls.copiedFilesLog.Count(), 1);
  EXPECT_EQ(rig.eventCount, 1);
  EXPECT_FALSE(Exists(dst + "b.txt"));
}

// Sizes are read in 64 bits from the listing (a sparse file, nothing copied).
TEST_F(FileSyncWin, ListingSizesAreSixtyFourBit) {
  WriteTextFile(dir + "big.bin", "");
  HANDLE h = CreateFileW(PathToWide(dir + "big.bin").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD ignored = 0;
  DeviceIoControl(h, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
  LARGE_INTEGER size;
  size.QuadPart = (std::int64_t{1} << 32) + 10;
  ASSERT_TRUE(SetFilePointerEx(h, size, nullptr, FILE_BEGIN));
  ASSERT_TRUE(SetEndOfFile(h));
  CloseHandle(h);
  const DirectoryListing listing = DirectoryListing::Of(dir);
  const DirectoryEntry* entry = listing.Find("BIG.bin");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->size, (std::int64_t{1} << 32) + 10);
}

// Paths far beyond the old 260-character limit.
TEST_F(FileSyncWin, LongPaths) {
  std::string deep = std::string(120, 'd') + "\\" + std::string(120, 'e') + "\\";
  src = dir + "S" + deep;
  dst = dir + "T" + deep;
  rig.SetJob(src, dst);
  WriteTextFile(src + std::string(100, 'f') + ".txt", "long");
  MakeDirectoryPath(dst);
  Sync();
  EXPECT_EQ(ReadTextFile(dst + std::string(100, 'f') + ".txt"), "long");
}

}  // namespace
}  // namespace tarnvel::test
