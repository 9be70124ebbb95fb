// The notification-area icons and the taskbar watch.
#include <windows.h>

#include <shellapi.h>

#include <cwchar>

#include "runtime/encoding.h"
#include "ui/tray.h"

namespace tarnvel {
namespace {

constexpr UINT kIconId = 1;

HWND H(const Window& window) { return static_cast<HWND>(window.Handle()); }

// The window's small icon, as the window or its class has it.
HICON SmallIconOf(HWND hwnd) {
  auto icon = reinterpret_cast<HICON>(SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0));
  if (icon == nullptr) icon = reinterpret_cast<HICON>(GetClassLongPtrW(hwnd, GCLP_HICONSM));
  if (icon == nullptr) icon = reinterpret_cast<HICON>(GetClassLongPtrW(hwnd, GCLP_HICON));
  return icon != nullptr ? icon : LoadIconW(nullptr, IDI_APPLICATION);
}

template <std::size_t N>
void CopyField(wchar_t (&field)[N], const std::string& text) {
  const std::wstring wide = Utf8ToWide(CutToUtf16Field(text, N));
  wcsncpy(field, wide.c_str(), N - 1);
  field[N - 1] = L'\0';
}

UINT TaskbarCreatedMessage() {
  static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
  return message;
}

NOTIFYICONDATAW IconRecord(HWND hwnd, UINT flags) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = hwnd;
  data.uID = kIconId;
  data.uFlags = flags;
  return data;
}

// The watched window: its tip and the procedure the watch calls on to.
struct TaskbarWatch {
  HWND window = nullptr;
  std::string tip;
  WNDPROC previous = nullptr;
};
TaskbarWatch watch;

void ShowIcon(HWND hwnd, const std::string& tip) {
  NOTIFYICONDATAW data = IconRecord(hwnd, NIF_MESSAGE | NIF_ICON | NIF_TIP);
  data.uCallbackMessage = kTrayCallbackMessage;
  data.hIcon = SmallIconOf(hwnd);
  CopyField(data.szTip, tip);
  if (!Shell_NotifyIconW(NIM_MODIFY, &data)) Shell_NotifyIconW(NIM_ADD, &data);
}

void RemoveIcon(HWND hwnd) {
  NOTIFYICONDATAW data = IconRecord(hwnd, 0);
  Shell_NotifyIconW(NIM_DELETE, &data);
}

LRESULT CALLBACK WatchProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == TaskbarCreatedMessage() && hwnd == watch.window) {
    // The new taskbar knows no icons: add ours again.
    RemoveIcon(hwnd);
    ShowIcon(hwnd, watch.tip);
  }
  WNDPROC previous = watch.previous;
  if (message == WM_NCDESTROY && hwnd == watch.window) {
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    watch = {};
  }
  return CallWindowProcW(previous, hwnd, message, wparam, lparam);
}

// The record of the last icon AddTrayIcon added, which ShowBalloon changes.
NOTIFYICONDATAW balloonRecord{};

}  // namespace

void SetTrayIcon(Window& window, bool show, const std::string& tip) {
  if (H(window) == nullptr) return;
  if (show) {
    ShowIcon(H(window), tip);
  } else {
    RemoveIcon(H(window));
  }
}

void InstallTaskbarWatch(Window& window, const std::string& tip, bool tipGiven) {
  HWND hwnd = H(window);
  if (hwnd == nullptr) return;
  const std::string shown = tipGiven ? tip : window.Title();
  ShowIcon(hwnd, shown);
  TaskbarCreatedMessage();
  if (watch.window == hwnd) {
    watch.tip = shown;
    return;
  }
  watch.window = hwnd;
  watch.tip = shown;
  watch.previous = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchProcedure)));
}

std::string WatchedTip() { return watch.tip; }

int TrayEventKind(std::intptr_t mouseMessage) {
  switch (mouseMessage) {
    case WM_LBUTTONUP:
      return 1;
    case WM_LBUTTONDBLCLK:
      return 2;
    case WM_RBUTTONUP:
    case WM_CONTEXTMENU:
      return 3;
    default:
      return 0;
  }
}

unsigned AddTrayIcon(Window& window, const std::string& tip, unsigned callbackMessage) {
  const UINT taskbarCreated = TaskbarCreatedMessage();
  HWND hwnd = H(window);
  balloonRecord = IconRecord(hwnd, NIF_MESSAGE | NIF_ICON | NIF_TIP);
  balloonRecord.uCallbackMessage = callbackMessage;
  balloonRecord.hIcon = hwnd != nullptr ? SmallIconOf(hwnd) : nullptr;
  CopyField(balloonRecord.szTip, tip);
  Shell_NotifyIconW(NIM_ADD, &balloonRecord);
  return taskbarCreated;
}

void ShowBalloon(const std::string& title, const std::string& text, int kind) {
  if (balloonRecord.hWnd == nullptr) return;
  balloonRecord.uFlags = NIF_INFO;
  CopyField(balloonRecord.szInfo, text);
  CopyField(balloonRecord.szInfoTitle, title);
  balloonRecord.dwInfoFlags = kind == 2 ? NIIF_WARNING : kind == 3 ? NIIF_ERROR : NIIF_INFO;
  Shell_NotifyIconW(NIM_MODIFY, &balloonRecord);
}

std::string LastBalloonTitle() { return WideToUtf8(balloonRecord.szInfoTitle); }
std::string LastBalloonText() { return WideToUtf8(balloonRecord.szInfo); }

}  // namespace tarnvel
