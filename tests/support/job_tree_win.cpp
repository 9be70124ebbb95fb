#include <windows.h>

#include "tests/support/job_tree_win.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "runtime/encoding.h"
#include "tests/support/tree_snapshot_win.h"

namespace tarnvel::test {
namespace {

namespace fs = std::filesystem;

fs::path PathOf(const std::string& path) { return fs::path(Utf8ToWide(path)); }

// The versions folder at a root is where the runs keep what they removed or replaced: the
// target's own, no part of what it mirrors.
bool InVersionsFolder(const std::string& name) {
  const std::string folder = ".tarnvel-versions";
  return name == folder || name.rfind(folder + "\\", 0) == 0;
}

std::wstring RootOf(const std::string& root) {
  std::wstring wide = Utf8ToWide(root);
  while (!wide.empty() && wide.back() == L'\\') wide.pop_back();
  return wide;
}

}  // namespace

void MakeFolders(const std::string& path) { fs::create_directories(PathOf(path)); }

void WriteFileOfSize(const std::string& path, std::size_t size, char fill) {
  const fs::path file = PathOf(path);
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << std::string(size, fill);
  if (!out.good()) throw std::runtime_error("cannot write test file " + path);
}

std::map<std::string, std::int64_t> TreeOf(const std::string& root) {
  std::map<std::string, std::int64_t> tree;
  for (const auto& [key, entry] : SnapshotTree(RootOf(root))) {
    std::string name = Utf8(key);
    for (char& c : name) c = c == '/' ? '\\' : c;
    if (InVersionsFolder(name)) continue;
    if (entry.kind == EntryKind::kDirectoryLink) {
      tree[name + "\\"] = -2;
    } else if (entry.kind == EntryKind::kDirectory) {
      tree[name + "\\"] = -1;
    } else {
      tree[name] = entry.size;
    }
  }
  return tree;
}

std::map<std::string, std::int64_t> FilesOf(const std::string& root) {
  std::map<std::string, std::int64_t> files;
  for (const auto& [name, size] : TreeOf(root)) {
    if (size >= 0) files[name] = size;
  }
  return files;
}

std::string FileText(const std::string& path) {
  std::ifstream in(PathOf(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void MakeTreeWritable(const std::string& root) {
  const std::wstring base = RootOf(root);
  for (const auto& [key, entry] : SnapshotTree(base)) {
    if (entry.kind != EntryKind::kFile) continue;
    std::wstring path = base + L"\\" + key;
    for (wchar_t& c : path) c = c == L'/' ? L'\\' : c;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
      SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
  }
}

}  // namespace tarnvel::test
