#include "runtime/text.h"

#include <algorithm>

#include "runtime/encoding.h"

namespace tarnvel {
namespace {

constexpr std::string_view kFullWidthSpace = "\xE3\x80\x80";  // U+3000

unsigned char Byte(std::string_view s, std::size_t i) { return static_cast<unsigned char>(s[i]); }

unsigned char FoldAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

std::int32_t Length32(std::string_view text) {
  return static_cast<std::int32_t>(std::min<std::size_t>(text.size(), INT32_MAX));
}

// The character boundaries of text are the starts of its characters and its end. A byte that
// starts a well-formed sequence is never inside another character (the later bytes of a
// sequence are continuation bytes, which start none), so a boundary can be told locally: no
// sequence that starts in the three bytes before it runs past it.
bool IsBoundary(std::string_view text, std::size_t at) {
  if (at == 0 || at >= text.size()) return true;
  for (std::size_t back = 1; back <= 3 && back <= at; ++back) {
    if (CharLengthAt(text, at - back) > back) return false;
  }
  return true;
}

// The first character boundary at or after byte index from.
std::size_t AlignForward(std::string_view text, std::size_t from) {
  from = std::min(from, text.size());
  while (!IsBoundary(text, from)) ++from;
  return from;
}

// The last character boundary at or before byte index from.
std::size_t AlignBack(std::string_view text, std::size_t from) {
  from = std::min(from, text.size());
  while (!IsBoundary(text, from)) --from;
  return from;
}

// Does sought occur at byte i of text, where i is a character boundary? Only ASCII letters fold
// for ignoreCase (no byte of a multi-byte character is ASCII), and the match must end on a
// character boundary of the text: a sought text that ends in a lead byte or in part of a
// sequence never ends halfway through a text character.
bool MatchesAt(std::string_view text, std::size_t i, std::string_view sought, bool ignoreCase) {
  if (text.size() - i < sought.size()) return false;
  for (std::size_t k = 0; k < sought.size(); ++k) {
    unsigned char x = Byte(text, i + k), y = Byte(sought, k);
    if (ignoreCase) x = FoldAscii(x), y = FoldAscii(y);
    if (x != y) return false;
  }
  return IsBoundary(text, i + sought.size());
}

bool IsBlankAt(std::string_view text, std::size_t i, std::size_t* length) {
  if (text[i] == ' ') return *length = 1, true;
  if (text.substr(i, kFullWidthSpace.size()) == kFullWidthSpace)
    return *length = kFullWidthSpace.size(), true;
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
  const std::size_t n = Utf8SequenceLength(text, i);
  return n == 0 ? 1 : n;
}

std::int32_t TextLength(std::string_view text) { return Length32(text); }

std::string LeftText(std::string_view text, std::int32_t n) {
  if (n <= 0) return {};
  return std::string(text.substr(0, AlignBack(text, static_cast<std::size_t>(n))));
}

std::string RightText(std::string_view text, std::int32_t n) {
  if (n <= 0) return {};
  const std::size_t take = std::min(text.size(), static_cast<std::size_t>(n));
  return std::string(text.substr(AlignForward(text, text.size() - take)));
}

std::string MidText(std::string_view text, std::int32_t start, std::int32_t n) {
  if (start < 1 || start > Length32(text) || n <= 0) return {};
  const std::size_t from = static_cast<std::size_t>(start - 1);
  const std::size_t end =
      AlignBack(text, from + std::min<std::size_t>(text.size() - from, static_cast<std::size_t>(n)));
  const std::size_t begin = AlignForward(text, from);
  return begin >= end ? std::string() : std::string(text.substr(begin, end - begin));
}

std::int32_t FindText(std::string_view text, std::string_view sought, std::int32_t start, bool ignoreCase) {
  if (start < 1) start = 1;
  if (start > Length32(text)) return -1;
  if (sought.empty()) return 1;
  for (std::size_t i = AlignForward(text, static_cast<std::size_t>(start - 1)); i < text.size();
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
  const std::size_t from = AlignForward(text, static_cast<std::size_t>(std::max(start, 1) - 1));
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
  const std::size_t from =
      static_cast<std::size_t>(std::clamp<std::int32_t>(start, 1, Length32(text) + 1) - 1);
  const std::size_t take = std::min(text.size() - from, static_cast<std::size_t>(std::max(n, 0)));
  // A span that begins or ends inside a character takes that whole character with it.
  const std::size_t at = AlignBack(text, from);
  const std::size_t end = take == 0 ? at : AlignForward(text, from + take);
  std::string out(text.substr(0, at));
  out += replacement;
  out += text.substr(end);
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
