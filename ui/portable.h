// The removable-disk mode: "Tarnvel.ini" beside the program names a backup folder, and every
// start from that disk backs the program's directory up into it and ends.
#pragma once

#include <optional>
#include <string>

namespace tarnvel {

class MainWindow;

// RunDirectory + "\Tarnvel.ini".
std::string PortableIniPath();

// Whether the file names a backup folder: a start then runs it and ends.
bool PortableModeSetUp();

// The clean-up of a run from the disk by the file's "EC" value: "1" removes what the disk no
// longer holds; any other value given (an explicit "0") never removes; only a missing or blank
// value leaves the computer's own clean-up switch as it is (nothing).
std::optional<bool> PortableCleanUp(const std::string& ecValue);

// The name of the lock that two starts backing up into one folder share, made from the
// folder's full path (separators at its end and ASCII letter case do not count).
std::string BackupFolderLockName(const std::string& fullPath);

// Called when the main window has been created and its settings loaded. With a backup
// folder in the file, runs the program's directory into it, hidden, and ends the program
// (true); otherwise returns false for interactive use. The run takes the disk's job alone,
// whatever the task list holds; the computer's stored settings stay as they were. A second
// start into the same backup folder waits until the first has ended.
bool PortableStartCheck(MainWindow& window);

// The removable-disk control: set-up while its caption reads "U 盘模式", removal otherwise.
void SetUpPortable(MainWindow& window);
void RemovePortable(MainWindow& window);

// The removal of the program's own file once the program has ended. On the NT family a small
// batch does it: plain ASCII, it takes the path from the environment variable
// kSelfRemovalVariable, put in by delayed expansion (cmd would expand "%i" or "%NAME%" in a path
// written on its command line, in a "for" loop, or put in by percent expansion), tries every second for
// ten minutes while the running program's file is still in use, then deletes itself.
inline constexpr char kSelfRemovalVariable[] = "TARNVEL_SELF_REMOVAL";
std::string SelfRemovalBatch();
// The command line for a system kind: 3 the NT family, cmd.exe running the batch (by its name,
// from its own folder); 2 Windows 95/98/Me, command.com deleting the quoted path; any other kind
// gives "" (nothing is started).
std::string SelfRemovalCommand(int systemKind, const std::string& programPath, const std::string& batchName);
// Writes the batch into the temporary folder and starts it hidden, without waiting. False when
// nothing could be started. Windows build only.
bool StartSelfRemoval(const std::string& programPath);

}  // namespace tarnvel
