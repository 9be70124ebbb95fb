// Keeps a walk that follows directory links from running round in circles: the directories of
// the current descent, each known by the file system's identity once a link makes it matter.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarnvel {

// A directory as the file system knows it, whatever path leads there.
struct DirectoryIdentity {
  std::uint32_t volume = 0;
  std::uint64_t index = 0;
  friend bool operator==(const DirectoryIdentity&, const DirectoryIdentity&) = default;
};

// Follows links; nothing for a path that cannot be opened.
std::optional<DirectoryIdentity> IdentityOf(const std::string& directory);

class AncestorChain {
 public:
  // `excluded` is a directory the walk must never enter by any path (the other tree's root).
  explicit AncestorChain(std::string excluded = {}) : excluded_{std::move(excluded), false, std::nullopt} {}

  void Push(const std::string& directory) { levels_.push_back({directory, false, std::nullopt}); }
  void Pop() { levels_.pop_back(); }

  // True when the link leads to a directory of the current descent (or to the excluded one),
  // or cannot be opened at all: walking it would never end, or would walk the other tree.
  bool LeadsBack(const std::string& link);

 private:
  struct Level {
    std::string path;
    bool known = false;
    std::optional<DirectoryIdentity> identity;
  };
  static const std::optional<DirectoryIdentity>& IdentityOfLevel(Level& level);

  std::vector<Level> levels_;
  Level excluded_;
};

}  // namespace tarnvel
