// The notification-area icon the program lives in while its window is hidden: the main
// window's icon, kept through a restart of the shell's taskbar, and the icon and balloon
// notices of other windows.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/window.h"

namespace tarnvel {

// The message a window's icon sends it for mouse events (lparam: the mouse message).
inline constexpr unsigned kTrayCallbackMessage = 0x8000 + 0x120;  // WM_APP + 0x120

// Shows (or updates) the window's icon, its own small icon, with the tip cut to its field;
// `show` false removes it.
void SetTrayIcon(Window& window, bool show, const std::string& tip = "");

// Shows the window's icon and keeps it: when the shell announces a new taskbar
// ("TaskbarCreated"), the icon is added again with its tip. The tip is the given one, or the
// window's title when none is given. One window is watched at a time.
void InstallTaskbarWatch(Window& window, const std::string& tip, bool tipGiven);
// The tip the watch shows again.
std::string WatchedTip();

// The mouse event of an icon's message: 1 left button released, 2 double click, 3 right
// button released (or the context-menu key), 0 anything else.
int TrayEventKind(std::intptr_t mouseMessage);

// Adds an icon for the window that sends `callbackMessage`; returns the number of the
// "TaskbarCreated" message. The program keeps the icon's record for ShowBalloon.
unsigned AddTrayIcon(Window& window, const std::string& tip, unsigned callbackMessage);
// A balloon notice at the icon AddTrayIcon added last: kind 1 information, 2 warning, 3 error.
// Texts longer than their fields are cut after a whole character.
void ShowBalloon(const std::string& title, const std::string& text, int kind);
// The title and text the last balloon handed to the shell, as the shell holds them.
std::string LastBalloonTitle();
std::string LastBalloonText();

}  // namespace tarnvel
