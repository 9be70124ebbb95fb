// Replacing one target file by a fresh copy of its source without ever losing the old one.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/files.h"

namespace tarnvel {

// The temporary file a copy is written to before it replaces the target: in the target's
// own directory, so that the replacement is a rename on one volume.
std::string TemporaryCopyPath(const std::string& target);

// What the walk knows of the two files before the copy, from the two directories' listings.
struct CopyFacts {
  std::uint32_t sourceAttributes = 0;  // every bit, as the source listing reports them
  // The target as its directory's listing shows it: -1 when the listing has no entry of that
  // name, else its attributes (every bit).
  std::int64_t targetAttributes = -1;
  // The target directory was listed, so that a missing entry means a missing file, and
  // `temporaryLeft` says whether a cut-off copy left its temporary file there.
  bool targetListed = false;
  bool temporaryLeft = false;
};

// Copies source to target with the system's copy (last-write time kept) and gives the target
// the source's attributes (read-only, hidden, system, archive).
//
// A target that exists is replaced only once its new copy is complete: the copy goes to a
// temporary file beside it, the old target is made archive-only (so that a read-only, hidden
// or system file can be replaced) and the temporary file is renamed over it. When the copy or
// the rename fails, the old target stays as it was, attributes included, and no temporary file
// is left behind. A target the listing shows missing is copied to its own name at once (there is
// nothing to lose), and a failed copy leaves nothing there; one that another program made
// meanwhile is replaced as above.
bool ReplaceWithCopy(const std::string& source, const std::string& target, const CopyFacts& facts,
                     const CopyProgress& progress);

}  // namespace tarnvel
