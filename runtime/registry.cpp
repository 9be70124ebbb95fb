// The portable half of the registry operations: root numbers and path splitting.
#include "runtime/registry.h"

namespace tarnvel {

RegistryRoot RegistryRootOf(int root) {
  switch (root) {
    case kRegClassesRoot:
      return RegistryRoot::ClassesRoot;
    case kRegCurrentConfig:
      return RegistryRoot::CurrentConfig;
    case kRegLocalMachine:
      return RegistryRoot::LocalMachine;
    case kRegUsers:
      return RegistryRoot::Users;
    default:
      return RegistryRoot::CurrentUser;
  }
}

RegistryPath SplitRegistryPath(std::string_view path) {
  // Walk forward so that a trail byte of 0x5C inside a double-byte character is never taken
  // for a separator.
  std::size_t lastSeparator = std::string_view::npos;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const auto byte = static_cast<unsigned char>(path[i]);
    if (byte >= 0x80 && i + 1 < path.size() && path[i + 1] != '\0') {
      ++i;
    } else if (byte == '\\') {
      lastSeparator = i;
    }
  }
  if (lastSeparator == std::string_view::npos) return {std::string(), std::string(path)};
  return {std::string(path.substr(0, lastSeparator)), std::string(path.substr(lastSeparator + 1))};
}

}  // namespace tarnvel
