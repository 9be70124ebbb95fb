#include "sync/cleaner.h"

#include "sync/directory_listing.h"
#include "sync/path_helpers.h"
#include "sync/progress_display.h"
#include "sync/sync_engine.h"
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

class Cleaner {
 public:
  explicit Cleaner(SyncEngine& engine) : engine_(engine), c_(engine.Controls()) {}

  CleanLevel Open(const std::string& path) {
    CleanLevel level;
    level.path = path;
    level.sourcePath = MapBetweenRoots(path, engine_.Roots().target, engine_.Roots().source);
    // Both sides at once; the root, opened again for its own files, comes from the cache.
    auto [target, source] = engine_.Listings().TakeBoth(path, level.sourcePath);
    level.target = std::move(target);
    level.source = std::move(source);
    level.sourceUnknown = !level.source.Listed() && IsDirectory(level.sourcePath);
    engine_.Listings().Keep(level.sourcePath, level.source);
    engine_.Listings().Keep(path, level.target);
    return level;
  }

  void CleanFiles(const CleanLevel& level) {
    if (level.sourceUnknown) return;
    for (const DirectoryEntry& entry : level.target.Entries()) {
      if (entry.IsDirectory()) continue;
      engine_.Totals().dataTotal += entry.size;
      if (!SourceHas(level, entry.name) && SourceStillThere()) {
        engine_.Listings().Forget(level.path);
        RemoveFile(level.path + entry.name);
      }
      if (engine_.StopRequested()) break;
      engine_.PumpEvents();
      if (engine_.StopRequested()) break;
    }
  }

  void CleanDirectories(const CleanLevel& level, bool topLevel) {
    if (level.sourceUnknown) return;
    for (const DirectoryEntry& entry : level.target.Entries()) {
      if (!entry.IsDirectory()) continue;
      const std::string child = level.path + entry.name;
      // The source root inside the target is the source itself, never something extra.
      if (!IsDotName(entry.name) && !SamePath(child, engine_.Roots().source)) {
        if (entry.IsDirectoryLink()) {
          CleanLink(level, entry, topLevel);
        } else {
          CleanSubdirectory(level, entry, topLevel);
        }
      }
      if (engine_.StopRequested()) break;
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

  // Any entry of the name counts, a directory too. A name the listing's folding does not
  // match is asked of the file system, as it would be without the listing.
  bool SourceHas(const CleanLevel& level, const std::string& name) {
    if (level.source.Find(name) != nullptr) return true;
    return level.source.Listed() && FileExists(NormalisePath(level.sourcePath + name));
  }

  bool SourceHasDirectory(const CleanLevel& level, const std::string& name) {
    const DirectoryEntry* entry = level.source.Find(name);
    if (entry != nullptr) return entry->IsDirectory();
    return level.source.Listed() && IsDirectory(level.sourcePath + name);
  }

  void CleanSubdirectory(const CleanLevel& level, const DirectoryEntry& entry, bool topLevel) {
    const std::string child = level.path + entry.name;
    const std::string sourceChild = level.sourcePath + entry.name;
    if (topLevel) c_.statusLine.SetText(kRemovingDirectoryPrefix + sourceChild);
    MakeArchiveOnly(child, entry.attributes);
    const CleanLevel inner = Open(child + "\\");
    CleanFiles(inner);
    CleanDirectories(inner, false);
    if (!SourceHasDirectory(level, entry.name) && SourceStillThere()) {
      if (!topLevel) c_.statusLine.SetText(kRemovingDirectoryPrefix + sourceChild);
      engine_.Listings().Forget(level.path);
      AppendToLog(c_.removedDirectoriesLog, child);
      RemoveDirectoryTree(child);
    }
    c_.removedDirectoriesCounter.SetText(CounterText(kRemovedDirectoriesPrefix, c_.removedDirectoriesLog));
  }

  // Every target directory visited is made archive-only; the listing spares the write where it
  // would change nothing. A file system that drops the archive bit of directories (Wine's does)
  // leaves a directory without other attributes as it was, which the first write shows.
  void MakeArchiveOnly(const std::string& directory, std::uint32_t attributes) {
    if (AttributesAlready(attributes, kAttrArchive)) return;
    if (archiveDropped_ && AttributesAlready(attributes | kAttrArchive, kAttrArchive)) return;
    if (!SetAttributes(directory, kAttrArchive) || archiveKnown_) return;
    archiveKnown_ = true;
    const int now = GetAttributes(directory);
    archiveDropped_ = now >= 0 && (now & static_cast<int>(kAttrArchive)) == 0;
  }

  // Nothing behind a link is cleaned or changed; an extra link loses only itself.
  void CleanLink(const CleanLevel& level, const DirectoryEntry& entry, bool topLevel) {
    if (SourceHasDirectory(level, entry.name) || !SourceStillThere()) return;
    const std::string child = level.path + entry.name;
    c_.statusLine.SetText(kRemovingDirectoryPrefix + level.sourcePath + entry.name);
    engine_.Listings().Forget(level.path);
    AppendToLog(c_.removedDirectoriesLog, child);
    RemoveDirectoryTree(child);
    c_.removedDirectoriesCounter.SetText(CounterText(kRemovedDirectoriesPrefix, c_.removedDirectoriesLog));
  }

  void RemoveFile(const std::string& file) {
    c_.statusLine.SetText(kRemovingFilePrefix + file);
    SetAttributes(file, kAttrArchive);
    DeleteFileAt(file);
    AppendToLog(c_.removedFilesLog, file);
    c_.removedFilesCounter.SetText(CounterText(kRemovedFilesPrefix, c_.removedFilesLog));
  }

  SyncEngine& engine_;
  MainControls& c_;
  bool archiveKnown_ = false;    // one write has shown whether directories keep the archive bit
  bool archiveDropped_ = false;  // they do not
  bool sourceLost_ = false;      // the source root was found missing
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

}  // namespace tarnvel
