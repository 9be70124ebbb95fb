#include "runtime/encoding.h"

namespace tarnvel {

std::string CollapseSeparators(std::string_view path) {
  std::string out;
  out.reserve(path.size());
  size_t i = 0;
  if (path.size() >= 2 && (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/')) {
    out += "\\\\";
    i = 2;
  }
  bool lastWasSeparator = false;
  for (; i < path.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(path[i]);
    if (c >= 0x80 && i + 1 < path.size()) {  // a GBK pair: its trail byte may be 0x5C
      out += path[i];
      out += path[++i];
      lastWasSeparator = false;
      continue;
    }
    const bool separator = c == '\\' || c == '/';
    if (separator && lastWasSeparator) continue;
    out += separator ? '\\' : path[i];
    lastWasSeparator = separator;
  }
  return out;
}

}  // namespace tarnvel
