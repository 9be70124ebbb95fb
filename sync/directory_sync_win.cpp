#include "sync/directory_sync.h"

#include <tuple>
#include <utility>

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

// A target directory's listing, taken when the walk first needs it.
class TargetListing {
 public:
  TargetListing(SyncEngine& engine, std::string directory)
      : engine_(engine), directory_(std::move(directory)) {}
  TargetListing(SyncEngine& engine, std::string directory, DirectoryListing listing)
      : engine_(engine), directory_(std::move(directory)), listing_(std::move(listing)), taken_(true) {}

  const std::string& Directory() const { return directory_; }
  const DirectoryListing& Get() {
    if (!taken_) listing_ = engine_.Listings().Take(directory_);
    taken_ = true;
    return listing_;
  }

 private:
  SyncEngine& engine_;
  std::string directory_;
  DirectoryListing listing_;
  bool taken_ = false;
};

class DirectoryWalk {
 public:
  explicit DirectoryWalk(SyncEngine& engine)
      : engine_(engine), c_(engine.Controls()), chain_(engine.Roots().target) {}

  void Run(const std::string& root) {
    const DirectoryListing listing = engine_.Listings().Take(root);
    const std::string targetRoot = MapBetweenRoots(root, engine_.Roots().source, engine_.Roots().target);
    MakeDirectoryPath(targetRoot);
    TargetListing target(engine_, targetRoot);
    chain_.Push(root);
    WalkLevel(root, listing, target);
    chain_.Pop();
  }

 private:
  void WalkLevel(const std::string& path, const DirectoryListing& listing, TargetListing& target) {
    for (const DirectoryEntry& entry : listing.Entries()) {
      if (!entry.IsDirectory()) continue;
      if (!IsDotName(entry.name) && !PassOver(path + entry.name, target.Directory() + entry.name, entry)) {
        VisitSubdirectory(path, target.Directory(), entry, target.Get().Find(entry.name));
      }
      if (engine_.StopRequested()) break;
      engine_.PumpEvents();
      if (engine_.StopRequested()) break;
    }
  }

  // The target root inside the source would be walked while it grows; with the source inside
  // the target, the directory that maps onto the source root would be copied over the source
  // itself; a link that leads back into the walk would never end.
  bool PassOver(const std::string& child, const std::string& targetChild, const DirectoryEntry& entry) {
    if (SamePath(child, engine_.Roots().target)) return true;
    if (SamePath(targetChild, engine_.Roots().source)) return true;
    return entry.IsDirectoryLink() && chain_.LeadsBack(child);
  }

  void VisitSubdirectory(const std::string& path, const std::string& targetDir, const DirectoryEntry& entry,
                         const DirectoryEntry* counterpart) {
    const std::string child = path + entry.name;
    const std::string targetChild = targetDir + entry.name;
    const std::string childPath = child + "\\";
    const std::string targetChildPath = targetChild + "\\";
    c_.statusLine.SetText(kProcessingPrefix + targetChild);
    DirectoryListing childListing;
    DirectoryListing targetListing;
    if (counterpart != nullptr && counterpart->IsDirectory()) {
      // The parent's listing shows the target directory: both sides are listed at once.
      std::tie(childListing, targetListing) = engine_.Listings().TakeBoth(childPath, targetChildPath);
      // Gone since the parent was listed: it is made as if the parent had never shown it.
      if (!targetListing.Listed() && !IsDirectory(targetChild)) {
        targetListing = CreateTargetDirectory(child, targetChild, targetChildPath, entry);
      }
    } else {
      targetListing = CreateTargetDirectory(child, targetChild, targetChildPath, entry);
      childListing = engine_.Listings().Take(childPath);
    }
    SyncListedFiles(engine_, childPath, childListing, targetListing);
    TargetListing target(engine_, targetChildPath, std::move(targetListing));
    chain_.Push(childPath);
    WalkLevel(childPath, childListing, target);
    chain_.Pop();
    c_.directoryCounter.SetText(CounterText(kDirectoryCounterPrefix, c_.createdDirectoriesLog));
  }

  // Makes the missing target directory and gives it the source's attributes, and returns its
  // listing: empty when this walk made it. A directory that another program made since the
  // parent was listed is not logged and keeps its attributes, as one found by the walk; in
  // its way a file stays, and the copies into it fail.
  DirectoryListing CreateTargetDirectory(const std::string& child, const std::string& targetChild,
                                         const std::string& targetChildPath, const DirectoryEntry& entry) {
    if (MakeDirectory(targetChild)) {
      AppendToLog(c_.createdDirectoriesLog, child);
      GiveSourceAttributes(targetChild, entry);
      return DirectoryListing::Empty();
    }
    if (IsDirectory(targetChild)) return engine_.Listings().Take(targetChildPath);
    AppendToLog(c_.createdDirectoriesLog, child);
    // One call made it above unless its parent was missing too: the parents only then.
    MakeDirectoryPath(targetChild);
    if (!IsDirectory(targetChild)) return DirectoryListing();
    GiveSourceAttributes(targetChild, entry);
    return DirectoryListing::Empty();
  }

  // A new directory has none of the attributes carried across, so a source with none of them
  // needs no write.
  static void GiveSourceAttributes(const std::string& targetChild, const DirectoryEntry& entry) {
    const int attributes = static_cast<int>(entry.attributes) & kReadableAttributes;
    if (!AttributesAlready(kAttrDirectory, attributes)) SetAttributes(targetChild, attributes);
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
