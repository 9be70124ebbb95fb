// The checks the main window makes before it accepts a task or starts a run, and the text of
// its usage notes. Platform-free: the system's own directories are handed in.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "sync/system_folders.h"

namespace tarnvel {

// A drive path ("D:\backup", "d:/backup", "D:" for the root, which a run completes) or a share
// ("\\server\share\..."): a path that does not depend on the current directory or drive.
bool IsAbsoluteJobPath(std::string_view path);

// A task row is stored as "source;target;tick|": a path holding ";" or "|" would split its
// row and be lost at the next start, so no such path becomes a row. The message, or nothing.
std::optional<std::string> TaskPathRefusal(const std::string& source, const std::string& target);

// The task dialog's OK: the message that keeps the dialog open, or nothing when the two
// boxes are accepted.
std::optional<std::string> TaskDialogRefusal(const std::string& source, const std::string& target,
                                             const SystemLocations& system);

// A run from the main window's own boxes: the status-line message that stops it before
// anything is touched, or nothing. A clean-up run never targets the system's directories.
std::optional<std::string> JobBoxesRefusal(const std::string& source, const std::string& target, bool cleanUp,
                                           const SystemLocations& system);

inline constexpr const char* kSystemDriveRefusal = kSystemFolderRefusal;

// The usage notes' text.
std::string UsageNotes();

}  // namespace tarnvel
