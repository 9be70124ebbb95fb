// Tarnvel.exe's main window driven from outside, as a user drives it: its layout, the task
// dialog and its refusals, a run from the boxes, the confirmations, hiding and the second
// start. Windows are found by their titles and control ids; what the program stored is read
// from the registry with the registry functions, and trees with std::filesystem.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/program_window_win.h"
#include "tests/support/sandbox.h"

namespace {

namespace fs = std::filesystem;

using namespace tarnvel::test;

const std::wstring kTitle = kMainTitle;

// The main window's control ids (the program's command ids).
enum : int {
  kSourceBox = 100,
  kTargetBox = 102,
  kStart = 104,
  kCleanUp = 106,
  kExit = 110,
  kPages = 111,
  kTaskList = 112,
  kCopiedLog = 152,
  kStatusLine = 160,
  kAddTask = 300,
  kEditTask = 301,
  kClearTasks = 303,
};

int ListViewRows(HWND main) {
  return static_cast<int>(SendMessageW(GetDlgItem(main, kTaskList), LVM_GETITEMCOUNT, 0, 0));
}

using MainWindowE2E = MainWindowTest;

std::vector<HWND> VisibleChildren(HWND parent) {
  std::vector<HWND> children;
  EnumChildWindows(
      parent,
      [](HWND child, LPARAM param) {
        if (IsWindowVisible(child) && GetParent(child) == GetAncestor(child, GA_ROOT)) {
          reinterpret_cast<std::vector<HWND>*>(param)->push_back(child);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&children));
  return children;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

// Every visible control lies inside the window and on no other one (the tab controls carry
// their pages), and the caption of every button, switch and label fits its control.
void ExpectTidyLayout(HWND main, const char* when) {
  RECT client{};
  GetClientRect(main, &client);
  // The controls of the upper pages (the task list, the schedule's: ids 112 to 149) lie inside
  // their tab control's frame.
  RECT pages{};
  GetWindowRect(GetDlgItem(main, kPages), &pages);
  MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&pages), 2);
  std::vector<std::pair<HWND, RECT>> placed;
  for (HWND child : VisibleChildren(main)) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom)
        << when << ": control " << GetDlgCtrlID(child) << " leaves the window";
    const int id = GetDlgCtrlID(child);
    if (id >= kTaskList && id < 150) {
      EXPECT_TRUE(r.left > pages.left && r.top > pages.top && r.right < pages.right && r.bottom < pages.bottom)
          << when << ": control " << id << " leaves its page";
    }
    if (ClassOf(child) == WC_TABCONTROLW) continue;
    if (ClassOf(child) == L"ComboBox") r.bottom = r.top + 24;  // the rest is the closed list
    for (const auto& [other, o] : placed) {
      RECT both{};
      EXPECT_FALSE(IntersectRect(&both, &r, &o))
          << when << ": controls " << GetDlgCtrlID(child) << " and " << GetDlgCtrlID(other) << " overlap";
    }
    placed.push_back({child, r});
    const std::wstring cls = ClassOf(child);
    const std::wstring text = TextOf(child);
    if ((cls == L"Button" || cls == L"Static") && !text.empty()) {
      HDC dc = GetDC(child);
      HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(child, WM_GETFONT, 0, 0)));
      SIZE extent{};
      std::wstring shown;
      for (wchar_t ch : text) {
        if (ch != L'&') shown += ch;
      }
      GetTextExtentPoint32W(dc, shown.c_str(), static_cast<int>(shown.size()), &extent);
      SelectObject(dc, old);
      ReleaseDC(child, dc);
      const bool check =
          (GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK) == BS_AUTOCHECKBOX && cls == L"Button";
      const LONG room = (r.right - r.left) - (cls == L"Button" ? (check ? 20 : 8) : 0);
      EXPECT_LE(extent.cx, room) << when << ": the caption of control " << GetDlgCtrlID(child) << " is cut";
    }
  }
}

TEST_F(MainWindowE2E, EveryControlHasItsPlaceAtTheSmallestAndTheLargestSize) {
  Program program;
  HWND main = Start(program);
  ASSERT_NE(main, nullptr);
  for (int id : {kSourceBox, kTargetBox, kStart, kCleanUp, kExit, kTaskList, kCopiedLog, kStatusLine}) {
    EXPECT_NE(GetDlgItem(main, id), nullptr) << id;
  }
  EXPECT_TRUE(WaitUntil(
      [&] { return TextOf(GetDlgItem(main, kStatusLine)) == L"信息：程序初始成功，请输入命令执行任务."; }));
  // The window's own minimum is taken.
  SetWindowPos(main, nullptr, 0, 0, 200, 150, SWP_NOZORDER | SWP_NOMOVE);
  RECT outer{};
  GetWindowRect(main, &outer);
  EXPECT_GT(outer.right - outer.left, 600);
  ExpectTidyLayout(main, "smallest");
  // The schedule page, brought forward from the keyboard.
  HWND pages = GetDlgItem(main, kPages);
  PostMessageW(pages, WM_KEYDOWN, VK_RIGHT, 1);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(GetDlgItem(main, 140)) != FALSE; }));
  ExpectTidyLayout(main, "smallest, schedule page");
  PostMessageW(pages, WM_KEYDOWN, VK_LEFT, 1);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(GetDlgItem(main, kTaskList)) != FALSE; }));
  // The task list and the logs grow with the window.
  RECT listBefore{};
  GetWindowRect(GetDlgItem(main, kTaskList), &listBefore);
  ShowWindow(main, SW_MAXIMIZE);
  WaitUntil([&] { return IsZoomed(main) != FALSE; });
  RECT listAfter{};
  GetWindowRect(GetDlgItem(main, kTaskList), &listAfter);
  EXPECT_GT(listAfter.right - listAfter.left, listBefore.right - listBefore.left);
  ExpectTidyLayout(main, "maximised");
  PostMessageW(pages, WM_KEYDOWN, VK_RIGHT, 1);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(GetDlgItem(main, 140)) != FALSE; }));
  ExpectTidyLayout(main, "maximised, schedule page");
  Exit(program, main);
}

TEST_F(MainWindowE2E, TheTaskDialogRefusesBadPairsAndAddsAGoodOne) {
  Program program;
  HWND main = Start(program);
  ASSERT_NE(main, nullptr);

  // Closed with Escape (its Cancel), the dialog adds nothing.
  Command(main, kAddTask);
  HWND dialog = program.Window(L"同步任务");
  ASSERT_NE(dialog, nullptr);
  PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
  EXPECT_EQ(ListViewRows(main), 0);

  Command(main, kAddTask);
  dialog = program.Window(L"同步任务");
  ASSERT_NE(dialog, nullptr);
  HWND source = GetDlgItem(dialog, 100);
  HWND target = GetDlgItem(dialog, 102);
  struct Refused {
    std::wstring source;
    std::wstring target;
    std::wstring message;
  };
  for (const Refused& r :
       {Refused{L"", L"Z:\\b", L"路径不能为空"}, Refused{L"Z:\\a", L"Z:\\a", L"路径不能相同"},
        Refused{L"Z:\\a", L"C:\\", L"路径不能为系统盘"}, Refused{L"Z:\\a", L"c:\\", L"路径不能为系统盘"},
        Refused{L"Z:\\a", L"c:", L"路径不能为系统盘"}, Refused{L"Z:\\a", L"c:\\windows", L"路径不能为系统盘"},
        Refused{L"Z:\\a", L"C:\\WINDOWS\\system32\\", L"路径不能为系统盘"}}) {
    Type(source, r.source);
    Type(target, r.target);
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    const Box box = WaitForBox(L"错误");
    ASSERT_NE(box.hwnd, nullptr) << r.target;
    EXPECT_EQ(box.text, r.message) << r.source << " -> " << r.target;
    Press(box, IDOK);
    EXPECT_TRUE(IsWindow(dialog)) << "a refusal keeps the dialog open";
  }
  Type(source, L"Z:\\甲");
  Type(target, L"E:\\乙");
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
  EXPECT_EQ(ListViewRows(main), 1);

  // A double click on the row opens it in the dialog.
  HWND list = GetDlgItem(main, kTaskList);
  RECT header{};
  GetWindowRect(FindWindowExW(list, nullptr, WC_HEADERW, nullptr), &header);
  MapWindowPoints(nullptr, list, reinterpret_cast<POINT*>(&header), 2);
  const LPARAM row = MAKELPARAM(40, header.bottom + 6);
  PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, row);
  PostMessageW(list, WM_LBUTTONUP, 0, row);
  PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, row);
  PostMessageW(list, WM_LBUTTONUP, 0, row);
  dialog = program.Window(L"同步任务");
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(TextOf(GetDlgItem(dialog, 100)), L"Z:\\甲");
  EXPECT_EQ(TextOf(GetDlgItem(dialog, 102)), L"E:\\乙");
  Type(GetDlgItem(dialog, 102), L"E:\\丙");
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
  EXPECT_EQ(ListViewRows(main), 1);
  Exit(program, main);
  // The row is stored, unticked, when the program ends.
  EXPECT_EQ(Stored(kProductKey, L"LX"), L"Z:\\甲;E:\\丙;0|");
}

void AddRow(Program& program, HWND main, const std::wstring& source, const std::wstring& target) {
  Command(main, kAddTask);
  HWND dialog = program.Window(L"同步任务");
  ASSERT_NE(dialog, nullptr);
  Type(GetDlgItem(dialog, 100), source);
  Type(GetDlgItem(dialog, 102), target);
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
}

TEST_F(MainWindowE2E, DeleteKeyDeletesAtOnceAndClearingAsksTwice) {
  Program program;
  HWND main = Start(program);
  ASSERT_NE(main, nullptr);
  AddRow(program, main, L"Z:\\a", L"E:\\a");
  AddRow(program, main, L"Z:\\b", L"E:\\b");
  AddRow(program, main, L"Z:\\c", L"E:\\c");
  ASSERT_EQ(ListViewRows(main), 3);
  HWND list = GetDlgItem(main, kTaskList);
  RECT header{};
  GetWindowRect(FindWindowExW(list, nullptr, WC_HEADERW, nullptr), &header);
  MapWindowPoints(nullptr, list, reinterpret_cast<POINT*>(&header), 2);
  const LPARAM firstRow = MAKELPARAM(40, header.bottom + 6);
  PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, firstRow);
  PostMessageW(list, WM_LBUTTONUP, 0, firstRow);
  PostMessageW(list, WM_KEYDOWN, VK_DELETE, 0);
  ASSERT_TRUE(WaitUntil([&] { return ListViewRows(main) == 2; })) << "no question asked";

  // Clearing: Cancel keeps the rows; OK empties the list, and the histories only on a second OK.
  Command(main, kClearTasks);
  EXPECT_EQ(WaitForBox(L"提示").text, L"真的要清空么？");
  Press(WaitForBox(L"提示"), IDCANCEL);
  SendMessageW(main, WM_NULL, 0, 0);
  EXPECT_EQ(ListViewRows(main), 2);
  Command(main, kClearTasks);
  Press(WaitForBox(L"提示"), IDOK);
  EXPECT_EQ(WaitForBox(L"提示").text, L"记录列表也一起清除么？");
  Press(WaitForBox(L"提示"), IDCANCEL);
  EXPECT_EQ(WaitForBox(L"提示").text, L"清空完毕！");
  Press(WaitForBox(L"提示"), IDOK);
  EXPECT_EQ(ListViewRows(main), 0);
  Exit(program, main);
  EXPECT_EQ(Stored(kProductKey, L"LX"), L"");
}

TEST_F(MainWindowE2E, ARunFromTheBoxesCopiesTheTreeAndReportsIt) {
  const fs::path dir = tarnvel::test::FreshTestDirWide();
  fs::create_directories(dir / L"源" / L"子");
  std::ofstream(dir / L"源" / L"一.txt") << "one";
  std::ofstream(dir / L"源" / L"子" / L"二.txt") << "two";
  Program program;
  HWND main = Start(program);
  ASSERT_NE(main, nullptr);

  // A box that is not a full path stops the run before anything happens.
  Type(GetDlgItem(main, kSourceBox), (dir / L"源").wstring());
  Type(GetDlgItem(main, kTargetBox), L"backup");
  Command(main, kStart);
  ASSERT_TRUE(WaitUntil(
      [&] { return TextOf(GetDlgItem(main, kStatusLine)).find(L"完整路径") != std::wstring::npos; }));
  EXPECT_FALSE(fs::exists(fs::path(L"Z:\\backup")));

  Type(GetDlgItem(main, kTargetBox), (dir / L"目标").wstring());
  Command(main, kStart);
  const Box done = WaitForBox(L"信息");
  ASSERT_NE(done.hwnd, nullptr);
  EXPECT_EQ(done.text, L"已经完成任务");
  Press(done, IDOK);
  EXPECT_EQ(TextOf(GetDlgItem(main, kStatusLine)), L"信息：所有任务完成。");
  EXPECT_EQ(SendMessageW(GetDlgItem(main, kCopiedLog), LB_GETCOUNT, 0, 0), 2);
  std::ifstream copied(dir / L"目标" / L"子" / L"二.txt");
  std::string text;
  copied >> text;
  EXPECT_EQ(text, "two");
  EXPECT_TRUE(fs::exists(dir / L"目标" / L"一.txt"));
  // The boxes are stored as the run starts them.
  EXPECT_EQ(Stored(kProductKey, L"phth"), (dir / L"目标").wstring());
  EXPECT_EQ(Stored(kProductKey, L"phoh"), (dir / L"源").wstring());
  Exit(program, main);
}

TEST_F(MainWindowE2E, TheCleanUpWarningDecidesTheSwitch) {
  Program program;
  HWND main = Start(program);
  ASSERT_NE(main, nullptr);
  HWND check = GetDlgItem(main, kCleanUp);
  for (const auto& [button, ticked] : {std::pair{IDCANCEL, false}, std::pair{IDOK, true},
                                       std::pair{IDOK, true}, std::pair{IDCANCEL, false}}) {
    PostMessageW(check, BM_CLICK, 0, 0);
    const Box box = WaitForBox(L"提示");
    ASSERT_NE(box.hwnd, nullptr);
    EXPECT_NE(box.text.find(L"警告：这操作会删除被同步目录的所有文件"), std::wstring::npos);
    Press(box, button);
    ASSERT_TRUE(WaitUntil([&] { return (SendMessageW(check, BM_GETCHECK, 0, 0) == BST_CHECKED) == ticked; }));
    // Written at once, not only at exit.
    EXPECT_EQ(Stored(L"SOFTWARE\\kelvotra", L"Orvane目录同步DY"), ticked ? L"1" : L"0");
  }
  Exit(program, main);
}

TEST_F(MainWindowE2E, CloseAndMinimiseHideAndASecondStartBringsTheWindowBack) {
  Program program;
  HWND main = Start(program);
  ASSERT_NE(main, nullptr);
  PostMessageW(main, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(main); }));
  // The program still answers: the close box only hid the window.
  EXPECT_EQ(SendMessageW(main, WM_NULL, 0, 0), 0);
  EXPECT_TRUE(IsWindow(main));

  {
    Program second;
    ASSERT_TRUE(second.Started());
    ASSERT_TRUE(second.EndsWithin(30000)) << "a second start ends";
    EXPECT_EQ(second.ExitCode(), 0u);
  }
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }))
      << "and brings the first window back";

  PostMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(main); })) << "minimising hides the window";
  {
    Program second;
    ASSERT_TRUE(second.EndsWithin(30000));
  }
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) && !IsIconic(main); }))
      << "shown in its normal state";

  // A double click on the notification-area icon hides the shown window and shows it again.
  const UINT iconMessage = WM_APP + 0x120;
  PostMessageW(main, iconMessage, 1, WM_LBUTTONDBLCLK);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(main); }));
  PostMessageW(main, iconMessage, 1, WM_LBUTTONUP);
  PostMessageW(main, iconMessage, 1, WM_RBUTTONUP);
  SendMessageW(main, WM_NULL, 0, 0);
  EXPECT_FALSE(IsWindowVisible(main)) << "a click or a right click changes nothing but the tip";
  PostMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  PostMessageW(main, iconMessage, 1, WM_LBUTTONDBLCLK);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) && !IsIconic(main); }));

  // Exit's Cancel keeps the program.
  Command(main, kExit);
  const Box box = WaitForBox(L"提示");
  ASSERT_NE(box.hwnd, nullptr);
  Press(box, IDCANCEL);
  SendMessageW(main, WM_NULL, 0, 0);
  EXPECT_TRUE(IsWindow(main));
  Exit(program, main);
}

}  // namespace
