#include "update/content_range.h"

namespace tarnvel {
namespace {

constexpr std::size_t kMaxDigits = 18;  // stays below 2^63

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Reads a run of decimal digits from the front of `text`.
std::optional<std::int64_t> TakeNumber(std::string_view& text) {
  std::size_t n = 0;
  std::int64_t value = 0;
  while (n < text.size() && text[n] >= '0' && text[n] <= '9') {
    if (n == kMaxDigits) return std::nullopt;
    value = value * 10 + (text[n] - '0');
    ++n;
  }
  if (n == 0) return std::nullopt;
  text.remove_prefix(n);
  return value;
}

bool TakeChar(std::string_view& text, char c) {
  if (text.empty() || text.front() != c) return false;
  text.remove_prefix(1);
  return true;
}

bool TakeUnit(std::string_view& text) {
  constexpr std::string_view kUnit = "bytes";
  if (text.size() <= kUnit.size()) return false;
  for (std::size_t i = 0; i < kUnit.size(); ++i) {
    const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
    if (c != kUnit[i]) return false;
  }
  text.remove_prefix(kUnit.size());
  if (!IsBlank(text.front())) return false;
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return true;
}

}  // namespace

std::optional<ContentRange> ParseContentRange(std::string_view value) {
  std::string_view text = Trim(value);
  if (!TakeUnit(text)) return std::nullopt;
  ContentRange range;
  if (TakeChar(text, '*')) {
    if (!TakeChar(text, '/')) return std::nullopt;
    const auto total = TakeNumber(text);
    if (!total || !text.empty()) return std::nullopt;
    range.total = *total;
    return range;
  }
  const auto first = TakeNumber(text);
  if (!first || !TakeChar(text, '-')) return std::nullopt;
  const auto last = TakeNumber(text);
  if (!last || !TakeChar(text, '/') || *last < *first) return std::nullopt;
  range.hasPart = true;
  range.first = *first;
  range.last = *last;
  if (TakeChar(text, '*')) {
    if (!text.empty()) return std::nullopt;
    return range;
  }
  const auto total = TakeNumber(text);
  if (!total || !text.empty() || *last >= *total) return std::nullopt;
  range.total = *total;
  return range;
}

}  // namespace tarnvel
