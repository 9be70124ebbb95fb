#include "sync/run_log.h"

#include <cstdio>
#include <utility>

namespace tarnvel {
namespace {

std::string TwoDigits(int n) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d", n);
  return text;
}

std::string DatePart(DateTime t) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", YearOf(t), MonthOf(t), DayOf(t));
  return text;
}

// "<stem>.log" is the first log of its second, "<stem> (n).log" the n-th.
std::pair<std::string_view, int> StemAndNumber(std::string_view name) {
  if (name.size() >= 4 && name.substr(name.size() - 4) == ".log") name.remove_suffix(4);
  const std::size_t open = name.rfind(" (");
  if (open == std::string_view::npos || name.back() != ')') return {name, 1};
  int n = 0;
  for (char c : name.substr(open + 2, name.size() - open - 3)) {
    if (c < '0' || c > '9' || n > 1000) return {name, 1};
    n = n * 10 + (c - '0');
  }
  return {name.substr(0, open), n};
}

}  // namespace

bool RunLog::StartedBefore(std::string_view a, std::string_view b) {
  return StemAndNumber(a) < StemAndNumber(b);
}

std::string LogTimeText(DateTime t) {
  return DatePart(t) + " " + TwoDigits(HourOf(t)) + ":" + TwoDigits(MinuteOf(t)) + ":" + TwoDigits(SecondOf(t));
}

std::string RunLog::FileNameFor(DateTime start) {
  return DatePart(start) + " " + TwoDigits(HourOf(start)) + "-" + TwoDigits(MinuteOf(start)) + "-" +
         TwoDigits(SecondOf(start)) + ".log";
}

}  // namespace tarnvel
