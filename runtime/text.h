// Operations on texts (UTF-8). Lengths and positions count bytes and start at 1; "not found" is
// -1. Every operation is character aware: a well-formed UTF-8 (or WTF-8) sequence is one
// character, a byte that starts none is a character of its own, and no match, cut, split or
// trim ever starts or ends inside a character. A position or count that falls inside one is
// moved to the nearest boundary that keeps the result within what was asked (Left, Right and
// Mid give fewer bytes rather than part of a character).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/values.h"

namespace tarnvel {

std::int32_t TextLength(std::string_view text);
// n <= 0 gives ""; n beyond the length gives the whole text; a cut that would fall inside a
// character leaves that character out.
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
// Removes n bytes at position start (both clamped to the text) and inserts the replacement. A
// span that begins or ends inside a character removes that whole character; an insertion
// inside a character goes before it.
std::string ReplaceSpan(std::string_view text, std::int32_t start, std::int32_t n,
                        std::string_view replacement = "");

// Pieces between delimiters. Empty inner pieces and a leading empty piece count; the part after
// the last delimiter is added only when it is not empty. At most maxPieces pieces (negative:
// all; 0: none). An empty delimiter gives the whole text; an empty text gives no pieces.
TextArray SplitText(std::string_view text, std::string_view delimiter = ",", std::int32_t maxPieces = -1);

// Blanks are the ASCII space and the full-width space "　" (U+3000).
std::string TrimBoth(std::string_view text);
std::string RemoveSpaces(std::string_view text);

// ASCII letters only; every other character is left as it is.
std::string ToUpper(std::string_view text);
std::string ToLower(std::string_view text);

// The one-byte text of (code & 0xFF); code 0 gives "" since a text ends at its first zero.
std::string CharOf(std::int32_t code);
// The byte at position as a signed 8-bit value; outside the text gives 0.
std::int32_t CharCode(std::string_view text, std::int32_t position = 1);
std::string BlankText(std::int32_t n);
bool TextEqual(std::string_view a, std::string_view b);

// Byte length of the character that starts at index i (0-based): the length of the well-formed
// UTF-8 or WTF-8 sequence there, or 1 for a byte that starts none. Shared by every scan.
std::size_t CharLengthAt(std::string_view text, std::size_t i);

}  // namespace tarnvel
