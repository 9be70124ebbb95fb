// Tarnvel.exe's main window driven from outside, second part: the schedule dialog and its
// menu, runs started by the start control, by ticked task rows and by a daily slot, a run
// stopped midway, and the settings surviving an exit and a restart, read back with
// `reg export`. Trees are compared with std::filesystem.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "tests/support/program_window_win.h"
#include "tests/support/sandbox.h"

namespace {

namespace fs = std::filesystem;
using namespace tarnvel::test;

// The main window's control ids and menu commands (the program's command ids).
enum : int {
  kSourceBox = 100,
  kTargetBox = 102,
  kStart = 104,
  kStop = 105,
  kCleanUp = 106,
  kExit = 110,
  kPages = 111,
  kTaskList = 112,
  kSlotFirst = 120,  // slot k: switch 120 + 4k, hour + 1, minute + 2, second + 3
  kScheduleList = 140,
  kCalendarSwitch = 141,
  kIntervalBox = 143,
  kScheduleListToggle = 144,
  kCopiedLog = 152,
  kRemovedFilesLog = 154,
  kFailuresLog = 155,
  kRunHistory = 156,
  kStatusLine = 160,
  kDirectoryCounter = 161,
  kFileCounter = 162,
  kAddTask = 300,
  kAddSchedule = 310,
};

// The schedule dialog's controls.
enum : int {
  kMonthly = 201,
  kWeekly = 202,
  kDays = 203,
  kWeekdays = 204,
  kHour = 206,
  kMinute = 208,
};

const std::wstring kScheduleTitle = L"日历计划";

HWND Item(HWND window, int id) { return GetDlgItem(window, id); }

int Count(HWND window, int id, UINT message) {
  return static_cast<int>(SendMessageW(Item(window, id), message, 0, 0));
}

std::wstring ComboItem(HWND combo, int index) {
  wchar_t text[64] = {};
  if (SendMessageW(combo, CB_GETLBTEXTLEN, index, 0) >= 64) return L"<too long>";
  SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
  return text;
}

bool Checked(HWND window, int id) { return SendMessageW(Item(window, id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

// A key pressed while the window (or the dialog holding it) has the focus.
void Key(HWND window, WPARAM key) {
  PostMessageW(window, WM_KEYDOWN, key, 1);
  PostMessageW(window, WM_KEYUP, key, 0xC0000001);
}

// A click (or a double click) on a list view's row, counted from its header.
void ClickRow(HWND list, bool twice) {
  RECT header{};
  GetWindowRect(FindWindowExW(list, nullptr, WC_HEADERW, nullptr), &header);
  MapWindowPoints(nullptr, list, reinterpret_cast<POINT*>(&header), 2);
  const LPARAM at = MAKELPARAM(60, header.bottom + 6);
  PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(list, WM_LBUTTONUP, 0, at);
  if (!twice) return;
  PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  PostMessageW(list, WM_LBUTTONUP, 0, at);
}

std::wstring LocalTimeText(const SYSTEMTIME& t) {
  return std::to_wstring(t.wHour) + L":" + std::to_wstring(t.wMinute) + L":" + std::to_wstring(t.wSecond);
}

// Relative paths and contents of every file below the root.
std::map<std::wstring, std::string> FilesOf(const fs::path& root) {
  std::map<std::wstring, std::string> files;
  if (!fs::exists(root)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    files[fs::relative(entry.path(), root).wstring()] =
        std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  return files;
}

void WriteFile(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

// A tree big enough for a run to be caught midway: 40 folders of 100 small files.
constexpr std::size_t kManyFiles = 4000;
void WriteManyFiles(const fs::path& root) {
  for (int d = 0; d < 40; ++d) {
    fs::create_directories(root / std::to_wstring(d));
    for (int f = 0; f < 100; ++f) {
      std::ofstream(root / std::to_wstring(d) / (std::to_wstring(f) + L".txt"), std::ios::binary)
          << "file " << d << "/" << f;
    }
  }
}

// The files of a tree, leaving out the kept versions at its root (what a run removed is not there).
std::size_t CountFiles(const fs::path& root) {
  if (!fs::exists(root)) return 0;
  std::size_t count = 0;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    if (it.depth() == 0 && it->path().filename() == L".tarnvel-versions") {
      it.disable_recursion_pending();
    } else if (it->is_regular_file()) {
      ++count;
    }
  }
  return count;
}

std::string Utf8(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                       nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                      nullptr);
  return bytes;
}

// The newest run log of the program (the same user's local application data).

class MainWindowRunsE2E : public MainWindowTest {
 protected:
  // Waits for the completion box, checks its text and answers it.
  static void ExpectCompletion(const std::wstring& text) {
    const Box box = WaitForBox(L"信息");
    ASSERT_NE(box.hwnd, nullptr) << "no completion box";
    EXPECT_EQ(box.text, text);
    Press(box, IDOK);
  }
};

// The schedule page comes forward as a keyboard user brings it: the arrow key on the tabs.
void ShowSchedulePage(HWND main) {
  HWND tabs = Item(main, kPages);
  if (SendMessageW(tabs, TCM_GETCURSEL, 0, 0) == 1) return;
  Key(tabs, VK_RIGHT);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(Item(main, kScheduleList)) != FALSE; }));
}

HWND OpenScheduleDialog(Program& program, HWND main) {
  Command(main, kAddSchedule);
  return program.Window(kScheduleTitle);
}

TEST_F(MainWindowRunsE2E, TheScheduleDialogAddsAndEditsEntriesAndEverySettingSurvivesARestart) {
  std::map<std::wstring, std::wstring> product;
  {
    Program program;
    HWND main = Start(program);
    ASSERT_NE(main, nullptr);

    // The dialog: both lists filled, the monthly option chosen with its list, Escape cancels.
    HWND dialog = OpenScheduleDialog(program, main);
    ASSERT_NE(dialog, nullptr);
    HWND days = Item(dialog, kDays);
    HWND weekdays = Item(dialog, kWeekdays);
    ASSERT_EQ(Count(dialog, kDays, CB_GETCOUNT), 31);
    EXPECT_EQ(ComboItem(days, 0), L"1号");
    EXPECT_EQ(ComboItem(days, 30), L"31号");
    ASSERT_EQ(Count(dialog, kWeekdays, CB_GETCOUNT), 7);
    EXPECT_EQ(ComboItem(weekdays, 0), L"星期一");
    EXPECT_EQ(ComboItem(weekdays, 6), L"星期日");
    EXPECT_TRUE(Checked(dialog, kMonthly));
    EXPECT_TRUE(IsWindowEnabled(days));
    EXPECT_FALSE(IsWindowEnabled(weekdays));
    Key(dialog, VK_ESCAPE);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
    EXPECT_EQ(Count(main, kScheduleList, LVM_GETITEMCOUNT), 0) << "a cancelled dialog adds nothing";

    // Weekly, Sunday, an hour of 25 corrected when the box is left, Enter accepts.
    dialog = OpenScheduleDialog(program, main);
    ASSERT_NE(dialog, nullptr);
    PostMessageW(Item(dialog, kWeekly), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(Item(dialog, kWeekdays)) != FALSE; }));
    EXPECT_FALSE(IsWindowEnabled(Item(dialog, kDays)));
    SendMessageW(Item(dialog, kWeekdays), CB_SETCURSEL, 6, 0);
    PostMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(dialog, kHour)), TRUE);
    Type(Item(dialog, kHour), L"25");
    PostMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(dialog, kMinute)), TRUE);
    ASSERT_TRUE(WaitUntil([&] { return TextOf(Item(dialog, kHour)) == L"00"; }))
        << TextOf(Item(dialog, kHour));
    Type(Item(dialog, kMinute), L"7");
    Key(dialog, VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
    EXPECT_EQ(Count(main, kScheduleList, LVM_GETITEMCOUNT), 1);

    // Monthly on the 31st at 8:30, accepted with the OK button.
    dialog = OpenScheduleDialog(program, main);
    ASSERT_NE(dialog, nullptr);
    SendMessageW(Item(dialog, kDays), CB_SETCURSEL, 30, 0);
    Type(Item(dialog, kHour), L"8");
    Type(Item(dialog, kMinute), L"30");
    PostMessageW(Item(dialog, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
    ASSERT_EQ(Count(main, kScheduleList, LVM_GETITEMCOUNT), 2);

    // A double click opens the first row in the dialog, as stored; it becomes a Monday.
    ShowSchedulePage(main);
    HWND list = Item(main, kScheduleList);
    ClickRow(list, true);
    dialog = program.Window(kScheduleTitle);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(Checked(dialog, kWeekly));
    EXPECT_EQ(SendMessageW(Item(dialog, kWeekdays), CB_GETCURSEL, 0, 0), 6);
    EXPECT_EQ(TextOf(Item(dialog, kHour)), L"00");
    EXPECT_EQ(TextOf(Item(dialog, kMinute)), L"7");
    SendMessageW(Item(dialog, kWeekdays), CB_SETCURSEL, 0, 0);
    Key(dialog, VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));

    // The second row ticked from the keyboard; slot 2, the calendar switch and the interval set.
    Key(list, VK_DOWN);
    Key(list, VK_SPACE);
    // A third row goes again with the Delete key, without a question.
    dialog = OpenScheduleDialog(program, main);
    ASSERT_NE(dialog, nullptr);
    Key(dialog, VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
    ASSERT_EQ(Count(main, kScheduleList, LVM_GETITEMCOUNT), 3);
    Key(list, VK_DOWN);
    Key(list, VK_DELETE);
    ASSERT_TRUE(WaitUntil([&] { return Count(main, kScheduleList, LVM_GETITEMCOUNT) == 2; }));
    // The list can be hidden and shown again.
    Command(main, kScheduleListToggle);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(list); }));
    Command(main, kScheduleListToggle);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(list) != FALSE; }));
    PostMessageW(Item(main, kSlotFirst + 4), BM_CLICK, 0, 0);
    Type(Item(main, kSlotFirst + 5), L"23");
    Type(Item(main, kSlotFirst + 6), L"59");
    Type(Item(main, kSlotFirst + 7), L"5");
    PostMessageW(Item(main, kCalendarSwitch), BM_CLICK, 0, 0);
    Type(Item(main, kIntervalBox), L"15");
    ASSERT_TRUE(WaitUntil([&] { return Checked(main, kCalendarSwitch); }));
    Exit(program, main);

    product = ExportedValues(kProductKey);
    EXPECT_EQ(product[L"LXX"], L"1;2;0;00:7|31;1;1;8:30|");
    EXPECT_EQ(product[L"A"], L"0");
    EXPECT_EQ(product[L"A1"], L"");
    EXPECT_EQ(product[L"B"], L"1");
    EXPECT_EQ(product[L"B1"], L"23");
    EXPECT_EQ(product[L"B2"], L"59");
    EXPECT_EQ(product[L"B3"], L"5");
    EXPECT_EQ(product[L"C"], L"0");
    EXPECT_EQ(product[L"D"], L"1");
    EXPECT_EQ(product[L"E1"], L"15");
    EXPECT_EQ(product[L"LX"], L"");
  }
  // Started again, the window shows what was stored, and ends storing the same.
  Program program;
  HWND main = Start(program);
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(Count(main, kScheduleList, LVM_GETITEMCOUNT), 2);
  EXPECT_TRUE(Checked(main, kSlotFirst + 4));
  EXPECT_FALSE(Checked(main, kSlotFirst));
  EXPECT_EQ(TextOf(Item(main, kSlotFirst + 5)), L"23");
  EXPECT_EQ(TextOf(Item(main, kSlotFirst + 7)), L"5");
  EXPECT_TRUE(Checked(main, kCalendarSwitch));
  EXPECT_EQ(TextOf(Item(main, kIntervalBox)), L"15");
  Exit(program, main);
  EXPECT_EQ(ExportedValues(kProductKey), product);
}

ULONGLONG NowFileTime() {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  return (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

TEST_F(MainWindowRunsE2E, ADailySlotSetAFewSecondsAheadRunsTheBoxesJob) {
  const fs::path dir = FreshTestDirWide();
  const fs::path source = dir / L"源";
  const fs::path target = dir / L"定时备份";
  WriteFile(source / L"a.txt", "alpha");
  WriteFile(source / L"子" / L"b.txt", "beta");
  {
    Program program;
    HWND main = Start(program);
    ASSERT_NE(main, nullptr);
    Type(Item(main, kSourceBox), source.wstring());
    Type(Item(main, kTargetBox), target.wstring());

    // Slot 1 at a second three seconds from now, as plain numbers (the boxes take "8" for 08).
    // Under load the typing can take longer than that: a slot the clock has overtaken before the
    // window holds it is switched off and chosen again.
    SYSTEMTIME local{};
    for (int attempt = 0; attempt < 5; ++attempt) {
      const ULONGLONG due = NowFileTime() + 3ull * 10'000'000;
      const FILETIME dueTime{static_cast<DWORD>(due), static_cast<DWORD>(due >> 32)};
      SYSTEMTIME utc{};
      FileTimeToSystemTime(&dueTime, &utc);
      SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
      if (Checked(main, kSlotFirst)) {
        PostMessageW(Item(main, kSlotFirst), BM_CLICK, 0, 0);
        ASSERT_TRUE(WaitUntil([&] { return !Checked(main, kSlotFirst); }));
      }
      Type(Item(main, kSlotFirst + 1), std::to_wstring(local.wHour));
      Type(Item(main, kSlotFirst + 2), std::to_wstring(local.wMinute));
      Type(Item(main, kSlotFirst + 3), std::to_wstring(local.wSecond));
      PostMessageW(Item(main, kSlotFirst), BM_CLICK, 0, 0);
      ASSERT_TRUE(WaitUntil([&] { return Checked(main, kSlotFirst); }));
      if (NowFileTime() + 10'000'000 < due) break;
    }

    ExpectCompletion(L"已经完成任务");
    EXPECT_EQ(FilesOf(target), FilesOf(source)) << "slot due at " << Utf8(LocalTimeText(local));
    EXPECT_EQ(TextOf(Item(main, kStatusLine)), L"信息：所有任务完成。");
    EXPECT_EQ(Count(main, kCopiedLog, LB_GETCOUNT), 2);
    EXPECT_EQ(Count(main, kRunHistory, LB_GETCOUNT), 2) << "the start and the duration line";
    const std::string log = NewestRunLog(Utf8(source.wstring()));
    EXPECT_NE(log.find(Utf8(source.wstring())), std::string::npos) << "the run log names the source";
    EXPECT_NE(log.find(Utf8((target / L"子" / L"b.txt").wstring())), std::string::npos) << log;
    Exit(program, main);
  }
  // The boxes of the run are stored at its start and come back at the next start.
  const auto product = ExportedValues(kProductKey);
  EXPECT_EQ(product.at(L"phoh"), source.wstring());
  EXPECT_EQ(product.at(L"phth"), target.wstring());
  EXPECT_EQ(product.at(L"A"), L"1");
  Program program;
  HWND main = Start(program);
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(TextOf(Item(main, kSourceBox)), source.wstring());
  EXPECT_EQ(TextOf(Item(main, kTargetBox)), target.wstring());
  EXPECT_EQ(Count(main, kRunHistory, LB_GETCOUNT), 2);
  Exit(program, main);
}

TEST_F(MainWindowRunsE2E, TheStopControlEndsARunMidwayAndTheNextRunCompletesIt) {
  const fs::path dir = FreshTestDirWide();
  const fs::path source = dir / L"src";
  const fs::path target = dir / L"dst";
  WriteManyFiles(source);
  const auto sourceFiles = FilesOf(source);
  Program program;
  HWND main = Start(program);
  ASSERT_NE(main, nullptr);
  Type(Item(main, kSourceBox), source.wstring());
  Type(Item(main, kTargetBox), target.wstring());
  Command(main, kStart);
  ASSERT_TRUE(WaitUntil([&] { return Count(main, kCopiedLog, LB_GETCOUNT) > 0; }));
  EXPECT_TRUE(IsWindowEnabled(Item(main, kStop)));
  EXPECT_FALSE(IsWindowEnabled(Item(main, kStart)));
  Command(main, kStop);
  ExpectCompletion(L"任务已停止");
  EXPECT_EQ(TextOf(Item(main, kStatusLine)), L"信息：任务已停止，目标目录尚未同步完。");
  EXPECT_TRUE(IsWindowEnabled(Item(main, kStart)));
  EXPECT_FALSE(IsWindowEnabled(Item(main, kStop)));

  // Midway: some files copied, each one whole, and nothing else in the target.
  const auto copied = FilesOf(target);
  EXPECT_GT(copied.size(), 0u);
  EXPECT_LT(copied.size(), sourceFiles.size()) << "the run ended before the stop arrived";
  for (const auto& [name, content] : copied) {
    const auto original = sourceFiles.find(name);
    ASSERT_NE(original, sourceFiles.end()) << "unexpected " << Utf8(name);
    EXPECT_EQ(content, original->second) << Utf8(name);
  }
  EXPECT_EQ(static_cast<std::size_t>(Count(main, kCopiedLog, LB_GETCOUNT)), copied.size());

  Command(main, kStart);
  ExpectCompletion(L"已经完成任务");
  EXPECT_EQ(FilesOf(target), sourceFiles);
  EXPECT_EQ(TextOf(Item(main, kStatusLine)), L"信息：所有任务完成。");
  Exit(program, main);
}

// A clean-up that would remove 10 of the target's 12 files asks first (Cancel the default):
// Cancel keeps every file, OK moves the ten into the target's versions folder.
TEST_F(MainWindowRunsE2E, AMassRemovalAsksFirstCancelKeepsEverythingOkKeepsThemAsVersions) {
  const fs::path dir = FreshTestDirWide();
  const fs::path source = dir / L"src", target = dir / L"dst";
  for (int i = 0; i < 12; ++i)
    WriteFile(target / (L"f" + std::to_wstring(i) + L".txt"), "kept " + std::to_string(i));
  fs::create_directories(source);
  for (int i = 0; i < 2; ++i) {
    const std::wstring name = L"f" + std::to_wstring(i) + L".txt";
    ASSERT_TRUE(CopyFileW((target / name).c_str(), (source / name).c_str(), FALSE));
  }
  const auto before = FilesOf(target);
  Program program;
  HWND main = Start(program);
  ASSERT_NE(main, nullptr);
  Type(Item(main, kSourceBox), source.wstring());
  Type(Item(main, kTargetBox), target.wstring());
  Command(main, kCleanUp);  // the switch warns first (a sent click would wait for that box)
  Box warning = WaitForBox(L"提示");
  ASSERT_NE(warning.hwnd, nullptr);
  Press(warning, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return Checked(main, kCleanUp); }));
  for (const int answer : {IDCANCEL, IDOK}) {
    Command(main, kStart);
    const Box question = WaitForBox(L"提示");
    ASSERT_NE(question.hwnd, nullptr) << "no question before the clean-up";
    EXPECT_NE(question.text.find(L"12 个文件中的 10 个"), std::wstring::npos) << Utf8(question.text);
    Press(question, answer);
    ExpectCompletion(L"已经完成任务");
    if (answer == IDCANCEL) {
      EXPECT_EQ(FilesOf(target), before);
    }
  }
  std::map<std::wstring, std::string> kept;
  for (const auto& [name, bytes] : FilesOf(target / L".tarnvel-versions")) {
    kept[fs::path(name).filename().wstring()] = bytes;  // below the run's folder
  }
  std::map<std::wstring, std::string> gone = before;
  gone.erase(L"f0.txt");
  gone.erase(L"f1.txt");
  EXPECT_EQ(kept, gone);
  std::map<std::wstring, std::string> left = FilesOf(target);
  std::erase_if(left, [](const auto& file) { return file.first.rfind(L".tarnvel-versions", 0) == 0; });
  EXPECT_EQ(left, FilesOf(source));
  Exit(program, main);
}

// Fault: a mistyped or unplugged source ended as "all done" and made the target root.
TEST_F(MainWindowRunsE2E, MissingSourceIsACountedFailureAndMakesNoTarget) {
  const fs::path dir = FreshTestDirWide();
  const fs::path source = dir / L"拔掉的盘", target = dir / L"备份";
  Program program;
  HWND main = Start(program);
  ASSERT_NE(main, nullptr);
  Type(Item(main, kSourceBox), source.wstring());
  Type(Item(main, kTargetBox), target.wstring());
  Command(main, kStart);
  ExpectCompletion(L"任务结束，但备份不完整，详见失败列表");
  EXPECT_EQ(TextOf(Item(main, kStatusLine)),
            L"信息：任务结束，但备份不完整：有 1 项未能完成，详见失败列表。");
  ASSERT_EQ(Count(main, kFailuresLog, LB_GETCOUNT), 1);
  wchar_t line[1024] = {};
  if (SendMessageW(Item(main, kFailuresLog), LB_GETTEXTLEN, 0, 0) < 1024) {
    SendMessageW(Item(main, kFailuresLog), LB_GETTEXT, 0, reinterpret_cast<LPARAM>(line));
  }
  EXPECT_EQ(std::wstring(line), L"失败：源目录不存在 " + source.wstring() + L"\\");
  EXPECT_FALSE(fs::exists(target));
  Exit(program, main);
}

TEST_F(MainWindowRunsE2E, OnlyTickedTaskRowsRunAndAFailureIsCountedAndShown) {
  const fs::path dir = FreshTestDirWide();
  const fs::path first = dir / L"甲";
  const fs::path second = dir / L"乙";
  WriteFile(first / L"one.txt", "1");
  WriteFile(first / L"sub" / L"two.txt", "22");
  WriteFile(first / L"held.txt", "held");
  WriteFile(second / L"x.txt", "x");
  Program program;
  HWND main = Start(program);
  ASSERT_NE(main, nullptr);
  for (const fs::path& source : {first, second}) {
    Command(main, kAddTask);
    HWND dialog = program.Window(L"同步任务");
    ASSERT_NE(dialog, nullptr);
    Type(Item(dialog, 100), source.wstring());
    Type(Item(dialog, 102), (source.wstring() + L"-备份"));
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
  }
  ASSERT_EQ(Count(main, kTaskList, LVM_GETITEMCOUNT), 2);
  // The first row ticked from the keyboard.
  HWND list = Item(main, kTaskList);
  ClickRow(list, false);
  Key(list, VK_SPACE);

  // A source file another program holds without sharing cannot be read.
  HANDLE held =
      CreateFileW((first / L"held.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Command(main, kStart);
  ExpectCompletion(L"任务结束，但备份不完整，详见失败列表");
  CloseHandle(held);

  EXPECT_EQ(TextOf(Item(main, kStatusLine)),
            L"信息：任务结束，但备份不完整：有 1 项未能完成，详见失败列表。");
  ASSERT_EQ(Count(main, kFailuresLog, LB_GETCOUNT), 1);
  wchar_t line[1024] = {};
  if (SendMessageW(Item(main, kFailuresLog), LB_GETTEXTLEN, 0, 0) < 1024) {
    SendMessageW(Item(main, kFailuresLog), LB_GETTEXT, 0, reinterpret_cast<LPARAM>(line));
  }
  EXPECT_NE(std::wstring(line).find(L"held.txt"), std::wstring::npos) << Utf8(line);
  EXPECT_TRUE(IsWindowVisible(Item(main, kFailuresLog))) << "the failures page comes forward";
  EXPECT_EQ(TextOf(Item(main, kFileCounter)), L"已同步文件:2个");
  EXPECT_EQ(TextOf(Item(main, kDirectoryCounter)), L"已同步目录:1个");
  EXPECT_EQ(Count(main, kCopiedLog, LB_GETCOUNT), 2);
  const auto copied = FilesOf(first.wstring() + L"-备份");
  EXPECT_EQ(copied.size(), 2u);
  EXPECT_EQ(copied.count(L"held.txt"), 0u);
  EXPECT_FALSE(fs::exists(second.wstring() + L"-备份")) << "an unticked row does not run";
  Exit(program, main);
  // The task rows with their ticks, as stored.
  EXPECT_EQ(ExportedValues(kProductKey)[L"LX"], first.wstring() + L";" + first.wstring() + L"-备份;1|" +
                                                    second.wstring() + L";" + second.wstring() + L"-备份;0|");
}

// Fixed: the exit control during a run hid the window while the run went on removing files.
TEST_F(MainWindowRunsE2E, ExitDuringACleanUpRunStopsItAndEndsTheProcess) {
  const fs::path dir = FreshTestDirWide();
  const fs::path source = dir / L"src";
  const fs::path target = dir / L"dst";
  WriteFile(source / L"keep.txt", "keep");
  WriteManyFiles(target);  // all of it extra
  Program program;
  HWND main = Start(program);
  ASSERT_NE(main, nullptr);
  Command(main, kCleanUp);
  Box warning = WaitForBox(L"提示");
  ASSERT_NE(warning.hwnd, nullptr);
  Press(warning, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return Checked(main, kCleanUp); }));
  Type(Item(main, kSourceBox), source.wstring());
  Type(Item(main, kTargetBox), target.wstring());
  Command(main, kStart);
  // All of the target goes: the run asks first.
  const Box question = WaitForBox(L"提示");
  ASSERT_NE(question.hwnd, nullptr);
  Press(question, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return Count(main, kRemovedFilesLog, LB_GETCOUNT) > 0; }));

  Command(main, kExit);
  const Box box = WaitForBox(L"提示");
  ASSERT_NE(box.hwnd, nullptr);
  EXPECT_NE(box.text.find(L"同步任务正在进行"), std::wstring::npos) << Utf8(box.text);
  EXPECT_NE(box.text.find(L"真的要退出么？"), std::wstring::npos);
  const std::size_t before = CountFiles(target);  // the run waits while the question is open
  Press(box, IDOK);
  ASSERT_TRUE(program.EndsWithin(30000)) << "no process is left behind";
  EXPECT_EQ(program.ExitCode(), 0u);
  EXPECT_EQ(CountFiles(target), before) << "nothing is removed after the answer";
  Sleep(3000);
  EXPECT_EQ(CountFiles(target), before);
  EXPECT_GT(before, 0u);
  EXPECT_LT(before, kManyFiles) << "the exit came after the run had ended";
  EXPECT_FALSE(fs::exists(target / L"keep.txt")) << "no copy starts after the stop either";
  EXPECT_NE(ExportedValues(kProductKey)[L"LS"].find(L"（已停止）"), std::wstring::npos)
      << "the stored history records the stop";
  EXPECT_NE(NewestRunLog(Utf8(target.wstring())).find("停止："), std::string::npos) << "and so does the run log";
}

// The end of the Windows session stops a run (the query is answered yes) and ends the program.
TEST_F(MainWindowRunsE2E, TheSessionsEndStopsARunAndEndsTheProgram) {
  const fs::path dir = FreshTestDirWide();
  WriteManyFiles(dir / L"src");
  Program program;
  HWND main = Start(program);
  ASSERT_NE(main, nullptr);
  Type(Item(main, kSourceBox), (dir / L"src").wstring());
  Type(Item(main, kTargetBox), (dir / L"dst").wstring());
  Command(main, kStart);
  ASSERT_TRUE(WaitUntil([&] { return Count(main, kCopiedLog, LB_GETCOUNT) > 0; }));
  DWORD_PTR answer = 0;
  ASSERT_TRUE(SendMessageTimeoutW(main, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 10000, &answer));
  EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));
  SendMessageTimeoutW(main, WM_ENDSESSION, TRUE, 0, SMTO_ABORTIFHUNG, 10000, &answer);
  ASSERT_TRUE(program.EndsWithin(30000));
  EXPECT_EQ(program.ExitCode(), 0u);
  EXPECT_LT(CountFiles(dir / L"dst"), kManyFiles);
  EXPECT_NE(ExportedValues(kProductKey)[L"LS"].find(L"（已停止）"), std::wstring::npos);
}

// Fixed: a stop in the first of two ticked rows still made the second row's target.
TEST_F(MainWindowRunsE2E, AStopInTheFirstRowLeavesTheSecondRowsTargetUncreated) {
  const fs::path dir = FreshTestDirWide();
  WriteManyFiles(dir / L"s1");
  WriteFile(dir / L"s2" / L"f.txt", "2");
  StoreSetting(kProductKey, L"LX",
               (dir / L"s1").wstring() + L";" + (dir / L"t1").wstring() + L";1|" + (dir / L"s2").wstring() +
                   L";" + (dir / L"t2").wstring() + L";1|");
  Program program;
  HWND main = Start(program);
  ASSERT_NE(main, nullptr);
  ASSERT_EQ(Count(main, kTaskList, LVM_GETITEMCOUNT), 2);
  Command(main, kStart);
  ASSERT_TRUE(WaitUntil([&] { return Count(main, kCopiedLog, LB_GETCOUNT) > 0; }));
  Command(main, kStop);
  ExpectCompletion(L"任务已停止");
  EXPECT_LT(CountFiles(dir / L"t1"), kManyFiles) << "the run ended before the stop arrived";
  EXPECT_FALSE(fs::exists(dir / L"t2"));
  Exit(program, main);
}

// Fixed: a second start went on as a second instance whenever it found no window of the first.
TEST_F(MainWindowRunsE2E, TheInstanceLockAloneDecidesThatASecondStartEnds) {
  HANDLE held = CreateMutexW(nullptr, TRUE, L"Local\\TarnvelMainWindow");
  ASSERT_NE(held, nullptr);
  Program program;
  ASSERT_TRUE(program.Started());
  EXPECT_TRUE(program.EndsWithin(30000)) << "no window to bring forward, and still no second instance";
  EXPECT_EQ(WindowOf(program.Id(), kMainTitle), nullptr);
  CloseHandle(held);
}

// Fixed: 10,000 stored task rows froze the window for 20 s at its start, one repaint per row.
TEST_F(MainWindowRunsE2E, TenThousandStoredTaskRowsAllShowAndAreStoredBack) {
  std::wstring rows;
  for (int i = 0; i < 10000; ++i) {
    rows +=
        L"Z:\\任务\\" + std::to_wstring(i) + L";Z:\\备份\\" + std::to_wstring(i) + (i % 3 ? L";0|" : L";1|");
  }
  StoreSetting(kProductKey, L"LX", rows);
  const DWORD started = GetTickCount();
  Program program;
  HWND main = Start(program);
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return Count(main, kTaskList, LVM_GETITEMCOUNT) == 10000; }));
  DWORD_PTR answer = 0;
  ASSERT_TRUE(SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 60000, &answer));
  RecordProperty("start_to_answer_ms", static_cast<int>(GetTickCount() - started));
  Exit(program, main);
  EXPECT_EQ(ExportedValues(kProductKey)[L"LX"], rows);
}

}  // namespace
