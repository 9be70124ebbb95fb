#include "sync/walk_support.h"

#include "sync/path_helpers.h"

namespace tarnvel {

bool SamePath(std::string_view a, std::string_view b) { return NormalisePath(a) == NormalisePath(b); }

}  // namespace tarnvel
