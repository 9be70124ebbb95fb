// The schedule dialog's window (a dialog template of the program's resources) over
// ScheduleDialogState, and the schedule menu of the main window.
#include <windows.h>

#include <commctrl.h>

#include <exception>
#include <string>

#include "res/resource_ids.h"
#include "runtime/dialogs.h"
#include "runtime/encoding.h"
#include "runtime/values.h"
#include "runtime/window.h"
#include "sync/main_controls.h"
#include "ui/schedule_dialog.h"
#include "ui/schedule_entry.h"

namespace tarnvel {
namespace {

// What one opening of the dialog works on: the caller's texts and the dialog's state.
struct ScheduleDialogSession {
  ScheduleEntryTexts* texts = nullptr;
  ScheduleDialogState state;
};

std::string ItemText(HWND dialog, int id) {
  HWND item = GetDlgItem(dialog, id);
  const int length = GetWindowTextLengthW(item);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(item, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return WideToUtf8(text);
}

void SetItemText(HWND dialog, int id, const std::string& text) {
  SetDlgItemTextW(dialog, id, Utf8ToWide(text).c_str());
}

void FillList(HWND dialog, int id, int count, std::string (*text)(int), int selected) {
  HWND list = GetDlgItem(dialog, id);
  for (int day = 1; day <= count; ++day) {
    SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Utf8ToWide(text(day)).c_str()));
  }
  SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

int ListPosition(HWND dialog, int id) {
  return static_cast<int>(SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0));
}

// The option shown and its list enabled, the other list disabled.
void ShowOption(HWND dialog, const ScheduleDialogState& state) {
  CheckRadioButton(dialog, IDC_SCHEDULE_MONTHLY, IDC_SCHEDULE_WEEKLY,
                   state.Monthly() ? IDC_SCHEDULE_MONTHLY : IDC_SCHEDULE_WEEKLY);
  EnableWindow(GetDlgItem(dialog, IDC_SCHEDULE_DAYS), state.DayListEnabled());
  EnableWindow(GetDlgItem(dialog, IDC_SCHEDULE_WEEKDAYS), state.WeekdayListEnabled());
}

void OnInit(HWND dialog, ScheduleDialogSession& session) {
  ScheduleDialogState& state = session.state;
  state.Open(*session.texts);
  FillList(dialog, IDC_SCHEDULE_DAYS, ScheduleDialogState::kDays, DayText, state.DayPosition());
  FillList(dialog, IDC_SCHEDULE_WEEKDAYS, ScheduleDialogState::kWeekdays, WeekdayName,
           state.WeekdayPosition());
  SendDlgItemMessageW(dialog, IDC_SCHEDULE_HOUR, EM_SETLIMITTEXT, 2, 0);
  SendDlgItemMessageW(dialog, IDC_SCHEDULE_MINUTE, EM_SETLIMITTEXT, 2, 0);
  SetItemText(dialog, IDC_SCHEDULE_HOUR, state.Hour());
  SetItemText(dialog, IDC_SCHEDULE_MINUTE, state.Minute());
  ShowOption(dialog, state);
}

// A time box the user has left shows the time the entry fires at.
void CorrectBox(HWND dialog, ScheduleDialogState& state, int id) {
  if (id == IDC_SCHEDULE_HOUR) {
    state.SetHour(ItemText(dialog, id));
    state.CorrectHour();
    if (ItemText(dialog, id) != state.Hour()) SetItemText(dialog, id, state.Hour());
  } else {
    state.SetMinute(ItemText(dialog, id));
    state.CorrectMinute();
    if (ItemText(dialog, id) != state.Minute()) SetItemText(dialog, id, state.Minute());
  }
}

void Accept(HWND dialog, ScheduleDialogSession& session) {
  ScheduleDialogState& state = session.state;
  state.SelectDay(ListPosition(dialog, IDC_SCHEDULE_DAYS));
  state.SelectWeekday(ListPosition(dialog, IDC_SCHEDULE_WEEKDAYS));
  state.SetHour(ItemText(dialog, IDC_SCHEDULE_HOUR));
  state.SetMinute(ItemText(dialog, IDC_SCHEDULE_MINUTE));
  *session.texts = state.Accept();
  EndDialog(dialog, IDOK);
}

void OnCommand(HWND dialog, ScheduleDialogSession& session, int id, int code) {
  ScheduleDialogState& state = session.state;
  switch (id) {
    case IDOK:
      Accept(dialog, session);
      break;
    case IDCANCEL:
      EndDialog(dialog, IDCANCEL);
      break;
    case IDC_SCHEDULE_MONTHLY:
    case IDC_SCHEDULE_WEEKLY:
      if (code != BN_CLICKED) break;
      if (id == IDC_SCHEDULE_MONTHLY) {
        state.ChooseMonthly();
      } else {
        state.ChooseWeekly();
      }
      ShowOption(dialog, state);
      break;
    case IDC_SCHEDULE_HOUR:
    case IDC_SCHEDULE_MINUTE:
      if (code == EN_KILLFOCUS) CorrectBox(dialog, state, id);
      break;
    default:
      break;
  }
}

INT_PTR CALLBACK ScheduleDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  try {
    if (message == WM_INITDIALOG) {
      auto* session = reinterpret_cast<ScheduleDialogSession*>(lparam);
      SetWindowLongPtrW(dialog, DWLP_USER, lparam);
      OnInit(dialog, *session);
      return TRUE;  // the focus goes to the first tab stop, the chosen option
    }
    auto* session = reinterpret_cast<ScheduleDialogSession*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (session == nullptr) return FALSE;
    if (message == WM_COMMAND) {
      OnCommand(dialog, *session, LOWORD(wparam), HIWORD(wparam));
      return TRUE;
    }
  } catch (const std::exception& error) {
    ReportException(error);
  } catch (...) {
    ReportException(RuntimeError("日历计划窗口出错"));
  }
  return FALSE;
}

// Opens the dialog modally over the owner: OK writes the texts, any other close leaves them.
void RunScheduleDialog(Window& owner, ScheduleEntryTexts& texts) {
  ScheduleDialogSession session;
  session.texts = &texts;
  const INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_SCHEDULE),
                                         static_cast<HWND>(owner.Handle()), ScheduleDialogProc,
                                         reinterpret_cast<LPARAM>(&session));
  if (result == -1) throw RuntimeError("日历计划窗口无法打开");
}

// The point under the selected row (or the list's corner) for a menu the keyboard asked for.
POINT KeyboardMenuPoint(ListView& list) {
  HWND hwnd = reinterpret_cast<HWND>(WindowHandle(list));
  RECT at{4, 4, 4, 4};
  const int row = list.Selection();
  if (row >= 0) {
    at.left = LVIR_LABEL;
    SendMessageW(hwnd, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&at));
  }
  POINT point{at.left, at.bottom};
  ClientToScreen(hwnd, &point);
  return point;
}

}  // namespace

ScheduleEditor ScheduleDialogEditor(Window& owner) {
  return [&owner](ScheduleEntryTexts& texts) { RunScheduleDialog(owner, texts); };
}

void ScheduleMenu(Window& owner, MainControls& controls, bool fromKeyboard) {
  ListView& list = controls.scheduleList;
  const bool selected = list.Selection() >= 0 && list.Selection() < list.Count();
  const Menu menu = {{kMenuAddSchedule, "添加计划(&A)..."},
                     {kMenuEditSchedule, "修改计划(&E)...", selected},
                     {kMenuDeleteSchedule, "删除计划(&D)", selected},
                     {0, ""},
                     {kMenuClearSchedule, "清空计划(&C)", list.Count() > 0}};
  int chosen = 0;
  if (fromKeyboard) {
    const POINT at = KeyboardMenuPoint(list);
    chosen = PopupMenu(owner, menu, at.x, at.y);
  } else {
    chosen = PopupMenu(owner, menu);
  }
  if (chosen != 0) ScheduleCommand(owner, controls, chosen);
}

bool ScheduleCommand(Window& owner, MainControls& controls, int id) {
  switch (id) {
    case kMenuAddSchedule:
      AddScheduleEntry(controls, ScheduleDialogEditor(owner));
      return true;
    case kMenuEditSchedule:
      EditScheduleEntry(controls, ScheduleDialogEditor(owner));
      return true;
    case kMenuDeleteSchedule:
      DeleteScheduleEntry(controls);
      return true;
    case kMenuClearSchedule:
      ClearScheduleEntries(controls);
      return true;
    default:
      return false;
  }
}

}  // namespace tarnvel
