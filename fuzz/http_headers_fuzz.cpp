// A response's header block: the update probe and the download read one Content-Length the same
// way, a plain number of the header block; every cookie has a name without "=" and no line end
// in its name or value.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz/property_check.h"
#include "update/http_text.h"
#include "update/update_texts.h"

using namespace tarnvel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::optional<std::uint64_t> announced = ContentLengthOf(input);
  std::int64_t probed = -12345;
  const bool set = ParseProbeResponse(input, probed);
  if (input.find("Content-Type:") != std::string_view::npos && announced && *announced <= INT64_MAX) {
    PROPERTY(set && static_cast<std::uint64_t>(probed) == *announced);
  } else {
    PROPERTY(!set && probed == -12345);
  }
  // The number stands in the header block, before its first empty line.
  if (announced) {
    std::size_t end = input.find("\n\n");
    end = std::min(end, input.find("\n\r\n"));
    PROPERTY(input.substr(0, end).find(std::to_string(*announced)) != std::string_view::npos);
  }
  for (const ResponseCookie& cookie : SetCookieLines(input)) {
    PROPERTY(!cookie.name.empty() && cookie.name.find('=') == std::string::npos);
    PROPERTY(cookie.name.find_first_of("\r\n") == std::string::npos);
    PROPERTY(cookie.value.find_first_of("\r\n") == std::string::npos);
  }
  return 0;
}
