// Replacing one target file by a fresh copy of its source without ever losing the old one, and
// removing one listed target file without reaching through a link. Both engines copy and
// remove through these.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/files.h"

namespace tarnvel {

class DirectoryListing;
class KeptVersions;
class RunReport;

// The temporary file a copy is written to before it replaces its target lies in the target's
// own directory (so the replacement is a rename on one volume) under TemporaryFileName
// (runtime/files.h). A file of that name that is there already is never overwritten: the copy
// then takes another name. Such a file is removed only as the left-over of a killed run
// (RemoveLeftoverTemporaries).

// What the walk knows of the two files before the copy, from the two directories' listings.
struct CopyFacts {
  std::uint32_t sourceAttributes = 0;  // every bit, as the source listing reports them
  std::int64_t sourceSize = -1;        // as the source listing reports it; -1 unknown
  // The target as its directory's listing shows it: -1 when the listing has no entry of that
  // name, else its attributes (every bit).
  std::int64_t targetAttributes = -1;
  // The target directory was listed, so that a missing entry means a missing file.
  bool targetListed = false;
  // Carry the source's attributes (read-only, hidden, system, archive) to the target. When false
  // the target keeps what the system's copy gave it, except that a read-only copy of a hidden or
  // system file is given the bits such a copy can lose.
  bool carryAttributes = true;
  // Replace a read-only target (made writable first); when false such a target is left as it
  // is and the copy fails with "access denied", as a plain overwrite would.
  bool replaceReadOnly = true;
  // When on, the old target is moved into the kept versions before the new copy takes its
  // place, instead of being overwritten (and moved back when that last step fails).
  KeptVersions* versions = nullptr;

  bool TargetIsLink() const {
    return targetAttributes >= 0 && (static_cast<std::uint64_t>(targetAttributes) & kAttrReparsePoint) != 0;
  }
};

struct CopyResult {
  bool copied = false;
  unsigned long error = 0;  // the system's error code of what failed
  // The copy is complete but the source's attributes could not be given to it.
  bool attributesFailed = false;
  unsigned long attributesError = 0;
  // Where the old target was kept, when it was.
  std::string keptAt;
};

// Copies source to target with the system's copy (last-write time kept) and, when asked, gives
// the target the source's attributes.
//
// A target that exists is replaced only once its new copy is complete: the copy goes to a
// temporary file beside it, the old target is made archive-only (so that a read-only, hidden
// or system file can be replaced) and the temporary file is renamed over it. When the copy or
// the rename fails, the old target stays as it was, attributes included, and the temporary file
// is removed. A target that is a file link is replaced as a link: the rename puts the copy in
// the link's place, and nothing is written through it, its attributes included. A target the
// listing shows missing is copied to its own name at once (there is nothing to lose); a failed
// copy leaves nothing there, and one that another program made meanwhile is replaced as above.
CopyResult ReplaceWithCopy(const std::string& source, const std::string& target, const CopyFacts& facts,
                           const CopyProgress& progress);

// Removes a file the listing showed with these attributes (every bit). A read-only file is
// made writable first only when `clearReadOnly`, else it stays. The entry itself goes and never
// what it may link to: a fresh empty file is renamed over it and then deleted, so no delete is
// ever given a link (some systems follow one, and do not show it as a link). False, with the
// system's error left as the last error, on failure.
bool RemoveListedFile(const std::string& path, std::uint32_t attributes, bool clearReadOnly);

// Removes from a listed target directory the temporary files (IsTemporaryFileName) that a copy
// left there when its run was killed before the rename, each logged in the report. A name the
// source directory also holds is the user's and stays. The entry itself goes, never what it may
// link to (RemoveListedFile). The main-window engine calls it for every target directory whose
// files it compares; the job line, whose clean-up removes such a file as an extra one, for a
// target it does not clean.
void RemoveLeftoverTemporaries(const std::string& targetDir, const DirectoryListing& target,
                               const DirectoryListing& source, RunReport& report);

}  // namespace tarnvel
