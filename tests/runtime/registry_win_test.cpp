// Registry round trips through the test prefix's real registry, under test-only keys that
// each case removes again.
#include <windows.h>

#include "runtime/registry.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/encoding.h"
#include "runtime/files.h"
#include "tests/support/sandbox.h"

namespace tarnvel {
namespace {

constexpr const char* kTestKey = "SOFTWARE\\TarnvelTest";

void RemoveTree(HKEY root, const wchar_t* key) { RegDeleteTreeW(root, key); }

class RegistryWin : public testing::Test {
 protected:
  void SetUp() override { TearDown(); }
  void TearDown() override {
    RemoveTree(HKEY_CURRENT_USER, L"SOFTWARE\\TarnvelTest");
    RemoveTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\TarnvelTest");
    RemoveTree(HKEY_CLASSES_ROOT, L"TarnvelTest");
  }
  static std::string Path(const std::string& rest) { return std::string(kTestKey) + "\\" + rest; }
};

// What the system holds for a value, read with the wide API alone.
std::wstring ReadWide(HKEY root, const wchar_t* key, const wchar_t* name, DWORD* type = nullptr) {
  wchar_t buffer[512] = {};
  DWORD size = sizeof buffer - sizeof(wchar_t);
  DWORD t = 0;
  if (RegGetValueW(root, key, name, RRF_RT_ANY | RRF_NOEXPAND, &t, buffer, &size) != ERROR_SUCCESS) {
    return L"<missing>";
  }
  if (type) *type = t;
  return buffer;
}

TEST_F(RegistryWin, TextNumberAndBytesRoundTripUnderCurrentUserAndLocalMachine) {
  for (int root : {kRegCurrentUser, kRegLocalMachine}) {
    SCOPED_TRACE(root);
    EXPECT_TRUE(RegWrite(root, Path("Deep\\Er\\Text"), "D:\\备份\\a;E:\\b;1|"));
    EXPECT_EQ(RegReadText(root, Path("Deep\\Er\\Text")), "D:\\备份\\a;E:\\b;1|");

    EXPECT_TRUE(RegWrite(root, Path("Number"), -5));
    EXPECT_EQ(RegReadNumber(root, Path("Number")), -5);

    const ByteString bytes{0, 1, 0xFF, 0, 0x5C};
    EXPECT_TRUE(RegWrite(root, Path("Bytes"), bytes));
    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(RegGetValueW(root == kRegCurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE,
                           L"SOFTWARE\\TarnvelTest", L"Bytes", RRF_RT_ANY, &type, nullptr, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(size, 5u);

    // Kinds do not cross: a number is no text and a text no number.
    EXPECT_EQ(RegReadText(root, Path("Number"), "dflt"), "dflt");
    EXPECT_EQ(RegReadNumber(root, Path("Deep\\Er\\Text"), 77), 77);
    EXPECT_EQ(RegReadText(root, Path("Bytes")), "");
  }
}

// Folder names of any script, outside the Basic Multilingual Plane too, as names and as values:
// stored as their UTF-16 characters (read back here with the system's own call) and read back
// the same.
TEST_F(RegistryWin, KoreanAndEmojiFolderNamesRoundTrip) {
  const std::string korean = "D:\\사진\\목록", emoji = "E:\\emoji😀\\café";
  ASSERT_TRUE(RegWrite(kRegLocalMachine, Path("phoh"), korean));
  ASSERT_TRUE(RegWrite(kRegLocalMachine, Path("목록😀"), emoji));
  EXPECT_EQ(RegReadText(kRegLocalMachine, Path("phoh")), korean);
  EXPECT_EQ(RegReadText(kRegLocalMachine, Path("목록😀")), emoji);
  wchar_t stored[64] = {};
  DWORD size = sizeof stored;
  ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\TarnvelTest", L"\uBAA9\uB85D\U0001F600", RRF_RT_REG_SZ,
                         nullptr, stored, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(std::wstring(stored), std::wstring(L"E:\\emoji\xD83D\xDE00\\caf\u00E9"));
  size = sizeof stored;
  ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\TarnvelTest", L"phoh", RRF_RT_REG_SZ, nullptr, stored,
                         &size),
            ERROR_SUCCESS);
  EXPECT_EQ(std::wstring(stored), std::wstring(L"D:\\\uC0AC\uC9C4\\\uBAA9\uB85D"));
  // A text that is no UTF-8 is refused rather than stored under another spelling.
  EXPECT_FALSE(RegWrite(kRegLocalMachine, Path("bad"), "D:\\\xB0"));
  EXPECT_FALSE(RegExists(kRegLocalMachine, Path("bad")));
}

TEST_F(RegistryWin, UnknownRootNumbersUseTheCurrentUser) {
  ASSERT_TRUE(RegWrite(9, Path("Nine"), "n"));
  EXPECT_EQ(ReadWide(HKEY_CURRENT_USER, L"SOFTWARE\\TarnvelTest", L"Nine"), L"n");
  EXPECT_EQ(RegReadText(0, Path("Nine")), "n");
  EXPECT_EQ(RegReadText(kRegLocalMachine, Path("Nine"), "none"), "none");
}

TEST_F(RegistryWin, ClassesRootDefaultValueThroughATrailingBackslash) {
  ASSERT_TRUE(RegWrite(kRegClassesRoot, "TarnvelTest\\DefaultIcon\\", "C:\\Tools\\rar\\WinRAR.exe,0"));
  EXPECT_EQ(ReadWide(HKEY_CLASSES_ROOT, L"TarnvelTest\\DefaultIcon", nullptr),
            L"C:\\Tools\\rar\\WinRAR.exe,0");
  EXPECT_EQ(RegReadText(kRegClassesRoot, "TarnvelTest\\DefaultIcon\\"), "C:\\Tools\\rar\\WinRAR.exe,0");
  EXPECT_TRUE(RegExists(kRegClassesRoot, "TarnvelTest\\DefaultIcon\\"));
  EXPECT_FALSE(RegExists(kRegClassesRoot, "TarnvelTest\\"));  // the key exists, its default does not
}

TEST_F(RegistryWin, PathWithoutBackslashNamesAValueDirectlyUnderTheRoot) {
  ASSERT_TRUE(RegWrite(kRegCurrentUser, "TarnvelTestTopValue", "top"));
  EXPECT_EQ(ReadWide(HKEY_CURRENT_USER, nullptr, L"TarnvelTestTopValue"), L"top");
  EXPECT_EQ(RegReadText(kRegCurrentUser, "TarnvelTestTopValue"), "top");
  EXPECT_TRUE(RegDeleteValue(kRegCurrentUser, "TarnvelTestTopValue"));
  EXPECT_FALSE(RegExists(kRegCurrentUser, "TarnvelTestTopValue"));
}

TEST_F(RegistryWin, ChineseNamesAndValuesAreStoredAsUnicode) {
  const std::string vendor = Path("Orvane目录同步VLS");
  ASSERT_TRUE(RegWrite(kRegLocalMachine, vendor, "D:\\资料|"));
  EXPECT_EQ(ReadWide(HKEY_LOCAL_MACHINE, L"SOFTWARE\\TarnvelTest", L"Orvane\u76ee\u5f55\u540c\u6b65VLS"),
            L"D:\\\u8d44\u6599|");

  // Read back with RegQueryValueExW into a wide buffer, as another program would.
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\TarnvelTest", 0, KEY_QUERY_VALUE, &key),
            ERROR_SUCCESS);
  wchar_t buffer[64] = {};
  DWORD size = sizeof buffer;
  DWORD type = 0;
  EXPECT_EQ(RegQueryValueExW(key, L"Orvane\u76ee\u5f55\u540c\u6b65VLS", nullptr, &type,
                             reinterpret_cast<BYTE*>(buffer), &size),
            ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(std::wstring(buffer), L"D:\\\u8d44\u6599|");
  EXPECT_EQ(RegReadText(kRegLocalMachine, vendor), "D:\\资料|");
}

TEST_F(RegistryWin, ExpandableStringsAreExpandedAndPlainOnesAreNot) {
  ASSERT_TRUE(SetEnvironmentVariableW(L"TARNVEL_TEST_DIR", L"C:\\\u76ee\u5f55"));
  const std::wstring raw = L"%TARNVEL_TEST_DIR%\\rar.exe";
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, L"SOFTWARE\\TarnvelTest", L"Expand", REG_EXPAND_SZ,
                            raw.c_str(), static_cast<DWORD>((raw.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
  EXPECT_EQ(RegReadText(kRegCurrentUser, Path("Expand")), "C:\\目录\\rar.exe");

  ASSERT_TRUE(RegWrite(kRegCurrentUser, Path("Plain"), "%TARNVEL_TEST_DIR%"));
  EXPECT_EQ(RegReadText(kRegCurrentUser, Path("Plain")), "%TARNVEL_TEST_DIR%");
}

TEST_F(RegistryWin, ValuesLongerThanAnyBufferComeWhole) {
  std::string big;
  for (int i = 0; big.size() < 100000; ++i) big += "D:\\目录" + std::to_string(i) + "|";
  // Whole characters only: drop bytes from the end up to the last ASCII one.
  while (big.size() > 100000 || static_cast<unsigned char>(big.back()) >= 0x80) big.pop_back();
  ASSERT_TRUE(RegWrite(kRegLocalMachine, Path("Big"), big));
  EXPECT_EQ(RegReadText(kRegLocalMachine, Path("Big")), big);

  const ByteString bytes(100000, 0xA5);
  ASSERT_TRUE(RegWrite(kRegLocalMachine, Path("BigBytes"), bytes));
  DWORD size = 0;
  EXPECT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\TarnvelTest", L"BigBytes", RRF_RT_REG_BINARY,
                         nullptr, nullptr, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(size, 100000u);
}

TEST_F(RegistryWin, ExistsAndDeleteValue) {
  EXPECT_FALSE(RegExists(kRegCurrentUser, Path("Gone")));
  EXPECT_TRUE(RegDeleteValue(kRegCurrentUser, Path("Gone")));  // missing key: nothing to remove
  ASSERT_TRUE(RegWrite(kRegCurrentUser, Path("Gone"), ""));
  EXPECT_TRUE(RegExists(kRegCurrentUser, Path("Gone")));  // an empty text is still a value
  EXPECT_EQ(RegReadText(kRegCurrentUser, Path("Gone"), "dflt"), "");
  EXPECT_TRUE(RegDeleteValue(kRegCurrentUser, Path("Gone")));
  EXPECT_FALSE(RegExists(kRegCurrentUser, Path("Gone")));
  EXPECT_EQ(RegReadText(kRegCurrentUser, Path("Gone"), "dflt"), "dflt");
  EXPECT_TRUE(RegDeleteValue(kRegCurrentUser, Path("Gone")));  // already gone
}

TEST_F(RegistryWin, KeyWritableLooksWithoutCreating) {
  EXPECT_TRUE(RegKeyWritable(kRegCurrentUser, Path("Not\\Yet\\There")));
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\TarnvelTest", 0, KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);
  ASSERT_TRUE(RegWrite(kRegLocalMachine, Path("x"), 1));
  EXPECT_TRUE(RegKeyWritable(kRegLocalMachine, kTestKey));
}

// The value as the system's own registry tool shows it, read from reg.exe's output.
std::wstring RegToolQuery(const std::wstring& arguments) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return L"<no pipe>";
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = writeEnd;
  si.hStdError = writeEnd;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION pi{};
  std::wstring command = L"reg.exe query " + arguments;
  const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                      nullptr, nullptr, &si, &pi);
  CloseHandle(writeEnd);
  std::string output;
  if (started) {
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(readEnd, chunk, sizeof chunk, &got, nullptr) && got > 0) output.append(chunk, got);
    WaitForSingleObject(pi.hProcess, INFINITE);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
  }
  CloseHandle(readEnd);
  if (!started) return L"<reg.exe did not start>";
  // reg.exe writes through the console's code page when its output is a pipe; try UTF-8
  // first (Wine), then the OEM code page.
  const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, output.data(),
                                    static_cast<int>(output.size()), nullptr, 0);
  const UINT codePage = n > 0 ? CP_UTF8 : GetOEMCP();
  std::wstring wide(static_cast<size_t>(MultiByteToWideChar(codePage, 0, output.data(),
                                                            static_cast<int>(output.size()), nullptr, 0)),
                    L'\0');
  MultiByteToWideChar(codePage, 0, output.data(), static_cast<int>(output.size()), wide.data(),
                      static_cast<int>(wide.size()));
  return wide;
}

TEST_F(RegistryWin, TheSystemRegistryToolSeesTheUnicodeName) {
  ASSERT_TRUE(RegWrite(kRegCurrentUser, Path("Orvane目录同步VLS"), "abc"));
  const std::wstring shown = RegToolQuery(L"HKCU\\SOFTWARE\\TarnvelTest");
  EXPECT_NE(shown.find(L"abc"), std::wstring::npos) << WideToUtf8(shown);
  // The tool prints through its console code page, which may lack the Chinese characters and
  // show "?" for each; either way the name must come out as four characters between "Orvane"
  // and "VLS", not as the twelve bytes of their UTF-8 form.
  const std::size_t at = shown.find(L"Orvane");
  ASSERT_NE(at, std::wstring::npos) << WideToUtf8(shown);
  EXPECT_EQ(shown.substr(at + 6 + 4, 3), L"VLS") << WideToUtf8(shown);
}

// reg.exe export writes a UTF-16 file: there the names appear as the characters they are,
// whatever the console's code page.
TEST_F(RegistryWin, TheSystemRegistryToolExportsTheChineseNames) {
  ASSERT_TRUE(RegWrite(kRegCurrentUser, Path("Orvane目录同步\\Orvane目录同步VLS"), "D:\\资料|"));
  const std::wstring file = test::FreshTestDirWide() + L"export.reg";
  std::wstring command = L"reg.exe export HKCU\\SOFTWARE\\TarnvelTest \"" + file + L"\" /y";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                             nullptr, &si, &pi));
  WaitForSingleObject(pi.hProcess, INFINITE);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  const ByteString bytes = ReadWholeFile(WideToUtf8(file));
  ASSERT_GE(bytes.size(), 2u);
  ASSERT_EQ(bytes[0], 0xFF);  // a UTF-16 LE byte-order mark
  std::wstring text;
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) text += static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8));
  EXPECT_NE(text.find(L"[HKEY_CURRENT_USER\\SOFTWARE\\TarnvelTest\\Orvane\u76ee\u5f55\u540c\u6b65]"),
            std::wstring::npos)
      << WideToUtf8(text);
  EXPECT_NE(text.find(L"\"Orvane\u76ee\u5f55\u540c\u6b65VLS\"=\"D:\\\\\u8d44\u6599|\""), std::wstring::npos)
      << WideToUtf8(text);
}

}  // namespace
}  // namespace tarnvel
