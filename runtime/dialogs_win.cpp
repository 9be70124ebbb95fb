// The system's dialogs: message boxes, the folder browser, pop-up menus and the system sound.
#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include "runtime/dialogs.h"
#include "runtime/encoding.h"

namespace tarnvel {
namespace {

// MessageBoxW's IDOK (1) .. IDNO (7) become OK 0 .. No 6.
int ButtonNumber(int id) {
  if (id >= IDOK && id <= IDNO) return id - IDOK;
  if (id == IDTRYAGAIN) return kButtonRetry;
  if (id == IDCONTINUE) return kButtonIgnore;
  return -1;
}

class SystemDialogs : public DialogService {
 public:
  int ShowMessage(const std::string& message, int flags, const std::string& caption) override {
    UINT style = static_cast<UINT>(flags);
    if ((style & MB_SYSTEMMODAL) == 0) style |= MB_TASKMODAL;
    const int id = MessageBoxW(nullptr, Utf8ToWide(message).c_str(), Utf8ToWide(caption).c_str(), style);
    return ButtonNumber(id);
  }

  std::string ChooseFolder(const std::string& title) override {
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::wstring wideTitle = Utf8ToWide(title);
    BROWSEINFOW info{};
    info.hwndOwner = GetActiveWindow();
    info.lpszTitle = wideTitle.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    std::string chosen;
    if (PIDLIST_ABSOLUTE list = SHBrowseForFolderW(&info)) {
      wchar_t path[MAX_PATH] = {};
      if (SHGetPathFromIDListW(list, path)) chosen = WideToUtf8(path);
      CoTaskMemFree(list);
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return chosen;
  }

  int PopupMenu(void* owner, const Menu& menu, std::optional<int> x, std::optional<int> y) override {
    HMENU popup = CreatePopupMenu();
    if (popup == nullptr) return 0;
    for (const MenuEntry& entry : menu) {
      if (entry.id == 0) {
        AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
        continue;
      }
      UINT flags = MF_STRING;
      if (!entry.enabled) flags |= MF_GRAYED;
      if (entry.checked) flags |= MF_CHECKED;
      AppendMenuW(popup, flags, static_cast<UINT_PTR>(entry.id), Utf8ToWide(entry.text).c_str());
    }
    POINT at{};
    GetCursorPos(&at);
    if (x) at.x = *x;
    if (y) at.y = *y;
    HWND hwnd = static_cast<HWND>(owner);
    // A menu of a background window (the notification area's) closes only when its owner is
    // in front, and needs a message after it to close on the first click elsewhere.
    SetForegroundWindow(hwnd);
    const int chosen = static_cast<int>(
        TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, hwnd, nullptr));
    PostMessageW(hwnd, WM_NULL, 0, 0);
    DestroyMenu(popup);
    return chosen;
  }

  void Beep() override { MessageBeep(MB_OK); }
};

}  // namespace

DialogService& SystemDialogService() {
  static SystemDialogs service;
  return service;
}

}  // namespace tarnvel
