#include "sync/file_sync.h"

#include "sync/case_rename.h"
#include "sync/directory_listing.h"
#include "sync/file_copier.h"
#include "sync/file_decision.h"
#include "sync/file_info.h"
#include "sync/full_target.h"
#include "sync/kept_versions.h"
#include "sync/path_helpers.h"
#include "sync/progress_display.h"
#include "sync/run_report.h"
#include "sync/sync_engine.h"
#include "sync/walk_roots.h"
#include "sync/walk_support.h"

namespace tarnvel {
namespace {

constexpr const char* kReplaceMark = "（替换）";

// What the two listings say about the copy, so that it needs no look-up of its own.
CopyFacts FactsOf(const DirectoryEntry& source, const DirectoryEntry* target,
                  const DirectoryListing& targetDir) {
  CopyFacts facts;
  facts.sourceAttributes = source.attributes;
  facts.sourceSize = source.size;
  facts.targetAttributes = target ? static_cast<std::int64_t>(target->attributes) : -1;
  facts.targetListed = targetDir.Listed();
  return facts;
}

void CopyOneFile(SyncEngine& engine, const std::string& path, const std::string& targetDir,
                 const DirectoryEntry& source, const DirectoryEntry* target,
                 const DirectoryListing& targetListing) {
  MainControls& c = engine.Controls();
  const std::string sourcePath = path + source.name;
  const std::string targetPath = targetDir + source.name;
  c.statusLine.SetText(kProcessingPrefix + ShownPath(sourcePath));
  c.dataCounter.SetText(kDataCounterPrefix + SizeText(engine.Totals().dataTotal / 1024));
  if (target != nullptr) ++engine.Totals().replacedFiles;
  if (engine.Previewing()) {
    // A replace is shown as such: the file there now goes (into the kept versions, when on).
    AppendToLog(c.copiedFilesLog,
                NormalisePath(ShownPath(targetPath)) + (target != nullptr ? kReplaceMark : ""));
    c.fileCounter.SetText(CounterText(kFileCounterPrefix, c.copiedFilesLog));
    return;
  }
  CopyFacts facts = FactsOf(source, target, targetListing);
  facts.versions = &engine.Versions();
  const CopyProgress progress = [&engine](std::int64_t total, std::int64_t done) {
    return OnCopyProgress(engine, total, done);
  };
  CopyResult result = ReplaceWithCopy(sourcePath, targetPath, facts, progress);
  // A full volume first gives up the oldest kept versions, and the copy is tried once more.
  if (!result.copied && CopyFailedForSpace(targetPath, source.size, result.error) &&
      engine.Versions().MakeRoom(source.size, engine.Report())) {
    result = ReplaceWithCopy(sourcePath, targetPath, facts, progress);
  }
  if (!result.copied) {
    if (!StopIfTargetFull(engine.Report(), targetPath, source.size, result.error)) {
      engine.Report().Failed("复制", targetPath, SystemErrorText(result.error));
    }
    return;
  }
  AppendToLog(c.copiedFilesLog, NormalisePath(ShownPath(targetPath)));
  engine.Report().Done("复制", targetPath);
  if (!result.keptAt.empty())
    engine.Report().Done("移入历史版本", targetPath + " -> " + ShownPath(result.keptAt));
  if (result.attributesFailed)
    engine.Report().Failed("设置属性", targetPath, SystemErrorText(result.attributesError));
  c.fileCounter.SetText(CounterText(kFileCounterPrefix, c.copiedFilesLog));
}

// A file the walk may copy: its name joins safely, and the target's entry of that name is a
// file or a file link (which the copy replaces as a link), not a directory.
bool MayCopy(SyncEngine& engine, const std::string& path, const std::string& targetDir,
             const DirectoryEntry& entry, const DirectoryEntry* counterpart) {
  if (!IsJoinableName(entry.name)) {
    engine.Report().Failed("未同步", path + entry.name, "名称中含有路径分隔符，不能安全处理");
    return false;
  }
  if (counterpart != nullptr && counterpart->IsDirectory()) {
    engine.Report().Failed("未同步", targetDir + counterpart->name, "目标中同名的是一个文件夹，不是文件");
    return false;
  }
  return true;
}

// A target file spelt otherwise than its source (letter case only) takes the source's spelling
// before it is compared: its content is not copied again for that.
void CarrySpelling(SyncEngine& engine, const std::string& targetDir, const DirectoryEntry& entry,
                   const DirectoryEntry* counterpart) {
  if (engine.Previewing()) return;  // a preview changes nothing, not even a spelling
  if (counterpart == nullptr || counterpart->name == entry.name || counterpart->IsDirectory()) return;
  if (!IsJoinableName(entry.name) || !IsJoinableName(counterpart->name)) return;
  if (RenameToSpelling(targetDir, counterpart->name, entry.name, false)) {
    engine.Report().Done("改名", targetDir + entry.name);
  } else {
    engine.Report().FailedWithLastError("改名", targetDir + counterpart->name);
  }
}

void SyncAgainst(SyncEngine& engine, const std::string& path, const DirectoryListing& source,
                 const std::string& targetDir, const DirectoryListing& target) {
  if (!engine.Previewing()) RemoveLeftoverTemporaries(targetDir, target, source, engine.Report());
  for (const DirectoryEntry& entry : source.Entries()) {
    if (entry.IsDirectory()) continue;
    // Checked before each entry: files met after a stop are not copied.
    if (engine.StopRequested()) break;
    const DirectoryEntry* counterpart = target.Find(entry.name);
    CarrySpelling(engine, targetDir, entry, counterpart);
    engine.Totals().dataTotal += entry.size;
    if (!TargetIsCurrent(entry, counterpart, engine.Roots().targetTimes) &&
        MayCopy(engine, path, targetDir, entry, counterpart)) {
      CopyOneFile(engine, path, targetDir, entry, counterpart, target);
    }
    engine.PumpEvents();
    if (engine.StopRequested()) break;
  }
}

bool HasFiles(const DirectoryListing& listing) {
  for (const DirectoryEntry& entry : listing.Entries()) {
    if (!entry.IsDirectory()) return true;
  }
  return false;
}

}  // namespace

void SyncFilesOfDirectory(SyncEngine& engine, std::string& path) {
  EnsureTrailingSeparator(path);
  SyncListedFiles(engine, path, DirectoryListing::Of(path));
}

void SyncListedFiles(SyncEngine& engine, const std::string& path, const DirectoryListing& source) {
  // The target is listed only when there is a file to compare: a directory of subdirectories
  // only costs nothing.
  if (!HasFiles(source)) return;
  const std::string targetDir = CounterpartPath(path, engine.Roots().source, engine.Roots().target);
  if (targetDir.empty()) return;
  SyncAgainst(engine, path, source, targetDir, engine.Listings().Take(targetDir));
}

void SyncListedFiles(SyncEngine& engine, const std::string& path, const DirectoryListing& source,
                     const DirectoryListing& target) {
  const std::string targetDir = CounterpartPath(path, engine.Roots().source, engine.Roots().target);
  if (!targetDir.empty()) SyncAgainst(engine, path, source, targetDir, target);
}

}  // namespace tarnvel
