// URL pieces and the request texts: any input gives a lower-case host without "/", a path that
// starts with "/" and is the URL's own tail, header text whose default lines are all there, and
// cookies whose names are non-empty and hold no "=".
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/property_check.h"
#include "update/http_text.h"
#include "update/url.h"

using namespace tarnvel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view url(reinterpret_cast<const char*>(data), size);
  const std::string host = UrlHost(url), hostWithPort = UrlHost(url, true);
  for (char c : hostWithPort) {
    if (c == '/' || (c >= 'A' && c <= 'Z')) PROPERTY_BROKEN();
  }
  if (host.find(':') != std::string::npos) PROPERTY_BROKEN();
  if (hostWithPort.rfind(host, 0) != 0) PROPERTY_BROKEN();
  const std::string path = UrlPath(url);
  if (path.empty() || path[0] != '/') PROPERTY_BROKEN();
  if (path != "/" && (path.size() > url.size() || url.substr(url.size() - path.size()) != path))
    PROPERTY_BROKEN();
  if (hostWithPort.find(':') == std::string::npos) {
    if (UrlPort(url) != (UrlIsSecure(url) ? 443 : 80)) PROPERTY_BROKEN();
  }

  const std::string headers = RequestHeaders(url, "u", HttpVerb::Post, size);
  if (size > 0 && headers.substr(headers.size() - 2) != "\r\n") PROPERTY_BROKEN();
  for (std::string_view key : {"Accept:", "Referer:", "Accept-Language:", "Content-Type:"}) {
    if ((size > 0 || key != "Content-Type:") && !HasHeaderLine(headers, key)) PROPERTY_BROKEN();
  }
  for (const ResponseCookie& cookie : SetCookieLines(url)) {
    if (cookie.name.empty() || cookie.name.find('=') != std::string::npos) PROPERTY_BROKEN();
    if (cookie.name.find('\n') != std::string::npos || cookie.value.find('\n') != std::string::npos)
      PROPERTY_BROKEN();
  }
  return 0;
}
