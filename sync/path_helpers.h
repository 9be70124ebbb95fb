// The small path operations the walkers of the sync engine share: mapping a path between the
// source and target trees, testing for and creating directories, normalising a path for display
// and lookup, and the two directory-search filters. Paths are GBK texts with "\" separators;
// directory paths carry a trailing "\". Nothing here keeps state.
#pragma once

#include <string>
#include <string_view>

#include "runtime/files.h"
#include "runtime/values.h"

namespace tarnvel {

struct MainControls;

// The path with its leading fromRoot replaced by toRoot, ASCII letters compared without regard
// to case and other characters as they are. Only the root prefix is mapped: a later occurrence
// of the root's text inside the path stays. A path that does not begin with fromRoot, or an
// empty fromRoot, leaves the path as it is.
std::string MapBetweenRoots(std::string_view path, std::string_view fromRoot, std::string_view toRoot);

// The same with the roots read afresh from the source box and the target box of the main
// window's controls (the runner has given both a trailing "\" before any walk).
std::string MapToTarget(const MainControls& controls, std::string_view path);
std::string MapToSource(const MainControls& controls, std::string_view path);

// True when the path names an existing directory (a directory link counts). Any length.
bool IsDirectory(const std::string& path);

// The directories MakeDirectoryPath attempts, in order: "/" turned into "\", one trailing "\"
// dropped, then every prefix up to and including each remaining "\", then the whole path.
// E:\bak\a\b gives E:\, E:\bak\, E:\bak\a\, E:\bak\a\b; a path without "\" gives itself.
// An empty path gives nothing.
TextArray DirectoryPathSteps(std::string_view path);

// Creates the directory and every missing parent. Failures (an existing directory, the drive
// root, no access) are ignored: the walkers test for the directory afterwards if they care.
void MakeDirectoryPath(const std::string& path);

// The path as the engine shows and looks it up: "/" becomes "\", runs of "\" collapse, one
// trailing separator is dropped, a leading "\\" of a share name is kept, a drive letter is
// followed by exactly one "\", double quotes are removed (first) and ASCII capitals become small
// (other characters untouched). D:/Data//Sub/ gives d:\data\sub; E: gives e:\. Applied to its
// own result it gives that result again.
std::string NormalisePath(std::string_view path);

// The two filters of the walkers' directory searches. Directories only: attribute 0x10, "."
// and ".." included, as FindFile gives them with that mask. Files: every entry that is not a
// directory (FindFile without attributes).
inline constexpr int kDirectoriesOnly = static_cast<int>(kAttrDirectory);
inline bool PassesDirectoryFilter(const DirectoryEntry& entry) { return entry.IsDirectory(); }
inline bool PassesFileFilter(const DirectoryEntry& entry) { return !entry.IsDirectory(); }

// Directory search with those filters: a non-empty pattern (ending in "*" or "*.*") starts a
// search, "" fetches the next name; "" at the end, when the search is closed. EndFind of
// runtime/files.h ends a search early.
std::string FindSubdirectory(const std::string& pattern, FileSearch& search);
std::string FindPlainFile(const std::string& pattern, FileSearch& search);

}  // namespace tarnvel
