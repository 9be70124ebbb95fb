// The file synchroniser: one source directory's own files into its target counterpart.
#pragma once

#include <string>

namespace tarnvel {

class SyncEngine;
class DirectoryListing;

// Brings the files of the source directory `path` (a "\" is appended when missing, in the
// caller's text too) into the target directory that the job's roots map it to: every file
// whose target is not current (size or last-write millisecond differ, or missing) is replaced,
// and the copied-files log, the counters and the status line say so. Subdirectories are not
// entered.
void SyncFilesOfDirectory(SyncEngine& engine, std::string& path);

// The same for a directory whose listing the caller already holds, and with the target
// directory's listing too.
void SyncListedFiles(SyncEngine& engine, const std::string& path, const DirectoryListing& source);
void SyncListedFiles(SyncEngine& engine, const std::string& path, const DirectoryListing& source,
                     const DirectoryListing& target);

}  // namespace tarnvel
