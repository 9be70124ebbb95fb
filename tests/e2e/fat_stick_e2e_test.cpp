// Both engines on the FAT sticks of tools/test-fat: FAT images mounted through FUSE as S: (64 MB)
// and T: (16 MB). What a run wrote is read off the image file itself (Z:\fat-images), so "wrote
// nothing" means not one byte of the stick changed.
#include <windows.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/encoding.h"
#include "tests/support/fat_sticks_win.h"
#include "tests/support/program_window_win.h"
#include "tests/support/sandbox.h"
#include "tests/support/tree_snapshot_win.h"

namespace tarnvel {
namespace {

namespace fs = std::filesystem;
using test::EntryKind;
using test::ProcessOutcome;
using test::RunProcess;
using test::SnapshotTree;
using test::TreeSnapshot;

constexpr unsigned long kRunLimitMs = 120000;
constexpr std::uint64_t kSecond = 10'000'000;
constexpr std::uint64_t kBase = 133500000000000000ull;  // 2024-01-16 22:40:00 UTC, an even second

enum class Engine { kMainWindow, kJobLine };

std::string Bytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void Write(const fs::path& file, const std::string& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << bytes;
}

void SetTime(const fs::path& file, std::uint64_t fileTime) {
  HANDLE h = CreateFileW(file.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << file;
  const FILETIME ft{static_cast<DWORD>(fileTime), static_cast<DWORD>(fileTime >> 32)};
  EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &ft));
  CloseHandle(h);
}

// A run of one engine: the main window's through its driver, the job line through the program.
ProcessOutcome RunEngine(Engine engine, const fs::path& source, const fs::path& target,
                         const fs::path& after) {
  if (engine == Engine::kJobLine) {
    const std::wstring program = TARNVEL_PROGRAMS_DIR L"Tarnvel.exe";
    return RunProcess(program,
                      L"\"" + program + L"\" \"" + source.wstring() + L"|" + target.wstring() + L"|1|" +
                          after.wstring() + L"\"",
                      L"Z:\\", kRunLimitMs);
  }
  const std::wstring program = TARNVEL_PROGRAMS_DIR L"tarnvel-engine.exe";
  return RunProcess(program,
                    L"\"" + program + L"\" \"" + source.wstring() + L"\" \"" + target.wstring() + L"\"",
                    L"Z:\\", kRunLimitMs);
}

// The lines of the run log written last that names `target` (not merely the newest file: two
// runs in one second are named "<time>.log" and "<time> (2).log").
std::vector<std::string> RunLogLines(const fs::path& target) {
  std::istringstream in(test::NewestRunLog(test::Utf8(target.wstring())));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::wstring> TemporaryFilesIn(const TreeSnapshot& tree) {
  std::vector<std::wstring> found;
  for (const auto& [key, entry] : tree) {
    const std::wstring name = key.substr(key.find_last_of(L'/') + 1);
    if (name.rfind(L"~tv", 0) == 0) found.push_back(key);
  }
  return found;
}

// A folder of the test's own on a stick, and one in the sandbox.
class FatStick : public testing::Test {
 protected:
  void SetUp() override {
    TARNVEL_REQUIRE_FAT_STICKS();
    local_ = test::FreshTestDirWide();
    after_ = local_ / L"record_run.exe";
    ASSERT_TRUE(CopyFileW(TARNVEL_PROGRAMS_DIR L"record_run.exe", after_.c_str(), FALSE));
  }

  static fs::path OnStick(const wchar_t* root) {
    std::wstring folder = test::FreshStickFolder(root, std::wstring(root) == L"T:\\");
    folder.pop_back();
    return folder;
  }

  fs::path local_, after_;
};

TEST_F(FatStick, OddTimesAreMirroredOnceAndThenNothingIsWritten) {
  const fs::path source = local_ / L"photos";
  const fs::path target = OnStick(L"S:\\");
  for (int i = 0; i < 200; ++i) {
    const fs::path file =
        source / (L"d" + std::to_wstring(i % 10)) / (L"IMG_" + std::to_wstring(i) + L".jpg");
    Write(file, std::string(100 + i, static_cast<char>('a' + i % 26)));
    // Odd seconds and milliseconds, which FAT cannot keep.
    SetTime(file, kBase + static_cast<std::uint64_t>(i) * (kSecond + 10'000 * 7) + kSecond);
  }
  ASSERT_EQ(RunEngine(Engine::kMainWindow, source, target, after_).exitCode, 0u);
  const TreeSnapshot mirrored = SnapshotTree(target.wstring());
  const TreeSnapshot original = SnapshotTree(source.wstring());
  ASSERT_EQ(mirrored.size(), original.size());
  for (const auto& [key, entry] : original) {
    ASSERT_TRUE(mirrored.contains(key)) << test::Utf8(key);
    EXPECT_EQ(mirrored.at(key).checksum, entry.checksum) << test::Utf8(key);
  }
  for (int run = 2; run <= 3; ++run) {
    const std::uint64_t before = test::ImageHash(test::kStickImage);
    ASSERT_EQ(RunEngine(Engine::kMainWindow, source, target, after_).exitCode, 0u);
    EXPECT_EQ(test::ImageHash(test::kStickImage), before) << "run " << run << " wrote to the stick";
  }
  // A change of the same size, 5 s later, is a change.
  const fs::path changed = source / L"d3" / L"IMG_13.jpg";
  const std::string fresh(Bytes(changed).size(), 'Z');
  Write(changed, fresh);
  SetTime(changed, kBase + 13 * (kSecond + 70'000) + kSecond + 5 * kSecond);
  const std::uint64_t before = test::ImageHash(test::kStickImage);
  ASSERT_EQ(RunEngine(Engine::kMainWindow, source, target, after_).exitCode, 0u);
  EXPECT_EQ(Bytes(target / L"d3" / L"IMG_13.jpg"), fresh);
  EXPECT_NE(test::ImageHash(test::kStickImage), before);
  EXPECT_TRUE(TemporaryFilesIn(SnapshotTree(target.wstring())).empty());
}

struct RenameCase {
  Engine engine;
  const wchar_t* root;  // the folder the target lies in
};

class CaseOnlyRename : public FatStick, public testing::WithParamInterface<RenameCase> {};

// A file and a folder (holding a file and a subfolder) renamed in the source only in letter case
// take the new spelling in the target, their content kept.
TEST_P(CaseOnlyRename, FileAndFolderTakeTheSourcesSpelling) {
  const fs::path source = local_ / L"src";
  const fs::path target =
      GetParam().root == std::wstring(L"local") ? local_ / L"dst" : OnStick(GetParam().root);
  Write(source / L"IMG_0001.JPG", "picture");
  Write(source / L"Photos" / L"A.txt", "a");
  Write(source / L"Photos" / L"Sub" / L"b.txt", "bb");
  ASSERT_EQ(RunEngine(GetParam().engine, source, target, after_).exitCode, 0u);
  const TreeSnapshot first = SnapshotTree(target.wstring());
  ASSERT_TRUE(first.contains(L"Photos/Sub/b.txt"));

  fs::rename(source / L"IMG_0001.JPG", source / L"img_0001.jpg");
  fs::rename(source / L"Photos", source / L"photos");
  ASSERT_EQ(RunEngine(GetParam().engine, source, target, after_).exitCode, 0u);
  const TreeSnapshot renamed = SnapshotTree(target.wstring());
  const TreeSnapshot wanted = SnapshotTree(source.wstring());
  std::vector<std::wstring> got, expected;
  for (const auto& [key, entry] : renamed) got.push_back(key);
  for (const auto& [key, entry] : wanted) expected.push_back(key);
  EXPECT_EQ(got, expected);
  for (const auto& [key, entry] : wanted) {
    if (renamed.contains(key)) {
      EXPECT_EQ(renamed.at(key).checksum, entry.checksum) << test::Utf8(key);
    }
  }
  // Renamed, not copied again: the same file (where the volume keeps file identities).
  if (GetParam().root == std::wstring(L"local") && renamed.contains(L"img_0001.jpg")) {
    EXPECT_EQ(renamed.at(L"img_0001.jpg").identity, first.at(L"IMG_0001.JPG").identity);
  }
}

INSTANTIATE_TEST_SUITE_P(BothEnginesBothDrives, CaseOnlyRename,
                         testing::Values(RenameCase{Engine::kMainWindow, L"local"},
                                         RenameCase{Engine::kJobLine, L"local"},
                                         RenameCase{Engine::kMainWindow, L"S:\\"},
                                         RenameCase{Engine::kJobLine, L"S:\\"}));

class FullStick : public FatStick, public testing::WithParamInterface<Engine> {};

// 16 MB stick, 40 MB to copy: the job stops at the first copy that does not fit, says why, ends
// with exit code 1, leaves no temporary file, and the files that were there keep their bytes.
TEST_P(FullStick, StopsAtTheFirstCopyThatDoesNotFit) {
  const fs::path source = local_ / L"src";
  const fs::path target = OnStick(L"T:\\");
  const std::string kept(1 << 20, 'k'), replaced(2 << 20, 'r');
  Write(source / L"keep" / L"a.bin", kept);
  Write(source / L"keep" / L"b.bin", std::string(3 << 20, 'n'));
  Write(target / L"keep" / L"a.bin", kept);
  Write(target / L"keep" / L"b.bin", replaced);
  for (int i = 0; i < 8; ++i)
    Write(source / L"big" / (L"part" + std::to_wstring(i) + L".bin"), std::string(5 << 20, 'x'));
  const ProcessOutcome outcome = RunEngine(GetParam(), source, target, after_);
  EXPECT_EQ(outcome.exitCode, 1u);
  int failures = 0;
  bool said = false;
  for (const std::string& line : RunLogLines(target)) {
    if (line.rfind("失败：", 0) != 0) continue;
    ++failures;
    said = said || (line.find("目标磁盘空间不足，剩余 ") != std::string::npos &&
                    line.find("需要 5.00 MB") != std::string::npos);
  }
  EXPECT_EQ(failures, 1) << "one failure, then no further copy is tried";
  EXPECT_TRUE(said) << "the failure says the stick is full, with the room left and the size needed";
  const TreeSnapshot after = SnapshotTree(target.wstring());
  EXPECT_TRUE(TemporaryFilesIn(after).empty());
  EXPECT_EQ(Bytes(target / L"keep" / L"a.bin"), kept);
  const std::string b = Bytes(target / L"keep" / L"b.bin");
  EXPECT_TRUE(b == replaced || b == std::string(3 << 20, 'n')) << "old or new, never a part";
  for (const auto& [key, entry] : after) {
    if (entry.kind == EntryKind::kFile && key.rfind(L"big/", 0) == 0) {
      EXPECT_EQ(entry.size, 5 << 20) << test::Utf8(key);
    }
  }
}

// The name of the kept versions' folder of a run started `days` ago ("YYYY-MM-DD HH.MM.SS").
std::wstring RunFolderDaysAgo(int days) {
  FILETIME utc, local;
  GetSystemTimeAsFileTime(&utc);
  ULARGE_INTEGER t{{utc.dwLowDateTime, utc.dwHighDateTime}};
  t.QuadPart -= static_cast<ULONGLONG>(days) * 864'000'000'000ULL;
  utc = {t.LowPart, t.HighPart};
  SYSTEMTIME st;
  FileTimeToLocalFileTime(&utc, &local);
  FileTimeToSystemTime(&local, &st);
  wchar_t name[32];
  std::swprintf(name, 32, L"%04u-%02u-%02u %02u.%02u.%02u", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute,
                st.wSecond);
  return name;
}

// Kept versions still within their days give way, oldest run first, when a copy does not fit:
// the copy is tried again and the job completes; the newer run's versions stay.
TEST_P(FullStick, TheOldestKeptVersionsGiveWayBeforeTheJobStops) {
  const fs::path source = local_ / L"src";
  const fs::path target = OnStick(L"T:\\");
  const fs::path versions = target / L".tarnvel-versions";
  const fs::path older = versions / RunFolderDaysAgo(2), newer = versions / RunFolderDaysAgo(1);
  Write(older / L"old.bin", std::string(4 << 20, 'o'));
  Write(newer / L"new.bin", std::string(4 << 20, 'n'));
  for (int i = 0; i < 2; ++i) Write(source / (L"part" + std::to_wstring(i) + L".bin"), std::string(5 << 20, 'x'));
  const ProcessOutcome outcome = RunEngine(GetParam(), source, target, after_);
  EXPECT_EQ(outcome.exitCode, 0u);
  EXPECT_FALSE(fs::exists(older)) << "the oldest run's versions made room";
  EXPECT_EQ(Bytes(newer / L"new.bin"), std::string(4 << 20, 'n')) << "one run folder was enough";
  for (int i = 0; i < 2; ++i)
    EXPECT_EQ(Bytes(target / (L"part" + std::to_wstring(i) + L".bin")), std::string(5 << 20, 'x'));
  EXPECT_TRUE(TemporaryFilesIn(SnapshotTree(target.wstring())).empty());
}

INSTANTIATE_TEST_SUITE_P(BothEngines, FullStick, testing::Values(Engine::kMainWindow, Engine::kJobLine));

// The program and its "Tarnvel.ini" on the stick, backing the stick up into the sandbox: the
// second start copies nothing (the backup's files are the same files, with the same times).
TEST_F(FatStick, RemovableStartFromTheStickCopiesNothingTheSecondTime) {
  const fs::path stick = OnStick(L"S:\\");
  const fs::path backup = local_ / L"backup";
  fs::create_directories(backup);
  ASSERT_TRUE(CopyFileW(TARNVEL_PROGRAMS_DIR L"Tarnvel.exe", (stick / L"Tarnvel.exe").c_str(), FALSE));
  for (int i = 0; i < 20; ++i) {
    const fs::path file = stick / L"docs" / (L"note" + std::to_wstring(i) + L".txt");
    Write(file, std::string(10 + i, 'n'));
  }
  Write(stick / L"Tarnvel.ini", "[DIR]\r\nInstall=" + backup.string() + "\r\nEC=1\r\n");
  TreeSnapshot first;
  for (int start = 1; start <= 2; ++start) {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) RegDeleteTreeW(root, L"SOFTWARE\\kelvotra");
    test::Program program((stick / L"Tarnvel.exe").wstring(), stick.wstring());
    ASSERT_TRUE(program.Started());
    ASSERT_TRUE(program.EndsWithin(kRunLimitMs));
    EXPECT_EQ(program.ExitCode(), 0u);
    const TreeSnapshot now = SnapshotTree(backup.wstring());
    if (start == 1) {
      first = now;
      ASSERT_TRUE(first.contains(L"docs/note19.txt"));
      continue;
    }
    ASSERT_EQ(now.size(), first.size());
    for (const auto& [key, entry] : first) {
      ASSERT_TRUE(now.contains(key)) << test::Utf8(key);
      EXPECT_EQ(now.at(key).identity, entry.identity) << "copied again: " << test::Utf8(key);
      EXPECT_EQ(now.at(key).lastWriteTime, entry.lastWriteTime) << test::Utf8(key);
    }
  }
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) RegDeleteTreeW(root, L"SOFTWARE\\kelvotra");
}

}  // namespace
}  // namespace tarnvel
