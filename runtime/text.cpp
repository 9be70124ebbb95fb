#include "runtime/text.h"

#include <algorithm>

namespace tarnvel {
namespace {

constexpr std::string_view kFullWidthSpace = "\xA1\xA1";

unsigned char Byte(std::string_view s, std::size_t i) { return static_cast<unsigned char>(s[i]); }

unsigned char FoldAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

std::int32_t Length32(std::string_view text) {
  return static_cast<std::int32_t>(std::min<std::size_t>(text.size(), INT32_MAX));
}

// Does sought occur at byte i of text, where i is a character boundary? Only bytes that are
// single characters of sought fold for ignoreCase (a trail byte that happens to be a letter
// never does), and a sought text ending in an unpaired lead byte may not end inside a text
// character.
bool MatchesAt(std::string_view text, std::size_t i, std::string_view sought, bool ignoreCase) {
  if (text.size() - i < sought.size()) return false;
  std::size_t k = 0;
  while (k < sought.size()) {
    const std::size_t n = CharLengthAt(sought, k);
    for (std::size_t b = k; b < k + n; ++b) {
      unsigned char x = Byte(text, i + b), y = Byte(sought, b);
      if (ignoreCase && n == 1) x = FoldAscii(x), y = FoldAscii(y);
      if (x != y) return false;
    }
    if (n == 1 && Byte(sought, k) >= 0x80 && k + 1 == sought.size()) {
      if (CharLengthAt(text, i + k) == 2) return false;  // would end inside a character
    }
    k += n;
  }
  return true;
}

// The first character boundary at or after byte index from.
std::size_t AlignToCharacter(std::string_view text, std::size_t from) {
  std::size_t i = 0;
  while (i < from && i < text.size()) i += CharLengthAt(text, i);
  return std::min(i, text.size());
}

bool IsBlankAt(std::string_view text, std::size_t i, std::size_t* length) {
  if (text[i] == ' ') return *length = 1, true;
  if (text.substr(i, 2) == kFullWidthSpace) return *length = 2, true;
  return false;
}

std::string MapAsciiLetters(std::string_view text, char from, char to, int shift) {
  std::string out(text);
  for (std::size_t i = 0; i < out.size();) {
    const std::size_t n = CharLengthAt(out, i);
    if (n == 1 && out[i] >= from && out[i] <= to) out[i] = static_cast<char>(out[i] + shift);
    i += n;
  }
  return out;
}

}  // namespace

std::size_t CharLengthAt(std::string_view text, std::size_t i) {
  if (Byte(text, i) >= 0x80 && i + 1 < text.size() && text[i + 1] != '\0') return 2;
  return 1;
}

std::int32_t TextLength(std::string_view text) { return Length32(text); }

std::string LeftText(std::string_view text, std::int32_t n) {
  if (n <= 0) return {};
  return std::string(text.substr(0, static_cast<std::size_t>(n)));
}

std::string RightText(std::string_view text, std::int32_t n) {
  if (n <= 0) return {};
  const std::size_t take = std::min(text.size(), static_cast<std::size_t>(n));
  return std::string(text.substr(text.size() - take));
}

std::string MidText(std::string_view text, std::int32_t start, std::int32_t n) {
  if (start < 1 || start > Length32(text) || n <= 0) return {};
  return std::string(text.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(n)));
}

std::int32_t FindText(std::string_view text, std::string_view sought, std::int32_t start, bool ignoreCase) {
  if (start < 1) start = 1;
  if (start > Length32(text)) return -1;
  if (sought.empty()) return 1;
  for (std::size_t i = AlignToCharacter(text, static_cast<std::size_t>(start - 1)); i < text.size();
       i += CharLengthAt(text, i)) {
    if (MatchesAt(text, i, sought, ignoreCase)) return static_cast<std::int32_t>(i + 1);
  }
  return -1;
}

std::int32_t FindTextReverse(std::string_view text, std::string_view sought,
                             std::optional<std::int32_t> start, bool ignoreCase) {
  const std::int32_t limit = std::min(start.value_or(Length32(text)), Length32(text));
  if (limit < 1) return -1;
  if (sought.empty()) return 1;
  std::int32_t found = -1;
  for (std::size_t i = 0; i < static_cast<std::size_t>(limit); i += CharLengthAt(text, i)) {
    if (MatchesAt(text, i, sought, ignoreCase)) found = static_cast<std::int32_t>(i + 1);
  }
  return found;
}

std::string ReplaceSubtext(std::string_view text, std::string_view sought, std::string_view replacement,
                           std::int32_t start, std::int32_t count, bool caseSensitive) {
  if (text.empty() || sought.empty()) return std::string(text);
  const std::size_t from = AlignToCharacter(text, static_cast<std::size_t>(std::max(start, 1) - 1));
  std::string out(text.substr(0, from));
  std::size_t i = from;
  std::int32_t done = 0;
  while (i < text.size() && text.size() - i >= sought.size() && (count < 0 || done < count)) {
    if (MatchesAt(text, i, sought, !caseSensitive)) {
      out += replacement;
      i += sought.size();
      ++done;
    } else {
      const std::size_t n = CharLengthAt(text, i);
      out += text.substr(i, n);
      i += n;
    }
  }
  out += text.substr(std::min(i, text.size()));
  return out;
}

std::string ReplaceSpan(std::string_view text, std::int32_t start, std::int32_t n,
                        std::string_view replacement) {
  const std::size_t at = static_cast<std::size_t>(std::clamp<std::int32_t>(start, 1, Length32(text) + 1) - 1);
  const std::size_t take = std::min(text.size() - at, static_cast<std::size_t>(std::max(n, 0)));
  std::string out(text.substr(0, at));
  out += replacement;
  out += text.substr(at + take);
  return out;
}

TextArray SplitText(std::string_view text, std::string_view delimiter, std::int32_t maxPieces) {
  TextArray pieces;
  if (text.empty() || maxPieces == 0) return pieces;
  if (delimiter.empty()) return {std::string(text)};
  const auto full = [&] { return maxPieces >= 0 && pieces.size() >= static_cast<std::size_t>(maxPieces); };
  std::size_t pieceStart = 0, i = 0;
  while (i < text.size()) {
    if (MatchesAt(text, i, delimiter, false)) {
      pieces.emplace_back(text.substr(pieceStart, i - pieceStart));
      if (full()) return pieces;
      i += delimiter.size();
      pieceStart = i;
    } else {
      i += CharLengthAt(text, i);
    }
  }
  if (pieceStart < text.size()) pieces.emplace_back(text.substr(pieceStart));
  return pieces;
}

std::string TrimBoth(std::string_view text) {
  std::size_t i = 0, n = 0;
  while (i < text.size() && IsBlankAt(text, i, &n)) i += n;
  const std::size_t begin = i;
  std::size_t end = begin;  // just past the last character that is not a blank
  while (i < text.size()) {
    if (IsBlankAt(text, i, &n)) {
      i += n;
    } else {
      i += CharLengthAt(text, i);
      end = i;
    }
  }
  return std::string(text.substr(begin, end - begin));
}

std::string RemoveSpaces(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0, n = 0; i < text.size();) {
    if (IsBlankAt(text, i, &n)) {
      i += n;
      continue;
    }
    n = CharLengthAt(text, i);
    out += text.substr(i, n);
    i += n;
  }
  return out;
}

std::string ToUpper(std::string_view text) { return MapAsciiLetters(text, 'a', 'z', 'A' - 'a'); }
std::string ToLower(std::string_view text) { return MapAsciiLetters(text, 'A', 'Z', 'a' - 'A'); }

std::string CharOf(std::int32_t code) {
  const char c = static_cast<char>(code & 0xFF);
  return c == '\0' ? std::string() : std::string(1, c);
}

std::int32_t CharCode(std::string_view text, std::int32_t position) {
  if (position < 1 || position > Length32(text)) return 0;
  return static_cast<std::int8_t>(text[static_cast<std::size_t>(position - 1)]);
}

std::string BlankText(std::int32_t n) {
  return n < 1 ? std::string() : std::string(static_cast<std::size_t>(n), ' ');
}

bool TextEqual(std::string_view a, std::string_view b) { return a == b; }

}  // namespace tarnvel
