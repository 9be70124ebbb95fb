// The cleaner: removes from the target what the source no longer holds.
#pragma once

#include <string>

#include "sync/removal_guard.h"

namespace tarnvel {

class SyncEngine;

// Walks the target tree below `path` (the job's target root; "\" appended when missing, in
// the caller's text too) depth first, post-order: every subdirectory is made archive-only,
// its extra files are removed, its subdirectories are cleaned, and it is deleted with what is
// left in it when the source lacks it. Directories whose names begin with "." are never
// touched, nor is the source root when it lies inside the target. A directory link is never
// entered and never changed: when the source lacks it, only the link itself is removed. Should
// the source root vanish during the walk (an unplugged disk), nothing more is removed.
void RemoveExtraDirectories(SyncEngine& engine, std::string& path);

// Deletes the files of the target directory `path` that have no entry of their name (file or
// directory) in the source counterpart, read-only, hidden and system files included. A
// source directory that exists but cannot be listed removes nothing.
void RemoveExtraFiles(SyncEngine& engine, std::string& path);

// What the clean-up of the job in hand would remove, counted over the same walk without
// showing or changing anything; the listings are kept for the clean-up that follows.
RemovalCounts CountExtraFiles(SyncEngine& engine);

// With kept versions on, a removed file or folder is moved into them (a folder whole, its
// content still listed item by item); a preview lists what would go and removes nothing.

}  // namespace tarnvel
