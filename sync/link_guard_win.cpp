#include "sync/link_guard.h"

namespace tarnvel {

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
