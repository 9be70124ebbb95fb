// The text operations over arbitrary bytes: none reads outside its text (AddressSanitizer),
// every result made from valid UTF-8 is valid UTF-8, and positions are character boundaries.
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

namespace {

// A boundary: the start of a character as the text's own scan finds them, or its end.
bool IsBoundary(std::string_view text, std::int32_t position) {
  if (position == -1) return true;
  const std::size_t at = static_cast<std::size_t>(position - 1);
  std::size_t i = 0;
  while (i < at) i += CharLengthAt(text, i);
  return i == at;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  // Two numbers, then text, sought and replacement separated by the first two 0x00 bytes.
  const std::int32_t a = static_cast<std::int8_t>(data[0]), b = static_cast<std::int8_t>(data[1]);
  const bool flag = data[2] & 1;
  std::string_view rest(reinterpret_cast<const char*>(data + 3), size - 3);
  const std::size_t z1 = rest.find('\0');
  const std::string_view text = rest.substr(0, z1);
  std::string_view sought, replacement;
  if (z1 != std::string_view::npos) {
    const std::string_view more = rest.substr(z1 + 1);
    const std::size_t z2 = more.find('\0');
    sought = more.substr(0, z2);
    if (z2 != std::string_view::npos) replacement = more.substr(z2 + 1);
  }
  const bool valid = IsStrictUtf8(text) && IsStrictUtf8(sought) && IsStrictUtf8(replacement);
  auto expect = [valid](const std::string& out) {
    if (valid) PROPERTY(IsStrictUtf8(out));
  };

  expect(LeftText(text, a));
  expect(RightText(text, a));
  expect(MidText(text, a, b));
  expect(ReplaceSpan(text, a, b, replacement));
  expect(ReplaceSubtext(text, sought, replacement, a, b, flag));
  expect(TrimBoth(text));
  expect(RemoveSpaces(text));
  expect(ToUpper(text));
  expect(ToLower(text));
  for (const std::string& piece : SplitText(text, sought, b)) expect(piece);

  const std::int32_t found = FindText(text, sought, a, flag);
  const std::int32_t last = FindTextReverse(text, sought, b, flag);
  if (valid && !sought.empty()) {
    PROPERTY(IsBoundary(text, found) && IsBoundary(text, last));
    if (found != -1) PROPERTY(IsBoundary(text, found + static_cast<std::int32_t>(sought.size())));
  }
  // Cuts never grow and never exceed what was asked.
  PROPERTY(LeftText(text, a).size() <= static_cast<std::size_t>(std::max(a, 0)));
  PROPERTY(RightText(text, a).size() <= static_cast<std::size_t>(std::max(a, 0)));
  PROPERTY(MidText(text, a, b).size() <= static_cast<std::size_t>(std::max(b, 0)));
  PROPERTY(TrimBoth(text).size() <= text.size());
  // Case changes keep every non-ASCII byte where it was.
  const std::string upper = ToUpper(text);
  PROPERTY(upper.size() == text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (static_cast<unsigned char>(text[i]) >= 0x80) PROPERTY(upper[i] == text[i]);
  }
  return 0;
}
