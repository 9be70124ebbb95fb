// An in-memory settings backend that records every read and write in order.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "ui/settings_store.h"

namespace tarnvel::test {

class MemorySettings : public SettingsBackend {
 public:
  std::string Read(const std::string& path) const override {
    reads.push_back(path);
    const auto it = values.find(path);
    return it == values.end() ? std::string() : it->second;
  }
  bool Write(const std::string& path, const std::string& text) override {
    writes.push_back(path);
    if (refuseWrites) return false;
    values[path] = text;
    return true;
  }

  std::map<std::string, std::string> values;
  mutable std::vector<std::string> reads;
  std::vector<std::string> writes;
  bool refuseWrites = false;
};

}  // namespace tarnvel::test
