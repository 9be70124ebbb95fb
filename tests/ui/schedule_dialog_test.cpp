#include "ui/schedule_dialog.h"

#include <gtest/gtest.h>

#include "runtime/dialogs.h"
#include "sync/main_controls.h"
#include "ui/schedule_entry.h"

namespace tarnvel {
namespace {

// A user who picks in the dialog as given and presses OK; `cancel` closes it instead.
ScheduleEditor User(std::function<void(ScheduleDialogState&)> pick, bool cancel = false) {
  return [pick, cancel](ScheduleEntryTexts& texts) {
    ScheduleDialogState dialog;
    dialog.Open(texts);
    if (pick) pick(dialog);
    if (!cancel) texts = dialog.Accept();
  };
}

TEST(ScheduleDialog, OpensOnTheCallersTextsAndGivesThemBack) {
  ScheduleDialogState monthly;
  monthly.Open({"15", "1", "8:30"});
  EXPECT_TRUE(monthly.Monthly());
  EXPECT_TRUE(monthly.DayListEnabled());
  EXPECT_FALSE(monthly.WeekdayListEnabled());
  EXPECT_EQ(monthly.DayPosition(), 14);
  EXPECT_EQ(monthly.Hour(), "8");
  EXPECT_EQ(monthly.Minute(), "30");
  const ScheduleEntryTexts back = monthly.Accept();
  EXPECT_EQ(back.dayNumber, "15");
  EXPECT_EQ(back.kind, "1");
  EXPECT_EQ(back.time, "8:30");

  ScheduleDialogState weekly;
  weekly.Open({"7", "2", "23:59"});
  EXPECT_FALSE(weekly.Monthly());
  EXPECT_TRUE(weekly.WeekdayListEnabled());
  EXPECT_EQ(weekly.WeekdayPosition(), 6);
  EXPECT_EQ(weekly.DayPosition(), 0);  // the day list keeps its own position
  weekly.ChooseMonthly();
  weekly.SelectDay(30);
  const ScheduleEntryTexts switched = weekly.Accept();
  EXPECT_EQ(switched.dayNumber, "31");
  EXPECT_EQ(switched.kind, "1");
  EXPECT_EQ(switched.time, "23:59");
}

TEST(ScheduleDialog, BoxesAreCorrectedSoTheEntryCanFire) {
  ScheduleDialogState dialog;
  dialog.Open({});
  dialog.SetHour("24");
  dialog.CorrectHour();
  EXPECT_EQ(dialog.Hour(), "00");
  dialog.SetHour("7");
  dialog.SetMinute("");  // OK without leaving the box: an entry ":" would never be due
  const ScheduleEntryTexts texts = dialog.Accept();
  EXPECT_EQ(texts.time, "7:00");
  EXPECT_EQ(texts.dayNumber, "1");
  EXPECT_EQ(texts.kind, "1");
  // A time that does not split into two parts leaves the boxes as they were.
  ScheduleDialogState odd;
  odd.Open({"3", "2", "8:30:00"});
  EXPECT_EQ(odd.Hour(), "");
  EXPECT_EQ(odd.WeekdayPosition(), 2);
}

TEST(ScheduleRoutines, AddAndEdit) {
  MainControls controls;
  ListView& list = controls.scheduleList;
  EXPECT_FALSE(AddScheduleEntry(controls, User(nullptr, /*cancel=*/true)));
  EXPECT_EQ(list.Count(), 0);

  EXPECT_TRUE(AddScheduleEntry(controls, User([](ScheduleDialogState& d) {
                                 d.ChooseWeekly();
                                 d.SelectWeekday(0);
                                 d.SetHour("8");
                                 d.SetMinute("30");
                               })));
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.ItemText(0, kScheduleDayColumn), "1");
  EXPECT_EQ(list.ItemText(0, kScheduleKindColumn), "2");
  EXPECT_EQ(list.ItemText(0, kScheduleDescriptionColumn), "每星期 星期一 8:30");
  EXPECT_EQ(list.ItemText(0, kScheduleKindLabelColumn), "星期");
  EXPECT_EQ(list.ItemText(0, kScheduleTimeColumn), "8:30");
  EXPECT_EQ(list.Check(0), 0);  // a new row starts unticked

  // Nothing selected: nothing to edit.
  EXPECT_FALSE(EditScheduleEntry(controls, User(nullptr)));
  list.SetCheck(0, 1);
  list.Select(0);
  EXPECT_TRUE(EditScheduleEntry(controls, User([](ScheduleDialogState& d) {
                                  d.ChooseMonthly();
                                  d.SelectDay(19);
                                  d.SetMinute("45");
                                })));
  EXPECT_EQ(list.ItemText(0, kScheduleDayColumn), "20");
  EXPECT_EQ(list.ItemText(0, kScheduleDescriptionColumn), "每月份 20号 8:45");
  EXPECT_EQ(list.ItemText(0, kScheduleKindLabelColumn), "日期");
  EXPECT_EQ(list.Check(0), 1);

  // A cancelled edit leaves the row as it was.
  EXPECT_TRUE(EditScheduleEntry(controls, User([](ScheduleDialogState& d) { d.SelectDay(2); }, true)));
  EXPECT_EQ(list.ItemText(0, kScheduleDescriptionColumn), "每月份 20号 8:45");
}

TEST(ScheduleRoutines, DeleteAndClearAsk) {
  MainControls controls;
  ListView& list = controls.scheduleList;
  for (const char* day : {"1", "2", "3"}) AppendScheduleRow(list, day, "1", "8:30", false);

  ScopedDialogScript script;
  EXPECT_FALSE(DeleteScheduleEntry(controls));  // nothing selected: nothing asked
  EXPECT_TRUE(script.Messages().empty());

  list.Select(1);
  script.AnswerMessage(kButtonCancel);
  EXPECT_FALSE(DeleteScheduleEntry(controls));
  EXPECT_EQ(list.Count(), 3);
  script.AnswerMessage(kButtonOk);
  EXPECT_TRUE(DeleteScheduleEntry(controls));
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.ItemText(1, kScheduleDayColumn), "3");
  auto messages = script.Messages();
  ASSERT_EQ(messages.size(), 3u);
  EXPECT_EQ(messages[0].message, "真的要删除么？");
  EXPECT_EQ(messages[0].flags, 33);
  EXPECT_EQ(messages[0].caption, "提示");
  EXPECT_EQ(messages[2].message, "删除完毕！");
  EXPECT_EQ(messages[2].flags, 64);

  // The Delete key: at once, without a question.
  list.Select(0);
  EXPECT_TRUE(DeleteSelectedScheduleEntry(controls));
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(script.Messages().size(), 3u);

  script.AnswerMessage(kButtonCancel);
  EXPECT_FALSE(ClearScheduleEntries(controls));
  EXPECT_EQ(list.Count(), 1);
  script.AnswerMessage(kButtonOk);
  EXPECT_TRUE(ClearScheduleEntries(controls));
  EXPECT_EQ(list.Count(), 0);
  messages = script.Messages();
  ASSERT_EQ(messages.size(), 6u);
  EXPECT_EQ(messages[3].message, "真的要清空么？");
  EXPECT_EQ(messages[3].flags, 33);
  EXPECT_EQ(messages[5].message, "清空完毕！");
  EXPECT_EQ(messages[5].caption, "提示");
}

TEST(ScheduleRoutines, ListShowsAndHides) {
  MainControls controls;
  const bool shown = controls.scheduleList.Visible();
  ToggleScheduleList(controls);
  EXPECT_EQ(controls.scheduleList.Visible(), !shown);
  ToggleScheduleList(controls);
  EXPECT_EQ(controls.scheduleList.Visible(), shown);
}

}  // namespace
}  // namespace tarnvel
