// Small rules every walker of the engine shares.
#pragma once

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

// True when the two paths name the same place as NormalisePath spells them (letter case,
// doubled and trailing separators aside).
bool SamePath(std::string_view a, std::string_view b);

}  // namespace tarnvel
