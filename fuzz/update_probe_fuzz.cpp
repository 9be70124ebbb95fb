// The probe's answer and the update URL: any first arrival either leaves the length alone (and
// then held no "Content-Type:" or no length) or sets it; any URL the probe accepts gives a request
// that starts with its request line and ends with one blank line.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/property_check.h"
#include "update/update_texts.h"

using namespace tarnvel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::int64_t remoteLength = -12345;
  const bool set = ParseProbeResponse(input, remoteLength);
  if (!set && remoteLength != -12345) PROPERTY_BROKEN();
  if (set && input.find("Content-Type:") == std::string_view::npos) PROPERTY_BROKEN();

  const std::string url = CompleteUpdateUrl(input);
  if (const auto target = ProbeTargetOf(url)) {
    if (target->host.empty() || target->port <= 0 || target->port > 65535) PROPERTY_BROKEN();
    if (target->refererHost.find('/') != std::string::npos) PROPERTY_BROKEN();
    const std::string request = ProbeRequestText(url, *target);
    if (request.rfind("GET " + url + " HTTP/1.0\r\n", 0) != 0) PROPERTY_BROKEN();
    if (request.size() < 4 || request.substr(request.size() - 4) != "\r\n\r\n") PROPERTY_BROKEN();
  }
  const std::string version = LatestVersionFromPage(input);
  if (VersionIsOffered(version) && !IsVersionText(version)) PROPERTY_BROKEN();
  return 0;
}
