#include "sync/walk_support.h"

#include "sync/path_helpers.h"

namespace tarnvel {

bool IsJoinableName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  return name.find_first_of(std::string_view("\\/:\0", 4)) == std::string_view::npos;
}

bool IsTemporaryFileName(std::string_view name) {
  constexpr std::string_view kPrefix = "~tv", kSuffix = ".tmp";
  constexpr std::size_t kDigits = 8;
  if (name.size() != kPrefix.size() + kDigits + kSuffix.size()) return false;
  if (name.substr(0, kPrefix.size()) != kPrefix || name.substr(kPrefix.size() + kDigits) != kSuffix)
    return false;
  for (const char c : name.substr(kPrefix.size(), kDigits)) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

bool IsTemporaryFilePath(std::string_view path) {
  const std::size_t cut = path.find_last_of("\\/");
  return IsTemporaryFileName(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

bool SamePath(std::string_view a, std::string_view b) { return NormalisePath(a) == NormalisePath(b); }

}  // namespace tarnvel
