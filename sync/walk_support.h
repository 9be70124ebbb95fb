// Small rules every walker of the engine shares.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarnvel {

// Directory paths are carried with their trailing "\"; a walker appends it when missing.
inline void EnsureTrailingSeparator(std::string& path) {
  if (path.empty() || path.back() != '\\') path += '\\';
}

// Directories whose names begin with "." (".svn", ".cache", and "." and "..") are neither
// synchronised nor cleaned.
inline bool IsDotName(std::string_view name) { return !name.empty() && name.front() == '.'; }

// The attribute bits a write of attributes changes besides the four the engine carries across
// (read-only, hidden, system, archive): temporary, offline, not content-indexed, integrity,
// no-scrub, pinned and unpinned. A write clears them.
inline constexpr std::uint32_t kOtherSettableAttributes =
    0x100 | 0x1000 | 0x2000 | 0x8000 | 0x20000 | 0x80000 | 0x100000;

// True when SetAttributes(path, wanted) on an entry that has `current` (every bit, as a listing
// reports them) would leave its attributes as they are: the walkers then spare the call.
inline bool AttributesAlready(std::uint32_t current, int wanted) {
  constexpr std::uint32_t kCarried = 0x27;
  return (current & (kCarried | kOtherSettableAttributes)) == (static_cast<std::uint32_t>(wanted) & kCarried);
}

// True when a listed name may be joined onto its directory's path: not empty, not "." or "..",
// and without a separator or a drive or stream mark (a file system of another system may list a
// name such as "..\\x" verbatim, which joined would name a place outside the tree).
bool IsJoinableName(std::string_view name);

// True for exactly the names of the copy's temporary files (TemporaryFileName in runtime/files.h:
// "~tv", 8 lower-case hexadecimal digits, ".tmp"): a run killed mid-copy leaves such a file
// behind, and only such a name is taken for one.
bool IsTemporaryFileName(std::string_view name);
// The same for the last name of a path.
bool IsTemporaryFilePath(std::string_view path);

// True when two paths name the same place as NormalisePath spells them (letter case,
// doubled and trailing separators aside).
bool SamePath(std::string_view a, std::string_view b);

}  // namespace tarnvel
