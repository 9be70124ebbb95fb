#include <windows.h>

#include "sync/system_folders.h"

#include <algorithm>
#include <optional>

#include "runtime/encoding.h"
#include "sync/link_guard.h"
#include "sync/walk_roots.h"

namespace tarnvel {
namespace {

std::string FolderText(UINT (*query)(LPWSTR, UINT)) {
  wchar_t buffer[MAX_PATH + 1] = {};
  const UINT length = query(buffer, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH) return "";
  return WideToUtf8(std::wstring(buffer, length));
}

UINT WindowsFolder(LPWSTR buffer, UINT size) { return GetSystemWindowsDirectoryW(buffer, size); }
UINT System32Folder(LPWSTR buffer, UINT size) { return GetSystemDirectoryW(buffer, size); }

std::string ComputerName(COMPUTER_NAME_FORMAT format) {
  wchar_t buffer[256] = {};
  DWORD size = 256;
  if (!GetComputerNameExW(format, buffer, &size)) return "";
  return WideToUtf8(std::wstring(buffer, size));
}

// What a path opens: its identity, when it opens at all, by its full path and by the exact form
// the walk uses.
std::vector<DirectoryIdentity> IdentitiesOf(std::string_view path) {
  std::vector<DirectoryIdentity> found;
  const std::string exact = ExactDirectoryForm(path);
  for (const std::string& form : {std::string(path), exact}) {
    if (form.empty()) continue;
    if (const std::optional<DirectoryIdentity> id = IdentityOf(form)) found.push_back(*id);
  }
  return found;
}

}  // namespace

SystemLocations TheSystemLocations() {
  SystemLocations system;
  system.windowsDirectory = FolderText(WindowsFolder);
  system.systemDirectory = FolderText(System32Folder);
  const std::string& windows = system.windowsDirectory;
  if (windows.size() >= 2 && windows[1] == ':') system.driveRoot = windows.substr(0, 2) + "\\";
  for (const COMPUTER_NAME_FORMAT format :
       {ComputerNameNetBIOS, ComputerNameDnsHostname, ComputerNameDnsFullyQualified}) {
    const std::string name = ComputerName(format);
    if (!name.empty()) system.hostNames.push_back(name);
  }
  return WithOpenedIdentities(std::move(system));
}

SystemLocations WithOpenedIdentities(SystemLocations system) {
  std::vector<DirectoryIdentity> places;
  for (const std::string* place : {&system.driveRoot, &system.windowsDirectory, &system.systemDirectory}) {
    if (place->empty()) continue;
    for (const DirectoryIdentity& id : IdentitiesOf(*place)) places.push_back(id);
  }
  system.opensOneOfThem = [places](std::string_view path) {
    const std::vector<DirectoryIdentity> opened = IdentitiesOf(path);
    return std::any_of(opened.begin(), opened.end(), [&](const DirectoryIdentity& id) {
      return std::find(places.begin(), places.end(), id) != places.end();
    });
  };
  return system;
}

}  // namespace tarnvel
