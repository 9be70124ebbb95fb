// Real windows under Wine: message boxes, controls mirrored into Win32 controls, timers, and
// the window procedure's error boundary.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "runtime/controls.h"
#include "runtime/dialogs.h"
#include "runtime/encoding.h"
#include "runtime/programs.h"
#include "runtime/values.h"
#include "runtime/window.h"

namespace tarnvel {
namespace {

std::wstring WindowText(HWND hwnd) {
  wchar_t buffer[512] = {};
  GetWindowTextW(hwnd, buffer, 512);
  return buffer;
}

HWND H(const Control& control) { return reinterpret_cast<HWND>(WindowHandle(control)); }

// Waits for a message box with this caption to appear, then presses one of its buttons.
std::thread PressButtonOfBox(const std::wstring& caption, int buttonId) {
  return std::thread([caption, buttonId] {
    for (int tries = 0; tries < 1000; ++tries) {
      if (HWND box = FindWindowW(L"#32770", caption.c_str())) {
        PostMessageW(box, WM_COMMAND, buttonId, 0);
        return;
      }
      Sleep(10);  // polling for a window of another thread; nothing else to wait on
    }
  });
}

TEST(SystemMessageBox, ReturnsTheButtonNumbers) {
  struct Case {
    int flags;
    int pressed;
    int expected;
  };
  for (const Case& c : {Case{kMessageOk, IDOK, kButtonOk}, Case{kMessageYesNo, IDYES, kButtonYes},
                        Case{kMessageYesNo | kMessageIconQuestion, IDNO, kButtonNo}}) {
    std::thread answer = PressButtonOfBox(L"提示", c.pressed);
    EXPECT_EQ(ShowMessage("确定要继续吗？", c.flags, "提示"), c.expected) << "flags " << c.flags;
    answer.join();
  }
}

class ControlsWindow : public Window {
 public:
  Label label;
  CheckBox check;
  EditBox edit;
  ComboBox combo;
  ListBox list;
  ListView view;
  ProgressBar bar;
  std::string thrown;
  bool visible = true;

 protected:
  WindowLayout Layout() const override {
    WindowLayout layout;
    layout.title = "控件测试";
    layout.width = 600;
    layout.height = 400;
    layout.visible = visible;
    return layout;
  }
  void OnCreate() override {
    label.SetBounds({8, 8, 200, 16});
    check.SetBounds({8, 30, 200, 18});
    edit.SetBounds({8, 52, 200, 22});
    combo.SetBounds({8, 80, 200, 22});
    list.SetBounds({220, 8, 360, 150});
    view.SetBounds({220, 170, 360, 150});
    bar.SetBounds({8, 110, 200, 16});
    AddControl(label, 101);
    AddControl(check, 102);
    AddControl(edit, 103);
    AddControl(combo, 104);
    AddControl(list, 105);
    AddControl(view, 106);
    AddControl(bar, 107);
  }
  void OnCommand(int id, int code) override {
    if (id == 900) throw RuntimeError(thrown);
  }
};

TEST(MirroredControls, StateReachesTheWin32Controls) {
  ControlsWindow window;
  window.label.SetText("written before the window");
  ASSERT_TRUE(LoadWindow(window));
  EXPECT_EQ(WindowText(H(window.label)), L"written before the window");

  window.label.SetText("正在计算更新...");
  window.check.SetChecked(true);
  window.edit.SetText("Z:\\源目录");
  ComboAdd(window.combo, "Z:\\a");
  ComboAdd(window.combo, "Z:\\b");
  window.combo.Select(1);
  window.bar.SetRange(0, 1000);
  window.bar.SetPosition(375);
  window.view.SetColumns({"源目录", "目标目录"}, {150, 150});
  ListViewInsert(window.view, -1, "Z:\\s1");
  ListViewInsert(window.view, -1, "Z:\\s2", -1, 1);
  ListViewSetText(window.view, 1, 1, "Z:\\t2");
  ListViewSetCheck(window.view, 0, 1);
  ListViewSetCheck(window.view, 1, 0);
  ListBoxAdd(window.list, "第一行");
  ListBoxAdd(window.list, "第二行");
  ProcessEvents();

  EXPECT_EQ(WindowText(H(window.label)), L"正在计算更新...");
  EXPECT_EQ(SendMessageW(H(window.check), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(WindowText(H(window.edit)), L"Z:\\源目录");
  EXPECT_EQ(SendMessageW(H(window.combo), CB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(WindowText(H(window.combo)), L"Z:\\b");
  EXPECT_EQ(SendMessageW(H(window.bar), PBM_GETPOS, 0, 0), 375);
  EXPECT_EQ(SendMessageW(H(window.bar), PBM_GETRANGE, FALSE, 0), 1000);
  EXPECT_EQ(SendMessageW(H(window.list), LB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessageW(H(window.view), LVM_GETITEMCOUNT, 0, 0), 2);
  auto checkOf = [&](int item) {
    return (SendMessageW(H(window.view), LVM_GETITEMSTATE, item, LVIS_STATEIMAGEMASK) >> 12) - 1;
  };
  EXPECT_EQ(checkOf(0), 1);
  EXPECT_EQ(checkOf(1), 0);
  wchar_t text[64] = {};
  LVITEMW item{};
  item.iSubItem = 1;
  item.pszText = text;
  item.cchTextMax = 64;
  SendMessageW(H(window.view), LVM_GETITEMTEXTW, 1, reinterpret_cast<LPARAM>(&item));
  EXPECT_STREQ(text, L"Z:\\t2");

  window.bar.SetVisible(false);
  EXPECT_FALSE(IsWindowVisible(H(window.bar)));
  MoveControl(window.label, 8, 29, 300);
  RECT rect{};
  GetWindowRect(H(window.label), &rect);
  EXPECT_EQ(rect.right - rect.left, MulDiv(300, GetDeviceCaps(GetDC(nullptr), LOGPIXELSY), 96));
  DestroyWindow(window);
  ProcessEvents();
}

TEST(MirroredControls, WhatTheUserChangesReachesTheObjects) {
  ControlsWindow window;
  ASSERT_TRUE(LoadWindow(window));
  ListViewInsert(window.view, -1, "row");
  SendMessageW(H(window.check), BM_CLICK, 0, 0);
  EXPECT_TRUE(window.check.Checked());
  SendMessageW(H(window.edit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"用户输入的路径"));
  EXPECT_EQ(window.edit.Text(), "用户输入的路径");
  LVITEMW state{};
  state.stateMask = LVIS_STATEIMAGEMASK;
  state.state = INDEXTOSTATEIMAGEMASK(2);
  SendMessageW(H(window.view), LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
  EXPECT_EQ(ListViewGetCheck(window.view, 0), 1);
  DestroyWindow(window);
  ProcessEvents();
}

TEST(MirroredControls, HiddenWindowAndWorkerThreadWritesArriveAll) {
  ControlsWindow window;
  window.visible = false;
  ASSERT_TRUE(LoadWindow(window));
  std::thread worker([&] {
    for (int i = 0; i <= 1000; ++i) {
      window.bar.SetPosition(i / 10);
      window.label.SetText(std::to_string(i) + "%");
      window.list.Add("文件 " + std::to_string(i));
    }
  });
  worker.join();
  EXPECT_EQ(window.label.Text(), "1000%");  // the objects are current at once
  ProcessEvents();                          // the window's thread brings the rest in
  EXPECT_EQ(WindowText(H(window.label)), L"1000%");
  EXPECT_EQ(SendMessageW(H(window.bar), PBM_GETPOS, 0, 0), 100);
  EXPECT_EQ(SendMessageW(H(window.list), LB_GETCOUNT, 0, 0), 1001);
  DestroyWindow(window);
  ProcessEvents();
}

// During a run a visible log may hold its newest lines back for a moment, but every line
// arrives: by the thread's own timer while it waits for messages, and at once when the run ends.
TEST(MirroredControls, LinesHeldBackDuringARunAllArrive) {
  ControlsWindow window;
  ASSERT_TRUE(LoadWindow(window));
  HWND list = H(window.list);
  int lines = 0;
  for (int burst = 0; burst < 3; ++burst) {
    for (int i = 0; i < 50; ++i) ListBoxAdd(window.list, "行 " + std::to_string(lines++));
    window.list.Select(ListBoxCount(window.list));
    ProcessEventsDuringRun();
  }
  // Waiting for messages, as the main loop or a message box does: the timer brings them in.
  const ULONGLONG start = GetTickCount64();
  while (SendMessageW(list, LB_GETCOUNT, 0, 0) != lines && GetTickCount64() - start < 10000) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    ProcessEvents();
  }
  EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), lines);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), lines - 1);

  // The end of a run: everything at once.
  for (int burst = 0; burst < 3; ++burst) {
    for (int i = 0; i < 50; ++i) ListBoxAdd(window.list, "行 " + std::to_string(lines++));
    ProcessEventsDuringRun();
  }
  BringControlsUpToDate();
  EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), lines);
  wchar_t text[32] = {};
  SendMessageW(list, LB_GETTEXT, lines - 1, reinterpret_cast<LPARAM>(text));
  EXPECT_EQ(std::wstring(text), L"行 " + std::to_wstring(lines - 1));
  DestroyWindow(window);
  ProcessEvents();
}

TEST(MirroredControls, BurstOfTenThousandLogLinesStaysExact) {
  ControlsWindow window;
  ASSERT_TRUE(LoadWindow(window));
  for (int i = 0; i < 10000; ++i) ListBoxAdd(window.list, "Z:\\目标\\文件" + std::to_string(i) + ".txt");
  EXPECT_EQ(ListBoxCount(window.list), 10000);
  EXPECT_EQ(ListBoxItemText(window.list, 9999), "Z:\\目标\\文件9999.txt");
  window.list.Select(ListBoxCount(window.list));
  EXPECT_EQ(window.list.Selection(), 9999);
  ProcessEvents();
  HWND list = H(window.list);
  EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 10000);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 9999);
  wchar_t text[64] = {};
  SendMessageW(list, LB_GETTEXT, 5000, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, L"Z:\\目标\\文件5000.txt");
  ListBoxClear(window.list);
  ListBoxAdd(window.list, "新的一次");
  EXPECT_EQ(SendToControl(window.list, LB_GETCOUNT, 0, 0), 1);  // brings pending changes in first
  DestroyWindow(window);
  ProcessEvents();
}

// Counts the texts a window is given, to see how many of a burst reach it.
LRESULT CALLBACK CountSetText(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                              DWORD_PTR count) {
  if (message == WM_SETTEXT) ++*reinterpret_cast<int*>(count);
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

// A run rewrites its labels for every file; a window need not repaint each of those texts, but
// the object always holds the latest and the window shows it after the next message-loop pass.
TEST(MirroredControls, BurstOfLabelTextsReachesTheWindowAsItsLastText) {
  ControlsWindow window;
  ASSERT_TRUE(LoadWindow(window));
  int texts = 0;
  ASSERT_TRUE(SetWindowSubclass(H(window.label), CountSetText, 1, reinterpret_cast<DWORD_PTR>(&texts)));
  for (int i = 0; i < 2000; ++i) {
    window.label.SetText("已同步文件:" + std::to_string(i) + "个");
    window.bar.SetPosition(i % 100);
  }
  EXPECT_EQ(window.label.Text(), "已同步文件:1999个");
  ProcessEvents();
  EXPECT_EQ(WindowText(H(window.label)), L"已同步文件:1999个");
  EXPECT_EQ(SendMessageW(H(window.bar), PBM_GETPOS, 0, 0), 99);
  EXPECT_LT(texts, 1000);
  RemoveWindowSubclass(H(window.label), CountSetText, 1);
  // A single change after a quiet moment still shows at once.
  Sleep(40);
  window.label.SetText("信息：所有任务完成。");
  EXPECT_EQ(WindowText(H(window.label)), L"信息：所有任务完成。");
  DestroyWindow(window);
  ProcessEvents();
}

TEST(WindowBehaviour, DestroyWaitsForTheCurrentMessage) {
  ControlsWindow window;
  ASSERT_TRUE(LoadWindow(window));
  window.label.SetText("kept");
  DestroyWindow(window);
  EXPECT_TRUE(IsCreated(window));
  ProcessEvents();
  EXPECT_FALSE(IsCreated(window));
  EXPECT_FALSE(IsCreated(window.label));
  EXPECT_EQ(window.label.Text(), "kept");  // the object outlives its Win32 control
}

TEST(WindowBehaviour, RuntimeErrorInAHandlerIsShownNotThrown) {
  ScopedDialogScript script;
  ControlsWindow window;
  window.thrown = "不能整除于零";
  ASSERT_TRUE(LoadWindow(window));
  SendMessageW(static_cast<HWND>(window.Handle()), WM_COMMAND, 900, 0);
  ASSERT_EQ(script.Messages().size(), 1u);
  EXPECT_EQ(script.Messages()[0].message, "不能整除于零");
  EXPECT_EQ(script.Messages()[0].caption, "错误");
  EXPECT_EQ(script.Messages()[0].flags, kMessageIconStop);
  DestroyWindow(window);
  ProcessEvents();
}

TEST(WindowBehaviour, TimerTicksOnTheWindowThreadUntilStopped) {
  ControlsWindow window;
  ASSERT_TRUE(LoadWindow(window));
  int ticks = 0;
  WindowTimer timer;
  timer.Start(window, 10, [&] {
    if (++ticks == 3) {
      timer.Stop();
      PostQuitMessage(0);
    }
  });
  EXPECT_TRUE(timer.Running());
  EXPECT_EQ(RunMessageLoop(), 0);
  EXPECT_EQ(ticks, 3);
  EXPECT_FALSE(timer.Running());
  DestroyWindow(window);
  ProcessEvents();
}

TEST(WindowBehaviour, ScreenAndSystem) {
  EXPECT_EQ(ScreenWidth(), GetSystemMetrics(SM_CXSCREEN));
  EXPECT_GT(ScreenHeight(), 0);
  EXPECT_EQ(SystemKind(), 3);
}

TEST(Programs, StartWaitAndShell) {
  EXPECT_FALSE(RunProgram("Z:\\no\\such\\program.exe"));
  EXPECT_FALSE(RunProgram(""));
  EXPECT_TRUE(RunProgram("cmd.exe /c exit 3", true, 1));
  EXPECT_EQ(ShellOpen("Z:\\no\\such\\file.txt"), 2);
}

}  // namespace
}  // namespace tarnvel
