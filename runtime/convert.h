// Conversions between the value kinds: numbers, logicals, date-times and byte strings to and
// from texts. Readers of texts are locale-free and never raise: a text that holds no number
// reads as 0, one that holds no date-time as the empty date.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "runtime/values.h"

namespace tarnvel {

std::string ToText(std::int32_t value);
std::string ToText(std::int16_t value);
std::string ToText(std::uint8_t value);  // unsigned decimal
std::string ToText(std::int64_t value);
// Counts and sizes of the standard library, decimal.
std::string ToText(std::uint32_t value);
std::string ToText(std::uint64_t value);
std::string ToText(float value);   // "%.6g"
std::string ToText(double value);  // "%.13g"
std::string ToText(bool value);    // "真" / "假"
// "2011年5月3日" followed by "14时5分3秒", "14时5分" or "14时", whichever is the shortest that
// still shows every non-zero field.
std::string ToText(DateTime value);
// The bytes up to the first zero byte (all of them when there is none).
std::string ToText(const ByteString& value);
std::string ToText(std::string_view value);
std::string ToText(const char* value);  // keeps a literal away from the bool overload

// Full-width ASCII forms (U+FF01 "！" to U+FF5E "～") and the full-width space U+3000 to their
// one-byte forms; every other character is kept as it is.
std::string FullWidthToHalfWidth(std::string_view text);

// Text: full-width forms folded, then read as atoi does (leading white space, an optional
// sign, decimal digits); no digits give 0; a number beyond the 32-bit range saturates.
std::int32_t ToInteger(std::string_view text);
std::int32_t ToInteger(const char* text);
// Truncated toward zero; NaN gives 0 and values beyond the 32-bit range saturate.
std::int32_t ToInteger(double value);
std::int32_t ToInteger(std::int32_t value);  // also takes the short and byte kinds
std::int32_t ToInteger(std::int64_t value);  // the low 32 bits
std::int32_t ToInteger(bool value);

// Text: full-width forms folded, then read as atof does (white space, sign, digits, a
// fraction, an exponent); no number gives 0. Integers convert exactly.
double ToNumber(std::string_view text);
double ToNumber(const char* text);
double ToNumber(std::int32_t value);
double ToNumber(std::int64_t value);
double ToNumber(double value);
double ToNumber(bool value);

float ToFloat(std::string_view text);
float ToFloat(const char* text);
float ToFloat(double value);

// Raw little-endian bytes of a value; a text's bytes without a terminating zero. A logical is
// the 32-bit 0/1 and a date-time its double.
ByteString ToBytes(std::string_view text);
ByteString ToBytes(const char* text);
ByteString ToBytes(std::int32_t value);
ByteString ToBytes(std::int16_t value);
ByteString ToBytes(std::uint8_t value);
ByteString ToBytes(std::int64_t value);
ByteString ToBytes(float value);
ByteString ToBytes(double value);
ByteString ToBytes(bool value);
ByteString ToBytes(DateTime value);
// An array of numbers: the raw bytes of its elements one after another.
template <typename T>
requires std::is_arithmetic_v<T> ByteString ToBytes(const std::vector<T>& values) {
  ByteString out;
  for (const T& v : values) {
    const ByteString one = ToBytes(v);
    out.insert(out.end(), one.begin(), one.end());
  }
  return out;
}
// An array of anything else gives an empty byte string.
inline ByteString ToBytes(const TextArray&) { return {}; }

// Upper-case hexadecimal of the 32-bit pattern, no prefix, no leading zeros ("%X").
std::string HexText(std::int32_t value);

// With places: rounded as Round does and written with exactly that many decimals (none for
// negative places); without: "%.13g". With thousands: "," every three digits of the integer
// part, applied only to a text of digits, "." and a leading "-".
std::string FormatNumber(double value, std::optional<int> places = std::nullopt, bool thousands = false);

// Reads "2011年5月3日14时5分3秒", "2011-05-03 14:05:03", "2011/5/3" and the like (full-width
// forms folded first). A text that does not parse, or names no real date and time, gives the
// empty date (100-01-01 00:00:00).
DateTime ToDateTime(std::string_view text);
inline DateTime ToDateTime(DateTime value) { return value; }

}  // namespace tarnvel
