// The command-line engine: it compares files by size only, cleans the target of what the source
// lacks and copies what is missing or differs. Its decisions and displays are its own; the walk
// machinery (listings, roots by identity, link checks, the copy that replaces and the removal
// that never reaches through a link) is the main-window engine's, in sync/.
//
// Every walker runs synchronously on the calling thread, processing pending window messages at
// every level, and records what it could not do in the job's report: a failed copy or removal
// is never passed over in silence.
//
// The walk never leaves its two trees. The roots are resolved and compared by identity before
// anything is written; a listed name that would name another place when joined is reported and
// left alone; a directory link in the source is followed only when it leads to no directory that
// holds a root, not into the target and not back into the walk; a link in the target is never
// entered or written through: the clean-up removes it as a link (nothing behind it is touched)
// and a copy replaces a file link by a file of its own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/command_line_job.h"
#include "runtime/controls.h"
#include "sync/directory_listing.h"
#include "sync/kept_versions.h"
#include "sync/removal_guard.h"
#include "sync/run_report.h"
#include "sync/system_folders.h"
#include "sync/walk_roots.h"

namespace tarnvel {

// The job in hand: its resolved roots and what could not be done.
struct SizeJob {
  RootsVerdict verdict = RootsVerdict::kBlank;
  WalkRoots roots;
  RunReport report;
  // The listings one pass has taken, handed to the next pass of the same job, so that an
  // unchanged directory is listed once per side in the whole job (within the cache's budget).
  std::shared_ptr<ListingCache> listings = std::make_shared<ListingCache>();
  // Where removed and replaced target files go (off: removed for good).
  KeptVersions versions;
  // The clean-up would have removed most of the target and was left out.
  bool heldBack = false;
  // The source root was listed (StartSizeJob): the job walks.
  bool started = false;
  bool Usable() const { return verdict == RootsVerdict::kUsable; }
};

// Resolves the pair as given on the job line; an unusable pair walks nothing. The job always
// cleans, so a target that is one of the system's folders, however it is spelt, is refused. With
// `keepDays` above 0 what the job removes or replaces is kept in the target's versions folder.
SizeJob ResolveSizeJob(const std::string& source, const std::string& target, int keepDays = 0);
SizeJob ResolveSizeJob(const std::string& source, const std::string& target, const SystemLocations& system,
                       int keepDays = 0);

// Lists the source root of a usable job; a root that is missing or cannot be listed is reported
// and the job does not start (nothing is made or removed). True when it starts.
bool StartSizeJob(SizeJob& job);

// What CleanTargetBySize would remove, counted without changing anything; the listings are
// kept for the clean-up.
RemovalCounts CountTargetRemovals(SizeJob& job);

// The job's clean-up, unless it would remove most of the target: then nobody is there to ask,
// so it is left out, reported as a failure and marked held back. Old kept versions go first.
void CleanTargetGuarded(SizeJob& job);

// Removes from the target every file for which the source holds no file of that name, and every
// directory for which it holds no directory of that name (names matched as the file system
// matches them). A file whose size differs stays: the copy replaces it once its new copy is
// complete. Attributes are not touched, so a read-only target file survives. Cleans only when
// the source is an existing directory, and never against a source that lists nothing: an
// unplugged disk or an empty mount point never empties a target (that is reported).
void CleanTargetBySize(SizeJob& job);

// The number of source files whose target counterpart is missing or differs in size (or is a
// link), over the whole tree: the files the copy will copy. Creates each target directory it
// visits.
std::int32_t CountMissingFiles(SizeJob& job);

// Style 1: copies every source file whose size differs from its target counterpart, files of a
// directory before its subdirectories.
void CopyTreeBySize(SizeJob& job);

// Style 2: subdirectories first; each copied file shows its name on the file label and moves the
// file bar one step on.
void CopyTreeWithBar(SizeJob& job, Label& fileLabel, ProgressBar& fileBar);

// Style 3: subdirectories first; each copied file shows its target directory on the status label
// and its name on the file label, its own progress through OnTwoBarProgress, then moves the overall
// bar one step on and shows the overall percentage on the count label.
void CopyTreeWithTwoBars(SizeJob& job, const JobControls& controls);

// The same walkers on a pair of texts, resolved first (tests and small callers).
void CleanTargetBySize(const std::string& source, const std::string& target);
std::int32_t CountMissingFiles(const std::string& source, const std::string& target);
void CopyTreeBySize(const std::string& source, const std::string& target);

// The job line's decision: the target file must be written when it is missing, of another size,
// or a link (a reparse point: the backup gets a file of its own).
bool TargetNeedsCopy(const DirectoryEntry& source, const DirectoryEntry* target);

// True when the parent directory of the path lists a directory whose name equals the path's last
// component exactly, letter case included.
bool SubdirectoryExists(const std::string& path);

// The per-file progress of a style-3 copy: the percentage of the file (0 for an empty file) on the
// file percentage label and, times ten, on the file bar. Returns kCopyContinue.
int OnTwoBarProgress(const JobControls& controls, std::int64_t totalBytes, std::int64_t bytesDone);

// The percentage of a whole, rounded half up; 0 for an empty whole.
std::int32_t RoundedPercent(double part, double whole);

}  // namespace tarnvel
