// The system-folder guard against a model of how Windows resolves a drive path: a place spelt
// with any mix of device prefixes, this computer's administrative share, "/" for "\", doubled
// separators, "." and "name\..", trailing dots and blanks and letter case is the system drive's
// root, the Windows folder or System32 exactly when the place is.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/property_check.h"
#include "sync/system_folders.h"

using namespace tarnvel;

namespace {

struct Place {
  std::vector<std::string> names;  // below the drive "C:"
  bool system;
};

const Place kPlaces[] = {{{}, true},
                         {{"Windows"}, true},
                         {{"Windows", "System32"}, true},
                         {{"Windows", "Fonts"}, false},
                         {{"Windowsx"}, false},
                         {{"Program Files"}, false},
                         {{"Windows", "System32", "drivers"}, false}};

const char* const kPrefixes[] = {"C:",
                                 "c:",
                                 "\\\\?\\C:",
                                 "\\\\.\\c:",
                                 "\\??\\C:",
                                 "\\\\localhost\\C$",
                                 "\\\\127.0.0.1\\c$",
                                 "\\\\?\\UNC\\LOCALHOST\\C$",
                                 "//localhost/c$",
                                 "\\\\host9\\C$"};
const char* const kSeparators[] = {"\\", "/", "\\\\", "\\.\\", "/./", "\\x\\..\\", "\\Program Files\\..\\"};
const char* const kTails[] = {"", ".", " ", ". .", "..."};

// Takes the next byte of the input, 0 once it is used up.
struct Bytes {
  std::string_view data;
  unsigned Next() {
    if (data.empty()) return 0;
    const unsigned byte = static_cast<unsigned char>(data.front());
    data.remove_prefix(1);
    return byte;
  }
};

std::string Flip(std::string name, unsigned mask) {
  for (std::size_t i = 0; i < name.size(); ++i) {
    char& c = name[i];
    if ((mask >> (i % 8)) & 1)
      c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c >= 'A' && c <= 'Z' ? c + 32 : c);
  }
  return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes in{std::string_view(reinterpret_cast<const char*>(data), size)};
  const Place& place = kPlaces[in.Next() % std::size(kPlaces)];
  std::string path = kPrefixes[in.Next() % std::size(kPrefixes)];
  for (const std::string& name : place.names) {
    path += kSeparators[in.Next() % std::size(kSeparators)];
    path += Flip(name, in.Next()) + kTails[in.Next() % std::size(kTails)];
  }
  if (in.Next() & 1) path += kSeparators[in.Next() % 2];
  const SystemLocations system{"C:\\", "C:\\Windows", "C:\\Windows\\System32", {"host9"}, {}};
  if (IsSystemLocation(path, system) != place.system) PROPERTY_BROKEN();
  // Whatever else the input holds: the guard answers, and a resolved path is one spelling of
  // itself.
  const std::string rest(in.data);
  const std::string resolved = ResolvedDrivePath(rest, system.hostNames);
  if (!resolved.empty() && ResolvedDrivePath(resolved) != resolved) PROPERTY_BROKEN();
  IsSystemLocation(rest, system);
  return 0;
}
