#include "sync/directory_sync.h"

#include "sync/directory_listing.h"
#include "sync/file_sync.h"
#include "sync/link_guard.h"
#include "sync/path_helpers.h"
#include "sync/progress_display.h"
#include "sync/sync_engine.h"
#include "sync/walk_support.h"

namespace tarnvel {
namespace {

constexpr int kReadableAttributes = 0x37;

class DirectoryWalk {
 public:
  explicit DirectoryWalk(SyncEngine& engine) : engine_(engine), c_(engine.Controls()), chain_(engine.Roots().target) {}

  void Run(const std::string& root) {
    const DirectoryListing listing = engine_.Listings().Take(root);
    MakeDirectoryPath(MapBetweenRoots(root, engine_.Roots().source, engine_.Roots().target));
    chain_.Push(root);
    WalkLevel(root, listing);
    chain_.Pop();
  }

 private:
  void WalkLevel(const std::string& path, const DirectoryListing& listing) {
    const std::string targetDir = MapBetweenRoots(path, engine_.Roots().source, engine_.Roots().target);
    DirectoryListing target;
    bool targetListed = false;
    for (const DirectoryEntry& entry : listing.Entries()) {
      if (!entry.IsDirectory()) continue;
      if (!IsDotName(entry.name) && !PassOver(path + entry.name, entry)) {
        if (!targetListed) {
          target = engine_.Listings().Take(targetDir);
          targetListed = true;
        }
        VisitSubdirectory(path, targetDir, entry, target.Find(entry.name));
      }
      if (engine_.StopRequested()) break;
      engine_.PumpEvents();
      if (engine_.StopRequested()) break;
    }
  }

  // The target root inside the source would be walked while it grows; a link that leads back
  // into the walk would never end.
  bool PassOver(const std::string& child, const DirectoryEntry& entry) {
    if (SamePath(child, engine_.Roots().target)) return true;
    return entry.IsDirectoryLink() && chain_.LeadsBack(child);
  }

  void VisitSubdirectory(const std::string& path, const std::string& targetDir, const DirectoryEntry& entry,
                         const DirectoryEntry* counterpart) {
    const std::string child = path + entry.name;
    const std::string targetChild = targetDir + entry.name;
    c_.statusLine.SetText(kProcessingPrefix + targetChild);
    if (counterpart == nullptr || !counterpart->IsDirectory()) CreateTargetDirectory(child, targetChild, entry);
    const std::string childPath = child + "\\";
    const DirectoryListing childListing = engine_.Listings().Take(childPath);
    SyncListedFiles(engine_, childPath, childListing);
    chain_.Push(childPath);
    WalkLevel(childPath, childListing);
    chain_.Pop();
    c_.directoryCounter.SetText(CounterText(kDirectoryCounterPrefix, c_.createdDirectoriesLog));
  }

  void CreateTargetDirectory(const std::string& child, const std::string& targetChild, const DirectoryEntry& entry) {
    AppendToLog(c_.createdDirectoriesLog, child);
    // The parent exists by now unless it could not be made: one call, parents only then.
    if (!MakeDirectory(targetChild)) MakeDirectoryPath(targetChild);
    // Only a directory this walk made gets the source's attributes, never a file in its way.
    if (IsDirectory(targetChild)) SetAttributes(targetChild, static_cast<int>(entry.attributes) & kReadableAttributes);
  }

  SyncEngine& engine_;
  MainControls& c_;
  AncestorChain chain_;
};

}  // namespace

void SyncDirectoryTree(SyncEngine& engine, std::string& path) {
  EnsureTrailingSeparator(path);
  DirectoryWalk(engine).Run(path);
}

}  // namespace tarnvel
