// The one answer to "is the target file current?", taken from what the two directory listings
// already hold, so that an unchanged tree costs no call per file beyond its listings.
#pragma once

#include <cstdint>

#include "runtime/files.h"

namespace tarnvel {

// Last-write time in whole milliseconds: two files whose time keys (FileTimeKeyOf, kind 0)
// agree have the same value here, and files a millisecond apart differ.
inline std::uint64_t MillisecondOf(std::uint64_t fileTime) { return fileTime / 10000u; }

// The target is current when it exists, is a file, has the source's size and a last-write
// time equal to the source's to the millisecond. Content and attributes are not looked at. A
// missing target (nullptr) or a directory of that name is never current.
bool TargetIsCurrent(const DirectoryEntry& source, const DirectoryEntry* target);

}  // namespace tarnvel
