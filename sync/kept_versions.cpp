#include "sync/kept_versions.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "runtime/datetime.h"
#include "runtime/text.h"

namespace tarnvel {
namespace {

bool ReadDigits(std::string_view text, std::size_t at, std::size_t count, int& value) {
  if (at + count > text.size()) return false;
  value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

}  // namespace

bool IsVersionsFolderName(std::string_view name) { return ToLower(name) == kVersionsFolderName; }

int KeepDaysFromText(std::string_view text) {
  int days = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), days);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return kDefaultKeepDays;
  return days < 0 || days > kMaxKeepDays ? kDefaultKeepDays : days;
}

std::string RunFolderName(DateTime start) {
  const CalendarFields f = FieldsOf(start);
  char name[32];
  std::snprintf(name, sizeof name, "%04d-%02d-%02d %02d.%02d.%02d", f.year, f.month, f.day, f.hour, f.minute,
                f.second);
  return name;
}

std::optional<DateTime> RunFolderTime(std::string_view name) {
  // YYYY-MM-DD HH.MM.SS: 19 characters, separators at fixed places.
  if (name.size() != 19 || name[4] != '-' || name[7] != '-' || name[10] != ' ' || name[13] != '.' ||
      name[16] != '.') {
    return std::nullopt;
  }
  int year, month, day, hour, minute, second;
  if (!ReadDigits(name, 0, 4, year) || !ReadDigits(name, 5, 2, month) || !ReadDigits(name, 8, 2, day) ||
      !ReadDigits(name, 11, 2, hour) || !ReadDigits(name, 14, 2, minute) ||
      !ReadDigits(name, 17, 2, second) || !IsValidDateTime(year, month, day, hour, minute, second)) {
    return std::nullopt;
  }
  return MakeDateTime(year, month, day, hour, minute, second);
}

bool RunFolderExpired(DateTime made, DateTime now, int days) {
  if (made.days > now.days) return false;
  return days == 0 || now.days - made.days > days;
}

std::vector<std::string> RunFoldersOldestFirst(const std::vector<std::string>& names,
                                               std::string_view current) {
  std::vector<std::pair<double, std::string>> dated;
  for (const std::string& name : names) {
    const std::optional<DateTime> made = RunFolderTime(name);
    if (made && name != current) dated.emplace_back(made->days, name);
  }
  std::sort(dated.begin(), dated.end());
  std::vector<std::string> oldest;
  for (auto& [days, name] : dated) oldest.push_back(std::move(name));
  return oldest;
}

KeptVersions::KeptVersions(std::string targetRoot, DateTime runStart, int days)
    : targetRoot_(std::move(targetRoot)), runFolder_(RunFolderName(runStart)), days_(days) {}

}  // namespace tarnvel
