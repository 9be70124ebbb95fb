#include "sync/run_log.h"

#include <cstdio>

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

}  // namespace

std::string LogTimeText(DateTime t) {
  return DatePart(t) + " " + TwoDigits(HourOf(t)) + ":" + TwoDigits(MinuteOf(t)) + ":" + TwoDigits(SecondOf(t));
}

std::string RunLog::FileNameFor(DateTime start) {
  return DatePart(start) + " " + TwoDigits(HourOf(start)) + "-" + TwoDigits(MinuteOf(start)) + "-" +
         TwoDigits(SecondOf(start)) + ".log";
}

}  // namespace tarnvel
