// The portable conversions: UTF-8 / WTF-8 and UTF-16, GBK through the platform's tables, and
// the separator rules of paths.
#include "runtime/encoding.h"

#include <cstdint>

namespace tarnvel {
namespace {

unsigned char Byte(std::string_view s, std::size_t i) { return static_cast<unsigned char>(s[i]); }

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

bool IsHighSurrogate(std::uint32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(std::uint32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// The code point of the sequence of length n (from Utf8SequenceLength) at i.
std::uint32_t DecodeAt(std::string_view s, std::size_t i, std::size_t n) {
  const unsigned char lead = Byte(s, i);
  if (n == 1) return lead;
  std::uint32_t cp = lead & (0x7F >> n);
  for (std::size_t k = 1; k < n; ++k) cp = (cp << 6) | (Byte(s, i + k) & 0x3F);
  return cp;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

template <typename Unit>
void AppendUtf16(std::basic_string<Unit>& out, std::uint32_t cp) {
  if (cp < 0x10000) {
    out += static_cast<Unit>(cp);
  } else {
    cp -= 0x10000;
    out += static_cast<Unit>(0xD800 | (cp >> 10));
    out += static_cast<Unit>(0xDC00 | (cp & 0x3FF));
  }
}

// Walks the code units of UTF-16 (given as a getter of unit k of n) and appends UTF-8/WTF-8.
template <typename Get>
std::string FromUnits(std::size_t n, Get unitAt) {
  std::string out;
  out.reserve(n * 3);
  for (std::size_t k = 0; k < n; ++k) {
    const std::uint32_t u = unitAt(k);
    if (IsHighSurrogate(u) && k + 1 < n && IsLowSurrogate(unitAt(k + 1))) {
      AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (unitAt(k + 1) - 0xDC00));
      ++k;
    } else {
      AppendUtf8(out, u);  // a lone surrogate takes its three-byte WTF-8 form
    }
  }
  return out;
}

// Decodes WTF-8 into code units. With exact, any stray byte or a surrogate pair spelled as two
// halves fails the whole conversion; otherwise each stray byte gives U+FFFD.
template <typename Unit>
bool ToUnits(std::string_view s, bool exact, std::basic_string<Unit>& out) {
  out.clear();
  out.reserve(s.size());
  bool lastWasHigh = false;
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t n = Utf8SequenceLength(s, i);
    if (n == 0) {
      if (exact) return false;
      out += static_cast<Unit>(0xFFFD);
      lastWasHigh = false;
      ++i;
      continue;
    }
    const std::uint32_t cp = DecodeAt(s, i, n);
    if (exact && lastWasHigh && IsLowSurrogate(cp)) return false;
    lastWasHigh = IsHighSurrogate(cp);
    AppendUtf16(out, cp);
    i += n;
  }
  return true;
}

}  // namespace

std::size_t Utf8SequenceLength(std::string_view s, std::size_t i) {
  if (i >= s.size()) return 0;
  const unsigned char lead = Byte(s, i);
  if (lead < 0x80) return 1;
  std::size_t n;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    n = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    n = 3;
    if (lead == 0xE0) low = 0xA0;  // no overlong forms; 0xED keeps its surrogates (WTF-8)
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    n = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (s.size() - i < n) return 0;
  const unsigned char second = Byte(s, i + 1);
  if (second < low || second > high) return 0;
  for (std::size_t k = 2; k < n; ++k) {
    if (!IsContinuation(Byte(s, i + k))) return 0;
  }
  return n;
}

bool IsWtf8(std::string_view text) {
  std::u16string scratch;
  return ToUnits(text, true, scratch);
}

bool IsStrictUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = Utf8SequenceLength(text, i);
    if (n == 0) return false;
    if (n == 3 && Byte(text, i) == 0xED && Byte(text, i + 1) >= 0xA0) return false;  // a surrogate
    i += n;
  }
  return true;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  return FromUnits(utf16.size(), [&](std::size_t k) { return static_cast<std::uint32_t>(utf16[k]); });
}

std::optional<std::u16string> Utf8ToUtf16Exact(std::string_view utf8) {
  std::u16string out;
  if (!ToUnits(utf8, true, out)) return std::nullopt;
  return out;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  ToUnits(utf8, false, out);
  return out;
}

std::string WideToUtf8(std::wstring_view wide) {
  if constexpr (sizeof(wchar_t) == 2) {
    return FromUnits(wide.size(), [&](std::size_t k) { return static_cast<std::uint32_t>(wide[k]); });
  } else {
    // A host wide text may hold whole code points; split them into the units they stand for.
    std::u16string units;
    units.reserve(wide.size());
    for (const wchar_t c : wide) {
      const auto v = static_cast<std::uint32_t>(c);
      AppendUtf16(units, v > 0x10FFFF ? 0xFFFD : v);
    }
    return Utf16ToUtf8(units);
  }
}

std::optional<std::wstring> Utf8ToWideExact(std::string_view utf8) {
  std::wstring out;
  if (!ToUnits(utf8, true, out)) return std::nullopt;
  return out;
}

std::wstring Utf8ToWide(std::string_view utf8) {
  std::wstring out;
  ToUnits(utf8, false, out);
  return out;
}

std::string Utf16LeToUtf8(std::string_view bytes) {
  return FromUnits(bytes.size() / 2, [&](std::size_t k) {
    return static_cast<std::uint32_t>(Byte(bytes, 2 * k) | (Byte(bytes, 2 * k + 1) << 8));
  });
}

std::string Utf8ToUtf16Le(std::string_view utf8) {
  const std::u16string units = Utf8ToUtf16(utf8);
  std::string out;
  out.reserve(units.size() * 2);
  for (const char16_t u : units) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
  }
  return out;
}

std::string CutToUtf16Field(std::string_view utf8, std::size_t fieldUnits) {
  const std::size_t room = fieldUnits == 0 ? 0 : fieldUnits - 1;
  std::size_t units = 0, i = 0;
  while (i < utf8.size()) {
    const std::size_t n = Utf8SequenceLength(utf8, i);
    const std::size_t need = n == 4 ? 2 : 1;  // only the four-byte forms are pairs
    if (units + need > room) break;
    units += need;
    i += n == 0 ? 1 : n;
  }
  return std::string(utf8.substr(0, i));
}

// ---- GBK ----

std::string GbkToUtf8(std::string_view gbk) {
  if (const auto whole = GbkToUtf16Strict(gbk)) return Utf16ToUtf8(*whole);
  // Character by character: ASCII as it is, a pair through the table, anything else U+FFFD.
  std::string out;
  for (std::size_t i = 0; i < gbk.size();) {
    const unsigned char c = Byte(gbk, i);
    if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    if (i + 1 < gbk.size()) {
      if (const auto pair = GbkToUtf16Strict(gbk.substr(i, 2)); pair && pair->size() == 1) {
        out += Utf16ToUtf8(*pair);
        i += 2;
        continue;
      }
    }
    if (const auto single = GbkToUtf16Strict(gbk.substr(i, 1)); single && single->size() == 1) {
      out += Utf16ToUtf8(*single);  // 0x80, the euro sign in code page 936
    } else {
      out += "\xEF\xBF\xBD";
    }
    ++i;
  }
  return out;
}

std::optional<std::string> Utf8ToGbk(std::string_view utf8) {
  const auto units = Utf8ToUtf16Exact(utf8);
  if (!units) return std::nullopt;
  return Utf16ToGbkStrict(*units);
}

// ---- Paths ----

std::string CollapseSeparators(std::string_view path) {
  std::string out;
  out.reserve(path.size());
  size_t i = 0;
  if (path.size() >= 2 && (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/')) {
    out += "\\\\";
    i = 2;
  }
  bool lastWasSeparator = false;
  for (; i < path.size(); ++i) {
    const bool separator = path[i] == '\\' || path[i] == '/';
    if (separator && lastWasSeparator) continue;
    out += separator ? '\\' : path[i];
    lastWasSeparator = separator;
  }
  return out;
}

std::string_view LastPathComponent(std::string_view path) {
  std::size_t end = path.size();
  while (end > 0 && (path[end - 1] == '\\' || path[end - 1] == '/')) --end;
  std::size_t begin = end;
  while (begin > 0 && path[begin - 1] != '\\' && path[begin - 1] != '/') --begin;
  return path.substr(begin, end - begin);
}

bool IsVanishingName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  return name.find_first_not_of(". ") == std::string_view::npos;
}

}  // namespace tarnvel
