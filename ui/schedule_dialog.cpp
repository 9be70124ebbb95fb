#include "ui/schedule_dialog.h"

#include "runtime/convert.h"
#include "runtime/dialogs.h"
#include "runtime/text.h"
#include "sync/main_controls.h"
#include "ui/schedule_entry.h"
#include "ui/scheduler.h"

namespace tarnvel {

void ScheduleDialogState::Open(const ScheduleEntryTexts& texts) {
  if (!texts.dayNumber.empty()) {
    const int position = ToInteger(texts.dayNumber) - 1;
    if (texts.kind == kMonthlyKind) SelectDay(position);
    if (texts.kind == kWeeklyKind) SelectWeekday(position);
  }
  if (texts.kind == kMonthlyKind) monthly_ = true;
  if (texts.kind == kWeeklyKind) monthly_ = false;
  const TextArray parts = SplitText(texts.time, ":");
  if (parts.size() == 2) {
    hour_ = parts[0];
    minute_ = parts[1];
  }
}

void ScheduleDialogState::ChooseMonthly() { monthly_ = true; }
void ScheduleDialogState::ChooseWeekly() { monthly_ = false; }

void ScheduleDialogState::SelectDay(int position) {
  if (position >= 0 && position < kDays) dayPosition_ = position;
}

void ScheduleDialogState::SelectWeekday(int position) {
  if (position >= 0 && position < kWeekdays) weekdayPosition_ = position;
}

void ScheduleDialogState::CorrectHour() { hour_ = CorrectedSlotText(hour_, SlotBoxKind::Hour); }
void ScheduleDialogState::CorrectMinute() { minute_ = CorrectedSlotText(minute_, SlotBoxKind::Minute); }

ScheduleEntryTexts ScheduleDialogState::Accept() {
  CorrectHour();
  CorrectMinute();
  ScheduleEntryTexts texts;
  if (monthly_) {
    texts.dayNumber = ToText(dayPosition_ + 1);
    texts.kind = kMonthlyKind;
  } else {
    texts.dayNumber = ToText(weekdayPosition_ + 1);
    texts.kind = kWeeklyKind;
  }
  texts.time = hour_ + ":" + minute_;
  return texts;
}

bool AddScheduleEntry(MainControls& controls, const ScheduleEditor& editor) {
  ScheduleEntryTexts texts;
  if (editor) editor(texts);
  if (texts.dayNumber.empty() || texts.kind.empty()) return false;  // cancelled
  AppendScheduleRow(controls.scheduleList, texts.dayNumber, texts.kind, texts.time, false);
  return true;
}

bool EditScheduleEntry(MainControls& controls, const ScheduleEditor& editor) {
  ListView& list = controls.scheduleList;
  const int row = list.Selection();
  if (row < 0 || row >= list.Count()) return false;
  ScheduleEntryTexts texts{list.ItemText(row, kScheduleDayColumn), list.ItemText(row, kScheduleKindColumn),
                           list.ItemText(row, kScheduleTimeColumn)};
  if (editor) editor(texts);
  list.SetItemText(row, kScheduleDayColumn, texts.dayNumber);
  list.SetItemText(row, kScheduleKindColumn, texts.kind);
  list.SetItemText(row, kScheduleTimeColumn, texts.time);
  DescribeScheduleRow(list, row);
  return true;
}

bool DeleteSelectedScheduleEntry(MainControls& controls) {
  ListView& list = controls.scheduleList;
  const int row = list.Selection();
  if (row < 0 || row >= list.Count()) return false;
  list.Delete(row);
  return true;
}

bool DeleteScheduleEntry(MainControls& controls) {
  ListView& list = controls.scheduleList;
  const int row = list.Selection();
  if (row < 0 || row >= list.Count()) return false;
  if (ShowMessage("真的要删除么？", kMessageOkCancel | kMessageIconQuestion, "提示") != kButtonOk)
    return false;
  list.Delete(row);
  ShowMessage("删除完毕！", kMessageIconInformation, "提示");
  return true;
}

bool ClearScheduleEntries(MainControls& controls) {
  if (ShowMessage("真的要清空么？", kMessageOkCancel | kMessageIconQuestion, "提示") != kButtonOk)
    return false;
  controls.scheduleList.Clear();
  ShowMessage("清空完毕！", kMessageIconInformation, "提示");
  return true;
}

void ToggleScheduleList(MainControls& controls) {
  controls.scheduleList.SetVisible(!controls.scheduleList.Visible());
}

}  // namespace tarnvel
