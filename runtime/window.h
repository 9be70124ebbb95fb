// The program's windows: one base class with the window procedure, the window operations,
// window timers and the message loop.
//
// A window describes itself through Layout() (its template: caption, size, frame) and creates
// its controls in OnCreate() with AddControl, which makes the Win32 control for a control
// object and attaches it. Messages reach named handlers; an exception never leaves a handler:
// a RuntimeError is shown to the user with the caption "错误", anything else is reported the
// same way with its message. Sizes and positions are layout units (pixels at 96 DPI), scaled
// to the screen's DPI. All of it belongs to the thread that created the window.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "runtime/controls.h"
#include "runtime/dialogs.h"

namespace tarnvel {

struct WindowLayout {
  std::string title;
  int width = 400;  // outer size
  int height = 300;
  std::optional<int> left;  // omitted: centred on the screen
  std::optional<int> top;
  bool visible = true;  // shown by LoadWindow
  bool resizable = false;
  int minWidth = 0;  // a resizable window is not made smaller than this (outer size)
  int minHeight = 0;
  bool minimizeBox = true;
  bool maximizeBox = false;
  bool quitOnDestroy = false;  // ends the message loop when the window is gone
};

class WindowTimer;

class Window {
 public:
  Window();
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  void* Handle() const { return hwnd_; }

  std::string Title() const;
  void SetTitle(const std::string& title);
  bool Visible() const;
  void SetVisible(bool visible);
  int Left() const;
  int Top() const;
  int Width() const;
  int Height() const;
  void SetWidth(int width);
  void SetHeight(int height);
  void SetSize(int width, int height);
  void SetPosition(int left, int top);
  void CentreOnScreen();
  // The inner size, in layout units.
  int ClientWidth() const;
  int ClientHeight() const;

  // Makes the Win32 control for a control object (its kind, text, bounds, visibility) as a
  // child of this window, with the system's message font, and attaches it. The window
  // detaches its controls when it is destroyed. Ids 1 and 2 are Enter and Escape: controls
  // take ids from 100 up.
  void AddControl(Control& control, int id);

 protected:
  virtual WindowLayout Layout() const = 0;
  virtual void OnCreate() {}
  // The close box: destroys the window unless a window says otherwise.
  virtual void OnClose();
  virtual void OnDestroy() {}
  virtual void OnCommand(int id, int code) {}
  virtual std::intptr_t OnNotify(int id, int code, void* header) { return 0; }
  virtual void OnSize(int clientWidth, int clientHeight) {}
  // Any other message; return true when handled (with `result` set).
  virtual bool OnMessage(unsigned message, std::uintptr_t wparam, std::intptr_t lparam,
                         std::intptr_t& result) {
    return false;
  }

 private:
  friend class WindowProcedure;
  friend class WindowTimer;
  friend bool LoadWindow(Window& window, Window* parent, bool modal);

  // The current properties while no system window exists: the template until changed.
  WindowLayout& Properties();

  void* hwnd_ = nullptr;
  WindowLayout layout_;  // the properties while no window exists
  bool layoutTaken_ = false;
  std::vector<Control*> controls_;
  std::map<unsigned, std::function<void()>> timers_;
  std::set<WindowTimer*> timerObjects_;
};

// Creates and shows (if its layout says visible) the window. With `modal` the call returns
// only when the window has been closed, the parent being disabled meanwhile.
bool LoadWindow(Window& window, Window* parent = nullptr, bool modal = false);
bool IsCreated(const Window& window);
// Closes the window once the message being handled now is done.
void DestroyWindow(Window& window);
std::uintptr_t WindowHandle(const Window& window);
// Sends a message to an attached control (its recorded changes are brought in first).
std::intptr_t SendToControl(Control& control, unsigned message, std::uintptr_t wparam, std::intptr_t lparam);
// 1 top, 2 bottom, 3 always on top, 4 not always on top; without moving, sizing or activating.
void SetZOrder(Window& window, int level = 1);
int ScreenWidth();
int ScreenHeight();
// 1 16-bit Windows with the 32-bit extension, 2 Windows 95/98/Me, 3 the NT family, 0 unknown.
int SystemKind();
// Shows a menu at the given screen point (or the mouse position) and returns the chosen id.
int PopupMenu(Window& owner, const Menu& menu, std::optional<int> x = {}, std::optional<int> y = {});

// Brings in the calling thread's recorded control changes, then dispatches every pending
// window message and returns. A quit request stays queued for the message loop.
void ProcessEvents();
// The same inside a run that writes lines into list boxes faster than anyone reads them: a
// visible list box that took lines less than half a second ago shows the newer ones a moment
// later, so that scrolling and repainting it does not take the run's time.
void ProcessEventsDuringRun();
// Brings in every recorded change of the calling thread's controls at once, the list boxes'
// waiting lines included (the end of a run).
void BringControlsUpToDate();
// The message loop of the user-interface thread; returns the quit code.
int RunMessageLoop();

// Shows an exception that reached a window procedure or an entry point to the user.
void ReportException(const std::exception& error);

// A timer of a window: ticks on the window's thread every `milliseconds` while it lives.
// Destroying or stopping it kills the system timer.
class WindowTimer {
 public:
  WindowTimer() = default;
  WindowTimer(Window& window, unsigned milliseconds, std::function<void()> onTick);
  ~WindowTimer();
  WindowTimer(const WindowTimer&) = delete;
  WindowTimer& operator=(const WindowTimer&) = delete;

  // Starts (or restarts with the new interval); the window must have been created.
  void Start(Window& window, unsigned milliseconds, std::function<void()> onTick);
  void Stop();
  bool Running() const { return window_ != nullptr; }

 private:
  friend class Window;
  friend class WindowProcedure;
  Window* window_ = nullptr;
  unsigned id_ = 0;
};

}  // namespace tarnvel
