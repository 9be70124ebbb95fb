#include "sync/cleaner.h"

#include "runtime/files.h"
#include "sync/directory_listing.h"
#include "sync/file_copier.h"
#include "sync/path_helpers.h"
#include "sync/progress_display.h"
#include "sync/run_report.h"
#include "sync/sync_engine.h"
#include "sync/walk_roots.h"
#include "sync/walk_support.h"

namespace tarnvel {
namespace {

constexpr const char* kRemovingDirectoryPrefix = "提示：清除多余目录 - > ";
constexpr const char* kRemovingFilePrefix = "提示：清除多余文件 - > ";

// One target directory with its source counterpart's listing.
struct CleanLevel {
  std::string path;  // target, with "\"
  std::string sourcePath;
  DirectoryListing target;
  DirectoryListing source;
  // The source directory exists but could not be listed: nothing in it is known to be extra.
  bool sourceUnknown = false;
};

// What a cleaner does with what it finds extra.
enum class CleanMode {
  kAct,      // removes (or keeps as versions) and shows
  kPreview,  // shows, and leaves it out of the job's later listings as if it had gone
  kCount,    // only counts
};

class Cleaner {
 public:
  explicit Cleaner(SyncEngine& engine, bool counting = false)
      : engine_(engine),
        c_(engine.Controls()),
        mode_(counting              ? CleanMode::kCount
              : engine.Previewing() ? CleanMode::kPreview
                                    : CleanMode::kAct) {}
  ~Cleaner() { engine_.Listings().EndWalk(); }
  Cleaner(const Cleaner&) = delete;
  Cleaner& operator=(const Cleaner&) = delete;

  const RemovalCounts& Counts() const { return counts_; }

  CleanLevel Open(const std::string& path) {
    CleanLevel level;
    level.path = path;
    level.sourcePath = CounterpartPath(path, engine_.Roots().target, engine_.Roots().source);
    if (level.sourcePath.empty()) {
      level.sourceUnknown = true;  // no directory of the walk: nothing in it is known to be extra
      return level;
    }
    // Both sides at once; the root, opened again for its own files, comes from the cache.
    auto [target, source] = engine_.Listings().TakeBoth(path, level.sourcePath);
    level.target = std::move(target);
    level.source = std::move(source);
    level.sourceUnknown = !level.source.Listed() && IsDirectory(level.sourcePath);
    if (!level.sourceUnknown) {
      engine_.Listings().ExpectBelow(level.sourcePath, level.source, path, level.target,
                                     ListingCache::WalkOrder::kByTarget);
    }
    engine_.Listings().Keep(level.sourcePath, level.source);
    engine_.Listings().Keep(path, level.target);
    return level;
  }

  void CleanFiles(const CleanLevel& level) {
    if (level.sourceUnknown) return;
    for (const DirectoryEntry& entry : level.target.Entries()) {
      if (entry.IsDirectory()) continue;
      if (mode_ == CleanMode::kCount) {
        ++counts_.targetFiles;
        if (!SourceHasFile(level, entry.name) && IsJoinableName(entry.name)) ++counts_.files;
        continue;
      }
      // Checked before each entry: a level entered after a stop removes nothing.
      if (engine_.StopRequested()) break;
      engine_.Totals().dataTotal += entry.size;
      if (!SourceHasFile(level, entry.name) && Joinable(level, entry) && SourceStillThere()) {
        engine_.Listings().Forget(level.path);
        RemoveFile(level.path + entry.name, entry.attributes);
      }
      engine_.PumpEvents();
      if (engine_.StopRequested()) break;
    }
  }

  void CleanDirectories(const CleanLevel& level, bool topLevel) {
    if (level.sourceUnknown) return;
    for (const DirectoryEntry& entry : level.target.Entries()) {
      if (!entry.IsDirectory()) continue;
      if (engine_.StopRequested()) break;
      // A directory that is, or holds, the source is never cleaned as something extra.
      if (!IsDotName(entry.name) && Joinable(level, entry) &&
          !IsAtOrBelow(engine_.Roots().source, level.path + entry.name + "\\")) {
        if (entry.IsDirectoryLink()) {
          CleanLink(level, entry, topLevel);
        } else {
          CleanSubdirectory(level, entry, topLevel);
        }
      }
      engine_.PumpEvents();
      if (engine_.StopRequested()) break;
    }
  }

 private:
  // Something is removed only while the source root is there: a disk unplugged or a share lost
  // in the middle of the clean-up would otherwise look like a source whose content is all gone.
  // Once it has gone, nothing more is removed in this clean-up.
  bool SourceStillThere() {
    if (!sourceLost_ && !IsDirectory(engine_.Roots().source)) sourceLost_ = true;
    return !sourceLost_;
  }

  // A listed name that would name another place when joined is reported and left alone.
  bool Joinable(const CleanLevel& level, const DirectoryEntry& entry) {
    if (IsJoinableName(entry.name)) return true;
    if (mode_ == CleanMode::kCount) return false;
    engine_.Report().Failed("未清理", level.path + entry.name, "名称中含有路径分隔符，不能安全处理");
    return false;
  }

  // Names are matched as the file system matches them (letter case ignored, also beyond ASCII);
  // "k." and "k" are two names.
  static bool SourceHasFile(const CleanLevel& level, const std::string& name) {
    const DirectoryEntry* entry = level.source.Find(name);
    return entry != nullptr && !entry->IsDirectory();
  }

  static bool SourceHasDirectory(const CleanLevel& level, const std::string& name) {
    const DirectoryEntry* entry = level.source.Find(name);
    return entry != nullptr && entry->IsDirectory();
  }

  void CleanSubdirectory(const CleanLevel& level, const DirectoryEntry& entry, bool topLevel) {
    const std::string child = level.path + entry.name;
    const std::string sourceChild = level.sourcePath + entry.name;
    if (topLevel && Shows()) c_.statusLine.SetText(kRemovingDirectoryPrefix + ShownPath(sourceChild));
    const bool extra = !SourceHasDirectory(level, entry.name);
    // A folder that goes whole (into the kept versions, or nowhere in a preview) still has its
    // content listed item by item, as a removal one by one lists it.
    const bool goesWhole = extra && (mode_ == CleanMode::kPreview || engine_.Versions().On());
    const CleanLevel inner = Open(child + "\\");
    if (goesWhole) ++listOnly_;
    CleanFiles(inner);
    CleanDirectories(inner, false);
    if (goesWhole) --listOnly_;
    // A stop leaves the rest of a directory that was being emptied where it is: no removal
    // starts after the stop, not even that of the remaining files with their directory.
    if (engine_.StopRequested()) return;
    if (extra && mode_ != CleanMode::kCount && SourceStillThere()) {
      if (!topLevel) c_.statusLine.SetText(kRemovingDirectoryPrefix + ShownPath(sourceChild));
      engine_.Listings().Forget(level.path);
      RemoveDirectory(child, entry.attributes);
    }
    if (Shows()) {
      c_.removedDirectoriesCounter.SetText(CounterText(kRemovedDirectoriesPrefix, c_.removedDirectoriesLog));
    }
  }

  bool Shows() const { return mode_ != CleanMode::kCount; }
  // Inside a folder that goes whole, or in a preview: shown, not acted on.
  bool ListsOnly() const { return mode_ == CleanMode::kPreview || listOnly_ > 0; }

  void ListRemoval(ListBox& log, const std::string& path) {
    AppendToLog(log, ShownPath(path));
    if (mode_ == CleanMode::kPreview) engine_.Listings().Hide(path);
  }

  void RemoveDirectory(const std::string& child, std::uint32_t attributes) {
    if (ListsOnly()) {
      ListRemoval(c_.removedDirectoriesLog, child);
      return;
    }
    if (engine_.Versions().On()) {
      const std::string kept = engine_.Versions().SetAside(child);
      if (kept.empty()) {
        engine_.Report().FailedWithLastError("删除目录", child);
        return;
      }
      AppendToLog(c_.removedDirectoriesLog, ShownPath(child));
      engine_.Report().Done("删除目录", child);
      engine_.Report().Done("移入历史版本", child + " -> " + ShownPath(kept));
      return;
    }
    // Only a directory that goes is made archive-only (a read-only one could not be
    // removed); the directories the clean-up keeps keep their attributes.
    MakeArchiveOnly(child, attributes);
    if (RemoveDirectoryTree(child)) {
      AppendToLog(c_.removedDirectoriesLog, ShownPath(child));
      engine_.Report().Done("删除目录", child);
    } else {
      engine_.Report().FailedWithLastError("删除目录", child);
    }
  }

  void MakeArchiveOnly(const std::string& directory, std::uint32_t attributes) {
    if (!AttributesAlready(attributes, kAttrArchive) &&
        !AttributesAlready(attributes | kAttrArchive, kAttrArchive)) {
      SetAttributes(directory, kAttrArchive);
    }
  }

  // Nothing behind a link is cleaned or changed. A link in the target is no copy of anything:
  // it loses only itself, also where the source has a directory of its name, which the walk
  // then makes as a real directory. A system that cannot remove a link alone leaves it, and
  // that is reported.
  void CleanLink(const CleanLevel& level, const DirectoryEntry& entry, bool topLevel) {
    if (mode_ == CleanMode::kCount || !SourceStillThere()) return;
    const std::string child = level.path + entry.name;
    c_.statusLine.SetText(kRemovingDirectoryPrefix + ShownPath(level.sourcePath + entry.name));
    engine_.Listings().Forget(level.path);
    if (ListsOnly()) {
      ListRemoval(c_.removedDirectoriesLog, child);
    } else if (RemoveDirectoryTree(child)) {
      AppendToLog(c_.removedDirectoriesLog, ShownPath(child));
      engine_.Report().Done("删除链接", child);
    } else {
      engine_.Report().FailedWithLastError("删除链接", child);
    }
    c_.removedDirectoriesCounter.SetText(CounterText(kRemovedDirectoriesPrefix, c_.removedDirectoriesLog));
  }

  void RemoveFile(const std::string& file, std::uint32_t attributes) {
    c_.statusLine.SetText(kRemovingFilePrefix + ShownPath(file));
    if (ListsOnly()) {
      ListRemoval(c_.removedFilesLog, file);
    } else if (engine_.Versions().On() && !IsTemporaryFilePath(file) && KeptVersions::Takes(file)) {
      // A copy's temporary left by a killed run is no version of anything, nor is a link: they
      // go for good.
      KeepFile(file);
    } else if (RemoveListedFile(file, attributes, true)) {
      AppendToLog(c_.removedFilesLog, ShownPath(file));
      engine_.Report().Done("删除文件", file);
    } else {
      engine_.Report().FailedWithLastError("删除文件", file);
    }
    c_.removedFilesCounter.SetText(CounterText(kRemovedFilesPrefix, c_.removedFilesLog));
  }

  void KeepFile(const std::string& file) {
    const std::string kept = engine_.Versions().SetAside(file);
    if (kept.empty()) {
      engine_.Report().FailedWithLastError("删除文件", file);
      return;
    }
    AppendToLog(c_.removedFilesLog, ShownPath(file));
    engine_.Report().Done("删除文件", file);
    engine_.Report().Done("移入历史版本", file + " -> " + ShownPath(kept));
  }

  SyncEngine& engine_;
  MainControls& c_;
  CleanMode mode_;
  RemovalCounts counts_;
  int listOnly_ = 0;         // depth of folders that go whole
  bool sourceLost_ = false;  // the source root was found missing
};

}  // namespace

void RemoveExtraDirectories(SyncEngine& engine, std::string& path) {
  EnsureTrailingSeparator(path);
  Cleaner cleaner(engine);
  cleaner.CleanDirectories(cleaner.Open(path), true);
}

void RemoveExtraFiles(SyncEngine& engine, std::string& path) {
  EnsureTrailingSeparator(path);
  Cleaner cleaner(engine);
  cleaner.CleanFiles(cleaner.Open(path));
}

RemovalCounts CountExtraFiles(SyncEngine& engine) {
  Cleaner cleaner(engine, true);
  const CleanLevel root = cleaner.Open(engine.Roots().target);
  cleaner.CleanFiles(root);
  cleaner.CleanDirectories(root, true);
  return cleaner.Counts();
}

}  // namespace tarnvel
