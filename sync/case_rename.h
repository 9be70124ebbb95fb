// A target entry whose name differs from its source's only in letter case takes the source's
// spelling. Both engines call this before they compare or copy, so that a file or folder renamed
// in the source only in case (IMG_0001.JPG to img_0001.jpg) is renamed in the target instead of
// keeping its old name for ever.
#pragma once

#include <string>

namespace tarnvel {

// Renames `directory + from` (a file, a link or a folder) to `directory + to`, where the two
// names differ only in letter case; `directory` ends with "\". The rename goes through a
// temporary name, since a file system that ignores case may take a rename to the same name in
// other letters for one with nothing to do, and report success.
//
// A folder is renamed as a whole only where the volume is seen to keep a renamed folder's
// content (a trial folder is renamed first); elsewhere its entries are moved into a temporary
// folder, the emptied folder is renamed and they are moved back, so that no entry is ever lost.
// A link (LeadsElsewhere) is never renamed. False, with the system's error as the last error,
// when it could not be done; the entry then keeps its old name where the system allows, and
// nothing is ever removed.
bool RenameToSpelling(const std::string& directory, const std::string& from, const std::string& to,
                      bool isFolder);

}  // namespace tarnvel
