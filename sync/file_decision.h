// The one answer to "is the target file current?", taken from what the two directory listings
// already hold, so that an unchanged tree costs no call per file beyond its listings.
#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/files.h"

namespace tarnvel {

// Last-write time in whole milliseconds: two files whose time keys (FileTimeKeyOf, kind 0)
// agree have the same value here, and files a millisecond apart differ.
inline std::uint64_t MillisecondOf(std::uint64_t fileTime) { return fileTime / 10000u; }

// How the target volume keeps last-write times, as far as its file system's name tells.
// kCoarse: a FAT-family volume, which keeps whole even seconds in local time.
enum class VolumeTimes { kFine, kCoarse };

// kCoarse for the names FAT-family file systems report ("FAT", "FAT16", "FAT32", "exFAT",
// "vfat", letter case ignored); kFine for every other name, and for "" (unknown).
VolumeTimes VolumeTimesOf(std::string_view fileSystemName);

// True when a FAT volume could have written this time: a whole, even second.
bool IsCoarseTime(std::uint64_t fileTime);

// Whether the target's last-write time stands for the source's. To the millisecond, except where
// the time is coarse (the volume is kCoarse, or the target's time is a whole even second, which
// is what a FAT volume seen through a driver that names no file system gives): then a time less
// than 2 s away counts (FAT rounds up or truncates to the even second), and so does one less
// than 2 s away from exactly one hour off either way (FAT keeps local time, and a daylight-saving
// change moves every time read from it by an hour).
bool TimesAgree(std::uint64_t source, std::uint64_t target, VolumeTimes volume);

// The target is current when it exists, is a file, has the source's size and a last-write time
// that agrees with the source's (TimesAgree). Content and attributes are not looked at. A
// missing target (nullptr), a directory of that name or a link is never current.
bool TargetIsCurrent(const DirectoryEntry& source, const DirectoryEntry* target,
                     VolumeTimes volume = VolumeTimes::kFine);

}  // namespace tarnvel
