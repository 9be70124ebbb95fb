// The window procedure trampoline, window creation and properties, and the message loop.
#include <windows.h>

#include <commctrl.h>

#include <exception>

#include "runtime/controls_win.h"
#include "runtime/encoding.h"
#include "runtime/values.h"
#include "runtime/window.h"

namespace tarnvel {
namespace {

constexpr UINT kDeferredDestroy = WM_APP + 0x3A2;
constexpr wchar_t kWindowClass[] = L"TarnvelWindow";

HWND AsHwnd(void* handle) { return static_cast<HWND>(handle); }

int SystemDpi() {
  static const int dpi = [] {
    HDC screen = GetDC(nullptr);
    const int value = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    return value > 0 ? value : 96;
  }();
  return dpi;
}

void InitCommonControlsOnce() {
  static const bool done = [] {
    INITCOMMONCONTROLSEX icc{
        sizeof icc, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_LISTVIEW_CLASSES | ICC_WIN95_CLASSES};
    return InitCommonControlsEx(&icc) != FALSE;
  }();
  (void)done;
}

ATOM WindowClassAtom();

// Tab and arrow keys move between the controls of our windows, as in a dialog. Command ids
// 1 and 2 are therefore Enter and Escape; controls use ids from 100 up.
bool HandleDialogKeys(MSG& msg) {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
  HWND root = GetAncestor(msg.hwnd, GA_ROOT);
  if (root == nullptr || GetClassLongPtrW(root, GCW_ATOM) != WindowClassAtom()) return false;
  return IsDialogMessageW(root, &msg) != FALSE;
}

struct ControlClass {
  const wchar_t* name;
  DWORD style;
  DWORD exStyle;
};

ControlClass ClassFor(ControlKind kind) {
  switch (kind) {
    case ControlKind::Label:
      return {L"STATIC", SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_ENDELLIPSIS, 0};
    case ControlKind::Button:
      return {L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0};
    case ControlKind::CheckBox:
      return {L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 0};
    case ControlKind::EditBox:
      return {L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case ControlKind::ComboBox:
      return {L"COMBOBOX", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, 0};
    case ControlKind::ListBox:
      return {L"LISTBOX", LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP,
              WS_EX_CLIENTEDGE};
    case ControlKind::ListView:
      return {WC_LISTVIEWW, LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case ControlKind::ProgressBar:
      return {PROGRESS_CLASSW, PBS_SMOOTH, 0};
  }
  return {L"STATIC", 0, 0};
}

DWORD FrameStyle(const WindowLayout& layout) {
  DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  if (layout.minimizeBox) style |= WS_MINIMIZEBOX;
  if (layout.maximizeBox) style |= WS_MAXIMIZEBOX;
  if (layout.resizable) style |= WS_THICKFRAME;
  return style;
}

std::string TextOf(HWND hwnd) {
  const int length = GetWindowTextLengthW(hwnd);
  std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(hwnd, wide.data(), length + 1);
  wide.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return WideToUtf8(wide);
}

RECT OuterRect(HWND hwnd) {
  RECT rect{};
  GetWindowRect(hwnd, &rect);
  return rect;
}

}  // namespace

// The one window procedure of the program's windows: finds the window object and hands each
// message to its named handler. Nothing thrown gets past it.
class WindowProcedure {
 public:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
      auto* window = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
      window->hwnd_ = hwnd;
    }
    auto* window = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (window == nullptr) return DefWindowProcW(hwnd, message, wparam, lparam);
    try {
      return Dispatch(*window, hwnd, message, wparam, lparam);
    } catch (const std::exception& error) {
      ReportException(error);
    } catch (...) {
      ReportException(RuntimeError("发生了未知错误"));
    }
    return message == WM_CREATE ? -1 : 0;
  }

  static void ForgetTimers(Window& window) {
    for (WindowTimer* timer : window.timerObjects_) {
      if (window.hwnd_ != nullptr) KillTimer(AsHwnd(window.hwnd_), timer->id_);
      timer->window_ = nullptr;
    }
    window.timerObjects_.clear();
    window.timers_.clear();
  }

 private:
  static LRESULT Dispatch(Window& w, HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
      case WM_CREATE:
        w.OnCreate();
        return 0;
      case WM_CLOSE:
        w.OnClose();
        return 0;
      case kDeferredDestroy:
        ::DestroyWindow(hwnd);
        return 0;
      case WM_DESTROY:
        return Destroyed(w);
      case WM_NCDESTROY:
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        w.hwnd_ = nullptr;
        return DefWindowProcW(hwnd, message, wparam, lparam);
      case WM_COMMAND:
        if (lparam != 0) detail::PullControlChange(reinterpret_cast<HWND>(lparam), HIWORD(wparam), nullptr);
        w.OnCommand(LOWORD(wparam), HIWORD(wparam));
        return 0;
      case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lparam);
        detail::PullControlChange(header->hwndFrom, header->code, header);
        return w.OnNotify(static_cast<int>(header->idFrom), static_cast<int>(header->code),
                          reinterpret_cast<void*>(lparam));
      }
      case WM_TIMER:
        return Tick(w, static_cast<unsigned>(wparam));
      case WM_SIZE:
        w.OnSize(detail::ToUnits(LOWORD(lparam)), detail::ToUnits(HIWORD(lparam)));
        return 0;
      case WM_GETMINMAXINFO:
        // A window shaped to nothing (0 x 0) really is that small.
        if (!w.layout_.resizable) {
          reinterpret_cast<MINMAXINFO*>(lparam)->ptMinTrackSize = {0, 0};
        } else if (w.layout_.minWidth > 0 || w.layout_.minHeight > 0) {
          reinterpret_cast<MINMAXINFO*>(lparam)->ptMinTrackSize = {detail::ToPixels(w.layout_.minWidth),
                                                                   detail::ToPixels(w.layout_.minHeight)};
        }
        return 0;
      default: {
        std::intptr_t result = 0;
        if (w.OnMessage(message, wparam, lparam, result)) return result;
        return DefWindowProcW(hwnd, message, wparam, lparam);
      }
    }
  }

  static LRESULT Destroyed(Window& w) {
    w.OnDestroy();
    ForgetTimers(w);
    // The objects keep their state; a later LoadWindow attaches them again.
    for (Control* control : w.controls_) control->Detach();
    w.controls_.clear();
    if (w.layout_.quitOnDestroy) PostQuitMessage(0);
    return 0;
  }

  static LRESULT Tick(Window& w, unsigned id) {
    auto found = w.timers_.find(id);
    if (found == w.timers_.end()) return 0;
    std::function<void()> onTick = found->second;  // the handler may stop its own timer
    onTick();
    return 0;
  }
};

namespace {

ATOM WindowClassAtom() {
  static const ATOM atom = [] {
    InitCommonControlsOnce();
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProcedure::Proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kWindowClass;
    // The program's icon is resource 1; test programs have none and get the default.
    wc.hIcon =
        static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    wc.hIconSm =
        static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    return RegisterClassExW(&wc);
  }();
  return atom;
}

}  // namespace

namespace {

int CALLBACK NoteFaceFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool FaceHasChinese(const wchar_t* faceName) {
  LOGFONTW query{};
  query.lfCharSet = GB2312_CHARSET;
  lstrcpynW(query.lfFaceName, faceName, LF_FACESIZE);
  bool found = false;
  HDC screen = GetDC(nullptr);
  EnumFontFamiliesExW(screen, &query, NoteFaceFound, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, screen);
  return found;
}

// Every text of the program is Chinese. The system's message font is kept when it has the
// glyphs (or a linked font gives them); otherwise a Chinese face of the same size is taken,
// so no text ever shows as boxes.
void ChooseChineseFace(LOGFONTW& font) {
  if (FaceHasChinese(font.lfFaceName)) return;
  for (const wchar_t* face : {L"Microsoft YaHei UI", L"Microsoft YaHei", L"WenQuanYi Micro Hei", L"SimSun"}) {
    if (FaceHasChinese(face)) {
      lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
      font.lfCharSet = GB2312_CHARSET;
      return;
    }
  }
  font.lfCharSet = GB2312_CHARSET;  // the font mapper then picks a face that has the glyphs
}

}  // namespace

namespace detail {

int ToPixels(int units) { return MulDiv(units, SystemDpi(), 96); }
int ToUnits(int pixels) { return MulDiv(pixels, 96, SystemDpi()); }

void* MessageFont() {
  static HFONT font = [] {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
      return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    }
    LOGFONTW face = metrics.lfMessageFont;
    ChooseChineseFace(face);
    HFONT made = CreateFontIndirectW(&face);
    return made != nullptr ? made : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  }();
  return font;
}

}  // namespace detail

// --- Window ---

Window::Window() = default;

Window::~Window() {
  // The derived window's members (its controls) are gone already: forget them before the
  // system window goes, and let no message reach this half-destroyed object.
  controls_.clear();
  WindowProcedure::ForgetTimers(*this);
  if (hwnd_ != nullptr) {
    HWND hwnd = AsHwnd(hwnd_);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    hwnd_ = nullptr;
    ::DestroyWindow(hwnd);
  }
}

void Window::OnClose() { tarnvel::DestroyWindow(*this); }

WindowLayout& Window::Properties() {
  if (!layoutTaken_) {
    layout_ = Layout();
    layoutTaken_ = true;
  }
  return layout_;
}

std::string Window::Title() const {
  return hwnd_ != nullptr ? TextOf(AsHwnd(hwnd_)) : const_cast<Window*>(this)->Properties().title;
}

void Window::SetTitle(const std::string& title) {
  Properties().title = title;
  if (hwnd_ != nullptr) SetWindowTextW(AsHwnd(hwnd_), Utf8ToWide(title).c_str());
}

bool Window::Visible() const {
  return hwnd_ != nullptr ? IsWindowVisible(AsHwnd(hwnd_)) != FALSE
                          : const_cast<Window*>(this)->Properties().visible;
}

void Window::SetVisible(bool visible) {
  Properties().visible = visible;
  if (hwnd_ != nullptr) ShowWindow(AsHwnd(hwnd_), visible ? SW_SHOW : SW_HIDE);
}

int Window::Left() const {
  if (hwnd_ != nullptr) return detail::ToUnits(OuterRect(AsHwnd(hwnd_)).left);
  return const_cast<Window*>(this)->Properties().left.value_or((ScreenWidth() - Width()) / 2);
}

int Window::Top() const {
  if (hwnd_ != nullptr) return detail::ToUnits(OuterRect(AsHwnd(hwnd_)).top);
  return const_cast<Window*>(this)->Properties().top.value_or((ScreenHeight() - Height()) / 2);
}

int Window::Width() const {
  if (hwnd_ == nullptr) return const_cast<Window*>(this)->Properties().width;
  const RECT r = OuterRect(AsHwnd(hwnd_));
  return detail::ToUnits(r.right - r.left);
}

int Window::Height() const {
  if (hwnd_ == nullptr) return const_cast<Window*>(this)->Properties().height;
  const RECT r = OuterRect(AsHwnd(hwnd_));
  return detail::ToUnits(r.bottom - r.top);
}

void Window::SetSize(int width, int height) {
  WindowLayout& props = Properties();
  props.width = width;
  props.height = height;
  if (hwnd_ != nullptr) {
    SetWindowPos(AsHwnd(hwnd_), nullptr, 0, 0, detail::ToPixels(width), detail::ToPixels(height),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void Window::SetWidth(int width) { SetSize(width, Height()); }
void Window::SetHeight(int height) { SetSize(Width(), height); }

void Window::SetPosition(int left, int top) {
  WindowLayout& props = Properties();
  props.left = left;
  props.top = top;
  if (hwnd_ != nullptr) {
    SetWindowPos(AsHwnd(hwnd_), nullptr, detail::ToPixels(left), detail::ToPixels(top), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void Window::CentreOnScreen() { SetPosition((ScreenWidth() - Width()) / 2, (ScreenHeight() - Height()) / 2); }

int Window::ClientWidth() const {
  RECT r{};
  if (hwnd_ != nullptr) GetClientRect(AsHwnd(hwnd_), &r);
  return detail::ToUnits(r.right - r.left);
}

int Window::ClientHeight() const {
  RECT r{};
  if (hwnd_ != nullptr) GetClientRect(AsHwnd(hwnd_), &r);
  return detail::ToUnits(r.bottom - r.top);
}

void Window::AddControl(Control& control, int id) {
  if (hwnd_ == nullptr) throw RuntimeError("控件只能放在已创建的窗口上");
  const ControlClass cls = ClassFor(control.Kind());
  HWND child =
      CreateWindowExW(cls.exStyle, cls.name, L"", WS_CHILD | cls.style, 0, 0, 0, 0, AsHwnd(hwnd_),
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  if (child == nullptr) throw RuntimeError("控件窗口无法创建");
  SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(detail::MessageFont()), FALSE);
  if (control.Kind() == ControlKind::ListView) {
    const DWORD extended = LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES;
    SendMessageW(child, LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);
  }
  control.Attach(child);
  controls_.push_back(&control);
}

// --- The window operations ---

bool LoadWindow(Window& window, Window* parent, bool modal) {
  if (window.hwnd_ != nullptr) {
    window.SetVisible(true);
    return true;
  }
  if (WindowClassAtom() == 0) return false;
  const WindowLayout& layout = window.Properties();
  const int width = detail::ToPixels(layout.width);
  const int height = detail::ToPixels(layout.height);
  const int left = layout.left ? detail::ToPixels(*layout.left) : (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int top = layout.top ? detail::ToPixels(*layout.top) : (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  HWND owner = parent != nullptr ? AsHwnd(parent->hwnd_) : nullptr;
  HWND hwnd =
      CreateWindowExW(WS_EX_CONTROLPARENT, kWindowClass, Utf8ToWide(layout.title).c_str(), FrameStyle(layout),
                      left, top, width, height, owner, nullptr, GetModuleHandleW(nullptr), &window);
  if (hwnd == nullptr) return false;
  if (layout.visible) {
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
  }
  if (!modal) return true;

  if (owner != nullptr) EnableWindow(owner, FALSE);
  MSG msg;
  while (IsWindow(hwnd)) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // the outer loop must end too
      break;
    }
    if (got < 0) break;
    if (!HandleDialogKeys(msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  if (owner != nullptr) {
    EnableWindow(owner, TRUE);
    SetActiveWindow(owner);
  }
  return true;
}

bool IsCreated(const Window& window) {
  return window.Handle() != nullptr && IsWindow(AsHwnd(window.Handle()));
}

void DestroyWindow(Window& window) {
  if (window.Handle() != nullptr) PostMessageW(AsHwnd(window.Handle()), kDeferredDestroy, 0, 0);
}

std::uintptr_t WindowHandle(const Window& window) {
  return reinterpret_cast<std::uintptr_t>(window.Handle());
}

std::intptr_t SendToControl(Control& control, unsigned message, std::uintptr_t wparam, std::intptr_t lparam) {
  if (!IsCreated(control)) return 0;
  control.Mirror()->Flush();
  return SendMessageW(AsHwnd(control.Mirror()->Handle()), message, wparam, lparam);
}

void SetZOrder(Window& window, int level) {
  if (window.Handle() == nullptr) return;
  HWND after = HWND_TOP;
  switch (level) {
    case 2:
      after = HWND_BOTTOM;
      break;
    case 3:
      after = HWND_TOPMOST;
      break;
    case 4:
      after = HWND_NOTOPMOST;
      break;
    default:
      break;
  }
  SetWindowPos(AsHwnd(window.Handle()), after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

int ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

int SystemKind() {
  const DWORD version = GetVersion();
  if ((version & 0x80000000u) == 0) return 3;
  return LOBYTE(LOWORD(version)) < 4 ? 1 : 2;
}

int PopupMenu(Window& owner, const Menu& menu, std::optional<int> x, std::optional<int> y) {
  return CurrentDialogService().PopupMenu(owner.Handle(), menu, x, y);
}

void BringControlsUpToDate() { detail::FlushControlChangesOfThisThread(true); }

void ProcessEventsDuringRun() {
  bool& mayWait = detail::LinesMayWaitOnThisThread();
  const bool was = mayWait;
  mayWait = true;
  try {
    ProcessEvents();
  } catch (...) {
    mayWait = was;
    throw;
  }
  mayWait = was;
}

void ProcessEvents() {
  detail::FlushControlChangesOfThisThread();
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (!HandleDialogKeys(msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

int RunMessageLoop() {
  MSG msg;
  BOOL got;
  while ((got = GetMessageW(&msg, nullptr, 0, 0)) > 0) {
    if (!HandleDialogKeys(msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return got == 0 ? static_cast<int>(msg.wParam) : -1;
}

void ReportException(const std::exception& error) {
  try {
    ShowMessage(error.what(), kMessageIconStop, "错误");
  } catch (...) {
    // Nothing more can be told when even the message box fails.
  }
}

// --- WindowTimer ---

namespace {
unsigned nextTimerId = 0x5000;
}

WindowTimer::WindowTimer(Window& window, unsigned milliseconds, std::function<void()> onTick) {
  Start(window, milliseconds, std::move(onTick));
}

WindowTimer::~WindowTimer() { Stop(); }

void WindowTimer::Start(Window& window, unsigned milliseconds, std::function<void()> onTick) {
  Stop();
  if (window.hwnd_ == nullptr) throw RuntimeError("定时器只能用于已创建的窗口");
  const unsigned id = ++nextTimerId;
  if (SetTimer(AsHwnd(window.hwnd_), id, milliseconds, nullptr) == 0) throw RuntimeError("定时器无法创建");
  window.timers_[id] = std::move(onTick);
  window.timerObjects_.insert(this);
  window_ = &window;
  id_ = id;
}

void WindowTimer::Stop() {
  if (window_ == nullptr) return;
  if (window_->hwnd_ != nullptr) KillTimer(AsHwnd(window_->hwnd_), id_);
  window_->timers_.erase(id_);
  window_->timerObjects_.erase(this);
  window_ = nullptr;
}

}  // namespace tarnvel
