// The settings file on real files: each encoding, long values, and safe replacement.
#include <windows.h>

#include <utility>

#include <gtest/gtest.h>

#include "runtime/encoding.h"
#include "runtime/files.h"
#include "runtime/inifile.h"
#include "tests/support/sandbox.h"

namespace tarnvel {
namespace {

ByteString Bytes(std::string_view s) { return ByteString(s.begin(), s.end()); }

// The file's bytes and its identity (volume serial, file index), read with the system's own calls.
std::string RawBytes(const std::string& path) {
  HANDLE h =
      CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<unreadable>";
  std::string bytes;
  char block[4096];
  DWORD got = 0;
  while (ReadFile(h, block, sizeof block, &got, nullptr) && got > 0) bytes.append(block, got);
  CloseHandle(h);
  return bytes;
}

std::pair<DWORD, ULONGLONG> IdentityOf(const std::string& path) {
  HANDLE h = CreateFileW(Utf8ToWide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
  BY_HANDLE_FILE_INFORMATION info{};
  const bool ok = h != INVALID_HANDLE_VALUE && GetFileInformationByHandle(h, &info);
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  if (!ok) return {0, 0};
  return {info.dwVolumeSerialNumber,
          (static_cast<ULONGLONG>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}
std::string Text(const ByteString& b) { return std::string(b.begin(), b.end()); }

class IniFiles : public testing::Test {
 protected:
  void SetUp() override {
    dir = test::FreshTestDir();
    file = dir + "Tarnvel.ini";
  }
  // Only the settings file itself: no temporary file is left beside it.
  void ExpectNoStrayFiles() {
    int n = 0;
    ListDirectory(dir, [&](const DirectoryEntry& e) {
      EXPECT_EQ(e.name, "Tarnvel.ini");
      return ++n, true;
    });
    EXPECT_LE(n, 1);
  }
  std::string dir, file;
};

TEST_F(IniFiles, MissingFileIsCreatedAsUtf8WithTheMarkAndRead) {
  EXPECT_EQ(ReadIniItem(file, "DIR", "Install", "none"), "none");
  ASSERT_TRUE(WriteIniItem(file, "DIR", "Install", "d:\\备份"));
  ASSERT_TRUE(WriteIniItem(file, "DIR", "EC", "1"));
  EXPECT_EQ(RawBytes(file), "\xEF\xBB\xBF[DIR]\r\nInstall=d:\\备份\r\nEC=1\r\n");
  EXPECT_EQ(ReadIniItem(file, "dir", "INSTALL"), "d:\\备份");
  // Leading control bytes and blanks are no part of the names.
  EXPECT_EQ(ReadIniItem(" \t" + file, "  DIR", "\r\nEC"), "1");
  // An empty name gives the empty text, not the default.
  EXPECT_EQ(ReadIniItem(file, "DIR", "", "default"), "");
  EXPECT_EQ(ReadIniItem(file, " ", "EC", "default"), "");
  EXPECT_EQ(ReadIniItem("  ", "DIR", "EC", "default"), "");
  EXPECT_EQ(ReadIniItem(file, "DIR", "missing", "default"), "default");
  EXPECT_FALSE(WriteIniItem(file, "DIR", std::string(" "), "x"));
  EXPECT_FALSE(WriteIniItem(dir + "no\\such\\dir.ini", "DIR", "EC", "1"));
  ExpectNoStrayFiles();
}

TEST_F(IniFiles, DeletingKeysAndSections) {
  ASSERT_TRUE(WriteWholeFile(file, {Bytes("; 注释\r\n[DIR]\r\nInstall=x\r\nEC=1\r\n[Other]\r\nk=v\r\n")}));
  ASSERT_TRUE(WriteIniItem(file, "DIR", "EC", std::nullopt));
  EXPECT_EQ(ReadIniItem(file, "DIR", "EC", "gone"), "gone");
  ASSERT_TRUE(WriteIniItem(file, "dir"));
  EXPECT_EQ(Text(ReadWholeFile(file)), "; 注释\r\n[Other]\r\nk=v\r\n");
  EXPECT_TRUE(WriteIniItem(file, "nosuch"));  // nothing to delete is no failure
  EXPECT_TRUE(WriteIniItem(dir + "absent.ini", "DIR", "EC", std::nullopt));
  EXPECT_FALSE(FileExists(dir + "absent.ini"));  // and creates nothing
  ExpectNoStrayFiles();
}

TEST_F(IniFiles, Utf8AndUtf16FilesStayInTheirEncoding) {
  const std::string utf8 = "[目录]\nInstall=d:\\备份\n";
  for (const std::string bom : {"", "\xEF\xBB\xBF"}) {
    ASSERT_TRUE(WriteWholeFile(file, {Bytes(bom + utf8)}));
    EXPECT_EQ(ReadIniItem(file, "目录", "Install"), "d:\\备份");
    ASSERT_TRUE(WriteIniItem(file, "目录", "EC", "是"));
    EXPECT_EQ(Text(ReadWholeFile(file)), bom + utf8 + "EC=是\n");
  }
  const std::string utf16 = "\xFF\xFE" + Utf8ToUtf16Le("[DIR]\r\nInstall=e:\\资料\r\n");
  ASSERT_TRUE(WriteWholeFile(file, {Bytes(utf16)}));
  EXPECT_EQ(ReadIniItem(file, "DIR", "Install"), "e:\\资料");
  ASSERT_TRUE(WriteIniItem(file, "DIR", "Install", "f:\\新"));
  EXPECT_EQ(Text(ReadWholeFile(file)), "\xFF\xFE" + Utf8ToUtf16Le("[DIR]\r\nInstall=f:\\新\r\n"));
  ExpectNoStrayFiles();
}

// A removable-disk settings file written in GBK by an earlier version or by hand.
TEST_F(IniFiles, AGbkFileStaysGbkWhileItCanAndBecomesUtf8WithNothingLost) {
  const std::string gbk = Utf8ToGbk("; 备份目录\r\n[DIR]\r\nInstall=d:\\备份\r\nEC=1\r\n").value();
  auto fresh = [&] { ASSERT_TRUE(WriteWholeFile(file, {Bytes(gbk)})); };

  fresh();  // an ASCII value, and a Chinese one that still reads as GBK: the file stays GBK
  ASSERT_TRUE(WriteIniItem(file, "DIR", "EC", "0"));
  ASSERT_TRUE(WriteIniItem(file, "DIR", "Note", "资料"));
  EXPECT_EQ(RawBytes(file),
            Utf8ToGbk("; 备份目录\r\n[DIR]\r\nInstall=d:\\备份\r\nEC=0\r\nNote=资料\r\n").value());
  EXPECT_EQ(ReadIniItem(file, "DIR", "Note"), "资料");

  fresh();  // a Korean path: UTF-8 with the mark, every line kept
  ASSERT_TRUE(WriteIniItem(file, "DIR", "Install", "d:\\사진\\목록"));
  EXPECT_EQ(RawBytes(file), "\xEF\xBB\xBF; 备份目录\r\n[DIR]\r\nInstall=d:\\사진\\목록\r\nEC=1\r\n");
  EXPECT_EQ(ReadIniItem(file, "DIR", "Install"), "d:\\사진\\목록");
  EXPECT_EQ(ReadIniItem(file, "DIR", "EC"), "1");

  // "Install=D:\目录" alone: its GBK bytes would be taken for UTF-8, so the file becomes UTF-8.
  ASSERT_TRUE(WriteWholeFile(file, {Bytes("[DIR]\r\nEC=1\r\n")}));
  ASSERT_TRUE(WriteIniItem(file, "DIR", "Install", "D:\\目录"));
  EXPECT_EQ(RawBytes(file), "\xEF\xBB\xBF[DIR]\r\nEC=1\r\nInstall=D:\\目录\r\n");
  EXPECT_EQ(ReadIniItem(file, "DIR", "Install"), "D:\\目录");
  EXPECT_EQ(RawBytes(file).find('?'), std::string::npos);
  ExpectNoStrayFiles();
}

TEST_F(IniFiles, ValuesUpToTheLimitAndBeyond) {
  std::string exact;
  while (exact.size() + 3 <= kIniValueLimit - 3) exact += "备";
  exact += "xyz";  // 10,239 bytes
  ASSERT_EQ(exact.size(), kIniValueLimit);
  ASSERT_TRUE(WriteIniItem(file, "S", "exact", exact));
  EXPECT_EQ(ReadIniItem(file, "S", "exact"), exact);
  const std::string longer(15000, 'L');
  ASSERT_TRUE(WriteIniItem(file, "S", "longer", longer));
  EXPECT_EQ(ReadIniItem(file, "S", "longer"), longer.substr(0, kIniValueLimit));
  EXPECT_NE(Text(ReadWholeFile(file)).find(longer), std::string::npos);  // stored whole
}

TEST_F(IniFiles, ReadOnlyFileIsRefusedAndHiddenOneKeepsItsAttributes) {
  const std::string before = "[DIR]\r\nInstall=x\r\n";
  ASSERT_TRUE(WriteWholeFile(file, {Bytes(before)}));
  ASSERT_TRUE(SetAttributes(file, 0x07));
  EXPECT_FALSE(WriteIniItem(file, "DIR", "Install", "y"));
  EXPECT_EQ(Text(ReadWholeFile(file)), before);
  EXPECT_EQ(ReadIniItem(file, "DIR", "Install"), "x");  // still readable

  ASSERT_TRUE(SetAttributes(file, 0x06));
  ASSERT_TRUE(WriteIniItem(file, "DIR", "Install", "y"));
  EXPECT_EQ(ReadIniItem(file, "DIR", "Install"), "y");
  EXPECT_EQ(GetAttributes(file) & 0x07, 0x06);
  ExpectNoStrayFiles();
}

TEST_F(IniFiles, AFileThatCannotBeReadIsNeverReplaced) {
  const std::string before = "[DIR]\r\nInstall=x\r\n";
  // Held open by another program that lets nobody read it (and, the second time, lets it be
  // renamed over): neither read nor replaced by a file that would have lost its other keys.
  for (DWORD sharing : {DWORD{0}, DWORD{FILE_SHARE_DELETE}}) {
    ASSERT_TRUE(WriteWholeFile(file, {Bytes(before)}));
    HANDLE h =
        CreateFileW(Utf8ToWide(file).c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(WriteIniItem(file, "DIR", "EC", "1")) << sharing;
    EXPECT_EQ(ReadIniItem(file, "DIR", "Install", "default"), "default");
    CloseHandle(h);
    EXPECT_EQ(Text(ReadWholeFile(file)), before) << sharing;
    ExpectNoStrayFiles();
  }
}

// A write never changes the file in place: a complete new file takes the name, so a crash or a
// failed write leaves the old settings whole.
TEST_F(IniFiles, AWriteReplacesTheFileAndAFailedOneLeavesItWhole) {
  ASSERT_TRUE(WriteIniItem(file, "DIR", "Install", "d:\\备份"));
  const auto first = IdentityOf(file);
  ASSERT_NE(first.second, 0u);
  ASSERT_TRUE(WriteIniItem(file, "DIR", "EC", "1"));
  const auto second = IdentityOf(file);
  EXPECT_EQ(second.first, first.first);
  EXPECT_NE(second.second, first.second);
  const std::string whole = RawBytes(file);

  // Held open by another program that lets it be read but not deleted: it cannot be replaced.
  HANDLE h = CreateFileW(Utf8ToWide(file).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(WriteIniItem(file, "DIR", "Install", "e:\\other"));
  CloseHandle(h);
  EXPECT_EQ(RawBytes(file), whole);
  EXPECT_EQ(IdentityOf(file), second);
  EXPECT_EQ(ReadIniItem(file, "DIR", "Install"), "d:\\备份");
  ExpectNoStrayFiles();
}

}  // namespace
}  // namespace tarnvel
