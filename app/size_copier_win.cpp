// The walkers of the command-line engine. Each level lists its source and target directory once
// and takes every size from those listings: an unchanged tree costs two listings per directory,
// not a search per file.
#include <windows.h>

#include "app/size_copier.h"

#include <functional>
#include <unordered_map>
#include <vector>

#include "runtime/arith.h"
#include "runtime/convert.h"
#include "runtime/encoding.h"
#include "runtime/files.h"
#include "runtime/text.h"
#include "runtime/window.h"

namespace tarnvel {
namespace {

constexpr std::int64_t kMissing = -1;

std::string AsDirectory(const std::string& path) {
  if (!path.empty() && (path.back() == '\\' || path.back() == '/')) return path;
  return path + "\\";
}

// An empty piece of a job line must never become "\", the root of the current drive.
bool IsBlank(const std::string& path) { return TrimBoth(path).empty(); }

// Names as the file system matches them: without regard to letter case.
std::wstring NameKey(const std::string& name) {
  std::wstring key = Utf8ToWide(name);
  if (!key.empty()) CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
  return key;
}

// One directory's entries, without "." and "..", found by name as a search of the file system
// would find them. `listed` is false when the directory could not be listed.
class Listing {
 public:
  explicit Listing(const std::string& directory) {
    listed_ = ListDirectory(directory, [this](const DirectoryEntry& entry) {
      entries_.push_back(entry);
      return true;
    });
    byName_.reserve(entries_.size());
    for (const DirectoryEntry& entry : entries_) byName_.emplace(NameKey(entry.name), &entry);
  }
  Listing(const Listing&) = delete;
  Listing& operator=(const Listing&) = delete;

  bool Listed() const { return listed_; }
  const std::vector<DirectoryEntry>& Entries() const { return entries_; }

  const DirectoryEntry* Find(const std::string& name) const {
    const auto it = byName_.find(NameKey(name));
    return it == byName_.end() ? nullptr : it->second;
  }
  // The size of the file of that name; a directory or nothing counts as missing.
  std::int64_t FileSizeOf(const std::string& name) const {
    const DirectoryEntry* entry = Find(name);
    return entry == nullptr || entry->IsDirectory() ? kMissing : entry->size;
  }
  // The entry whose name equals `name` exactly, letter case included.
  const DirectoryEntry* FindExact(const std::string& name) const {
    const DirectoryEntry* entry = Find(name);
    if (entry != nullptr && entry->name == name) return entry;
    if (entry == nullptr) return nullptr;
    for (const DirectoryEntry& other : entries_) {
      if (other.name == name) return &other;
    }
    return nullptr;
  }

 private:
  bool listed_ = false;
  std::vector<DirectoryEntry> entries_;
  std::unordered_map<std::wstring, const DirectoryEntry*> byName_;
};

bool IsSubdirectory(const DirectoryEntry& entry) { return entry.IsDirectory() && !entry.IsDotOrDotDot(); }

// A target directory the copy may enter: not a link, so nothing is written behind one.
bool MayEnterTarget(const Listing& target, const std::string& name) {
  const DirectoryEntry* entry = target.Find(name);
  return entry == nullptr || !entry->IsDirectoryLink();
}

void CleanLevel(const std::string& source, const std::string& target) {
  const Listing sourceList(source);
  // Only an existing source says what the target should hold.
  if (!sourceList.Listed()) return;
  MakeDirectory(target);
  ProcessEvents();
  const Listing targetList(target);
  if (!targetList.Listed()) return;
  for (const DirectoryEntry& entry : targetList.Entries()) {
    if (entry.IsDirectory()) continue;
    if (entry.size != sourceList.FileSizeOf(entry.name)) DeleteFileAt(target + entry.name);
  }
  for (const DirectoryEntry& entry : targetList.Entries()) {
    if (!IsSubdirectory(entry)) continue;
    const DirectoryEntry* counterpart = sourceList.FindExact(entry.name);
    const bool sourceHasDirectory = counterpart != nullptr && counterpart->IsDirectory();
    if (sourceHasDirectory && counterpart->IsDirectoryLink()) continue;  // not walked on either side
    if (sourceHasDirectory && !entry.IsDirectoryLink()) {
      CleanLevel(source + entry.name + "\\", target + entry.name + "\\");
    } else {
      // A link loses only itself: RemoveDirectoryTree never enters one.
      RemoveDirectoryTree(target + entry.name);
    }
  }
}

std::int32_t CountLevel(const std::string& source, const std::string& target) {
  MakeDirectory(target);
  ProcessEvents();
  const Listing sourceList(source);
  const Listing targetList(target);
  std::int32_t count = 0;
  for (const DirectoryEntry& entry : sourceList.Entries()) {
    if (!entry.IsDirectory() && targetList.Find(entry.name) == nullptr) ++count;
  }
  for (const DirectoryEntry& entry : sourceList.Entries()) {
    if (!IsSubdirectory(entry) || entry.IsDirectoryLink() || !MayEnterTarget(targetList, entry.name)) continue;
    count += CountLevel(source + entry.name + "\\", target + entry.name + "\\");
  }
  return count;
}

// One source file whose target counterpart differs in size: source directory, target directory
// (both with their trailing "\"), and the file's entry in the source listing.
using CopyOne = std::function<void(const std::string&, const std::string&, const DirectoryEntry&)>;

void CopyLevel(const std::string& source, const std::string& target, bool subdirectoriesFirst,
               const CopyOne& copyOne) {
  MakeDirectory(target);
  ProcessEvents();
  const Listing sourceList(source);
  const Listing targetList(target);
  auto copyFiles = [&] {
    for (const DirectoryEntry& entry : sourceList.Entries()) {
      if (!entry.IsDirectory() && entry.size != targetList.FileSizeOf(entry.name)) {
        copyOne(source, target, entry);
      }
    }
  };
  auto descend = [&] {
    for (const DirectoryEntry& entry : sourceList.Entries()) {
      if (!IsSubdirectory(entry) || entry.IsDirectoryLink() || !MayEnterTarget(targetList, entry.name)) continue;
      CopyLevel(source + entry.name + "\\", target + entry.name + "\\", subdirectoriesFirst, copyOne);
    }
  };
  if (subdirectoriesFirst) {
    descend();
    copyFiles();
  } else {
    copyFiles();
    descend();
  }
}

}  // namespace

std::int32_t RoundedPercent(double part, double whole) {
  if (whole == 0) return 0;
  return static_cast<std::int32_t>(Round(part / whole * 100));
}

void CleanTargetBySize(const std::string& source, const std::string& target) {
  if (IsBlank(source) || IsBlank(target)) return;
  CleanLevel(AsDirectory(source), AsDirectory(target));
}

std::int32_t CountMissingFiles(const std::string& source, const std::string& target) {
  if (IsBlank(source) || IsBlank(target)) return 0;
  return CountLevel(AsDirectory(source), AsDirectory(target));
}

void CopyTreeBySize(const std::string& source, const std::string& target) {
  if (IsBlank(source) || IsBlank(target)) return;
  CopyLevel(AsDirectory(source), AsDirectory(target), false,
            [](const std::string& from, const std::string& to, const DirectoryEntry& file) {
              CopyFileTo(from + file.name, to + file.name);
            });
}

void CopyTreeWithBar(const std::string& source, const std::string& target, Label& fileLabel,
                     ProgressBar& fileBar, std::int32_t count) {
  if (IsBlank(source) || IsBlank(target)) return;
  CopyLevel(AsDirectory(source), AsDirectory(target), true,
            [&](const std::string& from, const std::string& to, const DirectoryEntry& file) {
              fileLabel.SetText(file.name);
              Repaint(fileLabel);
              CopyFileTo(from + file.name, to + file.name);
              fileBar.SetPosition(fileBar.Position() + 1);
            });
}

void CopyTreeWithTwoBars(const std::string& source, const std::string& target, const JobControls& controls) {
  if (IsBlank(source) || IsBlank(target)) return;
  CopyLevel(AsDirectory(source), AsDirectory(target), true,
            [&](const std::string& from, const std::string& to, const DirectoryEntry& file) {
              const std::string& name = file.name;
              controls.statusLabel.SetText(to);
              controls.fileLabel.SetText(name);
              // Each file starts at 0%; and since not every system reports a copy's last block
              // (Wine reports none), a finished copy shows its 100% itself.
              const std::int64_t size = file.size;
              OnTwoBarProgress(controls, size, 0);
              const bool copied = CopyFileWithProgress(
                  from + name, to + name,
                  [&](std::int64_t total, std::int64_t done) { return OnTwoBarProgress(controls, total, done); },
                  false);
              if (copied) OnTwoBarProgress(controls, size, size);
              ProgressBar& overall = controls.overallBar;
              overall.SetPosition(overall.Position() + 1);
              controls.countLabel.SetText(ToText(RoundedPercent(overall.Position(), overall.Maximum())) + "%");
            });
}

bool SubdirectoryExists(const std::string& path) {
  const std::int32_t cut = FindTextReverse(path, "\\");
  if (cut < 1) return false;
  const std::string parent = LeftText(path, cut);
  const std::string name = MidText(path, cut + 1, TextLength(path) - cut);
  if (name.empty()) return false;
  const Listing listing(parent);
  const DirectoryEntry* entry = listing.FindExact(name);
  return entry != nullptr && entry->IsDirectory();
}

int OnTwoBarProgress(const JobControls& controls, std::int64_t totalBytes, std::int64_t bytesDone) {
  const std::int32_t percent = totalBytes <= 0 ? 0 : RoundedPercent(static_cast<double>(bytesDone), static_cast<double>(totalBytes));
  controls.fileBar.SetPosition(percent * 10);
  controls.filePercentLabel.SetText(ToText(percent) + "%");
  ProcessEvents();
  return kCopyContinue;
}

}  // namespace tarnvel
