// The command-line engine: it compares files by size only, cleans the target of what the source
// lacks and copies what is missing or differs. Separate from the main-window engine in sync/.
//
// Every walker takes a source and a target directory (a trailing "\" is added where missing) and
// runs synchronously on the calling thread, processing pending window messages at every level.
// File-system failures are not reported: a delete or copy that fails is passed over and the walk
// goes on.
//
// Directory links (junctions, symbolic links) are never walked on either side: a link in the
// source is neither counted nor copied and the same-named target entry is left as it is; a link
// in the target is removed as a link (nothing behind it is touched) unless the source holds a link
// of that name, and no copy ever writes through one. So a link back to an ancestor cannot make a
// walker recurse, and nothing outside the target is ever deleted or written.
#pragma once

#include <cstdint>
#include <string>

#include "app/command_line_job.h"
#include "runtime/controls.h"

namespace tarnvel {

// Removes from the target every file whose size differs from the source file of that name (a
// missing source file counts as -1) and every directory the source lacks by its exact name.
// Attributes are not touched, so a read-only target file survives. Cleans only when the source is
// an existing directory: a mistyped or unplugged source never empties a target. An empty (or
// blank) source or target cleans nothing.
void CleanTargetBySize(const std::string& source, const std::string& target);

// The number of source files for which the target holds no entry of that name, over the whole
// tree. Creates each target directory it visits (one level at a time).
std::int32_t CountMissingFiles(const std::string& source, const std::string& target);

// Style 1: copies every source file whose size differs from its target counterpart, files of a
// directory before its subdirectories.
void CopyTreeBySize(const std::string& source, const std::string& target);

// Style 2: subdirectories first; each copied file shows its name on the file label and moves the
// file bar one step on. `count` is the number of files to copy the bar was set up for.
void CopyTreeWithBar(const std::string& source, const std::string& target, Label& fileLabel,
                     ProgressBar& fileBar, std::int32_t count);

// Style 3: subdirectories first; each copied file shows its target directory on the status label
// and its name on the file label, its own progress through OnTwoBarProgress, then moves the overall
// bar one step on and shows the overall percentage on the count label.
void CopyTreeWithTwoBars(const std::string& source, const std::string& target, const JobControls& controls);

// True when the parent directory of the path lists a directory whose name equals the path's last
// component exactly, letter case included.
bool SubdirectoryExists(const std::string& path);

// The per-file progress of a style-3 copy: the percentage of the file (0 for an empty file) on the
// file percentage label and, times ten, on the file bar. Returns kCopyContinue.
int OnTwoBarProgress(const JobControls& controls, std::int64_t totalBytes, std::int64_t bytesDone);

// The percentage of a whole, rounded half up; 0 for an empty whole.
std::int32_t RoundedPercent(double part, double whole);

}  // namespace tarnvel
