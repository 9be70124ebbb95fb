// One directory's listing, taken once and looked up by name, so that a walker compares a
// source directory with its target counterpart from two listings and no call per file.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "runtime/files.h"
#include "sync/side_thread.h"

namespace tarnvel {

class DirectoryListing {
 public:
  // Lists the directory (trailing "\" or not). A directory that cannot be listed (missing,
  // not a directory, no access) gives a listing that is not Listed() and holds nothing.
  static DirectoryListing Of(const std::string& directory);
  // The listing of a directory that holds nothing: one the walk has just made.
  static DirectoryListing Empty();

  bool Listed() const { return listed_; }
  // The system's error code of a listing that failed (0 when it was listed).
  unsigned long Error() const { return error_; }
  // What the listing holds in memory, roughly: its entries and their names.
  std::size_t Bytes() const;
  // Every entry but "." and "..", in the file system's listing order.
  const std::vector<DirectoryEntry>& Entries() const { return entries_; }
  // The entry of that name, letter case ignored as the file system ignores it; nullptr when
  // there is none. Names the folding cannot match are looked up by the caller directly.
  const DirectoryEntry* Find(const std::string& name) const;
  // Leaves out the entries of these names (as NormalisePath spells directory + name).
  void LeaveOut(const std::string& directory, const std::unordered_set<std::string>& paths);

 private:
  bool listed_ = false;
  unsigned long error_ = 0;
  std::vector<DirectoryEntry> entries_;
  mutable std::unordered_map<std::wstring, std::size_t> index_;  // built on the first Find
  mutable bool indexed_ = false;
};

class ReadAhead;
class RunReport;
struct WalkRoots;

// The listing of a job's source root. A root that is not there, or cannot be listed, is reported
// (the missing root as "源目录不存在", an unreadable one with the system's reason) and gives a
// listing that is not Listed(): the job then does nothing at all, and its target is not made.
DirectoryListing ListSourceRoot(const WalkRoots& roots, RunReport& report);

// The listings one walk of a job has already taken, handed to the next walk of the same job:
// the clean-up reads every source directory and every target directory that the sync then
// reads again. A target directory in which anything was deleted is forgotten. The kept
// listings have a byte budget: past it the oldest are dropped (and listed again when needed),
// so a tree of millions of entries costs bounded memory.
class ListingCache {
 public:
  // Which tree's order a walk follows through a level: the one whose entries it goes through.
  enum class WalkOrder { kBySource, kByTarget };

  static constexpr std::size_t kDefaultBudget = 64u << 20;

  ListingCache() = default;
  ListingCache(const ListingCache&) = delete;
  ListingCache& operator=(const ListingCache&) = delete;

  void SetBudget(std::size_t bytes) { budget_ = bytes; }
  // The bytes the kept listings hold now, as counted against the budget.
  std::size_t KeptBytes() const { return bytes_; }

  void Keep(const std::string& directory, const DirectoryListing& listing);
  void Forget(const std::string& directory);
  // The kept listing (which is then forgotten), the one read ahead, or a fresh one.
  DirectoryListing Take(const std::string& directory);
  // Take of both directories; the two that must still be listed are listed at the same time.
  std::pair<DirectoryListing, DirectoryListing> TakeBoth(const std::string& first, const std::string& second);
  // Forgets every listing and ends the listing threads, at the end of a job.
  void Clear();

  // The target subdirectories a walk will enter from the level in hand, in the order it will
  // enter them, named for reading ahead (sync/read_ahead.h): walking by the target, every plain
  // directory of the target; walking by the source, the target's plain directory of each source
  // directory's name, spelt as the source spells it (one spelt otherwise is renamed first). Links, names that do not join safely, "." names and the versions folder
  // are left to the walk. Call it once the level's two listings are taken, before the walk
  // changes anything in the level.
  void ExpectBelow(const std::string& sourceDir, const DirectoryListing& source, const std::string& targetDir,
                   const DirectoryListing& target, WalkOrder order);
  // The walk has renamed, made or removed the entry at `path` before entering it: nothing read
  // ahead of it or below it is given out.
  void Changed(const std::string& path);
  // The walk has ended: what was read ahead and not taken is dropped (the kept listings stay
  // for the job's next walk).
  void EndWalk();
  // A preview's removal: the entry is left out of every listing taken afterwards in this job,
  // as the run would find it gone. Forgotten by Clear.
  void Hide(const std::string& path);

 private:
  // The reading ahead, made on first use.
  ReadAhead& Ahead();

  struct Kept {
    DirectoryListing listing;
    std::size_t bytes = 0;
    std::uint64_t generation = 0;
  };
  void Erase(std::unordered_map<std::string, Kept>::iterator it);
  void Trim();
  DirectoryListing WithoutHidden(const std::string& directory, DirectoryListing listing) const;

  std::unordered_map<std::string, Kept> listings_;           // by NormalisePath
  std::deque<std::pair<std::string, std::uint64_t>> order_;  // oldest first; stale pairs skipped
  std::uint64_t generation_ = 0;
  std::size_t bytes_ = 0;
  std::size_t budget_ = kDefaultBudget;
  std::unordered_set<std::string> hidden_;  // by NormalisePath
  SideThread side_;
  // Shared only so that it can be destroyed where its class is not known (the build without
  // Windows has none); it is this cache's alone.
  std::shared_ptr<ReadAhead> ahead_;
};

}  // namespace tarnvel
