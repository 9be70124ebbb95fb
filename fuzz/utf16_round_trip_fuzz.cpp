// The conversion between UTF-16 and the program's UTF-8/WTF-8 texts is exact both ways: any
// sequence of code units comes back unchanged, and any text that converts converts back to
// the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/property_check.h"
#include "runtime/encoding.h"
#include "runtime/text.h"

using namespace tarnvel;

// A broken property: say which before stopping, so the saved input is easy to read.

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The bytes as UTF-16 code units (little-endian pairs): lone surrogates and all.
  std::u16string units(size / 2, u'\0');
  for (std::size_t k = 0; k < units.size(); ++k) {
    units[k] = static_cast<char16_t>(data[2 * k] | (data[2 * k + 1] << 8));
  }
  const std::string utf8 = Utf16ToUtf8(units);
  if (!IsWtf8(utf8)) PROPERTY_BROKEN();
  const auto back = Utf8ToUtf16Exact(utf8);
  if (!back || *back != units) PROPERTY_BROKEN();
  if (Utf8ToUtf16(utf8) != units) PROPERTY_BROKEN();  // the display form agrees on every valid text
  const std::wstring wide(units.begin(), units.end());
  if (WideToUtf8(wide) != utf8) PROPERTY_BROKEN();
  if (Utf16LeToUtf8(std::string_view(reinterpret_cast<const char*>(data), size)) != utf8) PROPERTY_BROKEN();

  // The bytes as a text: when they convert exactly, they come back as the same bytes; every
  // byte that starts no sequence is one U+FFFD of the display form.
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto exact = Utf8ToUtf16Exact(text);
  if (exact && Utf16ToUtf8(*exact) != text) PROPERTY_BROKEN();
  if (exact.has_value() != IsWtf8(text)) PROPERTY_BROKEN();
  if (IsStrictUtf8(text) && !exact) PROPERTY_BROKEN();
  const std::u16string shown = Utf8ToUtf16(text);
  if (!IsWtf8(Utf16ToUtf8(shown)) && !shown.empty()) PROPERTY_BROKEN();
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); i += CharLengthAt(text, i)) ++characters;
  if (shown.size() < characters) PROPERTY_BROKEN();  // no character is lost in the display form
  return 0;
}
