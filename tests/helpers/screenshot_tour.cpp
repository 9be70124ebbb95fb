// screenshot_tour.exe SHOTS_DIR SOURCE TARGET
// Drives Tarnvel.exe through the states the documentation shows, for tools/screenshots: the
// empty main window, the schedule dialog, the schedule page, the task dialog, a run in the
// middle of copying, the window after a run with a failure, a preview with the clean-up on, and
// the question before a clean-up that would remove most of the target. At each state it writes
// SHOTS_DIR\NAME.ready holding the screen rectangle to photograph ("left top right bottom")
// and waits until the photographer has written SHOTS_DIR\NAME.done.
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace {

const wchar_t kProgram[] = L"Y:\\Tarnvel.exe";
const wchar_t kMainTitle[] = L"Orvane目录同步 V:2.5";

std::wstring shots;

bool WaitUntil(const std::function<bool()>& done, int tries = 3000) {
  for (int i = 0; i < tries; ++i) {
    if (done()) return true;
    Sleep(10);
  }
  return false;
}

HWND FindTop(DWORD process, const std::wstring& title) {
  struct Search {
    DWORD process;
    std::wstring title;
    HWND found;
  } search{process, title, nullptr};
  EnumWindows(
      [](HWND hwnd, LPARAM param) {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        wchar_t text[256] = {};
        GetWindowTextW(hwnd, text, 256);
        if (owner == s->process && s->title == text && IsWindowVisible(hwnd)) {
          s->found = hwnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitForTop(DWORD process, const std::wstring& title) {
  HWND hwnd = nullptr;
  WaitUntil([&] { return (hwnd = FindTop(process, title)) != nullptr; });
  return hwnd;
}

void Type(HWND box, const std::wstring& text) {
  HWND edit = FindWindowExW(box, nullptr, L"Edit", nullptr);
  SendMessageW(edit != nullptr ? edit : box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Command(HWND window, int id) { PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

void Settle(HWND window) {
  SendMessageW(window, WM_NULL, 0, 0);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Sleep(300);  // the X server draws what Wine sent; nothing in the program tells when it has
}

// Asks for a photograph of the union of the windows' rectangles and waits until it is taken.
void Shoot(const std::wstring& name, std::initializer_list<HWND> windows) {
  RECT all{};
  for (HWND hwnd : windows) {
    if (hwnd == nullptr) continue;
    Settle(hwnd);
    RECT r{};
    GetWindowRect(hwnd, &r);
    if (IsRectEmpty(&all)) {
      all = r;
    } else {
      UnionRect(&all, &all, &r);
    }
  }
  const std::wstring done = shots + L"\\" + name + L".done";
  DeleteFileW(done.c_str());
  FILE* file = _wfopen((shots + L"\\" + name + L".ready").c_str(), L"w");
  if (file == nullptr) return;
  std::fprintf(file, "%ld %ld %ld %ld\n", all.left, all.top, all.right, all.bottom);
  std::fclose(file);
  WaitUntil([&] { return GetFileAttributesW(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, 6000);
}

HWND WaitForBox(const std::wstring& caption) {
  HWND box = nullptr;
  WaitUntil(
      [&] { return (box = FindWindowW(L"#32770", caption.c_str())) != nullptr && IsWindowVisible(box); });
  return box;
}

void Answer(HWND box, int button) {
  PostMessageW(box, WM_COMMAND, button, 0);
  WaitUntil([&] { return !IsWindow(box); });
}

void AddScheduleEntry(DWORD process, HWND main, bool weekly, int position, const wchar_t* hour,
                      const wchar_t* minute, bool shoot) {
  Command(main, 310);
  HWND dialog = WaitForTop(process, L"日历计划");
  if (dialog == nullptr) return;
  if (weekly) {
    SendMessageW(GetDlgItem(dialog, 202), BM_CLICK, 0, 0);
    SendMessageW(GetDlgItem(dialog, 204), CB_SETCURSEL, position, 0);
  } else {
    SendMessageW(GetDlgItem(dialog, 203), CB_SETCURSEL, position, 0);
  }
  Type(GetDlgItem(dialog, 206), hour);
  Type(GetDlgItem(dialog, 208), minute);
  if (shoot) Shoot(L"schedule-dialog", {main, dialog});
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  WaitUntil([&] { return !IsWindow(dialog); });
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: screenshot_tour SHOTS_DIR SOURCE TARGET\n");
    return 2;
  }
  shots = argv[1];
  const std::wstring source = argv[2];
  const std::wstring target = argv[3];
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) RegDeleteTreeW(root, L"SOFTWARE\\kelvotra");

  std::wstring line = std::wstring(L"\"") + kProgram + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(kProgram, line.data(), nullptr, nullptr, FALSE, 0, nullptr, L"Z:\\", &startup, &info)) {
    std::fprintf(stderr, "screenshot_tour: Tarnvel.exe did not start\n");
    return 1;
  }
  const DWORD process = info.dwProcessId;
  HWND main = WaitForTop(process, kMainTitle);
  if (main == nullptr) return 1;
  Shoot(L"main-window", {main});

  // The schedule: two entries through the dialog (photographed over the window), a daily slot.
  AddScheduleEntry(process, main, true, 0, L"8", L"30", true);
  AddScheduleEntry(process, main, false, 14, L"23", L"00", false);
  HWND tabs = GetDlgItem(main, 111);
  PostMessageW(tabs, WM_KEYDOWN, VK_RIGHT, 1);
  WaitUntil([&] { return IsWindowVisible(GetDlgItem(main, 140)) != FALSE; });
  SendMessageW(GetDlgItem(main, 120), BM_CLICK, 0, 0);
  Type(GetDlgItem(main, 121), L"12");
  Type(GetDlgItem(main, 122), L"30");
  Type(GetDlgItem(main, 123), L"00");
  Shoot(L"main-window-schedule", {main});
  PostMessageW(tabs, WM_KEYDOWN, VK_LEFT, 1);
  WaitUntil([&] { return IsWindowVisible(GetDlgItem(main, 112)) != FALSE; });

  // The task dialog as a user fills it.
  Command(main, 300);
  HWND task = WaitForTop(process, L"同步任务");
  if (task != nullptr) {
    Type(GetDlgItem(task, 100), L"D:\\照片");
    Type(GetDlgItem(task, 102), L"E:\\备份\\照片");
    Shoot(L"task-dialog", {main, task});
    PostMessageW(task, WM_COMMAND, IDCANCEL, 0);
    WaitUntil([&] { return !IsWindow(task); });
  }

  // A run: photographed while the copied-files log fills, and after it with the file that
  // another program held open shown on the failures page.
  Type(GetDlgItem(main, 100), source);
  Type(GetDlgItem(main, 102), target);
  HANDLE held =
      CreateFileW((source + L"\\held.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  Command(main, 104);
  WaitUntil([&] { return SendMessageW(GetDlgItem(main, 152), LB_GETCOUNT, 0, 0) > 400; });
  Shoot(L"main-window-running", {main});
  HWND done = WaitForBox(L"信息");
  if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
  if (done != nullptr) Answer(done, IDOK);
  Shoot(L"main-window-after-failure", {main});

  // The source changes: some files get new content, two albums go. A preview with the
  // clean-up on lists the replaces and the removals, and changes nothing.
  for (int f = 0; f < 5; ++f) {
    std::ofstream(std::filesystem::path(source) / L"相册00" / (L"IMG_0000" + std::to_wstring(f) + L".jpg"),
                  std::ios::binary | std::ios::app)
        << "edited";
  }
  for (const wchar_t* album : {L"相册28", L"相册29"})
    std::filesystem::remove_all(std::filesystem::path(source) / album);
  // Ticking the clean-up asks first (a modal box: the click is posted, the box answered).
  PostMessageW(GetDlgItem(main, 106), BM_CLICK, 0, 0);
  if (HWND warning = WaitForBox(L"提示")) Answer(warning, IDOK);
  Command(main, 175);  // the preview control
  WaitUntil([&] {
    wchar_t status[512] = {};
    GetWindowTextW(GetDlgItem(main, 160), status, 512);
    return std::wstring(status).find(L"预览，没有改动") != std::wstring::npos;
  });
  HWND logs = GetDlgItem(main, 150);
  for (int i = 0; i < 3; ++i) PostMessageW(logs, WM_KEYDOWN, VK_LEFT, 1);
  WaitUntil([&] { return IsWindowVisible(GetDlgItem(main, 152)) != FALSE; });
  Shoot(L"main-window-preview", {main});

  // Most of the source gone: the run asks before its clean-up; Cancel only copies.
  for (int d = 2; d < 28; ++d) {
    wchar_t album[16];
    std::swprintf(album, 16, L"相册%02d", d);
    std::filesystem::remove_all(std::filesystem::path(source) / album);
  }
  Command(main, 104);
  if (HWND question = WaitForBox(L"提示")) {
    Shoot(L"mass-removal-question", {main, question});
    Answer(question, IDCANCEL);
  }
  if (HWND finished = WaitForBox(L"信息")) Answer(finished, IDOK);

  Command(main, 110);
  if (HWND box = WaitForBox(L"提示")) Answer(box, IDOK);
  WaitForSingleObject(info.hProcess, 30000);
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) RegDeleteTreeW(root, L"SOFTWARE\\kelvotra");
  return 0;
}
