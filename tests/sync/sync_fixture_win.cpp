#include <windows.h>

#include "tests/sync/sync_fixture_win.h"

#include "sync/walk_roots.h"

#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "runtime/encoding.h"

namespace tarnvel::test {
namespace fs = std::filesystem;

void WriteTextFile(const std::string& path, const std::string& content) {
  const fs::path p(Utf8ToWide(path));
  fs::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << content;
  ASSERT_TRUE(out.good()) << path;
}

std::string ReadTextFile(const std::string& path) {
  std::ifstream in(fs::path(Utf8ToWide(path)), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool Exists(const std::string& path) { return GetFileAttributesW(PathToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

std::uint64_t WriteTimeOf(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(PathToWide(path).c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}

void SetWriteTime(const std::string& path, std::uint64_t fileTime) {
  HANDLE h = CreateFileW(PathToWide(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
  FILETIME ft{static_cast<DWORD>(fileTime & 0xFFFFFFFFu), static_cast<DWORD>(fileTime >> 32)};
  EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &ft));
  CloseHandle(h);
}

std::uint32_t RawAttributes(const std::string& path) { return GetFileAttributesW(PathToWide(path).c_str()); }

void SetRawAttributes(const std::string& path, std::uint32_t attributes) {
  // Hidden and system first, read-only on its own: Wine keeps them all only that way.
  const std::wstring p = PathToWide(path);
  ASSERT_TRUE(SetFileAttributesW(p.c_str(), (attributes & ~FILE_ATTRIBUTE_READONLY) | FILE_ATTRIBUTE_ARCHIVE));
  ASSERT_TRUE(SetFileAttributesW(p.c_str(), attributes));
}

void ClearAttributesBelow(const std::string& directory) {
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(fs::path(Utf8ToWide(directory)), ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_symlink()) it.disable_recursion_pending();
    SetFileAttributesW(it->path().c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

std::vector<std::string> Lines(const ListBox& box) {
  std::vector<std::string> lines;
  for (int i = 0; i < box.Count(); ++i) lines.push_back(box.ItemText(i));
  return lines;
}

namespace {

std::map<std::wstring, fs::path> TreeOf(const fs::path& root) {
  std::map<std::wstring, fs::path> entries;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    if (it->path().filename().wstring().starts_with(L".")) {
      if (it->is_directory()) it.disable_recursion_pending();
      continue;
    }
    entries.emplace(fs::relative(it->path(), root).wstring(), it->path());
  }
  return entries;
}

std::string ContentOf(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

std::vector<std::string> CompareTrees(const std::string& left, const std::string& right) {
  std::vector<std::string> differences;
  const auto a = TreeOf(fs::path(Utf8ToWide(left)));
  const auto b = TreeOf(fs::path(Utf8ToWide(right)));
  for (const auto& [rel, path] : a) {
    const std::string name = WideToUtf8(rel);
    const auto other = b.find(rel);
    if (other == b.end()) {
      differences.push_back("only in " + left + ": " + name);
      continue;
    }
    const bool dirA = fs::is_directory(path), dirB = fs::is_directory(other->second);
    if (dirA != dirB) {
      differences.push_back("kind differs: " + name);
      continue;
    }
    if (dirA) continue;
    if (ContentOf(path) != ContentOf(other->second)) differences.push_back("content differs: " + name);
    const std::uint64_t ta = WriteTimeOf(WideToUtf8(path.wstring())), tb = WriteTimeOf(WideToUtf8(other->second.wstring()));
    if (ta / 10000 != tb / 10000) differences.push_back("time differs: " + name);
  }
  for (const auto& [rel, path] : b) {
    if (!a.contains(rel)) differences.push_back("only in " + right + ": " + WideToUtf8(rel));
  }
  return differences;
}

EngineRig::EngineRig() : engine(controls) {
  engine.Hooks().eventInterval = 0;
  engine.Hooks().processEvents = [this] {
    ++eventCount;
    if (onEvents) onEvents();
  };
}

void EngineRig::SetJob(const std::string& source, const std::string& target, bool cleanUp) {
  controls.sourceBox.SetText(source);
  controls.targetBox.SetText(target);
  controls.cleanUpSwitch.SetChecked(cleanUp);
  std::string s = source, t = target;
  if (s.empty() || s.back() != '\\') s += '\\';
  if (t.empty() || t.back() != '\\') t += '\\';
  // As the runner resolves them; a nested pair keeps its resolved roots for the walkers' tests.
  engine.SetRoots(ResolveRoots(s, t).roots);
}

void SyncTreeTest::SetUp() {
  dir = FreshTestDir();
  src = dir + "Src\\";
  dst = dir + "Dst\\";
}

void SyncTreeTest::TearDown() { ClearAttributesBelow(dir); }

}  // namespace tarnvel::test
