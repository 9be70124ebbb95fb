// Trees of files for the command-line job's tests.
#include "tests/support/job_tree_win.h"

#include <functional>

#include "runtime/files.h"
#include "runtime/values.h"

namespace tarnvel::test {
namespace {

std::string ParentOf(const std::string& path) {
  const std::size_t cut = path.find_last_of('\\', path.size() > 1 ? path.size() - 2 : 0);
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

// The versions folder at a root is where the runs keep what they removed or replaced: the
// target's own, no part of what it mirrors.
void Walk(const std::string& root, const std::string& relative,
          const std::function<void(const std::string&, const DirectoryEntry&)>& onEntry) {
  ListDirectory(root + relative, [&](const DirectoryEntry& entry) {
    if (relative.empty() && entry.name == ".tarnvel-versions") return true;
    onEntry(relative, entry);
    if (entry.IsDirectory() && !entry.IsDirectoryLink()) Walk(root, relative + entry.name + "\\", onEntry);
    return true;
  });
}

std::string WithSeparator(const std::string& path) {
  return !path.empty() && path.back() == '\\' ? path : path + "\\";
}

}  // namespace

void MakeFolders(const std::string& path) {
  const std::string folder = WithSeparator(path);
  if (GetAttributes(folder.substr(0, folder.size() - 1)) >= 0) return;
  const std::string parent = ParentOf(folder);
  if (!parent.empty() && parent.size() > 3) MakeFolders(parent);
  MakeDirectory(folder);
}

void WriteFileOfSize(const std::string& path, std::size_t size, char fill) {
  MakeFolders(ParentOf(path));
  const std::string bytes(size, fill);
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  if (!WriteWholeFile(path, {std::span<const std::uint8_t>(data, bytes.size())})) {
    throw RuntimeError("cannot write test file " + path);
  }
}

std::map<std::string, std::int64_t> TreeOf(const std::string& root) {
  std::map<std::string, std::int64_t> tree;
  Walk(WithSeparator(root), "", [&](const std::string& relative, const DirectoryEntry& entry) {
    if (entry.IsDirectoryLink()) {
      tree[relative + entry.name + "\\"] = -2;
    } else if (entry.IsDirectory()) {
      tree[relative + entry.name + "\\"] = -1;
    } else {
      tree[relative + entry.name] = entry.size;
    }
  });
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
  const ByteString bytes = ReadWholeFile(path);
  return std::string(bytes.begin(), bytes.end());
}

void MakeTreeWritable(const std::string& root) {
  Walk(WithSeparator(root), "", [&](const std::string& relative, const DirectoryEntry& entry) {
    if (!entry.IsDirectory() && (entry.attributes & kAttrReadOnly) != 0) {
      SetAttributes(WithSeparator(root) + relative + entry.name, 0);
    }
  });
}

}  // namespace tarnvel::test
