// The names of the versions folder's run folders and the stored day count, as read from a disk
// and from the registry: a name that reads as a run's start gives that name back, and any day
// text gives a usable count.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "fuzz/property_check.h"
#include "sync/kept_versions.h"

using namespace tarnvel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (const auto made = RunFolderTime(text)) {
    if (RunFolderName(*made) != text) PROPERTY_BROKEN();
  }
  const int days = KeepDaysFromText(text);
  if (days < 0 || days > kMaxKeepDays) PROPERTY_BROKEN();
  return 0;
}
