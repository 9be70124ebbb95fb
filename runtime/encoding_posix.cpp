// Host build of the conversions, through the C library's iconv.
#ifndef _WIN32
#include <errno.h>
#include <iconv.h>

#include "runtime/encoding.h"

namespace tarnvel {
namespace {

std::string Convert(const char* to, const char* from, std::string_view in) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return {};
  std::string out;
  char buffer[4096];
  char* src = const_cast<char*>(in.data());
  size_t left = in.size();
  while (left > 0) {
    char* dst = buffer;
    size_t room = sizeof buffer;
    const size_t rc = iconv(cd, &src, &left, &dst, &room);
    out.append(buffer, dst);
    if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
      // An unconvertible or truncated sequence: emit "?" in the target form and skip a byte.
      const std::string q = Convert(to, "ASCII", "?");
      out += q;
      ++src;
      --left;
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace

std::wstring GbkToWide(std::string_view gbk) {
  const std::string raw = Convert("WCHAR_T", "CP936", gbk);
  return std::wstring(reinterpret_cast<const wchar_t*>(raw.data()), raw.size() / sizeof(wchar_t));
}

std::string WideToGbk(std::wstring_view wide) {
  return Convert("CP936", "WCHAR_T",
                 std::string_view(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t)));
}

std::string GbkToUtf8(std::string_view gbk) { return Convert("UTF-8", "CP936", gbk); }
std::string Utf8ToGbk(std::string_view utf8) { return Convert("CP936", "UTF-8", utf8); }
std::string Utf16LeToGbk(std::string_view bytes) { return Convert("CP936", "UTF-16LE", bytes); }
std::string GbkToUtf16Le(std::string_view gbk) { return Convert("UTF-16LE", "CP936", gbk); }

std::wstring PathToWide(std::string_view gbkPath) { return GbkToWide(gbkPath); }

}  // namespace tarnvel
#endif
