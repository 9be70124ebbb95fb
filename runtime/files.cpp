// The platform-free rules of the file operations.
#include <random>
#include <string>
#include <vector>

#include "runtime/encoding.h"
#include "runtime/files.h"

namespace tarnvel {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The path's components after "." and ".." have been resolved; ".." never climbs above the
// start.
std::vector<std::string> ResolvedComponents(std::string_view rest) {
  std::vector<std::string> parts;
  std::string part;
  auto flush = [&] {
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    part.clear();
  };
  for (std::size_t i = 0; i < rest.size(); ++i) {
    if (IsSeparator(rest[i])) {
      flush();
    } else {
      part += rest[i];
    }
  }
  flush();
  return parts;
}

}  // namespace

namespace {
std::mt19937& NameGenerator() {
  static thread_local std::mt19937 generator{std::random_device{}()};
  return generator;
}
}  // namespace

void RepeatTemporaryNames(std::uint32_t seed) { NameGenerator().seed(seed); }

std::string TemporaryFileName() {
  static constexpr char kHex[] = "0123456789abcdef";
  std::uint32_t value = NameGenerator()();
  std::string name = "~tv";
  for (int i = 0; i < 8; ++i, value >>= 4) name += kHex[value & 0xF];
  return name + ".tmp";
}

bool IsProtectedRoot(std::string_view path) {
  const std::size_t first = path.find_first_not_of(' ');
  if (first == std::string_view::npos) return true;
  std::string p = CollapseSeparators(path.substr(first));
  // The \\?\ forms name the same places: \\?\C:\ is C:\, \\?\UNC\s\h is \\s\h. Device paths
  // (\\.\...) are never a directory tree to clean.
  if (p.rfind("\\\\.\\", 0) == 0) return true;
  if (p.rfind("\\\\?\\UNC\\", 0) == 0) {
    p = "\\\\" + p.substr(8);
  } else if (p.rfind("\\\\?\\", 0) == 0) {
    p = p.substr(4);
  }
  if (p.rfind("\\\\", 0) == 0) {
    // A share: \\server\share is its root; the tree starts below it.
    return ResolvedComponents(std::string_view(p).substr(2)).size() <= 2;
  }
  if (p.size() >= 2 && IsDriveLetter(p[0]) && p[1] == ':') {
    // "X:" alone, "X:\" and anything that resolves back to the drive root.
    return ResolvedComponents(std::string_view(p).substr(2)).empty();
  }
  // "\" (the current drive's root) and relative paths that resolve to nothing, such as ".".
  return ResolvedComponents(p).empty();
}

}  // namespace tarnvel
