// Pieces of an HTTP URL, as the request module needs them to connect: the host (with or
// without its port), the path with its query, and the port. Platform-free, byte-wise on UTF-8.
//
//   UrlHost("http://Example.COM:8080/a/b?c=1")        -> "example.com"
//   UrlHost("http://Example.COM:8080/a/b?c=1", true)  -> "example.com:8080"
//   UrlPath("http://Example.COM:8080/a/b?c=1")        -> "/a/b?c=1"
//   UrlPort("http://Example.COM:8080/a/b?c=1")        -> 8080
//
// The scheme is the first "http://" or "https://" (any letter case) in the URL and the host follows
// it; without one the URL starts with the host. The default port is 80 (443 after "https://").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarnvel {

// The host in lower case: from after the scheme up to the first "/" (or the end); without
// keepPort it is cut at its first ":".
std::string UrlHost(std::string_view url, bool keepPort = false);
// Everything from the first "/" after the host's start to the end, query included; "/" when
// there is none.
std::string UrlPath(std::string_view url);
// The number after the host's ":" (as ToInteger reads it: leading digits, 0 for none), or the
// scheme's default port when the host has no ":".
std::int32_t UrlPort(std::string_view url);
// True when the scheme found is "https://".
bool UrlIsSecure(std::string_view url);

}  // namespace tarnvel
