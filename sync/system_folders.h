// The system's own folders, which no clean-up may ever target: the root of the system drive,
// the Windows folder and System32. A path is compared by the place it opens, never by how it is
// written: "C:\Windows.", "C:/./Windows", "C:\Program Files\..\Windows", "\\?\C:\Windows" and
// "\\localhost\C$\Windows" are all the Windows folder.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnvel {

// Where the running system lives, as the system reports it.
struct SystemLocations {
  std::string driveRoot;         // "C:\"
  std::string windowsDirectory;  // "C:\Windows"
  std::string systemDirectory;   // "C:\Windows\System32"
  // The names under which this computer's own shares are reached, besides "localhost", "." and
  // the loopback addresses (its host and NetBIOS names).
  std::vector<std::string> hostNames;
  // Whether a path opens one of the three folders (by identity: volume serial and file ID,
  // through any link or short name). Filled by the Windows build; empty, only the path's text
  // decides.
  std::function<bool(std::string_view)> opensOneOfThem;
};

// What a refused target is told with.
inline constexpr char kSystemFolderRefusal[] = "路径不能为系统盘";

// A drive path as Windows resolves it, in one spelling: "x:\a\b" with ASCII letters in lower
// case. The device prefixes "\\?\", "\\.\" and "\??\" are dropped; an administrative share of
// this computer ("\\localhost\C$\...", "\\127.0.0.1\c$", "\\?\UNC\<host>\C$") is its drive;
// "/" is "\", runs of separators are one, "." is dropped, ".." takes the folder before it
// (never the drive), trailing dots and blanks of every name are dropped, and "X:" alone is the
// drive's root. "" when the path names no place on a drive (another computer's share, a
// drive-relative or relative path). Platform-free.
std::string ResolvedDrivePath(std::string_view path, const std::vector<std::string>& hostNames = {});

// True when the path is one of the three folders: by the resolved text, and by what it opens
// when the system's check is there.
bool IsSystemLocation(std::string_view path, const SystemLocations& system);

// The three folders as the running system reports them, with the check of what a path opens.
// Windows build only.
SystemLocations TheSystemLocations();

// The same check of what a path opens for other folders (tests stand a folder of their own in
// for the system's). Windows build only.
SystemLocations WithOpenedIdentities(SystemLocations system);

}  // namespace tarnvel
