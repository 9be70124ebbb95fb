#include "sync/file_info.h"

#include <limits>

#include "runtime/convert.h"

namespace tarnvel {
namespace {

constexpr std::uint64_t kTicksPerMillisecond = 10000;
constexpr std::int64_t kMillisecondsPerDay = 86400000;
// Days from 1601-01-01 (day 0 of a FILETIME) to 1970-01-01.
constexpr std::int64_t kDays1601To1970 = 134774;

struct UtcFields {
  std::int64_t year;
  int month, day, weekday, hour, minute, second, millisecond;
};

// Proleptic Gregorian date of a day count since 1970-01-01 (H. Hinnant's civil_from_days).
void CivilFromDays(std::int64_t z, std::int64_t& year, int& month, int& day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = yoe + era * 400 + (month <= 2 ? 1 : 0);
}

UtcFields FieldsOfFileTime(std::uint64_t fileTime) {
  const std::uint64_t ms = fileTime / kTicksPerMillisecond;
  const auto days = static_cast<std::int64_t>(ms / kMillisecondsPerDay);
  auto ofDay = static_cast<std::int64_t>(ms % kMillisecondsPerDay);
  UtcFields f{};
  CivilFromDays(days - kDays1601To1970, f.year, f.month, f.day);
  f.weekday = static_cast<int>((days + 1) % 7);  // 1601-01-01 was a Monday; 0 = Sunday
  f.millisecond = static_cast<int>(ofDay % 1000);
  ofDay /= 1000;
  f.second = static_cast<int>(ofDay % 60);
  f.minute = static_cast<int>(ofDay / 60 % 60);
  f.hour = static_cast<int>(ofDay / 3600);
  return f;
}

std::string TwoDigits(std::int64_t n) {
  std::string text = ToText(n);
  return text.size() == 1 ? "0" + text : text;
}

}  // namespace

std::uint64_t FileTimes::OfKind(int kind) const {
  switch (kind) {
    case kTimeCreated:
      return created;
    case kTimeAccessed:
      return accessed;
    default:
      return modified;
  }
}

std::string FileTimeLabel(int kind) {
  switch (kind) {
    case kTimeCreated:
      return "创建时间：";
    case kTimeAccessed:
      return "访问时间：";
    default:
      return "修改时间：";
  }
}

std::string FileTimeKeyOf(std::uint64_t fileTime, int kind) {
  static const char* const kWeekdays[7] = {"日", "一", "二", "三", "四", "五", "六"};
  const UtcFields f = FieldsOfFileTime(fileTime);
  std::string key = FileTimeLabel(kind);
  key += ToText(f.year) + "-" + ToText(f.month) + "-" + ToText(f.day);
  key += std::string(" 星期") + kWeekdays[f.weekday] + " ";
  key += ToText(f.hour) + ":" + ToText(f.minute) + ":" + ToText(f.second) + ":" + ToText(f.millisecond);
  return key;
}

std::string SizeText(std::int64_t kilobytes) {
  constexpr double kBelowOne = -0.0000001;
  const double gigabytes = static_cast<double>(kilobytes) / 1048576.0;
  if (gigabytes - 1 >= kBelowOne) return FormatNumber(gigabytes, 2) + " GB";
  const double megabytes = static_cast<double>(kilobytes) / 1024.0;
  if (megabytes - 1 >= kBelowOne) return FormatNumber(megabytes, 2) + " MB";
  if (kilobytes >= 1) return ToText(kilobytes) + " KB";
  // Only a negative count can overflow here; it stops at the smallest 64-bit number.
  constexpr std::int64_t kLowest = std::numeric_limits<std::int64_t>::min() / 1024;
  const std::int64_t bytes =
      kilobytes < kLowest ? std::numeric_limits<std::int64_t>::min() : kilobytes * 1024;
  return ToText(bytes) + " 字节";
}

std::string DurationText(std::int32_t seconds) {
  const std::int64_t s = seconds;
  const std::int64_t hours = s / 3600;
  const std::int64_t minutes = s % 3600 / 60;
  const std::int64_t rest = s % 3600 % 60;
  return TwoDigits(hours) + ":" + TwoDigits(minutes) + ":" + TwoDigits(rest);
}

}  // namespace tarnvel
