// Names of every script, through Tarnvel.exe's job line and through the main-window engine: every
// source name reaches the target, target-only names are removed, same-named files are kept and
// updated. The trees are written and compared here with std::filesystem and the system's own
// case mapping, never with the program's file code.
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/encoding.h"
#include "sync/main_controls.h"
#include "sync/sync_engine.h"
#include "sync/task_runner.h"
#include "tests/support/sandbox.h"

namespace tarnvel {
namespace {

namespace fs = std::filesystem;

constexpr DWORD kHangGuardMs = 120000;  // against a hang only; nothing depends on timing

// File names from many scripts. "café" composed (U+00E9) and decomposed (e + U+0301) are two
// names; the emoji lies outside the Basic Multilingual Plane.
const std::vector<std::wstring> kNames = {
    L"中文文件.txt",
    L"한글.txt",
    L"日本語のファイル.txt",
    L"العربية.txt",
    L"Ελληνικά ά ΐ.txt",
    L"кириллица Ёё.txt",
    L"caf\u00e9 na\u00efve.txt",
    L"cafe\u0301 nai\u0308ve.txt",
    L"ăâî șț.txt",
    L"emoji\U0001F600\U0001F4F7.txt",
    L"עברית.txt",
    L"ไทย.txt",
    L"हिन्दी.txt",
    L"Ä.txt",
};
// Folders, nested, named in other scripts.
const std::vector<std::wstring> kFolders = {L"목록", L"目录\\사진 😀", L"Ελλάδα\\Россия\\ไทย"};

void Write(const fs::path& path, const std::string& content) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The relative path as the file system matches names: upper-cased by the system.
std::wstring MatchKey(std::wstring relative) {
  if (!relative.empty()) CharUpperBuffW(relative.data(), static_cast<DWORD>(relative.size()));
  return relative;
}

struct Entry {
  std::wstring name;  // as stored
  bool directory = false;
  std::string content;
};

// Every entry below root, keyed as the file system matches names.
std::map<std::wstring, Entry> TreeOf(const fs::path& root) {
  std::map<std::wstring, Entry> tree;
  for (const auto& item : fs::recursive_directory_iterator(root)) {
    const std::wstring relative = item.path().lexically_relative(root).wstring();
    Entry e{relative, item.is_directory(), item.is_directory() ? std::string() : Read(item.path())};
    EXPECT_TRUE(tree.emplace(MatchKey(relative), e).second) << "two names for one: " << WideToUtf8(relative);
  }
  return tree;
}

// The differences, one line each; empty when the trees hold the same names (as the file system
// matches them), kinds and contents.
std::vector<std::string> Differences(const fs::path& left, const fs::path& right) {
  const auto a = TreeOf(left), b = TreeOf(right);
  std::vector<std::string> out;
  for (const auto& [key, e] : a) {
    const auto other = b.find(key);
    if (other == b.end()) {
      out.push_back("missing in target: " + WideToUtf8(e.name));
    } else if (other->second.directory != e.directory || other->second.content != e.content) {
      out.push_back("differs: " + WideToUtf8(e.name));
    }
  }
  for (const auto& [key, e] : b) {
    // The target's versions folder keeps what the run removed or replaced: not a mirrored entry.
    if (e.name.rfind(L".tarnvel-versions", 0) == 0) continue;
    if (!a.contains(key)) out.push_back("only in target: " + WideToUtf8(e.name));
  }
  return out;
}

class UnicodeNames : public testing::Test {
 protected:
  void SetUp() override {
    dir = test::FreshTestDir();
    source = fs::path(Utf8ToWide(dir)) / L"源 한글 😀";
    target = fs::path(Utf8ToWide(dir)) / L"备份 Ελληνικά";
    // The source: every name at the top and in every folder, each with a content of its own.
    int n = 0;
    std::vector<fs::path> places{source};
    for (const std::wstring& folder : kFolders) places.push_back(source / folder);
    for (const fs::path& place : places) {
      for (const std::wstring& name : kNames) Write(place / name, WideToUtf8(name) + std::to_string(++n));
    }
    // The target: same-named files with other sizes (replaced, never removed), one differing
    // only in the case of a non-ASCII letter (the same file), and target-only names of many
    // scripts (removed).
    Write(target / L"한글.txt", "old");
    Write(target / L"목록" / L"emoji\U0001F600\U0001F4F7.txt", "old, longer than the new one ............");
    Write(target / L"ä.txt", "lower-case a umlaut, another size");
    Write(target / L"삭제할 파일.txt", "extra");
    Write(target / L"\U0001F5D1 old.txt", "extra");
    Write(target / L"cafe\u0301 extra.txt", "extra");
    Write(target / L"Ελλάδα" / L"παλιό" / L"αρχείο.txt", "extra");
    Write(target / L"目录" / L"多余" / L"文件.txt", "extra");
  }

  void ExpectMirrored() {
    EXPECT_EQ(Differences(source, target), std::vector<std::string>{});
    // Both spellings of café are there as two files, and so is every other name exactly.
    for (const std::wstring& name : kNames) {
      if (name == L"Ä.txt") continue;  // the file kept its stored name, checked below
      EXPECT_TRUE(fs::exists(target / name)) << WideToUtf8(name);
      EXPECT_EQ(Read(target / L"目录\\사진 😀" / name), Read(source / L"目录\\사진 😀" / name))
          << WideToUtf8(name);
    }
    EXPECT_EQ(Read(target / L"Ä.txt"), Read(source / L"Ä.txt"));  // through either spelling
    EXPECT_FALSE(fs::exists(target / L"삭제할 파일.txt"));
    EXPECT_FALSE(fs::exists(target / L"\U0001F5D1 old.txt"));
    EXPECT_FALSE(fs::exists(target / L"cafe\u0301 extra.txt"));
    EXPECT_FALSE(fs::exists(target / L"Ελλάδα" / L"παλιό"));
    EXPECT_FALSE(fs::exists(target / L"目录" / L"多余"));
  }

  std::string dir;
  fs::path source, target;
};

DWORD RunTarnvel(const std::wstring& jobLine, const std::wstring& currentDirectory) {
  std::wstring commandLine = L"\"" TARNVEL_PROGRAMS_DIR L"Tarnvel.exe\" \"" + jobLine + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(TARNVEL_PROGRAMS_DIR L"Tarnvel.exe", commandLine.data(), nullptr, nullptr, FALSE, 0,
                      nullptr, currentDirectory.c_str(), &startup, &process)) {
    ADD_FAILURE() << "Tarnvel.exe did not start: " << GetLastError();
    return 9999;
  }
  DWORD code = 9998;
  if (WaitForSingleObject(process.hProcess, kHangGuardMs) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.hProcess, &code);
  } else {
    TerminateProcess(process.hProcess, 9997);
    ADD_FAILURE() << "Tarnvel.exe did not end";
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

TEST_F(UnicodeNames, TheJobLineMirrorsEveryName) {
  // The after-command, a helper that records its run, lies in a folder of its own name too.
  const fs::path after = fs::path(Utf8ToWide(dir)) / L"완료 ✓" / L"record_run.exe";
  fs::create_directories(after.parent_path());
  ASSERT_TRUE(CopyFileW(TARNVEL_PROGRAMS_DIR L"record_run.exe", after.c_str(), FALSE));
  const std::wstring jobLine = source.wstring() + L"|" + target.wstring() + L"|1|" + after.wstring();
  EXPECT_EQ(RunTarnvel(jobLine, Utf8ToWide(dir)), 0u);
  ExpectMirrored();
}

TEST_F(UnicodeNames, TheMainWindowEngineMirrorsEveryName) {
  MainControls controls;
  SyncEngine engine(controls);
  engine.Hooks().eventInterval = 0;
  engine.Hooks().processEvents = [] {};
  engine.Hooks().storeJobBoxes = [](const std::string&, const std::string&) {};
  engine.Hooks().startSpeedTimer = [](std::function<void()>) {};
  engine.Hooks().stopSpeedTimer = [] {};
  engine.Hooks().mainWindowVisible = [] { return false; };
  engine.Hooks().portableIniPath = dir + "Tarnvel.ini";
  controls.sourceBox.SetText(WideToUtf8(source.wstring()));
  controls.targetBox.SetText(WideToUtf8(target.wstring()));
  controls.cleanUpSwitch.SetChecked(true);
  ASSERT_TRUE(RunSyncTasks(engine));
  ExpectMirrored();
  // The logs show the names as they are.
  bool logged = false;
  for (int i = 0; i < controls.copiedFilesLog.Count(); ++i) {
    logged = logged || controls.copiedFilesLog.ItemText(i).find("emoji😀📷.txt") != std::string::npos;
  }
  EXPECT_TRUE(logged);
}

}  // namespace
}  // namespace tarnvel
