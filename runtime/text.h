// Operations on texts (GBK bytes). Lengths and positions count bytes and start at 1; "not
// found" is -1. The searching, splitting and trimming operations are double-byte aware: a byte
// of 0x80 or above followed by a non-zero byte is one character, and no match, cut or split
// ever starts or ends inside it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/values.h"

namespace tarnvel {

std::int32_t TextLength(std::string_view text);
// n <= 0 gives ""; n beyond the length gives the whole text.
std::string LeftText(std::string_view text, std::int32_t n);
std::string RightText(std::string_view text, std::int32_t n);
// n bytes from position start; a start outside 1..length or n <= 0 gives "".
std::string MidText(std::string_view text, std::int32_t start, std::int32_t n);

// The first occurrence at or after start. ignoreCase folds ASCII letters only. An empty sought
// text gives 1 when the searched region is non-empty.
std::int32_t FindText(std::string_view text, std::string_view sought, std::int32_t start = 1,
                      bool ignoreCase = false);
// The last occurrence that begins within the first start bytes (default: the whole text).
std::int32_t FindTextReverse(std::string_view text, std::string_view sought,
                             std::optional<std::int32_t> start = std::nullopt, bool ignoreCase = false);

// Replaces up to count occurrences (negative: all) from position start on, left to right,
// resuming after each replacement. caseSensitive false folds ASCII letters.
std::string ReplaceSubtext(std::string_view text, std::string_view sought, std::string_view replacement = "",
                           std::int32_t start = 1, std::int32_t count = -1, bool caseSensitive = true);
// Removes n bytes at position start (both clamped to the text) and inserts the replacement.
std::string ReplaceSpan(std::string_view text, std::int32_t start, std::int32_t n,
                        std::string_view replacement = "");

// Pieces between delimiters. Empty inner pieces and a leading empty piece count; the part after
// the last delimiter is added only when it is not empty. At most maxPieces pieces (negative:
// all; 0: none). An empty delimiter gives the whole text; an empty text gives no pieces.
TextArray SplitText(std::string_view text, std::string_view delimiter = ",", std::int32_t maxPieces = -1);

// Blanks are the ASCII space and the full-width space "　" (0xA1 0xA1).
std::string TrimBoth(std::string_view text);
std::string RemoveSpaces(std::string_view text);

// ASCII letters only; two-byte characters are left as they are.
std::string ToUpper(std::string_view text);
std::string ToLower(std::string_view text);

// The one-byte text of (code & 0xFF); code 0 gives "" since a text ends at its first zero.
std::string CharOf(std::int32_t code);
// The byte at position as a signed 8-bit value; outside the text gives 0.
std::int32_t CharCode(std::string_view text, std::int32_t position = 1);
std::string BlankText(std::int32_t n);
bool TextEqual(std::string_view a, std::string_view b);

// Byte length of the character that starts at index i (0-based): 2 for a lead byte followed
// by a non-zero byte, else 1. Shared by every double-byte aware scan.
std::size_t CharLengthAt(std::string_view text, std::size_t i);

}  // namespace tarnvel
