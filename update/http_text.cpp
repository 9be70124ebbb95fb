#include "update/http_text.h"

#include "runtime/text.h"

namespace tarnvel {
namespace {

constexpr std::string_view kAccept =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
    "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*\r\n";

// Calls f(line) for each line of a CR LF (or LF) separated text, without its line end.
template <class F>
void ForEachLine(std::string_view text, F f) {
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    f(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
}

bool StartsWithIgnoringCase(std::string_view line, std::string_view key) {
  return line.size() >= key.size() && TextEqual(ToLower(line.substr(0, key.size())), ToLower(key));
}

}  // namespace

HttpVerb HttpVerbOf(std::string_view method) {
  const std::string upper = ToUpper(method);
  if (upper.empty() || upper == "GET") return HttpVerb::Get;
  if (upper == "POST") return HttpVerb::Post;
  return HttpVerb::Refused;
}

bool HasHeaderLine(std::string_view headers, std::string_view key) {
  bool found = false;
  ForEachLine(headers, [&](std::string_view line) { found = found || StartsWithIgnoringCase(line, key); });
  return found;
}

std::string RequestHeaders(std::string_view extraHeaders, std::string_view url, HttpVerb verb,
                           std::size_t postBytes) {
  std::string headers(extraHeaders);
  if (!headers.empty() && headers.back() != '\n') headers += "\r\n";
  if (!HasHeaderLine(headers, "Accept:")) headers += kAccept;
  if (!HasHeaderLine(headers, "Referer:")) {
    headers += "Referer: ";
    headers += url;
    headers += "\r\n";
  }
  if (!HasHeaderLine(headers, "Accept-Language:")) headers += "Accept-Language: zh-cn\r\n";
  if (verb == HttpVerb::Post && postBytes > 0) {
    if (!HasHeaderLine(headers, "Content-Type:"))
      headers += "Content-Type: application/x-www-form-urlencoded\r\n";
    headers += "Content-Length: " + std::to_string(postBytes) + "\r\n";
  }
  return headers;
}

std::optional<std::uint64_t> ContentLengthOf(std::string_view rawHeaders) {
  constexpr std::string_view kKey = "Content-Length:";
  std::optional<std::uint64_t> length;
  bool seen = false;
  ForEachLine(rawHeaders, [&](std::string_view line) {
    // The header block ends at its first empty line; what follows is the body.
    if (line.empty()) seen = true;
    if (seen || !StartsWithIgnoringCase(line, kKey)) return;
    seen = true;
    line.remove_prefix(kKey.size());
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    if (line.empty() || line.size() > 19) return;
    std::uint64_t value = 0;
    for (char c : line) {
      if (c < '0' || c > '9') return;
      value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    length = value;
  });
  return length;
}

std::vector<ResponseCookie> SetCookieLines(std::string_view rawHeaders) {
  constexpr std::string_view kKey = "Set-Cookie:";
  std::vector<ResponseCookie> cookies;
  ForEachLine(rawHeaders, [&](std::string_view line) {
    if (!StartsWithIgnoringCase(line, kKey)) return;
    line.remove_prefix(kKey.size());
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    // A CR inside the line would end it for some readers and not for others: no cookie.
    if (line.find('\r') != std::string_view::npos) return;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos || equals == 0) return;
    cookies.push_back({std::string(line.substr(0, equals)), std::string(line.substr(equals + 1))});
  });
  return cookies;
}

}  // namespace tarnvel
