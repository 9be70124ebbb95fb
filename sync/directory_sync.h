// The directory synchroniser: the source tree's directories mirrored into the target.
#pragma once

#include <string>

namespace tarnvel {

class SyncEngine;

// Walks the source tree below `path` (the job's source root; a "\" is appended when missing,
// in the caller's text too) depth first, pre-order: creates the target root with its parents,
// then for every subdirectory creates its missing target counterpart with the source's
// attributes, synchronises its files and descends. Directories whose names begin with "." are
// passed over, and so are the target root when it lies inside the source and, when the source
// lies inside the target, the directory whose counterpart is the source root; a directory link is
// followed unless it leads back into the walk. The root's own files are not handled here.
void SyncDirectoryTree(SyncEngine& engine, std::string& path);

}  // namespace tarnvel
