#include "sync/directory_sync.h"

#include <optional>
#include <tuple>
#include <utility>

#include "sync/case_rename.h"
#include "sync/directory_listing.h"
#include "sync/file_sync.h"
#include "sync/kept_versions.h"
#include "sync/link_guard.h"
#include "sync/path_helpers.h"
#include "sync/progress_display.h"
#include "sync/run_report.h"
#include "sync/sync_engine.h"
#include "sync/walk_roots.h"
#include "sync/walk_support.h"

namespace tarnvel {
namespace {

constexpr int kReadableAttributes = 0x37;

bool HoldsDirectories(const DirectoryListing& listing) {
  for (const DirectoryEntry& entry : listing.Entries()) {
    if (entry.IsDirectory()) return true;
  }
  return false;
}

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
  ~DirectoryWalk() { engine_.Listings().EndWalk(); }
  DirectoryWalk(const DirectoryWalk&) = delete;
  DirectoryWalk& operator=(const DirectoryWalk&) = delete;

  void Run(const std::string& root) {
    const DirectoryListing listing = engine_.Listings().Take(root);
    // A source that cannot be listed gets no target: nothing of it is known.
    if (!listing.Listed()) {
      engine_.Report().FailedBelow("读取目录", root, SystemErrorText(listing.Error()));
      return;
    }
    const std::string targetRoot = CounterpartPath(root, engine_.Roots().source, engine_.Roots().target);
    if (targetRoot.empty()) return;
    // A preview leaves even a missing target root unmade: its walk finds it empty.
    if (!engine_.Previewing()) {
      if (!MakeDirectoryWithParents(targetRoot)) {
        engine_.Report().FailedBelow("创建目录", targetRoot, SystemErrorText(LastErrorCode()));
        return;
      }
      engine_.MutableRoots().RefreshTarget();
    }
    TargetListing target(engine_, targetRoot);
    // Only when there is anything to enter: the target root is then listed here anyway.
    if (HoldsDirectories(listing)) {
      engine_.Listings().ExpectBelow(root, listing, targetRoot, target.Get(), ListingCache::WalkOrder::kBySource);
    }
    chain_.Push(root);
    WalkLevel(root, listing, target);
    chain_.Pop();
  }

 private:
  void WalkLevel(const std::string& path, const DirectoryListing& listing, TargetListing& target) {
    for (const DirectoryEntry& entry : listing.Entries()) {
      if (!entry.IsDirectory()) continue;
      // Checked before each entry: a level entered after a stop creates and copies nothing.
      if (engine_.StopRequested()) break;
      if (IsVersionsFolderName(entry.name) && SamePath(path, engine_.Roots().source)) {
        engine_.Report().Noted(path + entry.name, kVersionsNameInSource);
      } else if (!IsDotName(entry.name) && MayEnter(path, entry)) {
        VisitSubdirectory(path, target.Directory(), entry, target.Get().Find(entry.name));
      }
      engine_.PumpEvents();
      if (engine_.StopRequested()) break;
    }
  }

  // A listed name that would name another place when joined is never walked. The roots were
  // found apart by identity when the job started, so a plain subdirectory can be neither the
  // other root nor a directory above either root (directories have one parent); only a link
  // can lead there, and a link is followed only when its directory passes the same checks.
  bool MayEnter(const std::string& path, const DirectoryEntry& entry) {
    if (!IsJoinableName(entry.name)) {
      engine_.Report().Failed("未同步", path + entry.name, "名称中含有路径分隔符，不能安全处理");
      return false;
    }
    // A directory that holds the target would be walked while it grows; one whose counterpart
    // holds the source would be copied over the source.
    const std::string child = path + entry.name + "\\";
    const WalkRoots& roots = engine_.Roots();
    if (IsAtOrBelow(roots.target, child) ||
        IsAtOrBelow(roots.source, CounterpartPath(child, roots.source, roots.target))) {
      engine_.Report().Noted(child, "这个文件夹包含目标目录或源目录，未进入");
      return false;
    }
    if (!entry.IsDirectoryLink()) return true;
    const LinkVerdict verdict = CheckSourceLink(path + entry.name, engine_.Roots(), chain_);
    if (verdict == LinkVerdict::kFollow) return true;
    engine_.Report().Noted(path + entry.name, LinkRefusal(verdict));
    return false;
  }

  void VisitSubdirectory(const std::string& path, const std::string& targetDir, const DirectoryEntry& entry,
                         const DirectoryEntry* counterpart) {
    const std::string child = path + entry.name;
    const std::string targetChild = targetDir + entry.name;
    const std::string childPath = child + "\\";
    const std::string targetChildPath = targetChild + "\\";
    c_.statusLine.SetText(kProcessingPrefix + ShownPath(targetChild));
    if (counterpart != nullptr && !CounterpartUsable(*counterpart, targetChild)) return;
    if (counterpart != nullptr && counterpart->name != entry.name)
      CarrySpelling(targetDir, entry, *counterpart);
    DirectoryListing childListing;
    DirectoryListing targetListing;
    if (counterpart != nullptr) {
      // The parent's listing shows the target directory: both sides are listed at once.
      std::tie(childListing, targetListing) = engine_.Listings().TakeBoth(childPath, targetChildPath);
      if (!Readable(childPath, childListing)) return;
      // Gone since the parent was listed: it is made as if the parent had never shown it.
      if (!targetListing.Listed() && !IsDirectory(targetChild)) {
        std::optional<DirectoryListing> made =
            CreateTargetDirectory(child, targetChild, targetChildPath, entry);
        if (!made) return;
        targetListing = std::move(*made);
      }
      if (!Readable(targetChildPath, targetListing)) return;
    } else {
      childListing = engine_.Listings().Take(childPath);
      if (!Readable(childPath, childListing)) return;
      std::optional<DirectoryListing> made =
          CreateTargetDirectory(child, targetChild, targetChildPath, entry);
      if (!made || !Readable(targetChildPath, *made)) return;
      targetListing = std::move(*made);
    }
    engine_.Listings().ExpectBelow(childPath, childListing, targetChildPath, targetListing,
                                   ListingCache::WalkOrder::kBySource);
    SyncListedFiles(engine_, childPath, childListing, targetListing);
    TargetListing target(engine_, targetChildPath, std::move(targetListing));
    chain_.Push(childPath);
    WalkLevel(childPath, childListing, target);
    chain_.Pop();
    c_.directoryCounter.SetText(CounterText(kDirectoryCounterPrefix, c_.createdDirectoriesLog));
  }

  // A directory that cannot be listed is left out with all it holds, and that is a failure: what
  // could not be read is never taken for "nothing there".
  bool Readable(const std::string& directory, const DirectoryListing& listing) {
    if (listing.Listed()) return true;
    engine_.Report().FailedBelow("读取目录", directory, SystemErrorText(listing.Error()));
    return false;
  }

  // The target's entry of the name must be a plain directory: nothing is ever written through
  // a link in the target, and a file there is not replaced by a directory behind the user's
  // back (with clean-up the cleaner has removed both already, where it could).
  bool CounterpartUsable(const DirectoryEntry& counterpart, const std::string& targetChild) {
    if (counterpart.IsDirectoryLink() || (counterpart.attributes & kAttrReparsePoint) != 0) {
      engine_.Report().Failed("未同步", targetChild, "目标中同名的是一个链接，不会写入链接所指之处");
      return false;
    }
    // A file the listing showed may have become a directory since: taken as found.
    if (!counterpart.IsDirectory() && !(IsDirectory(targetChild) && !IsDirectoryLink(targetChild))) {
      engine_.Report().Failed("未同步", targetChild, "目标中同名的是一个文件，不是文件夹");
      return false;
    }
    return true;
  }

  // Makes the missing target directory and gives it the source's attributes, and returns its
  // listing: empty when this walk made it. A directory that another program made since the
  // parent was listed is not logged and keeps its attributes, as one found by the walk. When
  // no directory can be made (a file in its way, no access), that is reported and nothing.
  std::optional<DirectoryListing> CreateTargetDirectory(const std::string& child,
                                                        const std::string& targetChild,
                                                        const std::string& targetChildPath,
                                                        const DirectoryEntry& entry) {
    if (engine_.Previewing()) {
      AppendToLog(c_.createdDirectoriesLog, ShownPath(child));
      return DirectoryListing::Empty();
    }
    if (MakeDirectory(targetChild)) {
      AppendToLog(c_.createdDirectoriesLog, ShownPath(child));
      engine_.Report().Done("创建目录", targetChild);
      GiveSourceAttributes(targetChild, entry);
      return DirectoryListing::Empty();
    }
    const unsigned long error = LastErrorCode();
    if (IsDirectory(targetChild) && !IsDirectoryLink(targetChild))
      return engine_.Listings().Take(targetChildPath);
    if (GetAttributes(targetChild) < 0 && MakeDirectoryWithParents(targetChild)) {
      AppendToLog(c_.createdDirectoriesLog, ShownPath(child));
      engine_.Report().Done("创建目录", targetChild);
      GiveSourceAttributes(targetChild, entry);
      return DirectoryListing::Empty();
    }
    engine_.Report().FailedBelow("创建目录", targetChild, SystemErrorText(error));
    return std::nullopt;
  }

  // A target folder spelt otherwise than its source (letter case only) takes the source's
  // spelling; a failed rename is reported and the walk goes on into the folder as it is named.
  void CarrySpelling(const std::string& targetDir, const DirectoryEntry& entry,
                     const DirectoryEntry& counterpart) {
    if (engine_.Previewing() || !IsJoinableName(counterpart.name)) return;
    const bool renamed = RenameToSpelling(targetDir, counterpart.name, entry.name, true);
    // Whatever was read ahead of the folder under either spelling is read again.
    engine_.Listings().Changed(targetDir + counterpart.name);
    engine_.Listings().Changed(targetDir + entry.name);
    if (renamed) {
      engine_.Report().Done("改名", targetDir + entry.name);
    } else {
      engine_.Report().FailedWithLastError("改名", targetDir + counterpart.name);
    }
  }

  // A new directory has none of the attributes carried across, so a source with none of them
  // needs no write.
  void GiveSourceAttributes(const std::string& targetChild, const DirectoryEntry& entry) {
    const int attributes = static_cast<int>(entry.attributes) & kReadableAttributes;
    if (!AttributesAlready(kAttrDirectory, attributes) && !SetAttributes(targetChild, attributes)) {
      engine_.Report().FailedWithLastError("设置属性", targetChild);
    }
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
