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
  // No byte of a multi-byte UTF-8 character is 0x5C, so the last "\" byte is the separator.
  const std::size_t lastSeparator = path.rfind('\\');
  if (lastSeparator == std::string_view::npos) return {std::string(), std::string(path)};
  return {std::string(path.substr(0, lastSeparator)), std::string(path.substr(lastSeparator + 1))};
}

}  // namespace tarnvel
