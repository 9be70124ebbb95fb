// The removable-disk mode: "Tarnvel.ini" beside the program names a backup folder, and every
// start from that disk backs the program's directory up into it and ends.
#pragma once

#include <string>

namespace tarnvel {

class MainWindow;

// RunDirectory + "\Tarnvel.ini".
std::string PortableIniPath();

// Whether the file names a backup folder: a start then runs it and ends.
bool PortableModeSetUp();

// Called when the main window has been created and its settings loaded. With a backup
// folder in the file, runs the program's directory into it, hidden, and ends the program
// (true); otherwise returns false for interactive use.
bool PortableStartCheck(MainWindow& window);

// The removable-disk control: set-up while its caption reads "U 盘模式", removal otherwise.
void SetUpPortable(MainWindow& window);
void RemovePortable(MainWindow& window);

// The command that deletes the program's own file once the program has ended: the command
// interpreter tries again every second for a minute, so the running program's file is not
// tried only while it is still in use. systemKind: 3 the NT family (cmd.exe), 2 Windows
// 95/98/Me (command.com); any other kind gives "" (nothing is started).
std::string SelfRemovalCommand(int systemKind, const std::string& programPath);

}  // namespace tarnvel
