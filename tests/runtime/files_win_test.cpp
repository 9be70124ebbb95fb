// Files and directories on real folders of the sandbox drive.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/encoding.h"
#include "runtime/files.h"
#include "tests/support/link_slot_win.h"
#include "tests/support/sandbox.h"

namespace tarnvel {
namespace {

ByteString Bytes(std::string_view s) { return ByteString(s.begin(), s.end()); }

void WriteFile(const std::string& path, std::string_view content) {
  ASSERT_TRUE(WriteWholeFile(path, {Bytes(content)})) << path;
}

std::vector<std::string> Found(const std::string& pattern, int attributes = -1) {
  std::vector<std::string> names;
  FileSearch search;
  std::string name = attributes < 0 ? FindFile(pattern, search) : FindFile(pattern, attributes, search);
  while (!name.empty()) {
    names.push_back(name);
    name = attributes < 0 ? FindFile("", search) : FindFile("", attributes, search);
  }
  EXPECT_FALSE(search.IsOpen());  // the end closes the search
  return names;
}

// The system's own listing order, to compare FindFile's order against; with a mask, only the
// entries whose listed attributes have none of the visible bits (0x37) set.
std::vector<std::string> SystemOrder(const std::string& dir, bool withoutVisibleBits = false) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileW(Utf8ToWide(dir + "*").c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    if (!withoutVisibleBits || (data.dwFileAttributes & 0x37) == 0)
      names.push_back(WideToUtf8(data.cFileName));
  } while (FindNextFileW(h, &data));
  FindClose(h);
  return names;
}

std::vector<std::string> Only(const std::vector<std::string>& order, const std::vector<std::string>& wanted) {
  std::vector<std::string> out;
  for (const auto& n : order) {
    if (std::find(wanted.begin(), wanted.end(), n) != wanted.end()) out.push_back(n);
  }
  return out;
}

// False under Wine, which marks every file for archiving.
bool ArchiveBitIsKept() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return !ntdll || !GetProcAddress(ntdll, "wine_get_version");
}

class Files : public testing::Test {
 protected:
  void SetUp() override {
    dir = test::FreshTestDir();
    ASSERT_FALSE(dir.empty());
  }
  std::string dir;
};

TEST_F(Files, FindFileFiltersByAttributesInListingOrder) {
  WriteFile(dir + "b.txt", "bb");
  WriteFile(dir + "A.txt", "a");
  WriteFile(dir + "隐藏.txt", "hidden");
  ASSERT_TRUE(MakeDirectory(dir + "sub"));
  ASSERT_TRUE(MakeDirectory(dir + "C"));
  ASSERT_TRUE(SetAttributes(dir + "A.txt", 0));
  ASSERT_TRUE(SetAttributes(dir + "b.txt", 0x20));
  ASSERT_TRUE(SetAttributes(dir + "隐藏.txt", 0x22));
  const auto order = SystemOrder(dir);

  // No attributes: every non-directory, whatever its attributes.
  EXPECT_EQ(Found(dir + "*"), Only(order, {"A.txt", "b.txt", "隐藏.txt"}));
  // Directories, "." and ".." included.
  EXPECT_EQ(Found(dir + "*", 0x10), Only(order, {".", "..", "sub", "C"}));
  EXPECT_EQ(Found(dir + "*", 0x02), std::vector<std::string>{"隐藏.txt"});
  EXPECT_EQ(Found(dir + "*", 0x20),
            Only(order, ArchiveBitIsKept() ? std::vector<std::string>{"b.txt", "隐藏.txt"}
                                           : std::vector<std::string>{"A.txt", "b.txt", "隐藏.txt"}));
  // A mask of 0 takes exactly the entries none of whose visible bits are set (Wine marks every
  // file for archiving, so there it must find none, neither files nor folders).
  EXPECT_EQ(Found(dir + "*", 0), SystemOrder(dir, true));
  // Bits outside 0x37 are no filter: 0x80 | 0x10 is the directory filter.
  EXPECT_EQ(Found(dir + "*", 0x90), Only(order, {".", "..", "sub", "C"}));
  EXPECT_EQ(Found(dir + "*.txt"), Only(order, {"A.txt", "b.txt", "隐藏.txt"}));
  EXPECT_TRUE(Found(dir + "*.none").empty());
}

TEST_F(Files, FindFileRestartsEndsAndGivesTheEntrysData) {
  WriteFile(dir + "one.txt", "12345");
  WriteFile(dir + "two.txt", "1");
  FileSearch search;
  ASSERT_FALSE(FindFile(dir + "*", search).empty());
  ASSERT_TRUE(search.IsOpen());
  // A new pattern ends the search held and starts over.
  EXPECT_EQ(FindFile(dir + "one.txt", search), "one.txt");
  EXPECT_EQ(search.Current().size, 5);
  WIN32_FILE_ATTRIBUTE_DATA info;
  ASSERT_TRUE(GetFileAttributesExW(Utf8ToWide(dir + "one.txt").c_str(), GetFileExInfoStandard, &info));
  const std::uint64_t written = (static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                                info.ftLastWriteTime.dwLowDateTime;
  EXPECT_EQ(search.Current().lastWriteTime, written);
  FileSearch moved = std::move(search);
  EXPECT_FALSE(search.IsOpen());
  EXPECT_EQ(FindFile("", moved), "");
  EXPECT_FALSE(moved.IsOpen());
  EXPECT_EQ(FindFile("", moved), "");  // nothing held: nothing found
  FindFile(dir + "*", moved);
  EndFind(moved);
  EXPECT_FALSE(moved.IsOpen());
  EXPECT_EQ(FindFile(dir + "missing\\*", moved), "");
}

TEST_F(Files, ListDirectoryGivesSizesTimesAndLinks) {
  WriteFile(dir + "f.bin", std::string(3000, 'x'));
  ASSERT_TRUE(MakeDirectory(dir + "d"));
  std::vector<DirectoryEntry> entries;
  ASSERT_TRUE(ListDirectory(dir, [&](const DirectoryEntry& e) {
    entries.push_back(e);
    return true;
  }));
  ASSERT_EQ(entries.size(), 2u);  // no "." or ".."
  for (const auto& e : entries) {
    if (e.name == "f.bin") {
      EXPECT_EQ(e.size, 3000);
      EXPECT_FALSE(e.IsDirectory());
      EXPECT_NE(e.lastWriteTime, 0u);
    } else {
      EXPECT_EQ(e.name, "d");
      EXPECT_TRUE(e.IsDirectory());
      EXPECT_FALSE(e.IsDirectoryLink());
    }
  }
  int seen = 0;
  EXPECT_TRUE(
      ListDirectory(dir.substr(0, dir.size() - 1), [&](const DirectoryEntry&) { return ++seen < 1; }));
  EXPECT_EQ(seen, 1);  // stopped after the first
  EXPECT_TRUE(ListDirectory(dir + "d", [](const DirectoryEntry&) { return true; }));
  EXPECT_FALSE(ListDirectory(dir + "missing", [](const DirectoryEntry&) { return true; }));
  EXPECT_FALSE(ListDirectory(dir + "f.bin", [](const DirectoryEntry&) { return true; }));

  bool sawLink = false;
  const std::string three = test::LinkSlot(3);
  ASSERT_TRUE(ListDirectory(three + "tree\\", [&](const DirectoryEntry& e) {
    if (e.name == "link") sawLink = e.IsDirectoryLink();
    return true;
  }));
  EXPECT_TRUE(sawLink);
  EXPECT_TRUE(IsDirectoryLink(three + "tree\\link"));
  EXPECT_TRUE(IsDirectoryLink(three + "tree\\link\\"));
  EXPECT_FALSE(IsDirectoryLink(three + "tree"));
  EXPECT_FALSE(IsDirectoryLink(three + "tree\\file.txt"));
}

// What a rename or an attribute change would reach through: every kind of entry, both spellings.
TEST_F(Files, LeadsElsewhereTellsLinksFromEntriesThatAreThemselves) {
  const std::string slot = test::LinkSlot(3), files = test::FileLinkCase(1);
  const struct {
    std::string path;
    bool elsewhere;
  } cases[] = {{files + "dst\\f.txt", true},        {files + "DST\\F.TXT", true},
               {files + "outside\\keep.txt", false}, {files + "outside\\KEEP.txt", false},
               {slot + "tree\\link", true},          {slot + "tree\\link\\", true},
               {slot + "tree", false},
               {slot + "tree\\file.txt", false},     {slot + "tree\\missing.txt", false}};
  for (const auto& c : cases) EXPECT_EQ(LeadsElsewhere(c.path), c.elsewhere) << c.path;
}

TEST_F(Files, ExistsHonoursWildcardsAndDirectories) {
  WriteFile(dir + "data.txt", "x");
  ASSERT_TRUE(MakeDirectory(dir + "folder"));
  EXPECT_TRUE(FileExists(dir + "data.txt"));
  EXPECT_TRUE(FileExists(dir + "*.txt"));
  EXPECT_TRUE(FileExists(dir + "dat?.txt"));
  EXPECT_FALSE(FileExists(dir + "*.none"));
  EXPECT_TRUE(FileExists(dir + "folder"));
  EXPECT_TRUE(FileExists(dir + "FOLDER"));
  EXPECT_FALSE(FileExists(dir + "missing"));
  EXPECT_FALSE(FileExists(""));
}

TEST_F(Files, SizesBeyondFourGigabytes) {
  // Sparse: the size is set, no data written.
  const std::string big = dir + "big.bin";
  HANDLE h = CreateFileW(Utf8ToWide(big).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  LARGE_INTEGER size;
  size.QuadPart = 4294967306LL;  // 4 GiB + 10
  ASSERT_TRUE(SetFilePointerEx(h, size, nullptr, FILE_BEGIN));
  ASSERT_TRUE(SetEndOfFile(h));
  CloseHandle(h);
  EXPECT_EQ(FileSize64(big), 4294967306LL);
  EXPECT_EQ(FileSize(big), 10);  // the low 32 bits
  FileSearch search;
  ASSERT_EQ(FindFile(big, search), "big.bin");
  EXPECT_EQ(search.Current().size, 4294967306LL);
  EXPECT_EQ(FileSize64(dir + "big.*"), 4294967306LL);

  EXPECT_EQ(FileSize(dir + "missing"), -1);
  EXPECT_EQ(FileSize64(dir + "missing"), -1);
  EXPECT_EQ(FileSize(dir), -1);  // a search of a path ending in "\" finds nothing
  WriteFile(dir + "empty", "");
  EXPECT_EQ(FileSize(dir + "empty"), 0);
}

TEST_F(Files, AttributesRoundTripIncludingHiddenWithReadOnly) {
  const std::string f = dir + "a.txt";
  WriteFile(f, "x");
  // Wine reports every file as marked for archiving, whatever was set: the archive bit is
  // compared on Windows only.
  const int archive = ArchiveBitIsKept() ? 0 : 0x20;
  for (int attrs : {0x07, 0x23, 0x27, 0x02, 0x20, 0x01, 0x00}) {
    ASSERT_TRUE(SetAttributes(f, attrs)) << attrs;
    EXPECT_EQ(GetAttributes(f) | archive, attrs | archive) << attrs;
  }
  // Only 0x27 is written; the directory bit and others are ignored.
  ASSERT_TRUE(SetAttributes(f, 0xFF & ~0x01));
  EXPECT_EQ(GetAttributes(f) | archive, 0x26 | archive);
  ASSERT_TRUE(MakeDirectory(dir + "d"));
  ASSERT_TRUE(SetAttributes(dir + "d", 0x06));
  EXPECT_EQ(GetAttributes(dir + "d"), 0x16);
  EXPECT_EQ(GetAttributes(dir + "missing"), -1);
  EXPECT_FALSE(SetAttributes(dir + "missing", 0x20));
}

TEST_F(Files, CopyMoveDeleteAndWholeFiles) {
  const std::string a = dir + "a.txt", b = dir + "b.txt", c = dir + "c.txt";
  ASSERT_TRUE(WriteWholeFile(a, {Bytes("one"), Bytes(""), Bytes("two")}));
  EXPECT_EQ(ReadWholeFile(a), Bytes("onetwo"));
  WriteFile(b, "old contents");
  ASSERT_TRUE(CopyFileTo(a, b));  // overwrites
  EXPECT_EQ(ReadWholeFile(b), Bytes("onetwo"));

  int calls = 0;
  const CopyProgress count = [&](std::int64_t, std::int64_t) { return ++calls, kCopyContinue; };
  EXPECT_FALSE(CopyFileWithProgress(a, b, count, true));  // refuses an existing target
  ASSERT_TRUE(CopyFileWithProgress(a, c, count, true));
  EXPECT_EQ(ReadWholeFile(c), Bytes("onetwo"));
  ASSERT_TRUE(CopyFileWithProgress(a, c, nullptr, false));

  WriteFile(b, "replacement");
  ASSERT_TRUE(MoveFileReplace(b, c));
  EXPECT_EQ(ReadWholeFile(c), Bytes("replacement"));
  EXPECT_FALSE(FileExists(b));

  // A hidden, system file is rewritten in place and stays hidden and system.
  ASSERT_TRUE(SetAttributes(c, 0x06));
  ASSERT_TRUE(WriteWholeFile(c, {Bytes("new")}));
  EXPECT_EQ(ReadWholeFile(c), Bytes("new"));
  EXPECT_EQ(GetAttributes(c) & 0x07, 0x06);
  ASSERT_TRUE(SetAttributes(c, 0x20));

  EXPECT_TRUE(DeleteFileAt(c));
  EXPECT_FALSE(DeleteFileAt(c));
  EXPECT_TRUE(ReadWholeFile(c).empty());
  EXPECT_TRUE(ReadWholeFile("").empty());
  EXPECT_FALSE(WriteWholeFile("", {Bytes("x")}));
  EXPECT_FALSE(MakeDirectory(dir + "no\\parent"));  // one level only
  EXPECT_FALSE(WriteWholeFile(dir + "no\\parent.txt", {Bytes("x")}));
}

TEST_F(Files, RemoveDirectoryTreeRefusesRootsAndTouchesNothing) {
  WriteFile(dir + "witness.txt", "x");
  for (const char* root : {"", "   ", "Z:", "Z:\\", "  Z:\\", "Z:/", "\\", "\\\\server", "\\\\server\\share",
                           "\\\\server\\share\\", "Z:\\links\\..", "\\\\?\\Z:\\"}) {
    EXPECT_FALSE(RemoveDirectoryTree(root)) << root;
  }
  EXPECT_TRUE(FileExists(dir + "witness.txt"));
  EXPECT_TRUE(FileExists(test::LinkSlot(4) + "outside\\keep.txt"));
}

TEST_F(Files, RemoveDirectoryTreeDeletesDepthFirstButNotReadOnlyFiles) {
  const std::string top = dir + "top";
  ASSERT_TRUE(MakeDirectory(top));
  ASSERT_TRUE(MakeDirectory(top + "\\a"));
  ASSERT_TRUE(MakeDirectory(top + "\\a\\b"));
  ASSERT_TRUE(MakeDirectory(top + "\\.dot"));
  WriteFile(top + "\\f.txt", "1");
  WriteFile(top + "\\a\\b\\deep.txt", "2");
  WriteFile(top + "\\.dot\\hidden.txt", "3");
  ASSERT_TRUE(SetAttributes(top + "\\.dot\\hidden.txt", 0x06));  // hidden and system go like any file
  EXPECT_TRUE(RemoveDirectoryTree("  " + top + "\\"));
  EXPECT_EQ(GetAttributes(top), -1);

  ASSERT_TRUE(MakeDirectory(top));
  ASSERT_TRUE(MakeDirectory(top + "\\keep"));
  WriteFile(top + "\\keep\\ro.txt", "read-only");
  WriteFile(top + "\\gone.txt", "x");
  ASSERT_TRUE(SetAttributes(top + "\\keep\\ro.txt", 0x01));
  EXPECT_FALSE(RemoveDirectoryTree(top));
  EXPECT_EQ(GetAttributes(top + "\\keep\\ro.txt") & 0x01, 0x01);  // its bit untouched, the file kept
  EXPECT_FALSE(FileExists(top + "\\gone.txt"));
  EXPECT_FALSE(RemoveDirectoryTree(dir + "missing"));
  EXPECT_FALSE(RemoveDirectoryTree(top + "\\keep\\ro.txt"));  // a file is no tree
  ASSERT_TRUE(SetAttributes(top + "\\keep\\ro.txt", 0x20));
}

TEST_F(Files, RemoveDirectoryTreeNeverGoesThroughADirectoryLink) {
  // tree\link points at outside\, tree\sub\up back at tree: neither may be walked.
  // Whether the links themselves go is the system's affair (Windows removes a link, Wine cannot),
  // and so is the result; what lies behind them stays either way.
  const std::string one = test::LinkSlot(1), two = test::LinkSlot(2);
  RemoveDirectoryTree(one + "tree");
  EXPECT_TRUE(FileExists(one + "outside\\keep.txt"));
  EXPECT_FALSE(FileExists(one + "tree\\file.txt"));
  EXPECT_TRUE(FileExists(one + "outside"));
  // A link given itself loses at most the link.
  RemoveDirectoryTree(two + "tree\\link");
  RemoveDirectoryTree(two + "tree\\sub\\up\\");
  EXPECT_TRUE(FileExists(two + "outside\\keep.txt"));
  EXPECT_TRUE(FileExists(two + "tree\\file.txt"));
}

// Names that end in a dot or a blank (made on Linux, on a share, or through \\?\) are named by
// a plain path as the name without them: "x." is "x", and "..." is the folder itself.
void MakeExactDirectory(const std::string& path) {
  ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + Utf8ToWide(path)).c_str(), nullptr)) << path;
}

void WriteExactFile(const std::string& path, std::string_view content) {
  HANDLE h = CreateFileW((L"\\\\?\\" + Utf8ToWide(path)).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
  DWORD written = 0;
  ::WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  CloseHandle(h);
}

TEST_F(Files, NamesEndingInADotOrBlankAreRemovedExactly) {
  const std::string job = dir + "job";
  ASSERT_TRUE(MakeDirectory(job));
  ASSERT_TRUE(MakeDirectory(job + "\\x"));
  WriteFile(job + "\\x\\keep.txt", "x");
  WriteFile(job + "\\f", "plain");
  for (const char* name : {"x.", "...", "sp "}) MakeExactDirectory(job + "\\" + name);
  WriteExactFile(job + "\\x.\\inner.txt", "i");
  WriteExactFile(job + "\\f.", "dotted");

  // Once the tree removal took "x." for "x", and "..." for the whole job folder.
  EXPECT_TRUE(RemoveDirectoryTree(job + "\\x."));
  EXPECT_TRUE(RemoveDirectoryTree(job + "\\..."));
  EXPECT_TRUE(RemoveDirectoryTree(job + "\\sp "));
  EXPECT_TRUE(DeleteFileAt(job + "\\f."));
  EXPECT_EQ(SystemOrder(job + "\\"), (std::vector<std::string>{".", "..", "f", "x"}));
  EXPECT_TRUE(FileExists(job + "\\x\\keep.txt"));

  // With no such entry, a name that is only dots never stands for the folder above it...
  EXPECT_FALSE(RemoveDirectoryTree(job + "\\..."));
  EXPECT_FALSE(RemoveDirectoryTree(job + "\\x\\. ."));
  EXPECT_TRUE(FileExists(job + "\\x\\keep.txt"));
  // ...while a typed trailing blank keeps meaning the folder without it.
  EXPECT_TRUE(RemoveDirectoryTree(job + "\\x "));
  EXPECT_EQ(GetAttributes(job + "\\x"), -1);
}

TEST_F(Files, PathsLongerThanTheOldLimit) {
  std::string deep = dir;
  while (deep.size() < 400) {
    deep += "长路径目录abcdefghijklmnop\\";
    ASSERT_TRUE(MakeDirectory(deep)) << deep.size();
  }
  const std::string file = deep + "文件.txt", copy = deep + "copy.txt";
  ASSERT_TRUE(WriteWholeFile(file, {Bytes("long")}));
  EXPECT_EQ(ReadWholeFile(file), Bytes("long"));
  EXPECT_TRUE(FileExists(file));
  EXPECT_TRUE(FileExists(deep + "*.txt"));
  EXPECT_EQ(FileSize(file), 4);
  ASSERT_TRUE(SetAttributes(file, 0x22));
  EXPECT_EQ(GetAttributes(file), 0x22);
  ASSERT_TRUE(CopyFileTo(file, copy));
  EXPECT_EQ(Found(deep + "*"), Only(SystemOrder(deep), {"文件.txt", "copy.txt"}));
  ASSERT_TRUE(MoveFileReplace(copy, file));
  int entries = 0;
  ASSERT_TRUE(ListDirectory(deep, [&](const DirectoryEntry&) { return ++entries, true; }));
  EXPECT_EQ(entries, 1);
  EXPECT_TRUE(DeleteFileAt(file));
  WriteWholeFile(file, {Bytes("again")});
  const std::string top = dir + "长路径目录abcdefghijklmnop";
  EXPECT_TRUE(RemoveDirectoryTree(top));
  EXPECT_EQ(GetAttributes(top), -1);
}

// Run by ProgramDirectoryOfACopy in a copy of this executable: writes what the copy sees.
TEST(FilesChild, ReportProgramDirectory) {
  wchar_t out[1024];
  if (!GetEnvironmentVariableW(L"TARNVEL_REPORT_TO", out, 1024)) GTEST_SKIP() << "run by another test only";
  ASSERT_TRUE(WriteWholeFile(WideToUtf8(out), {Bytes(RunDirectory() + "|" + ExecutableName())}));
}

TEST_F(Files, ProgramDirectoryOfACopy) {
  // Started from its Unix path Wine gives a program no drive; a copy on the sandbox drive has one.
  wchar_t self[1024];
  ASSERT_GT(GetModuleFileNameW(nullptr, self, 1024), 0u);
  ASSERT_TRUE(MakeDirectory(dir + "程序"));
  const std::string copy = dir + "程序\\Copy.exe", report = dir + "report.txt";
  // Wine names a program outside every drive "unix\...": the \\?\ form of that name reaches it.
  const std::wstring source =
      std::wstring(self).rfind(L"unix\\", 0) == 0 ? L"\\\\?\\" + std::wstring(self) : self;
  ASSERT_TRUE(CopyFileW(source.c_str(), Utf8ToWide(copy).c_str(), FALSE))
      << WideToUtf8(self) << " error " << GetLastError();
  std::wstring command = L"\"" + Utf8ToWide(copy) + L"\" --gtest_filter=FilesChild.ReportProgramDirectory";
  SetEnvironmentVariableW(L"TARNVEL_REPORT_TO", Utf8ToWide(report).c_str());
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  const BOOL started =
      CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
  SetEnvironmentVariableW(L"TARNVEL_REPORT_TO", nullptr);
  ASSERT_TRUE(started);
  WaitForSingleObject(pi.hProcess, INFINITE);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  const ByteString seen = ReadWholeFile(report);
  EXPECT_EQ(std::string(seen.begin(), seen.end()), dir + "程序|Copy.exe");
}

TEST_F(Files, CurrentDirectoryFollowsTheProcess) {
  EXPECT_EQ(ExecutableName(), "tarnvel_runtime_tests.exe");
  wchar_t before[1024];
  GetCurrentDirectoryW(1024, before);
  ASSERT_TRUE(SetCurrentDirectoryW(Utf8ToWide(dir).c_str()));
  EXPECT_EQ(CurrentDirectory() + "\\", dir);
  SetCurrentDirectoryW(before);
}

}  // namespace
}  // namespace tarnvel
