// Replacing one target file by a fresh copy of its source without ever losing the old one.
#pragma once

#include <string>

#include "runtime/files.h"

namespace tarnvel {

// The temporary file a copy is written to before it replaces the target: in the target's
// own directory, so that the replacement is a rename on one volume.
std::string TemporaryCopyPath(const std::string& target);

// Copies source to a temporary file beside target and, once the copy is complete, renames
// it over target. Around the rename the old target is made archive-only (so that a
// read-only, hidden or system file can be replaced) and the new one then receives
// `sourceAttributes`. `targetAttributes` is what the target has now (-1: no target). When the
// copy or the rename fails, the old target stays as it was, attributes included, and no
// temporary file is left behind. The copy is the system's (last-write time kept).
bool ReplaceWithCopy(const std::string& source, const std::string& target, int sourceAttributes,
                     int targetAttributes, const CopyProgress& progress);

}  // namespace tarnvel
