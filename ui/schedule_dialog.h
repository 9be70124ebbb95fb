// The schedule dialog and the routines of the schedule list: add, edit, delete and clear
// calendar entries, and show or hide the list.
//
// The dialog exchanges three texts with its caller: the day number, the kind ("1" monthly,
// "2" weekly) and the time (hour + ":" + minute). Its logic is ScheduleDialogState, which
// works without a window; the routines take the dialog as a function, so that the window
// passes its modal dialog and a test answers as a user would.
#pragma once

#include <functional>
#include <string>

namespace tarnvel {

struct MainControls;
class Window;

struct ScheduleEntryTexts {
  std::string dayNumber;
  std::string kind;
  std::string time;
};

// Opens the dialog modally over the texts: on OK it writes them, closed any other way it
// leaves them as they were.
using ScheduleEditor = std::function<void(ScheduleEntryTexts& texts)>;

// What the dialog shows: the two options, the day list (position p is day p + 1, 31 items),
// the weekday list (position p is day number p + 1, Monday first, 7 items), the hour and the
// minute box. Only the list of the chosen option is enabled.
class ScheduleDialogState {
 public:
  static constexpr int kDays = 31;
  static constexpr int kWeekdays = 7;

  // Fills the dialog from the caller's texts: the list of the kind gets the day, the option
  // follows the kind (monthly when none is given), a time of exactly two parts fills the boxes.
  void Open(const ScheduleEntryTexts& texts);
  void ChooseMonthly();
  void ChooseWeekly();
  bool Monthly() const { return monthly_; }
  bool DayListEnabled() const { return monthly_; }
  bool WeekdayListEnabled() const { return !monthly_; }

  int DayPosition() const { return dayPosition_; }
  int WeekdayPosition() const { return weekdayPosition_; }
  void SelectDay(int position);
  void SelectWeekday(int position);

  std::string Hour() const { return hour_; }
  std::string Minute() const { return minute_; }
  // The texts as typed; the boxes are corrected when the user leaves them (Correct*).
  void SetHour(const std::string& text) { hour_ = text; }
  void SetMinute(const std::string& text) { minute_ = text; }
  void CorrectHour();
  void CorrectMinute();

  // OK: the texts of the chosen option, its day and the boxes. A box still uncorrected is
  // corrected first, so no entry is stored with a time it cannot fire at.
  ScheduleEntryTexts Accept();

 private:
  bool monthly_ = true;
  int dayPosition_ = 0;
  int weekdayPosition_ = 0;
  std::string hour_;
  std::string minute_;
};

// Adds an entry through the dialog; a cancelled dialog adds nothing. The new row is unticked.
// Returns whether a row was added.
bool AddScheduleEntry(MainControls& controls, const ScheduleEditor& editor);
// Edits the selected row through the dialog and rebuilds its description and label.
bool EditScheduleEntry(MainControls& controls, const ScheduleEditor& editor);
// Asks "真的要删除么？" and on OK deletes the selected row and says "删除完毕！".
bool DeleteScheduleEntry(MainControls& controls);
// The Delete key in the schedule list: deletes the selected row at once, without asking.
bool DeleteSelectedScheduleEntry(MainControls& controls);
// Asks "真的要清空么？" and on OK deletes every row and says "清空完毕！".
bool ClearScheduleEntries(MainControls& controls);
// Shows the schedule list when hidden, hides it when shown.
void ToggleScheduleList(MainControls& controls);

// The schedule menu's entries, commands of the main window.
enum ScheduleMenuId : int {
  kMenuAddSchedule = 310,
  kMenuEditSchedule,
  kMenuDeleteSchedule,
  kMenuClearSchedule,
};

// The schedule dialog's window (Windows build): a modal dialog over the owner, the
// ScheduleEditor of the menu's add and edit entries.
ScheduleEditor ScheduleDialogEditor(Window& owner);
// Pops up the schedule menu (at the mouse, or under the list's selected row when the keyboard
// asked for it) and carries out the entry chosen.
void ScheduleMenu(Window& owner, MainControls& controls, bool fromKeyboard);
// Carries out a schedule menu command; false when the id is none of them.
bool ScheduleCommand(Window& owner, MainControls& controls, int id);

}  // namespace tarnvel
