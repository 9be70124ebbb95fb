#include "ui/schedule_entry.h"

#include <gtest/gtest.h>

#include "sync/main_controls.h"

namespace tarnvel {
namespace {

TEST(DescribeEntry, MonthlyAndWeeklyTexts) {
  EXPECT_EQ(DescribeEntry("15", "1", "8:30"), "每月份 15号 8:30");
  EXPECT_EQ(DescribeEntry("1", "2", "00:00"), "每星期 星期一 00:00");
  EXPECT_EQ(DescribeEntry("7", "2", "23:59"), "每星期 星期日 23:59");
  EXPECT_EQ(DescribeEntry("31", "1", "0:0"), "每月份 31号 0:0");
  // The day number is read as ToInteger does.
  EXPECT_EQ(DescribeEntry(" 05", "1", "8:30"), "每月份 5号 8:30");
}

TEST(DescribeEntry, DaysOutsideTheirRangeAndOtherKindsHaveNoDescription) {
  EXPECT_EQ(DescribeEntry("0", "1", "8:30"), "");
  EXPECT_EQ(DescribeEntry("32", "1", "8:30"), "");
  EXPECT_EQ(DescribeEntry("8", "2", "8:30"), "");
  EXPECT_EQ(DescribeEntry("", "2", "8:30"), "");
  EXPECT_EQ(DescribeEntry("3", "3", "8:30"), "");
  EXPECT_EQ(DescribeEntry("3", "", "8:30"), "");
}

TEST(ScheduleRow, AppendBuildsDescriptionAndLabel) {
  MainControls controls;
  ListView& list = controls.scheduleList;
  EXPECT_EQ(list.ColumnCount(), 5);
  const int monthly = AppendScheduleRow(list, "15", "1", "8:30", true);
  const int weekly = AppendScheduleRow(list, "3", "2", "12:00", false);
  EXPECT_EQ(list.ItemText(monthly, kScheduleDescriptionColumn), "每月份 15号 8:30");
  EXPECT_EQ(list.ItemText(monthly, kScheduleKindLabelColumn), "日期");
  EXPECT_EQ(list.Check(monthly), 1);
  EXPECT_EQ(list.ItemText(weekly, kScheduleDescriptionColumn), "每星期 星期三 12:00");
  EXPECT_EQ(list.ItemText(weekly, kScheduleKindLabelColumn), "星期");
  EXPECT_EQ(list.Check(weekly), 0);

  // Editing columns 0, 1 and 4 and rebuilding keeps 2 and 3 in step.
  list.SetItemText(weekly, kScheduleKindColumn, "1");
  list.SetItemText(weekly, kScheduleDayColumn, "20");
  DescribeScheduleRow(list, weekly);
  EXPECT_EQ(list.ItemText(weekly, kScheduleDescriptionColumn), "每月份 20号 12:00");
  EXPECT_EQ(list.ItemText(weekly, kScheduleKindLabelColumn), "日期");
}

}  // namespace
}  // namespace tarnvel
