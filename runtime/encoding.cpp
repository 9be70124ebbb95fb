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

std::string_view LastPathComponent(std::string_view path) {
  std::size_t begin = 0, lastBegin = 0, lastEnd = 0;
  for (std::size_t i = 0; i < path.size();) {
    const unsigned char c = static_cast<unsigned char>(path[i]);
    if (c == '\\' || c == '/') {
      begin = ++i;
      continue;
    }
    i += c >= 0x80 && i + 1 < path.size() ? 2 : 1;  // a GBK pair: its trail byte may be 0x5C
    lastBegin = begin;
    lastEnd = i;
  }
  return path.substr(lastBegin, lastEnd - lastBegin);
}

bool IsVanishingName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  return name.find_first_not_of(". ") == std::string_view::npos;
}

}  // namespace tarnvel
