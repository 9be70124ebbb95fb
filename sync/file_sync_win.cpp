#include "sync/file_sync.h"

#include "sync/directory_listing.h"
#include "sync/file_copier.h"
#include "sync/file_decision.h"
#include "sync/file_info.h"
#include "sync/path_helpers.h"
#include "sync/progress_display.h"
#include "sync/sync_engine.h"
#include "sync/walk_support.h"

namespace tarnvel {
namespace {

constexpr int kReadableAttributes = 0x37;

void CopyOneFile(SyncEngine& engine, const std::string& path, const std::string& targetDir,
                 const DirectoryEntry& source, const DirectoryEntry* target) {
  MainControls& c = engine.Controls();
  const std::string sourcePath = path + source.name;
  const std::string targetPath = targetDir + source.name;
  c.statusLine.SetText(kProcessingPrefix + sourcePath);
  AppendToLog(c.copiedFilesLog, NormalisePath(targetPath));
  c.dataCounter.SetText(kDataCounterPrefix + SizeText(engine.Totals().dataTotal / 1024));
  const int sourceAttributes = static_cast<int>(source.attributes) & kReadableAttributes;
  const int targetAttributes = target ? static_cast<int>(target->attributes) & kReadableAttributes : -1;
  ReplaceWithCopy(sourcePath, targetPath, sourceAttributes, targetAttributes,
                  [&engine](std::int64_t total, std::int64_t done) { return OnCopyProgress(engine, total, done); });
  c.fileCounter.SetText(CounterText(kFileCounterPrefix, c.copiedFilesLog));
}

}  // namespace

void SyncFilesOfDirectory(SyncEngine& engine, std::string& path) {
  EnsureTrailingSeparator(path);
  SyncListedFiles(engine, path, DirectoryListing::Of(path));
}

void SyncListedFiles(SyncEngine& engine, const std::string& path, const DirectoryListing& source) {
  const JobRoots& roots = engine.Roots();
  const std::string targetDir = MapBetweenRoots(path, roots.source, roots.target);
  DirectoryListing target;
  bool targetListed = false;  // listed with the first file: a directory of subdirectories only costs nothing
  for (const DirectoryEntry& entry : source.Entries()) {
    if (entry.IsDirectory()) continue;
    if (!targetListed) {
      target = engine.Listings().Take(targetDir);
      targetListed = true;
    }
    const DirectoryEntry* counterpart = target.Find(entry.name);
    engine.Totals().dataTotal += entry.size;
    if (!TargetIsCurrent(entry, counterpart)) CopyOneFile(engine, path, targetDir, entry, counterpart);
    if (engine.StopRequested()) break;
    engine.PumpEvents();
    if (engine.StopRequested()) break;
  }
}

}  // namespace tarnvel
