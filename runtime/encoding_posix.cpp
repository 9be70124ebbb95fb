// Host build of the GBK tables (the C library's iconv) and of the path form.
#ifndef _WIN32
#include <errno.h>
#include <iconv.h>

#include "runtime/encoding.h"

namespace tarnvel {
namespace {

// All or nothing: an unconvertible or cut-off sequence fails the whole conversion.
std::optional<std::string> Convert(const char* to, const char* from, std::string_view in) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out;
  char buffer[4096];
  char* src = const_cast<char*>(in.data());
  size_t left = in.size();
  bool ok = true;
  while (left > 0) {
    char* dst = buffer;
    size_t room = sizeof buffer;
    const size_t rc = iconv(cd, &src, &left, &dst, &room);
    out.append(buffer, dst);
    if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
      ok = false;
      break;
    }
  }
  iconv_close(cd);
  if (!ok) return std::nullopt;
  return out;
}

}  // namespace

std::optional<std::u16string> GbkToUtf16Strict(std::string_view gbk) {
  const auto le = Convert("UTF-16LE", "CP936", gbk);
  if (!le) return std::nullopt;
  std::u16string out(le->size() / 2, u'\0');
  for (std::size_t k = 0; k < out.size(); ++k) {
    out[k] = static_cast<char16_t>(static_cast<unsigned char>((*le)[2 * k]) |
                                   (static_cast<unsigned char>((*le)[2 * k + 1]) << 8));
  }
  return out;
}

std::optional<std::string> Utf16ToGbkStrict(std::u16string_view utf16) {
  std::string le;
  le.reserve(utf16.size() * 2);
  for (std::size_t k = 0; k < utf16.size(); ++k) {
    const char16_t u = utf16[k];
    if (u >= 0xD800 && u <= 0xDFFF) {
      // A pair is fine for iconv; a lone half has no GBK form.
      const bool high = u <= 0xDBFF;
      const bool paired = high ? k + 1 < utf16.size() && utf16[k + 1] >= 0xDC00 && utf16[k + 1] <= 0xDFFF
                               : k > 0 && utf16[k - 1] >= 0xD800 && utf16[k - 1] <= 0xDBFF;
      if (!paired) return std::nullopt;
    }
    le += static_cast<char>(u & 0xFF);
    le += static_cast<char>(u >> 8);
  }
  return Convert("CP936", "UTF-16LE", le);
}

std::wstring PathToWide(std::string_view path) {
  auto wide = Utf8ToWideExact(path);
  return wide ? std::move(*wide) : std::wstring();
}

}  // namespace tarnvel
#endif
