// The settings store's registry side.
#include "runtime/registry.h"
#include "ui/settings_store.h"

namespace tarnvel {

RegistrySettings RegistrySettings::Open(int machineRoot, int userRoot) {
  return RegistrySettings(machineRoot, userRoot, RegKeyWritable(machineRoot, kProductKey));
}

RegistrySettings::RegistrySettings(int machineRoot, int userRoot, bool machineWritable)
    : machineRoot_(machineRoot), userRoot_(userRoot), machineWritable_(machineWritable) {}

std::string RegistrySettings::Read(const std::string& path) const {
  if (!machineWritable_ && RegExists(userRoot_, path)) return RegReadText(userRoot_, path);
  return RegReadText(machineRoot_, path);
}

bool RegistrySettings::Write(const std::string& path, const std::string& text) {
  return RegWrite(machineWritable_ ? machineRoot_ : userRoot_, path, text);
}

}  // namespace tarnvel
