#include "runtime/convert.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

#include "runtime/arith.h"
#include "runtime/datetime.h"
#include "runtime/text.h"

namespace tarnvel {
namespace {

template <typename T>
std::string IntegerText(T value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

// "%.<precision>g" without the C library's locale.
std::string GeneralText(double value, int precision) {
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, precision);
  return std::string(buffer, result.ptr);
}

template <typename T>
ByteString LittleEndianBytes(T value) {
  using U = std::make_unsigned_t<T>;
  U bits = static_cast<U>(value);
  ByteString out(sizeof(T));
  for (auto& b : out) {
    b = static_cast<std::uint8_t>(bits & 0xFF);
    bits = static_cast<U>(bits >> 8);
  }
  return out;
}

bool IsCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The one-byte form of the three-byte character at i, or 0 when it has none: the full-width
// forms U+FF01 "！" to U+FF5E "～" and the full-width space U+3000.
char HalfWidthOf(std::string_view s, std::size_t i) {
  const auto b0 = static_cast<unsigned char>(s[i]), b1 = static_cast<unsigned char>(s[i + 1]),
             b2 = static_cast<unsigned char>(s[i + 2]);
  const unsigned cp = ((b0 & 0x0Fu) << 12) | ((b1 & 0x3Fu) << 6) | (b2 & 0x3Fu);
  if (cp >= 0xFF01 && cp <= 0xFF5E) return static_cast<char>(cp - 0xFEE0);
  if (cp == 0x3000) return ' ';
  return 0;
}

// The extent of the number atof would read at the start of s: [begin, end) of the part that
// from_chars takes (no leading "+"), and whether it is negative.
struct NumberSpan {
  std::size_t begin = 0, end = 0;
  bool negative = false;
  long long decimalExponent = 0;  // rough magnitude: digits before the point + written exponent
};

NumberSpan ScanNumber(std::string_view s) {
  NumberSpan span;
  std::size_t i = 0;
  while (i < s.size() && IsCSpace(s[i])) ++i;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) span.negative = s[i++] == '-';
  span.begin = i;
  std::size_t intDigits = 0, fracDigits = 0;
  bool leadingZeros = true;
  for (; i < s.size() && IsDigit(s[i]); ++i) {
    if (s[i] != '0') leadingZeros = false;
    if (!leadingZeros) ++intDigits;
  }
  const std::size_t afterInt = i;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(s[i])) ++i, ++fracDigits;
  }
  if (afterInt == span.begin && fracDigits == 0) return NumberSpan{};  // no digits at all
  span.end = i;
  span.decimalExponent = static_cast<long long>(intDigits);
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t j = i + 1;
    bool negativeExponent = false;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) negativeExponent = s[j++] == '-';
    long long exponent = 0;
    const std::size_t digitsFrom = j;
    for (; j < s.size() && IsDigit(s[j]); ++j) exponent = std::min(exponent * 10 + (s[j] - '0'), 100000LL);
    if (j > digitsFrom) {
      span.end = j;
      span.decimalExponent += negativeExponent ? -exponent : exponent;
    }
  }
  return span;
}

}  // namespace

std::string ToText(std::int32_t value) { return IntegerText(value); }
std::string ToText(std::int16_t value) { return IntegerText(value); }
std::string ToText(std::uint8_t value) { return IntegerText(value); }
std::string ToText(std::int64_t value) { return IntegerText(value); }
std::string ToText(std::uint32_t value) { return IntegerText(value); }
std::string ToText(std::uint64_t value) { return IntegerText(value); }
std::string ToText(float value) { return GeneralText(value, 6); }
std::string ToText(double value) { return GeneralText(value, 13); }
std::string ToText(bool value) { return value ? "真" : "假"; }
std::string ToText(std::string_view value) { return std::string(value); }
std::string ToText(const char* value) { return value ? std::string(value) : std::string(); }

std::string ToText(const ByteString& value) {
  std::string out;
  for (const std::uint8_t b : value) {
    if (b == 0) break;
    out += static_cast<char>(b);
  }
  return out;
}

std::string ToText(DateTime value) {
  std::string out =
      ToText(YearOf(value)) + "年" + ToText(MonthOf(value)) + "月" + ToText(DayOf(value)) + "日";
  const int hour = HourOf(value), minute = MinuteOf(value), second = SecondOf(value);
  if (second != 0) return out + ToText(hour) + "时" + ToText(minute) + "分" + ToText(second) + "秒";
  if (minute != 0) return out + ToText(hour) + "时" + ToText(minute) + "分";
  if (hour != 0) return out + ToText(hour) + "时";
  return out;
}

std::string FullWidthToHalfWidth(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = CharLengthAt(text, i);
    const char half = n == 3 ? HalfWidthOf(text, i) : 0;
    if (half != 0) {
      out += half;
    } else {
      out += text.substr(i, n);
    }
    i += n;
  }
  return out;
}

std::int32_t ToInteger(std::string_view text) {
  const std::string s = FullWidthToHalfWidth(text);
  std::size_t i = 0;
  while (i < s.size() && IsCSpace(s[i])) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  long long magnitude = 0;
  for (; i < s.size() && IsDigit(s[i]); ++i) {
    magnitude = std::min(magnitude * 10 + (s[i] - '0'), 1LL << 32);  // far enough past either end
  }
  const long long value = negative ? -magnitude : magnitude;
  return static_cast<std::int32_t>(std::clamp<long long>(value, INT32_MIN, INT32_MAX));
}

std::int32_t ToInteger(const char* text) { return ToInteger(std::string_view(text ? text : "")); }

std::int32_t ToInteger(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return INT32_MAX;
  if (value <= -2147483648.0) return INT32_MIN;
  return static_cast<std::int32_t>(value);
}

std::int32_t ToInteger(std::int32_t value) { return value; }

std::int32_t ToInteger(std::int64_t value) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(value)));
}

std::int32_t ToInteger(bool value) { return value ? 1 : 0; }

double ToNumber(std::string_view text) {
  const std::string s = FullWidthToHalfWidth(text);
  const NumberSpan span = ScanNumber(s);
  if (span.end == span.begin) return 0.0;
  double value = 0.0;
  const auto result = std::from_chars(s.data() + span.begin, s.data() + span.end, value);
  if (result.ec == std::errc::result_out_of_range) {
    value = span.decimalExponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  }
  return span.negative ? -value : value;
}

double ToNumber(const char* text) { return ToNumber(std::string_view(text ? text : "")); }
double ToNumber(std::int32_t value) { return value; }
double ToNumber(std::int64_t value) { return static_cast<double>(value); }
double ToNumber(double value) { return value; }
double ToNumber(bool value) { return value ? 1.0 : 0.0; }

float ToFloat(std::string_view text) { return static_cast<float>(ToNumber(text)); }
float ToFloat(const char* text) { return static_cast<float>(ToNumber(text)); }
float ToFloat(double value) { return static_cast<float>(value); }

ByteString ToBytes(std::string_view text) { return ByteString(text.begin(), text.end()); }
ByteString ToBytes(const char* text) { return ToBytes(std::string_view(text ? text : "")); }
ByteString ToBytes(std::int32_t value) { return LittleEndianBytes(value); }
ByteString ToBytes(std::int16_t value) { return LittleEndianBytes(value); }
ByteString ToBytes(std::uint8_t value) { return ByteString{value}; }
ByteString ToBytes(std::int64_t value) { return LittleEndianBytes(value); }
ByteString ToBytes(float value) { return LittleEndianBytes(std::bit_cast<std::uint32_t>(value)); }
ByteString ToBytes(double value) { return LittleEndianBytes(std::bit_cast<std::uint64_t>(value)); }
ByteString ToBytes(bool value) { return LittleEndianBytes(static_cast<std::int32_t>(value ? 1 : 0)); }
ByteString ToBytes(DateTime value) { return ToBytes(value.days); }

std::string HexText(std::int32_t value) {
  char buffer[16];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<std::uint32_t>(value), 16);
  std::string out(buffer, result.ptr);
  for (char& c : out) {
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

namespace {

bool IsPlainDecimal(std::string_view text) {
  if (!text.empty() && text[0] == '-') text.remove_prefix(1);
  if (text.empty()) return false;
  for (const char c : text) {
    if (!IsDigit(c) && c != '.') return false;
  }
  return true;
}

std::string WithThousands(const std::string& text) {
  const std::size_t signLength = text[0] == '-' ? 1 : 0;
  std::size_t intEnd = text.find('.');
  if (intEnd == std::string::npos) intEnd = text.size();
  std::string out = text.substr(0, signLength);
  const std::size_t digits = intEnd - signLength;
  for (std::size_t k = 0; k < digits; ++k) {
    if (k > 0 && (digits - k) % 3 == 0) out += ',';
    out += text[signLength + k];
  }
  return out + text.substr(intEnd);
}

std::string FixedText(double value, int places) {
  std::string buffer(static_cast<std::size_t>(places) + 340, '\0');
  const auto result =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, places);
  buffer.resize(static_cast<std::size_t>(result.ptr - buffer.data()));
  return buffer;
}

}  // namespace

std::string FormatNumber(double value, std::optional<int> places, bool thousands) {
  std::string text;
  if (places && std::isfinite(value)) {
    const int decimals = std::clamp(*places, 0, 340);
    text = FixedText(Round(value, *places), decimals);
  } else {
    text = ToText(value);
  }
  if (thousands && IsPlainDecimal(text)) text = WithThousands(text);
  return text;
}

namespace {

// Reads up to maxDigits decimal digits at i; a field that is absent reads as 0.
int ReadField(std::string_view s, std::size_t& i, int maxDigits) {
  int value = 0;
  for (int n = 0; n < maxDigits && i < s.size() && IsDigit(s[i]); ++n, ++i) value = value * 10 + (s[i] - '0');
  return value;
}

// Steps over one of the separators ("-", ".", "/", ":", the extra ones and the field's unit
// character) when it is next.
void SkipSeparator(std::string_view s, std::size_t& i, std::string_view unit, std::string_view extra = "") {
  if (i >= s.size()) return;
  if (s.substr(i, unit.size()) == unit) {
    i += unit.size();
  } else if (std::string_view("-./:").find(s[i]) != std::string_view::npos ||
             extra.find(s[i]) != std::string_view::npos) {
    ++i;
  }
}

}  // namespace

DateTime ToDateTime(std::string_view text) {
  const std::string s = FullWidthToHalfWidth(text);
  if (s.empty()) return DateTime{};
  std::size_t i = 0;
  const int year = ReadField(s, i, 4);
  SkipSeparator(s, i, "年");
  const int month = ReadField(s, i, 2);
  SkipSeparator(s, i, "月");
  const int day = ReadField(s, i, 2);
  SkipSeparator(s, i, "日", " ");
  const int hour = ReadField(s, i, 2);
  SkipSeparator(s, i, "时");
  const int minute = ReadField(s, i, 2);
  SkipSeparator(s, i, "分");
  const int second = ReadField(s, i, 2);
  if (i < s.size() && s.compare(i, std::string_view("秒").size(), "秒") != 0) return DateTime{};
  return MakeDateTime(year, month, day, hour, minute, second);
}

}  // namespace tarnvel
