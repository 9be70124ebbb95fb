#include <windows.h>

#include "sync/link_guard.h"

#include "runtime/encoding.h"

namespace tarnvel {

std::optional<DirectoryIdentity> IdentityOf(const std::string& directory) {
  // Opening for no access with backup semantics opens a directory (through any link) without
  // touching its content.
  HANDLE h = CreateFileW(PathToWide(directory).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info;
  const BOOL ok = GetFileInformationByHandle(h, &info);
  CloseHandle(h);
  if (!ok) return std::nullopt;
  return DirectoryIdentity{info.dwVolumeSerialNumber,
                           (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

const std::optional<DirectoryIdentity>& AncestorChain::IdentityOfLevel(Level& level) {
  if (!level.known && !level.path.empty()) level.identity = IdentityOf(level.path);
  level.known = true;
  return level.identity;
}

bool AncestorChain::LeadsBack(const std::string& link) {
  const std::optional<DirectoryIdentity> target = IdentityOf(link);
  if (!target) return true;
  if (IdentityOfLevel(excluded_) == target) return true;
  for (Level& level : levels_) {
    if (IdentityOfLevel(level) == target) return true;
  }
  return false;
}

}  // namespace tarnvel
