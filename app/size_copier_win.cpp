// The walkers of the command-line engine. Each level lists its source and target directory once
// and takes every size from those listings: an unchanged tree costs two listings per directory,
// not a search per file.
#include <windows.h>

#include "app/size_copier.h"

#include <functional>

#include "runtime/arith.h"
#include "runtime/convert.h"
#include "runtime/datetime.h"
#include "runtime/files.h"
#include "runtime/text.h"
#include "runtime/window.h"
#include "sync/case_rename.h"
#include "sync/directory_listing.h"
#include "sync/file_copier.h"
#include "sync/full_target.h"
#include "sync/link_guard.h"
#include "sync/path_helpers.h"
#include "sync/walk_support.h"

namespace tarnvel {
namespace {

constexpr std::uint32_t kEventIntervalMs = 100;
constexpr const char* kUnsafeName = "名称中含有路径分隔符，不能安全处理";

bool IsPlainDirectory(const DirectoryEntry* entry) {
  return entry != nullptr && entry->IsDirectory() && (entry->attributes & kAttrReparsePoint) == 0;
}

// One source file whose target counterpart must be written: source directory, target directory
// (both with their trailing "\"), the file's entry in the source listing and its counterpart.
using CopyOne = std::function<CopyResult(const std::string&, const std::string&, const DirectoryEntry&,
                                         const DirectoryEntry*)>;

class SizeWalk {
 public:
  // `reporting` is false for the count pass: what fails is reported once, by the copy.
  SizeWalk(SizeJob& job, bool reporting, bool counting = false)
      : job_(job), reporting_(reporting), counting_(counting), chain_(job.roots.target) {}
  ~SizeWalk() { Listings().EndWalk(); }
  SizeWalk(const SizeWalk&) = delete;
  SizeWalk& operator=(const SizeWalk&) = delete;

  const RemovalCounts& Counts() const { return counts_; }

  void CleanRoot() {
    auto [source, target] = Listings().TakeBoth(job_.roots.source, job_.roots.target);
    if (!source.Listed() || !target.Listed()) return;
    // Only the folders both sides hold are entered; one the clean-up moves away whole must not be
    // held open by a listing read ahead (the move would be refused).
    if (!source.Entries().empty()) ExpectBelow(job_.roots.source, source, job_.roots.target, target, kBySource);
    if (source.Entries().empty()) {
      if (counting_) return;
      // Only what a killed run of ours left behind goes; everything else stays.
      RemoveLeftoverTemporaries(job_.roots.target, target, source, job_.report);
      if (!target.Entries().empty()) {
        job_.report.Failed("未清理", job_.roots.target, "源目录是空的，目标目录中的内容全部保留");
      }
      return;
    }
    chain_.Push(job_.roots.source);
    CleanLevel(job_.roots.source, source, job_.roots.target, target);
    chain_.Pop();
  }

  // The versions folder at the target root is the program's own, never the source's to match.
  bool IsKeptVersions(const std::string& targetDir, const DirectoryEntry& entry) const {
    return entry.IsDirectory() && IsVersionsFolderName(entry.name) && SamePath(targetDir, job_.roots.target);
  }

  // A source folder of the versions folder's name at the source root is left out and said.
  bool IsVersionsNamesake(const std::string& sourceDir, const DirectoryEntry& entry) {
    if (!IsVersionsFolderName(entry.name) || !SamePath(sourceDir, job_.roots.source)) return false;
    if (reporting_) job_.report.Noted(sourceDir + entry.name, kVersionsNameInSource);
    return true;
  }

  std::int32_t CountRoot() {
    if (!MakeTargetRoot()) return 0;
    chain_.Push(job_.roots.source);
    const std::int32_t count = CountLevel(job_.roots.source, job_.roots.target);
    chain_.Pop();
    return count;
  }

  void CopyRoot(bool subdirectoriesFirst, const CopyOne& copyOne) {
    if (!MakeTargetRoot()) return;
    chain_.Push(job_.roots.source);
    CopyLevel(job_.roots.source, job_.roots.target, subdirectoriesFirst, copyOne);
    chain_.Pop();
  }

 private:
  ListingCache& Listings() { return *job_.listings; }

  static constexpr ListingCache::WalkOrder kBySource = ListingCache::WalkOrder::kBySource;
  // Names the subdirectories this level enters next, to be listed ahead (a level without any
  // names nothing).
  void ExpectBelow(const std::string& sourceDir, const DirectoryListing& source, const std::string& targetDir,
                   const DirectoryListing& target, ListingCache::WalkOrder order) {
    Listings().ExpectBelow(sourceDir, source, targetDir, target, order);
  }

  // Pending window messages (the progress window's repaints) are dispatched at most every
  // 100 ms: each look costs a round trip to the window system, which per directory was a
  // fifth of an unchanged tree's run.
  void PumpEvents() {
    const std::uint32_t now = TickCount();
    if (pumped_ && now - lastPump_ < kEventIntervalMs) return;
    pumped_ = true;
    lastPump_ = now;
    ProcessEvents();
  }

  void Fail(std::string_view action, const std::string& path, std::string_view reason) {
    if (reporting_) job_.report.Failed(action, path, reason);
  }

  // A folder left out with all it holds: it could not be made or listed.
  void FailBelow(std::string_view action, const std::string& path, unsigned long error) {
    if (reporting_) job_.report.FailedBelow(action, path, SystemErrorText(error));
  }

  // The target is made one level deep, as every directory of this engine: a target whose
  // parent is missing is a reported failure.
  bool MakeTargetRoot() {
    if (MakeDirectory(job_.roots.target)) {
      job_.report.Done("创建目录", job_.roots.target);
    } else if (!IsDirectory(job_.roots.target)) {
      // Said by whichever pass comes first: the copy pass does not run when this one fails.
      job_.report.FailedBelow("创建目录", job_.roots.target, SystemErrorText(LastErrorCode()));
      return false;
    }
    job_.roots.RefreshTarget();
    return true;
  }

  // Something is removed only while the source root is there: a disk unplugged during the
  // clean-up must not look like a source whose content is all gone.
  bool SourceStillThere() {
    if (!sourceLost_ && !IsDirectory(job_.roots.source)) sourceLost_ = true;
    return !sourceLost_;
  }

  // A source directory the walk may enter: its name joins safely, a link passes the checks, and
  // the target's entry of that name (if any) is a plain directory.
  bool MayEnter(const std::string& sourceDir, const std::string& targetDir, const DirectoryEntry& entry,
                const DirectoryListing& target) {
    if (IsVersionsNamesake(sourceDir, entry)) return false;
    if (!IsJoinableName(entry.name)) {
      Fail("未同步", sourceDir + entry.name, kUnsafeName);
      return false;
    }
    if (entry.IsDirectoryLink()) {
      const LinkVerdict verdict = CheckSourceLink(sourceDir + entry.name, job_.roots, chain_);
      if (verdict != LinkVerdict::kFollow) {
        if (reporting_) job_.report.Noted(sourceDir + entry.name, LinkRefusal(verdict));
        return false;
      }
    }
    const DirectoryEntry* counterpart = target.Find(entry.name);
    if (counterpart == nullptr || IsPlainDirectory(counterpart)) return true;
    Fail("未同步", targetDir + counterpart->name,
         counterpart->IsDirectory() ? "目标中同名的是一个链接，不会写入链接所指之处"
                                    : "目标中同名的是一个文件，不是文件夹");
    return false;
  }

  // The target directory of a source directory: one level, made when missing.
  bool MakeTargetDirectory(const std::string& targetDir) {
    if (MakeDirectory(targetDir)) {
      job_.report.Done("创建目录", targetDir);
      return true;
    }
    const unsigned long error = LastErrorCode();
    if (IsDirectory(targetDir) && !IsDirectoryLink(targetDir)) return true;
    FailBelow("创建目录", targetDir, error);
    return false;
  }

  void CleanLevel(const std::string& sourceDir, const DirectoryListing& source, const std::string& targetDir,
                  const DirectoryListing& target) {
    PumpEvents();
    const std::int32_t before = Removals();
    CleanEntries(sourceDir, source, targetDir, target);
    // Handed to the next pass: the source as listed, the target only while nothing in it went.
    Listings().Keep(sourceDir, source);
    if (Removals() == before) Listings().Keep(targetDir, target);
  }

  std::int32_t Removals() const { return removals_; }

  void CleanEntries(const std::string& sourceDir, const DirectoryListing& source,
                    const std::string& targetDir, const DirectoryListing& target) {
    for (const DirectoryEntry& entry : target.Entries()) {
      if (entry.IsDirectory()) continue;
      if (!IsJoinableName(entry.name)) {
        Fail("未清理", targetDir + entry.name, kUnsafeName);
        continue;
      }
      const DirectoryEntry* counterpart = source.Find(entry.name);
      if (counting_) ++counts_.targetFiles;
      if (counterpart != nullptr && !counterpart->IsDirectory()) continue;
      if (counting_) {
        ++counts_.files;
        continue;
      }
      if (!SourceStillThere()) return;
      ++removals_;
      RemoveFile(targetDir + entry.name, entry.attributes);
    }
    for (const DirectoryEntry& entry : target.Entries()) {
      if (!entry.IsDirectory()) continue;
      if (!IsJoinableName(entry.name)) {
        Fail("未清理", targetDir + entry.name, kUnsafeName);
        continue;
      }
      if (IsKeptVersions(targetDir, entry)) continue;
      const DirectoryEntry* counterpart = source.Find(entry.name);
      const bool sourceHasDirectory =
          counterpart != nullptr && counterpart->IsDirectory() &&
          !(IsVersionsFolderName(entry.name) && SamePath(sourceDir, job_.roots.source));
      if (sourceHasDirectory && !entry.IsDirectoryLink()) {
        CleanInside(sourceDir, *counterpart, targetDir + entry.name + "\\");
        continue;
      }
      if (counting_) {
        if (!entry.IsDirectoryLink()) CountFilesBelow(targetDir + entry.name + "\\");
        continue;
      }
      // A directory the source lacks goes; a link in the target loses only itself.
      if (!SourceStillThere()) return;
      ++removals_;
      RemoveDirectory(targetDir + entry.name, entry.IsDirectoryLink());
    }
  }

  // Every file of a target folder the clean-up would remove whole (links not entered).
  void CountFilesBelow(const std::string& directory) {
    const DirectoryListing listing = Listings().Take(directory);
    for (const DirectoryEntry& entry : listing.Entries()) {
      if (!entry.IsDirectory()) {
        ++counts_.targetFiles;
        ++counts_.files;
      } else if (!entry.IsDirectoryLink() && IsJoinableName(entry.name)) {
        CountFilesBelow(directory + entry.name + "\\");
      }
    }
  }

  void RemoveFile(const std::string& path, std::uint32_t attributes) {
    // A copy's temporary left by a killed run is no version of anything, nor is a link: they go
    // for good.
    if (job_.versions.On() && (attributes & kAttrReadOnly) == 0 && !IsTemporaryFilePath(path) &&
        KeptVersions::Takes(path)) {
      const std::string kept = job_.versions.SetAside(path);
      if (kept.empty()) {
        Fail("删除文件", path, SystemErrorText(LastErrorCode()));
        return;
      }
      job_.report.Done("删除文件", path);
      job_.report.Done("移入历史版本", path + " -> " + ShownPath(kept));
    } else if (RemoveListedFile(path, attributes, false)) {
      job_.report.Done("删除文件", path);
    } else {
      Fail("删除文件", path, SystemErrorText(LastErrorCode()));
    }
  }

  // A folder goes whole (into the kept versions, when on); a link loses only itself.
  void RemoveDirectory(const std::string& path, bool link) {
    const char* action = link ? "删除链接" : "删除目录";
    if (job_.versions.On() && !link) {
      const std::string kept = job_.versions.SetAside(path);
      if (kept.empty()) {
        Fail(action, path, SystemErrorText(LastErrorCode()));
        return;
      }
      job_.report.Done(action, path);
      job_.report.Done("移入历史版本", path + " -> " + ShownPath(kept));
    } else if (RemoveDirectoryTree(path)) {
      job_.report.Done(action, path);
    } else {
      Fail(action, path, SystemErrorText(LastErrorCode()));
    }
  }

  // Cleans a target directory against its source counterpart, which the walk must be able to
  // enter: a source link that fails the checks leaves the target directory as it is.
  void CleanInside(const std::string& sourceDir, const DirectoryEntry& sourceEntry,
                   const std::string& targetDir) {
    const std::string sourceChild = sourceDir + sourceEntry.name + "\\";
    if (!IsJoinableName(sourceEntry.name)) return;
    if (sourceEntry.IsDirectoryLink() &&
        CheckSourceLink(sourceDir + sourceEntry.name, job_.roots, chain_) != LinkVerdict::kFollow) {
      return;
    }
    auto [source, target] = Listings().TakeBoth(sourceChild, targetDir);
    if (!source.Listed() || !target.Listed()) return;
    ExpectBelow(sourceChild, source, targetDir, target, kBySource);
    chain_.Push(sourceChild);
    CleanLevel(sourceChild, source, targetDir, target);
    chain_.Pop();
  }

  std::int32_t CountLevel(const std::string& sourceDir, const std::string& targetDir) {
    PumpEvents();
    auto [source, target] = Listings().TakeBoth(sourceDir, targetDir);
    ExpectBelow(sourceDir, source, targetDir, target, kBySource);
    std::int32_t count = 0;
    for (const DirectoryEntry& entry : source.Entries()) {
      if (entry.IsDirectory() || !IsJoinableName(entry.name)) continue;
      const DirectoryEntry* counterpart = target.Find(entry.name);
      if ((counterpart == nullptr || !counterpart->IsDirectory()) && TargetNeedsCopy(entry, counterpart)) ++count;
    }
    for (const DirectoryEntry& entry : source.Entries()) {
      if (!entry.IsDirectory() || !MayEnter(sourceDir, targetDir, entry, target)) continue;
      const std::string targetChild = targetDir + entry.name + "\\";
      if (!IsPlainDirectory(target.Find(entry.name)) && !MakeTargetDirectory(targetChild)) continue;
      chain_.Push(sourceDir + entry.name + "\\");
      count += CountLevel(sourceDir + entry.name + "\\", targetChild);
      chain_.Pop();
    }
    // The copy pass takes them next; a target directory this pass made is not in its parent's
    // listing, which the copy pass handles as a directory to make (and finds made).
    Listings().Keep(sourceDir, source);
    Listings().Keep(targetDir, target);
    return count;
  }

  void CopyFiles(const std::string& sourceDir, const DirectoryListing& source, const std::string& targetDir,
                 const DirectoryListing& target, const CopyOne& copyOne) {
    for (const DirectoryEntry& entry : source.Entries()) {
      if (entry.IsDirectory()) continue;
      if (!IsJoinableName(entry.name)) {
        Fail("未同步", sourceDir + entry.name, kUnsafeName);
        continue;
      }
      const DirectoryEntry* counterpart = target.Find(entry.name);
      if (counterpart != nullptr && counterpart->IsDirectory()) {
        Fail("未同步", targetDir + counterpart->name, "目标中同名的是一个文件夹，不是文件");
        continue;
      }
      CarrySpelling(targetDir, entry, counterpart, false);
      if (!TargetNeedsCopy(entry, counterpart)) continue;
      const CopyResult result = copyOne(sourceDir, targetDir, entry, counterpart);
      if (result.copied) {
        job_.report.Done("复制", targetDir + entry.name);
        if (result.attributesFailed)
          Fail("设置属性", targetDir + entry.name, SystemErrorText(result.attributesError));
      } else if (StopIfTargetFull(job_.report, targetDir + entry.name, entry.size, result.error)) {
        return;
      } else {
        Fail("复制", targetDir + entry.name, SystemErrorText(result.error));
      }
    }
  }

  // A target file or folder spelt otherwise than its source (letter case only) takes the
  // source's spelling; its content is not copied again for that.
  void CarrySpelling(const std::string& targetDir, const DirectoryEntry& entry,
                     const DirectoryEntry* counterpart, bool isFolder) {
    if (counterpart == nullptr || counterpart->name == entry.name || !IsJoinableName(counterpart->name))
      return;
    const bool renamed = RenameToSpelling(targetDir, counterpart->name, entry.name, isFolder);
    // Whatever was read ahead of a folder under either spelling is read again.
    Listings().Changed(targetDir + counterpart->name);
    Listings().Changed(targetDir + entry.name);
    if (renamed) {
      job_.report.Done("改名", targetDir + entry.name);
    } else {
      Fail("改名", targetDir + counterpart->name, SystemErrorText(LastErrorCode()));
    }
  }

  // The job stopped on its own (a full target): nothing more is copied or made.
  bool Stopped() const { return !job_.report.StopReason().empty(); }

  void CopyLevel(const std::string& sourceDir, const std::string& targetDir, bool subdirectoriesFirst,
                 const CopyOne& copyOne) {
    PumpEvents();
    auto [source, target] = Listings().TakeBoth(sourceDir, targetDir);
    // What cannot be listed is left out whole, and said so: never taken for an empty folder.
    if (!source.Listed() || !target.Listed()) {
      const bool sourceFailed = !source.Listed();
      FailBelow("读取目录", sourceFailed ? sourceDir : targetDir,
                sourceFailed ? source.Error() : target.Error());
      return;
    }
    ExpectBelow(sourceDir, source, targetDir, target, kBySource);
    auto descend = [&] {
      for (const DirectoryEntry& entry : source.Entries()) {
        if (Stopped()) return;
        if (!entry.IsDirectory() || !MayEnter(sourceDir, targetDir, entry, target)) continue;
        const std::string targetChild = targetDir + entry.name + "\\";
        const DirectoryEntry* counterpart = target.Find(entry.name);
        if (!IsPlainDirectory(counterpart) && !MakeTargetDirectory(targetChild)) continue;
        CarrySpelling(targetDir, entry, counterpart, true);
        chain_.Push(sourceDir + entry.name + "\\");
        CopyLevel(sourceDir + entry.name + "\\", targetChild, subdirectoriesFirst, copyOne);
        chain_.Pop();
      }
    };
    if (subdirectoriesFirst) {
      descend();
      if (!Stopped()) CopyFiles(sourceDir, source, targetDir, target, copyOne);
    } else {
      CopyFiles(sourceDir, source, targetDir, target, copyOne);
      descend();
    }
  }

  SizeJob& job_;
  bool reporting_;
  bool counting_;
  RemovalCounts counts_;
  AncestorChain chain_;
  bool sourceLost_ = false;
  std::int32_t removals_ = 0;
  bool pumped_ = false;
  std::uint32_t lastPump_ = 0;
};

// The copy of the command-line job: through a temporary file when the target exists, the old
// file kept when the copy fails; a read-only target is left as it is (and reported).
CopyResult CopyBySize(SizeJob& job, const std::string& from, const std::string& to,
                      const DirectoryEntry& file, const DirectoryEntry* counterpart,
                      const CopyProgress& progress) {
  CopyFacts facts;
  facts.sourceAttributes = file.attributes;
  facts.sourceSize = file.size;
  facts.targetAttributes = counterpart ? static_cast<std::int64_t>(counterpart->attributes) : -1;
  facts.targetListed = true;
  facts.carryAttributes = false;
  facts.replaceReadOnly = false;
  facts.versions = &job.versions;
  CopyResult result = ReplaceWithCopy(from + file.name, to + file.name, facts, progress);
  // A full volume first gives up the oldest kept versions, and the copy is tried once more.
  if (!result.copied && CopyFailedForSpace(to + file.name, file.size, result.error) &&
      job.versions.MakeRoom(file.size, job.report)) {
    result = ReplaceWithCopy(from + file.name, to + file.name, facts, progress);
  }
  if (!result.keptAt.empty())
    job.report.Done("移入历史版本", to + file.name + " -> " + ShownPath(result.keptAt));
  return result;
}

}  // namespace

bool TargetNeedsCopy(const DirectoryEntry& source, const DirectoryEntry* target) {
  if (target == nullptr) return true;
  if ((target->attributes & kAttrReparsePoint) != 0) return true;
  return target->size != source.size;
}

SizeJob ResolveSizeJob(const std::string& source, const std::string& target, int keepDays) {
  return ResolveSizeJob(source, target, TheSystemLocations(), keepDays);
}

SizeJob ResolveSizeJob(const std::string& source, const std::string& target, const SystemLocations& system,
                       int keepDays) {
  RootsResolution resolved = ResolveRoots(source, target);
  SizeJob job;
  job.verdict = resolved.verdict;
  job.roots = std::move(resolved.roots);
  if (job.Usable() && IsSystemLocation(target, system)) job.verdict = RootsVerdict::kSystemFolder;
  if (job.Usable()) job.versions = KeptVersions(job.roots.target, Now(), keepDays);
  return job;
}

bool StartSizeJob(SizeJob& job) {
  if (!job.Usable()) return false;
  const DirectoryListing root = ListSourceRoot(job.roots, job.report);
  if (!root.Listed()) return false;
  job.listings->Keep(job.roots.source, root);
  job.started = true;
  return true;
}

RemovalCounts CountTargetRemovals(SizeJob& job) {
  if (!job.Usable()) return {};
  SizeWalk walk(job, false, true);
  walk.CleanRoot();
  return walk.Counts();
}

void CleanTargetGuarded(SizeJob& job) {
  if (!job.Usable()) return;
  const RemovalCounts counts = CountTargetRemovals(job);
  job.heldBack = IsMassRemoval(counts);
  if (job.heldBack) job.report.Failed("未清理", ShownPath(job.roots.target), MassRemovalHeldBack(counts));
  job.versions.Expire(Now(), job.report);
  if (!job.heldBack) CleanTargetBySize(job);
}

std::int32_t RoundedPercent(double part, double whole) {
  if (whole == 0) return 0;
  return static_cast<std::int32_t>(Round(part / whole * 100));
}

void CleanTargetBySize(SizeJob& job) {
  if (job.Usable()) SizeWalk(job, true).CleanRoot();
}

std::int32_t CountMissingFiles(SizeJob& job) { return job.Usable() ? SizeWalk(job, false).CountRoot() : 0; }

void CopyTreeBySize(SizeJob& job) {
  if (!job.Usable()) return;
  SizeWalk(job, true).CopyRoot(false, [&job](const std::string& from, const std::string& to,
                                             const DirectoryEntry& file, const DirectoryEntry* counterpart) {
    return CopyBySize(job, from, to, file, counterpart, nullptr);
  });
}

void CopyTreeWithBar(SizeJob& job, Label& fileLabel, ProgressBar& fileBar) {
  if (!job.Usable()) return;
  SizeWalk(job, true).CopyRoot(true, [&](const std::string& from, const std::string& to,
                                         const DirectoryEntry& file, const DirectoryEntry* counterpart) {
    fileLabel.SetText(file.name);
    Repaint(fileLabel);
    const CopyResult result = CopyBySize(job, from, to, file, counterpart, nullptr);
    fileBar.SetPosition(fileBar.Position() + 1);
    return result;
  });
}

void CopyTreeWithTwoBars(SizeJob& job, const JobControls& controls) {
  if (!job.Usable()) return;
  SizeWalk(job, true).CopyRoot(true, [&](const std::string& from, const std::string& to,
                                         const DirectoryEntry& file, const DirectoryEntry* counterpart) {
    controls.statusLabel.SetText(ShownPath(to));
    controls.fileLabel.SetText(file.name);
    // Each file starts at 0%; and since not every system reports a copy's last block (Wine
    // reports none), a finished copy shows its 100% itself.
    const std::int64_t size = file.size;
    OnTwoBarProgress(controls, size, 0);
    const CopyResult result = CopyBySize(
        job, from, to, file, counterpart,
        [&](std::int64_t total, std::int64_t done) { return OnTwoBarProgress(controls, total, done); });
    if (result.copied) OnTwoBarProgress(controls, size, size);
    ProgressBar& overall = controls.overallBar;
    overall.SetPosition(overall.Position() + 1);
    controls.countLabel.SetText(ToText(RoundedPercent(overall.Position(), overall.Maximum())) + "%");
    return result;
  });
}

void CleanTargetBySize(const std::string& source, const std::string& target) {
  SizeJob job = ResolveSizeJob(source, target);
  CleanTargetBySize(job);
}

std::int32_t CountMissingFiles(const std::string& source, const std::string& target) {
  SizeJob job = ResolveSizeJob(source, target);
  return CountMissingFiles(job);
}

void CopyTreeBySize(const std::string& source, const std::string& target) {
  SizeJob job = ResolveSizeJob(source, target);
  CopyTreeBySize(job);
}

bool SubdirectoryExists(const std::string& path) {
  const std::int32_t cut = FindTextReverse(path, "\\");
  if (cut < 1) return false;
  const std::string parent = LeftText(path, cut);
  const std::string name = MidText(path, cut + 1, TextLength(path) - cut);
  if (name.empty()) return false;
  bool found = false;
  ListDirectory(parent, [&](const DirectoryEntry& entry) {
    found = entry.name == name && entry.IsDirectory();
    return !found;
  });
  return found;
}

int OnTwoBarProgress(const JobControls& controls, std::int64_t totalBytes, std::int64_t bytesDone) {
  const std::int32_t percent =
      totalBytes <= 0 ? 0 : RoundedPercent(static_cast<double>(bytesDone), static_cast<double>(totalBytes));
  controls.fileBar.SetPosition(percent * 10);
  controls.filePercentLabel.SetText(ToText(percent) + "%");
  ProcessEvents();
  return kCopyContinue;
}

}  // namespace tarnvel
