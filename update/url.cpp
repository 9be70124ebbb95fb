#include "update/url.h"

#include "runtime/convert.h"
#include "runtime/text.h"

namespace tarnvel {
namespace {

constexpr std::string_view kHttp = "http://";
constexpr std::string_view kHttps = "https://";

struct Scheme {
  std::int32_t hostStart = 1;  // 1-based
  bool secure = false;
};

// The first scheme text in the URL, wherever it stands and in any letter case ("HTTP://" is
// the same scheme); the host follows it.
Scheme FindScheme(std::string_view url) {
  const std::int32_t secure = FindText(url, kHttps, 1, true);
  const std::int32_t plain = FindText(url, kHttp, 1, true);
  if (plain > 0 && (secure < 0 || plain < secure))
    return {plain + static_cast<std::int32_t>(kHttp.size()), false};
  if (secure > 0) return {secure + static_cast<std::int32_t>(kHttps.size()), true};
  return {};
}

std::int32_t HostStart(std::string_view url) { return FindScheme(url).hostStart; }

}  // namespace

bool UrlIsSecure(std::string_view url) { return FindScheme(url).secure; }

std::string UrlHost(std::string_view url, bool keepPort) {
  const std::int32_t start = HostStart(url);
  const std::int32_t slash = FindText(url, "/", start);
  const std::int32_t end = slash > 0 ? slash : TextLength(url) + 1;
  std::string host = MidText(url, start, end - start);
  if (!keepPort) {
    const std::int32_t colon = FindText(host, ":");
    if (colon > 0) host = LeftText(host, colon - 1);
  }
  return ToLower(host);
}

std::string UrlPath(std::string_view url) {
  // The slash is searched from where the host starts: searching for the host's text could
  // find it inside the scheme first ("http://t/x" would give "//t/x").
  const std::int32_t slash = FindText(url, "/", HostStart(url));
  if (slash < 0) return "/";
  return std::string(url.substr(static_cast<std::size_t>(slash - 1)));
}

std::int32_t UrlPort(std::string_view url) {
  const std::string host = UrlHost(url, true);
  const std::int32_t colon = FindText(host, ":");
  if (colon < 0) return UrlIsSecure(url) ? 443 : 80;
  return ToInteger(std::string_view(host).substr(static_cast<std::size_t>(colon)));
}

}  // namespace tarnvel
