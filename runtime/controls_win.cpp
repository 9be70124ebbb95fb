// The Win32 mirror of the control objects.
//
// A change made on the window's thread is applied at once, except list-box changes, which
// wait for the next message-loop pass (or ProcessEvents) and are then applied in one go with
// redrawing off: a visible list box repaints its scroll bar on every single line otherwise.
// A new text or position of a label or bar that follows its last one within 30 ms waits for
// that pass as well.
// A change made on another thread is never applied there: the mirror is queued and a message
// to the thread's hidden sync window has the window's thread apply it.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "runtime/controls.h"
#include "runtime/controls_win.h"
#include "runtime/encoding.h"
#include "runtime/values.h"

namespace tarnvel {
namespace {

constexpr UINT kFlushMessage = WM_APP + 0x3A1;
constexpr UINT_PTR kDeferredItemsTimer = 0x3A1;
constexpr wchar_t kSyncClass[] = L"TarnvelControlSync";
constexpr wchar_t kMirrorProperty[] = L"TarnvelControlMirror";

class Win32Mirror;

// Mirrors waiting for their window's thread, with the lock that guards the list and their
// `queued` flags.
std::mutex queueMutex;
std::vector<Win32Mirror*> queuedMirrors;

LRESULT CALLBACK SyncProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kFlushMessage) {
    detail::FlushControlChangesOfThisThread();
    return 0;
  }
  if (message == WM_TIMER && wparam == kDeferredItemsTimer) {
    KillTimer(hwnd, kDeferredItemsTimer);
    detail::FlushControlChangesOfThisThread();
    return 0;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

// The calling thread's hidden message-only window that receives the flush requests.
HWND SyncWindowOfThisThread() {
  thread_local HWND sync = nullptr;
  if (sync != nullptr && IsWindow(sync)) return sync;
  static const ATOM atom = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = SyncProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kSyncClass;
    return RegisterClassExW(&wc);
  }();
  if (atom == 0) throw RuntimeError("控件同步窗口类无法注册");
  sync = CreateWindowExW(0, kSyncClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr),
                         nullptr);
  if (sync == nullptr) throw RuntimeError("控件同步窗口无法创建");
  return sync;
}

void SetTextOf(HWND hwnd, const std::string& text) { SetWindowTextW(hwnd, Utf8ToWide(text).c_str()); }

class Win32Mirror : public ControlMirror {
 public:
  Win32Mirror(Control& control, HWND hwnd)
      : control_(control),
        hwnd_(hwnd),
        thread_(GetWindowThreadProcessId(hwnd, nullptr)),
        sync_(SyncWindowOfThisThread()) {
    // Flush requests reach the sync window of the thread that attached; that must be the
    // window's own thread.
    if (thread_ != GetCurrentThreadId()) throw RuntimeError("控件只能在其窗口的线程上连接");
    SetPropW(hwnd_, kMirrorProperty, this);
  }

  ~Win32Mirror() override {
    {
      std::lock_guard lock(queueMutex);
      std::erase(queuedMirrors, this);
    }
    if (IsWindow(hwnd_) && GetPropW(hwnd_, kMirrorProperty) == this) RemovePropW(hwnd_, kMirrorProperty);
  }

  void* Handle() const override { return hwnd_; }
  bool Alive() const override { return IsWindow(hwnd_) != FALSE; }

  void Changed(bool coalesce) override {
    // A new text or position of a label or bar right after its last one waits for the next
    // message-loop pass too: a run rewrites its counters and labels for every file, far faster
    // than anyone can read them, and each SetWindowTextW repaints under Wine.
    const bool soon = GetTickCount64() - lastFlush_ < kImmediateGap;
    if (!coalesce && GetCurrentThreadId() == thread_ && !(soon && control_.PendingOnlyRedisplays())) {
      Flush();
    } else {
      Queue();
    }
  }

  void Flush() override {
    if (GetCurrentThreadId() != thread_) {
      Queue();
      return;
    }
    PendingChanges pending = control_.TakePending();
    if (pending.Empty() || !IsWindow(hwnd_)) return;
    lastFlush_ = GetTickCount64();
    if (!pending.items.empty()) lastItemsFlush_ = lastFlush_;
    const bool wasApplying = applying_;
    applying_ = true;
    Apply(pending);
    applying_ = wasApplying;
  }

  // A visible list box given lines in a burst is scrolled and repainted once per burst, some
  // 15 ms under Wine whatever the burst's size: at every pump of a run copying small files that
  // was a third of the run. So a visible list box that took lines less than kItemsGap ago waits
  // with the next ones (its mirror stays queued and a timer of the thread comes back for it).
  bool DefersItems(ULONGLONG now) const {
    return control_.Kind() == ControlKind::ListBox && lastItemsFlush_ != 0 &&
           now - lastItemsFlush_ < kItemsGap && IsWindowVisible(hwnd_);
  }
  ULONGLONG ItemsDue() const { return lastItemsFlush_ + kItemsGap; }

  bool Applying() const { return applying_; }
  Control& Object() { return control_; }
  DWORD Thread() const { return thread_; }
  bool queued = false;                            // guarded by queueMutex
  static constexpr ULONGLONG kImmediateGap = 30;  // milliseconds
  static constexpr ULONGLONG kItemsGap = 500;

 private:
  ULONGLONG lastFlush_ = 0;
  ULONGLONG lastItemsFlush_ = 0;

  void Queue() {
    std::lock_guard lock(queueMutex);
    if (queued) return;
    queued = true;
    queuedMirrors.push_back(this);
    PostMessageW(sync_, kFlushMessage, 0, 0);
  }

  void Apply(const PendingChanges& p) {
    const ControlKind kind = control_.Kind();
    if (!p.items.empty()) ApplyItems(kind, p.items);
    if ((p.dirty & PendingChanges::kText) && kind != ControlKind::ListBox && kind != ControlKind::ListView &&
        kind != ControlKind::ProgressBar) {
      SetTextOf(hwnd_, p.text);
    }
    if (p.dirty & PendingChanges::kBounds) ApplyBounds(kind, p.bounds);
    if (p.dirty & PendingChanges::kEnabled) EnableWindow(hwnd_, p.enabled);
    if ((p.dirty & PendingChanges::kCheck) && kind == ControlKind::CheckBox) {
      SendMessageW(hwnd_, BM_SETCHECK, p.check ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    if (kind == ControlKind::ProgressBar) {
      if (p.dirty & PendingChanges::kRange) SendMessageW(hwnd_, PBM_SETRANGE32, p.minimum, p.maximum);
      if (p.dirty & (PendingChanges::kRange | PendingChanges::kPosition)) {
        SendMessageW(hwnd_, PBM_SETPOS, p.position, 0);
      }
    }
    if (p.dirty & PendingChanges::kVisible) ShowWindow(hwnd_, p.visible ? SW_SHOWNA : SW_HIDE);
    if (p.dirty & PendingChanges::kRepaint) UpdateWindow(hwnd_);
  }

  void ApplyBounds(ControlKind kind, const ControlBounds& b) {
    int height = detail::ToPixels(b.height);
    // A combo box's window height is that of its dropped-down list.
    if (kind == ControlKind::ComboBox) height += detail::ToPixels(160);
    MoveWindow(hwnd_, detail::ToPixels(b.left), detail::ToPixels(b.top), detail::ToPixels(b.width), height,
               TRUE);
  }

  void ApplyItems(ControlKind kind, const std::vector<ItemChange>& items) {
    // One change is cheap; a burst is applied with redrawing off and painted once.
    const bool burst = items.size() > 1;
    if (burst) SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
    // Only the last selection of a burst can be seen; each one scrolls the list, so the
    // earlier ones are passed over (a selection changes no item, so the lines stay the same).
    size_t lastSelect = items.size();
    for (size_t i = 0; i < items.size(); ++i) {
      if (items[i].op == ItemChange::Op::Select) lastSelect = i;
    }
    for (size_t i = 0; i < items.size(); ++i) {
      const ItemChange& change = items[i];
      if (change.op == ItemChange::Op::Select && i != lastSelect) continue;
      switch (kind) {
        case ControlKind::ListBox:
          ApplyListBox(change);
          break;
        case ControlKind::ComboBox:
          ApplyCombo(change);
          break;
        case ControlKind::ListView:
          ApplyListView(change);
          break;
        default:
          break;
      }
    }
    if (burst) {
      SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
      RedrawWindow(hwnd_, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
    }
  }

  void ApplyListBox(const ItemChange& c) {
    using Op = ItemChange::Op;
    switch (c.op) {
      case Op::Add:
        SendMessageW(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Utf8ToWide(c.text).c_str()));
        break;
      case Op::Delete:
        SendMessageW(hwnd_, LB_DELETESTRING, c.index, 0);
        break;
      case Op::Clear:
        SendMessageW(hwnd_, LB_RESETCONTENT, 0, 0);
        break;
      case Op::Select:
        SendMessageW(hwnd_, LB_SETCURSEL, c.index, 0);
        break;
      default:
        break;
    }
  }

  void ApplyCombo(const ItemChange& c) {
    using Op = ItemChange::Op;
    switch (c.op) {
      case Op::Add:
        SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Utf8ToWide(c.text).c_str()));
        break;
      case Op::Clear:
        SendMessageW(hwnd_, CB_RESETCONTENT, 0, 0);
        break;
      case Op::Select:
        SendMessageW(hwnd_, CB_SETCURSEL, c.index, 0);
        break;
      default:
        break;
    }
  }

  void ApplyListView(const ItemChange& c);
  void SetListViewText(int item, int column, const std::string& text);
  void SetListViewCheck(int item, int state);
  void SetListViewColumns(const std::vector<std::string>& headings, const std::vector<int>& widths);

  Control& control_;
  HWND hwnd_;
  DWORD thread_;
  HWND sync_;
  bool applying_ = false;
};

void Win32Mirror::SetListViewText(int item, int column, const std::string& text) {
  std::wstring wide = Utf8ToWide(text);
  LVITEMW lv{};
  lv.iSubItem = column;
  lv.pszText = wide.data();
  SendMessageW(hwnd_, LVM_SETITEMTEXTW, item, reinterpret_cast<LPARAM>(&lv));
}

void Win32Mirror::SetListViewCheck(int item, int state) {
  LVITEMW lv{};
  lv.stateMask = LVIS_STATEIMAGEMASK;
  lv.state = INDEXTOSTATEIMAGEMASK(state != 0 ? 2 : 1);
  SendMessageW(hwnd_, LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&lv));
}

void Win32Mirror::SetListViewColumns(const std::vector<std::string>& headings,
                                     const std::vector<int>& widths) {
  while (SendMessageW(hwnd_, LVM_DELETECOLUMN, 0, 0)) {
  }
  for (size_t i = 0; i < headings.size(); ++i) {
    std::wstring wide = Utf8ToWide(headings[i]);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = wide.data();
    column.cx = detail::ToPixels(i < widths.size() ? widths[i] : 100);
    column.iSubItem = static_cast<int>(i);
    SendMessageW(hwnd_, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
  }
}

void Win32Mirror::ApplyListView(const ItemChange& c) {
  using Op = ItemChange::Op;
  switch (c.op) {
    case Op::SetColumns:
      SetListViewColumns(c.texts, c.widths);
      break;
    case Op::Insert: {
      std::wstring first = Utf8ToWide(c.texts.empty() ? std::string() : c.texts[0]);
      LVITEMW lv{};
      lv.mask = LVIF_TEXT;
      lv.iItem = c.index;
      lv.pszText = first.data();
      const int at = static_cast<int>(SendMessageW(hwnd_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&lv)));
      if (at < 0) break;
      for (size_t column = 1; column < c.texts.size(); ++column) {
        SetListViewText(at, static_cast<int>(column), c.texts[column]);
      }
      SetListViewCheck(at, c.state);
      break;
    }
    case Op::Delete:
      SendMessageW(hwnd_, LVM_DELETEITEM, c.index, 0);
      break;
    case Op::Clear:
      SendMessageW(hwnd_, LVM_DELETEALLITEMS, 0, 0);
      break;
    case Op::SetText:
      SetListViewText(c.index, c.column, c.text);
      break;
    case Op::SetCheck:
      SetListViewCheck(c.index, c.state);
      break;
    case Op::Select: {
      LVITEMW lv{};
      lv.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
      lv.state = 0;
      SendMessageW(hwnd_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&lv));
      if (c.index >= 0) {
        lv.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(hwnd_, LVM_SETITEMSTATE, c.index, reinterpret_cast<LPARAM>(&lv));
        SendMessageW(hwnd_, LVM_ENSUREVISIBLE, c.index, FALSE);
      }
      break;
    }
    default:
      break;
  }
}

std::string TextOfWindow(HWND hwnd) {
  const int length = GetWindowTextLengthW(hwnd);
  std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(hwnd, wide.data(), length + 1);
  wide.resize(static_cast<size_t>(std::max(got, 0)));
  return WideToUtf8(wide);
}

void PullListViewChange(ListView& view, const NMLISTVIEW& change) {
  if (!(change.uChanged & LVIF_STATE) || change.iItem < 0) return;
  const UINT differs = change.uNewState ^ change.uOldState;
  if (differs & LVIS_STATEIMAGEMASK) {
    const int image = static_cast<int>((change.uNewState & LVIS_STATEIMAGEMASK) >> 12);
    if (image > 0) view.TakeCheckFromWindow(change.iItem, image - 1);
  }
  if (differs & LVIS_SELECTED) {
    if (change.uNewState & LVIS_SELECTED) {
      view.TakeSelectionFromWindow(change.iItem);
    } else if (view.Selection() == change.iItem) {
      view.TakeSelectionFromWindow(-1);
    }
  }
}

}  // namespace

void Control::Attach(void* hwnd) {
  if (hwnd == nullptr || !IsWindow(static_cast<HWND>(hwnd))) {
    throw RuntimeError("控件无法连接到不存在的窗口");
  }
  AttachMirror(std::make_unique<Win32Mirror>(*this, static_cast<HWND>(hwnd)));
}

namespace detail {

bool& LinesMayWaitOnThisThread() {
  thread_local bool mayWait = false;
  return mayWait;
}

void FlushControlChangesOfThisThread(bool all) {
  const DWORD self = GetCurrentThreadId();
  const ULONGLONG now = GetTickCount64();
  ULONGLONG due = 0;
  std::vector<Win32Mirror*> mine;
  {
    std::lock_guard lock(queueMutex);
    for (Win32Mirror* mirror : queuedMirrors) {
      if (mirror->Thread() != self) continue;
      if (!all && LinesMayWaitOnThisThread() && mirror->DefersItems(now)) {
        due = due == 0 ? mirror->ItemsDue() : std::min(due, mirror->ItemsDue());
        continue;
      }
      mirror->queued = false;
      mine.push_back(mirror);
    }
    std::erase_if(queuedMirrors, [self](Win32Mirror* m) { return m->Thread() == self && !m->queued; });
  }
  // Mirrors of this thread are destroyed only on this thread, so they all still live here.
  for (Win32Mirror* mirror : mine) mirror->Flush();
  if (due != 0)
    SetTimer(SyncWindowOfThisThread(), kDeferredItemsTimer,
             static_cast<UINT>(std::max<ULONGLONG>(due - now, 1)), nullptr);
}

void PullControlChange(void* childHwnd, unsigned code, const void* notifyHeader) {
  HWND child = static_cast<HWND>(childHwnd);
  auto* mirror = static_cast<Win32Mirror*>(GetPropW(child, kMirrorProperty));
  if (mirror == nullptr || mirror->Applying()) return;
  Control& control = mirror->Object();
  switch (control.Kind()) {
    case ControlKind::EditBox:
      if (code == EN_CHANGE) control.TakeTextFromWindow(TextOfWindow(child));
      break;
    case ControlKind::CheckBox:
      if (code == BN_CLICKED) {
        static_cast<CheckBox&>(control).TakeCheckFromWindow(SendMessageW(child, BM_GETCHECK, 0, 0) ==
                                                            BST_CHECKED);
      }
      break;
    case ControlKind::ComboBox:
      if (code == CBN_EDITCHANGE) control.TakeTextFromWindow(TextOfWindow(child));
      if (code == CBN_SELCHANGE) {
        static_cast<ComboBox&>(control).TakeSelectionFromWindow(
            static_cast<int>(SendMessageW(child, CB_GETCURSEL, 0, 0)));
      }
      break;
    case ControlKind::ListBox:
      if (code == LBN_SELCHANGE) {
        static_cast<ListBox&>(control).TakeSelectionFromWindow(
            static_cast<int>(SendMessageW(child, LB_GETCURSEL, 0, 0)));
      }
      break;
    case ControlKind::ListView:
      if (notifyHeader != nullptr && code == static_cast<unsigned>(LVN_ITEMCHANGED)) {
        PullListViewChange(static_cast<ListView&>(control), *static_cast<const NMLISTVIEW*>(notifyHeader));
      }
      break;
    default:
      break;
  }
}

}  // namespace detail
}  // namespace tarnvel
