#include "ui/schedule_entry.h"

#include "runtime/convert.h"
#include "sync/main_controls.h"

namespace tarnvel {

std::string DayText(int day) {
  if (day < 1 || day > 31) return {};
  return ToText(day) + "号";
}

std::string WeekdayName(int day) {
  static const char* const kNames[7] = {"星期一", "星期二", "星期三", "星期四", "星期五", "星期六", "星期日"};
  if (day < 1 || day > 7) return {};
  return kNames[day - 1];
}

std::string DescribeEntry(std::string_view dayNumber, std::string_view kind, std::string_view time) {
  const int day = ToInteger(dayNumber);
  std::string dayPart;
  std::string prefix;
  if (kind == kMonthlyKind) {
    dayPart = DayText(day);
    prefix = "每月份 ";
  } else if (kind == kWeeklyKind) {
    dayPart = WeekdayName(day);
    prefix = "每星期 ";
  }
  if (dayPart.empty()) return {};
  return prefix + dayPart + " " + std::string(time);
}

std::string KindLabel(std::string_view kind) {
  if (kind == kMonthlyKind) return "日期";
  if (kind == kWeeklyKind) return "星期";
  return {};
}

void DescribeScheduleRow(ListView& list, int row) {
  const std::string day = list.ItemText(row, kScheduleDayColumn);
  const std::string kind = list.ItemText(row, kScheduleKindColumn);
  const std::string time = list.ItemText(row, kScheduleTimeColumn);
  list.SetItemText(row, kScheduleDescriptionColumn, DescribeEntry(day, kind, time));
  list.SetItemText(row, kScheduleKindLabelColumn, KindLabel(kind));
}

int AppendScheduleRow(ListView& list, const std::string& dayNumber, const std::string& kind,
                      const std::string& time, bool ticked) {
  const int row = list.Insert(-1, dayNumber, -1, ticked ? 1 : 0);
  list.SetItemText(row, kScheduleKindColumn, kind);
  list.SetItemText(row, kScheduleTimeColumn, time);
  DescribeScheduleRow(list, row);
  return row;
}

}  // namespace tarnvel
