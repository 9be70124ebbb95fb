// The checks the main window makes before it accepts a task or starts a run, and the text of
// its usage notes. Platform-free: the system's own directories are handed in.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarnvel {

// Where the running system lives, as the system reports it: the root of its drive ("C:\"),
// its Windows directory and its System32.
struct SystemLocations {
  std::string driveRoot;
  std::string windowsDirectory;
  std::string systemDirectory;
};

// A drive path ("D:\backup", "d:/backup", "D:" for the root, which a run completes) or a share
// ("\\server\share\..."): a path that does not depend on the current directory or drive.
bool IsAbsoluteJobPath(std::string_view path);

// The system drive's root, the Windows directory or System32, in any letter case, with or
// without a trailing separator, "/" taken as "\".
bool IsSystemLocation(std::string_view path, const SystemLocations& system);

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

inline constexpr char kSystemDriveRefusal[] = "路径不能为系统盘";

// The usage notes' text.
std::string UsageNotes();

}  // namespace tarnvel
