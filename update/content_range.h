// The value of an HTTP "Content-Range" header of a byte range answer:
//   "bytes 30000-50479/100000"   a part of the file: first and last offset, total size
//   "bytes 0-99/*"               a part of a file whose total size the server does not say
//   "bytes */100000"             no part (the answer to a range past the end): the total only
// The unit is matched without regard to letter case; blanks and tabs around the value are
// allowed, nothing else is.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tarnvel {

struct ContentRange {
  bool hasPart = false;     // "first-last" given; false for "*/total"
  std::int64_t first = 0;   // with hasPart
  std::int64_t last = 0;    // with hasPart: first <= last, and last < total when the total is known
  std::int64_t total = -1;  // -1 when the server wrote "*"
};

// The parsed value, or nothing when it is not one of the forms above (or a number has more
// than 18 digits).
std::optional<ContentRange> ParseContentRange(std::string_view value);

}  // namespace tarnvel
