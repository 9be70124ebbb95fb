// Kept versions: what a run removes from a target or replaces there is not deleted but moved,
// by a rename on the target's own volume, into
//   <target root>\.tarnvel-versions\<run start, YYYY-MM-DD HH.MM.SS>\<path relative to the root>
// and kept there for a number of days. The folder is hidden and system; no walk of either
// engine enters it, compares it, cleans it or copies it. It is known by its name at the target
// root only: a folder of that name anywhere else is an ordinary folder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/values.h"

namespace tarnvel {

class RunReport;

inline constexpr char kVersionsFolderName[] = ".tarnvel-versions";
// Days a kept version stays when nobody has said otherwise; 0 removes for good.
inline constexpr int kDefaultKeepDays = 30;
inline constexpr int kMaxKeepDays = 36500;

// How a source folder of the versions folder's name at the source root is reported: it is left
// out, never copied over the target's kept versions.
inline constexpr char kVersionsNameInSource[] = "与历史版本文件夹同名，未同步";

// True for the versions folder's name, letter case ignored (the file system ignores it too).
bool IsVersionsFolderName(std::string_view name);

// The days as stored or typed: a whole number 0..kMaxKeepDays; anything else (empty, negative,
// not a number, too large) gives kDefaultKeepDays.
int KeepDaysFromText(std::string_view text);

// "YYYY-MM-DD HH.MM.SS" of a run's start, and back; nullopt for a name of another form.
std::string RunFolderName(DateTime start);
std::optional<DateTime> RunFolderTime(std::string_view name);

// True when a run folder made at `made` is to go at `now` with `days` of retention: older than
// that many whole days (0: every one). A folder dated in the future stays.
bool RunFolderExpired(DateTime made, DateTime now, int days);

// The run folders of a versions folder that go first when space runs out: every name of a run
// folder except `current`, oldest first; other names are left out.
std::vector<std::string> RunFoldersOldestFirst(const std::vector<std::string>& names,
                                               std::string_view current);

// The kept versions of one job's target during one run. Windows build only, except the
// accessors.
class KeptVersions {
 public:
  // Off: removals are for good.
  KeptVersions() = default;
  // `targetRoot` is the walk's exact form with its trailing "\".
  KeptVersions(std::string targetRoot, DateTime runStart, int days);

  bool On() const { return days_ > 0 && !targetRoot_.empty(); }
  // Whether the kept versions take the entry: a file or folder itself. A link holds nothing of
  // the backup and is never moved (where the system follows it, the move would carry off the
  // file behind it, from outside the target): it goes as a link goes, for good.
  static bool Takes(const std::string& path);
  int Days() const { return days_; }
  // The versions folder (with "\"), and this run's folder in it.
  std::string Folder() const { return targetRoot_ + kVersionsFolderName + "\\"; }
  std::string RunFolder() const { return Folder() + runFolder_ + "\\"; }

  // Moves the entry at `path` (a file or a whole folder below the target root, never a link) to
  // its place in this run's folder; returns that place, or "" with the system's error as the
  // last error. A name taken there already (the same target twice in one run) gets " (2)",
  // " (3)" … before its extension.
  std::string SetAside(const std::string& path);
  // Moves a kept entry back to where it was (a replace whose last step failed).
  bool PutBack(const std::string& kept, const std::string& path);

  // Removes the run folders that are older than the retention (every one when it is 0) at the
  // start of a run; what cannot be removed is reported.
  void Expire(DateTime now, RunReport& report);
  // Removes the oldest run folder other than this run's; false when none is left.
  bool FreeOldest(RunReport& report);
  // A copy failed for want of space: removes the oldest run folders (never this run's) until
  // the volume has room for `bytes` or none is left; true when any went, so the copy is worth
  // one more try.
  bool MakeRoom(std::int64_t bytes, RunReport& report);

 private:
  bool MakeFolder();
  std::vector<std::string> RunFolderNames() const;

  std::string targetRoot_;
  std::string runFolder_;
  int days_ = 0;
  bool folderMade_ = false;
};

}  // namespace tarnvel
