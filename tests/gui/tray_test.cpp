// The notification-area icon under Wine's shell: kept through a new taskbar, and balloon
// fields cut after whole characters.
#include <windows.h>

#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>

#include "runtime/encoding.h"
#include "runtime/window.h"
#include "ui/tray.h"

namespace tarnvel {
namespace {

class IconWindow : public Window {
 protected:
  WindowLayout Layout() const override {
    WindowLayout layout;
    layout.title = "图标测试窗口";
    layout.width = 200;
    layout.height = 100;
    layout.visible = false;
    return layout;
  }
};

HWND H(const Window& window) { return static_cast<HWND>(window.Handle()); }

// Whether the shell holds an icon 1 for the window: only an existing icon can be modified.
bool ShellHasIcon(HWND hwnd) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = hwnd;
  data.uID = 1;
  data.uFlags = NIF_TIP;
  wcscpy(data.szTip, L"探测");
  return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

void DropIcon(HWND hwnd) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = hwnd;
  data.uID = 1;
  Shell_NotifyIconW(NIM_DELETE, &data);
}

TEST(TaskbarWatch, TheIconComesBackWhenTheTaskbarIsCreatedAgain) {
  IconWindow window;
  ASSERT_TRUE(LoadWindow(window));
  InstallTaskbarWatch(window, "Orvane目录同步 V: 2.5", true);
  EXPECT_TRUE(ShellHasIcon(H(window)));
  EXPECT_EQ(WatchedTip(), "Orvane目录同步 V: 2.5");

  // A restarted shell has lost every icon; it tells the windows so.
  DropIcon(H(window));
  ASSERT_FALSE(ShellHasIcon(H(window)));
  SendMessageW(H(window), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_TRUE(ShellHasIcon(H(window)));
  // Every other message still reaches the window's own procedure.
  window.SetTitle("新标题");
  EXPECT_EQ(window.Title(), "新标题");

  SetTrayIcon(window, false);
  EXPECT_FALSE(ShellHasIcon(H(window)));
  DestroyWindow(window);
  ProcessEvents();
}

TEST(TaskbarWatch, WithoutATipTheTitleIsShown) {
  IconWindow window;
  ASSERT_TRUE(LoadWindow(window));
  InstallTaskbarWatch(window, "ignored", false);
  EXPECT_EQ(WatchedTip(), "图标测试窗口");
  SetTrayIcon(window, false);
  DestroyWindow(window);
  ProcessEvents();
}

// UTF-16 units of a text, counted by the system's own conversion.
int Units(const std::string& text) {
  return MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
}

TEST(Balloon, LongTextsAreCutAfterWholeCharacters) {
  IconWindow window;
  ASSERT_TRUE(LoadWindow(window));
  ProcessEvents();
  const UINT taskbarCreated = AddTrayIcon(window, std::string(200, 't'), WM_APP + 7);
  EXPECT_EQ(taskbarCreated, RegisterWindowMessageW(L"TaskbarCreated"));

  // 300 characters; an emoji (two units) straddles the 255-unit limit of the text.
  std::string text;
  for (int i = 0; i < 254; ++i) text += "备";
  text += "😀";
  for (int i = 0; i < 45; ++i) text += "份";
  std::string title;
  for (int i = 0; i < 62; ++i) title += "题";
  title += "😀😀";
  ShowBalloon(title, text, 2);
  const std::string shownText = LastBalloonText();
  EXPECT_EQ(Units(shownText), 254) << "the pair that does not fit whole is left out";
  EXPECT_EQ(shownText, text.substr(0, 254 * 3));
  const std::string shownTitle = LastBalloonTitle();
  EXPECT_EQ(Units(shownTitle), 62);
  EXPECT_EQ(shownTitle, title.substr(0, 62 * 3));

  ShowBalloon("短", "短文本", 1);
  EXPECT_EQ(LastBalloonText(), "短文本");
  DropIcon(H(window));
  DestroyWindow(window);
  ProcessEvents();
}

}  // namespace
}  // namespace tarnvel
