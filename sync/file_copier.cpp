#include "sync/file_copier.h"

#include <random>

namespace tarnvel {

std::string TemporaryCopyName() {
  static thread_local std::mt19937 generator{std::random_device{}()};
  static constexpr char kHex[] = "0123456789abcdef";
  std::uint32_t value = generator();
  std::string name = "~tv";
  for (int i = 0; i < 8; ++i, value >>= 4) name += kHex[value & 0xF];
  return name + ".tmp";
}

bool LooksLikeTemporaryCopyName(std::string_view name) {
  if (name.size() != 15 || name.substr(0, 3) != "~tv" || name.substr(11) != ".tmp") return false;
  for (const char c : name.substr(3, 8)) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

}  // namespace tarnvel
