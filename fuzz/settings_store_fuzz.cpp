// The settings store's records and the schedule dialog. Any stored value: load → save → load →
// save stores the same text (the task list, the schedule list, the run history and a daily
// slot's box). Any texts typed into the schedule dialog: the row it makes is stored, loaded and
// opened again with the same boxes, and it is due at the hour and minute its boxes show.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/property_check.h"
#include "runtime/controls.h"
#include "runtime/datetime.h"
#include "sync/main_controls.h"
#include "ui/schedule_dialog.h"
#include "ui/schedule_entry.h"
#include "ui/scheduler.h"
#include "ui/settings_store.h"

using namespace tarnvel;

namespace {

// The value of one or two digits, ASCII or full width (U+FF10..U+FF19); -1 for any other
// text. Written here apart from the code under test.
int DigitsValue(std::string_view text) {
  int value = 0, digits = 0;
  for (std::size_t i = 0; i < text.size(); ++digits) {
    if (text[i] >= '0' && text[i] <= '9') {
      value = value * 10 + (text[i] - '0');
      ++i;
    } else if (text.substr(i, 2) == "\xEF\xBC" && i + 2 < text.size() &&
               static_cast<unsigned char>(text[i + 2]) >= 0x90 &&
               static_cast<unsigned char>(text[i + 2]) <= 0x99) {
      value = value * 10 + (static_cast<unsigned char>(text[i + 2]) - 0x90);
      i += 3;
    } else {
      return -1;
    }
  }
  return digits >= 1 && digits <= 2 ? value : -1;
}

template <typename Control, typename Load, typename Save>
void SaveLoadSaveIsStable(std::string_view value, Load load, Save save) {
  Control first, second;
  load(first, value);
  const std::string saved = save(first);
  load(second, saved);
  PROPERTY(save(second) == saved);
}

class OneValue : public SettingsBackend {
 public:
  explicit OneValue(std::string value) : value_(std::move(value)) {}
  std::string Read(const std::string& path) const override {
    return path == ProductValue("A1") ? value_ : "";
  }
  bool Write(const std::string&, const std::string&) override { return true; }

 private:
  std::string value_;
};

void StoredRecords(std::string_view value) {
  SaveLoadSaveIsStable<ListView>(value, LoadTaskList, TaskListValue);
  SaveLoadSaveIsStable<ListView>(value, LoadScheduleList, ScheduleListValue);
  SaveLoadSaveIsStable<ListBox>(value, LoadRunHistory, RunHistoryValue);
  // A daily slot's box shows, after loading, a time it fires at.
  MainControls controls;
  OneValue backend{std::string(value)};
  SettingsStore(controls, backend).LoadSettings();
  const std::string shown = controls.dailySlots[0].hour.Text();
  if (!shown.empty()) {
    PROPERTY(CorrectedSlotText(shown, SlotBoxKind::Hour) == shown);
    PROPERTY(DigitsValue(shown) >= 0 && DigitsValue(shown) < 24 && SlotBoxValue(shown) == DigitsValue(shown));
  }
}

void DialogRow(std::string_view input) {
  if (input.size() < 2) return;
  const bool monthly = (input[0] & 1) != 0;
  const int day = static_cast<unsigned char>(input[1]) % (monthly ? 31 : 7) + 1;
  const std::string_view typed = input.substr(2);
  const std::size_t cut = typed.find('\n');
  ScheduleDialogState dialog;
  monthly ? dialog.ChooseMonthly() : dialog.ChooseWeekly();
  monthly ? dialog.SelectDay(day - 1) : dialog.SelectWeekday(day - 1);
  dialog.SetHour(std::string(typed.substr(0, cut)));
  dialog.SetMinute(cut == std::string_view::npos ? "" : std::string(typed.substr(cut + 1)));
  const ScheduleEntryTexts made = dialog.Accept();
  const int hour = DigitsValue(dialog.Hour()), minute = DigitsValue(dialog.Minute());
  PROPERTY(hour >= 0 && hour < 24 && minute >= 0 && minute < 60);

  ListView list, loaded;
  AppendScheduleRow(list, made.dayNumber, made.kind, made.time, true);
  LoadScheduleList(loaded, ScheduleListValue(list));
  PROPERTY(loaded.Count() == 1);
  const ScheduleEntryTexts back{loaded.ItemText(0, kScheduleDayColumn),
                                loaded.ItemText(0, kScheduleKindColumn),
                                loaded.ItemText(0, kScheduleTimeColumn)};
  ScheduleDialogState reopened;
  reopened.Open(back);
  PROPERTY(reopened.Hour() == dialog.Hour() && reopened.Minute() == dialog.Minute());
  PROPERTY(reopened.Monthly() == monthly);
  const ScheduleEntryTexts again = reopened.Accept();
  PROPERTY(again.dayNumber == made.dayNumber && again.kind == made.kind && again.time == made.time);

  // January 2024 starts on a Monday, so its day d is weekday d for d = 1..7.
  const DateTime due = MakeDateTime(2024, 1, day, hour, minute, 0);
  PROPERTY(CalendarEntryDue(back.dayNumber, back.kind, back.time, due));
  PROPERTY(
      !CalendarEntryDue(back.dayNumber, back.kind, back.time, MakeDateTime(2024, 1, day, hour, minute, 1)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  StoredRecords(input);
  DialogRow(input);
  return 0;
}
