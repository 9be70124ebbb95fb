// The texts of an HTTP request that do not need the network: the request headers the module
// adds to the caller's, the verb a method text stands for, and the cookies of a response's
// Set-Cookie lines. Platform-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnvel {

enum class HttpVerb { Get, Post, Refused };

// Empty or "GET" in any letter case: Get; "POST" in any letter case: Post; else Refused.
HttpVerb HttpVerbOf(std::string_view method);

// True when one of the header lines starts with `key` (e.g. "Referer:"), ignoring case.
bool HasHeaderLine(std::string_view headers, std::string_view key);

// The caller's extra header lines (a last line without its "\r\n" gets one), followed by each
// default line whose key the text does not yet hold, in this order: Accept, Referer (the URL as
// given), Accept-Language. A POST with a non-empty body then gets a Content-Type line unless one
// is there, and always its Content-Length.
std::string RequestHeaders(std::string_view extraHeaders, std::string_view url, HttpVerb verb,
                           std::size_t postBytes);

// The value of the first "Content-Length:" line of a raw header block (any letter case), when it
// is a decimal number; nothing when there is no such line or its value is not a number. The
// block ends at its first empty line (a response's body is not read).
std::optional<std::uint64_t> ContentLengthOf(std::string_view rawHeaders);

struct ResponseCookie {
  std::string name;
  std::string value;  // everything after the first "=", attributes (path, expiry) included
};

// The cookies of the lines of a raw header block that start with "Set-Cookie:" (any letter
// case; the blanks after the colon are skipped). A line without "=" names no cookie and is left
// out, and so is one whose name is empty, and one holding a CR that does not end it.
std::vector<ResponseCookie> SetCookieLines(std::string_view rawHeaders);

}  // namespace tarnvel
