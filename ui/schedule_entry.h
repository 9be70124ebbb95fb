// Rows of the schedule list: calendar entries that fire at an hour and minute on a day of the
// month (kind "1") or on a weekday (kind "2", day 1 = Monday … 7 = Sunday). Columns 0 day
// number, 1 kind, 2 description, 3 kind label, 4 time text hour + ":" + minute.
#pragma once

#include <string>
#include <string_view>

#include "runtime/controls.h"

namespace tarnvel {

inline constexpr char kMonthlyKind[] = "1";
inline constexpr char kWeeklyKind[] = "2";

// "1号" … "31号"; "" outside 1 … 31.
std::string DayText(int day);
// "星期一" … "星期日" for 1 … 7; "" outside.
std::string WeekdayName(int day);

// The description of column 2: "每月份 15号 8:30" for day 15, kind "1", time 8:30;
// "每星期 星期一 8:30" for day 1, kind "2". The day number is read with ToInteger. A day outside
// its kind's range, or any other kind, has no description ("").
std::string DescribeEntry(std::string_view dayNumber, std::string_view kind, std::string_view time);

// "日期" for kind "1", "星期" for kind "2", "" otherwise.
std::string KindLabel(std::string_view kind);

// Rebuilds columns 2 and 3 of a row from its columns 0, 1 and 4.
void DescribeScheduleRow(ListView& list, int row);

// Appends a row with the given texts, its description and label built, ticked or not;
// returns its index.
int AppendScheduleRow(ListView& list, const std::string& dayNumber, const std::string& kind,
                      const std::string& time, bool ticked);

}  // namespace tarnvel
