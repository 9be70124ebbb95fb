#include "sync/walk_support.h"

#include "sync/path_helpers.h"

namespace tarnvel {

bool IsJoinableName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  return name.find_first_of(std::string_view("\\/:\0", 4)) == std::string_view::npos;
}

bool SamePath(std::string_view a, std::string_view b) { return NormalisePath(a) == NormalisePath(b); }

}  // namespace tarnvel
