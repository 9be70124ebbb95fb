// Control objects that hold their own state.
//
// A label, button, check box, edit box, combo box, list box, list view or progress bar keeps
// its text, items, check states, range and position in memory. When a Win32 control is
// attached, every change is mirrored into it; without one (the engine's tests, a hidden
// window) the object works all the same and reads always give its latest state.
//
// Threads: one thread may write a control while another reads it; each control guards its
// state with a small mutex of its own. A change made on a thread other than the attached
// window's is recorded and handed to the window's thread, which applies it on its next
// message-loop pass, so a worker never blocks on the window thread. List-box changes are
// coalesced even on the window's thread: a burst of appends costs one redraw. Attach, Detach
// and destruction of an attached control belong to the window's thread.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tarnvel {

enum class ControlKind { Label, Button, CheckBox, EditBox, ComboBox, ListBox, ListView, ProgressBar };

// Position and size in layout units (pixels at 96 DPI; the window layer scales them).
struct ControlBounds {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const ControlBounds&, const ControlBounds&) = default;
};

// One recorded change of a control's items, applied in order by the mirror.
struct ItemChange {
  enum class Op { Add, Insert, Delete, Clear, SetText, SetCheck, Select, SetColumns };
  Op op = Op::Add;
  int index = -1;
  int column = 0;
  int state = 0;
  std::string text;
  std::vector<std::string> texts;  // Insert: every column's text; SetColumns: the headings
  std::vector<int> widths;         // SetColumns: the column widths
};

// What a mirror must bring into its window: the properties whose bit is set in `dirty`
// (with their current values) and the item changes recorded since the last hand-over.
struct PendingChanges {
  enum : unsigned {
    kText = 1u << 0,
    kVisible = 1u << 1,
    kEnabled = 1u << 2,
    kBounds = 1u << 3,
    kCheck = 1u << 4,
    kRange = 1u << 5,
    kPosition = 1u << 6,
    kRepaint = 1u << 7,
  };
  unsigned dirty = 0;
  std::string text;
  bool visible = true;
  bool enabled = true;
  ControlBounds bounds;
  int check = 0;
  int minimum = 0;
  int maximum = 100;
  int position = 0;
  std::vector<ItemChange> items;
  bool Empty() const { return dirty == 0 && items.empty(); }
};

// The window side of a control. The Windows build supplies the Win32 one; tests may attach
// their own to watch what would reach a window.
class ControlMirror {
 public:
  virtual ~ControlMirror() = default;
  virtual void* Handle() const = 0;
  virtual bool Alive() const = 0;
  // A change was recorded (the control's lock is not held). `coalesce` says that the
  // change may wait for the next message-loop pass even on the window's thread.
  virtual void Changed(bool coalesce) = 0;
  // Brings recorded changes into the window now; called on the window's thread.
  virtual void Flush() = 0;
};

class Control {
 public:
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  virtual ControlKind Kind() const = 0;

  // Attaches a Win32 control (an HWND) and brings the whole state into it. Windows build only.
  void Attach(void* hwnd);
  // Attaches any mirror (the Win32 one, or a test's); the whole state is recorded for it.
  void AttachMirror(std::unique_ptr<ControlMirror> mirror);
  void Detach();
  ControlMirror* Mirror() const { return mirror_.get(); }

  std::string Text() const;
  void SetText(const std::string& text);
  bool Visible() const;
  void SetVisible(bool visible);
  bool Enabled() const;
  void SetEnabled(bool enabled);
  ControlBounds Bounds() const;
  int Left() const { return Bounds().left; }
  int Top() const { return Bounds().top; }
  int Width() const { return Bounds().width; }
  int Height() const { return Bounds().height; }
  void SetLeft(int left);
  void SetTop(int top);
  void SetWidth(int width);
  void SetHeight(int height);
  void SetBounds(const ControlBounds& bounds);

  // Hands the changes recorded since the last call to the mirror and clears them.
  PendingChanges TakePending();
  // Whether what waits for the mirror only changes what a label or bar shows (its text, its
  // position): nothing the user could act on, so it may wait for the next message-loop pass.
  bool PendingOnlyRedisplays() const;
  // Records a repaint request (painted at once on the window's thread).
  void RequestRepaint();

  // Called by the mirror when the user changed the Win32 control (typed, ticked, picked):
  // the object takes the window's value without recording a change to send back.
  void TakeTextFromWindow(const std::string& text);

 protected:
  Control() = default;

  // Derived kinds add their own properties and items to a hand-over, and the whole item
  // list to the first one after Attach.
  virtual void FillPending(PendingChanges& /*pending*/) const {}
  virtual void RecordAllItems(std::vector<ItemChange>& /*items*/) const {}

  // Records a change under the lock already held by the caller's scope and notifies the
  // mirror after the lock is released; see Change below.
  void Notify(bool coalesce);

  mutable std::mutex mutex_;
  unsigned dirty_ = 0;               // guarded by mutex_
  std::vector<ItemChange> changes_;  // guarded by mutex_; recorded only while attached
  bool attached_ = false;            // guarded by mutex_

 private:
  std::string text_;
  bool visible_ = true;
  bool enabled_ = true;
  ControlBounds bounds_;
  std::unique_ptr<ControlMirror> mirror_;
};

class Label : public Control {
 public:
  ControlKind Kind() const override { return ControlKind::Label; }
};

class Button : public Control {
 public:
  ControlKind Kind() const override { return ControlKind::Button; }
};

class EditBox : public Control {
 public:
  ControlKind Kind() const override { return ControlKind::EditBox; }
};

class CheckBox : public Control {
 public:
  ControlKind Kind() const override { return ControlKind::CheckBox; }
  bool Checked() const;
  void SetChecked(bool checked);
  void TakeCheckFromWindow(bool checked);

 protected:
  void FillPending(PendingChanges& pending) const override;

 private:
  bool checked_ = false;
};

class ProgressBar : public Control {
 public:
  ControlKind Kind() const override { return ControlKind::ProgressBar; }
  int Minimum() const;
  int Maximum() const;
  int Position() const;
  // The position always lies within the range, as the Win32 bar keeps it.
  void SetMinimum(int minimum);
  void SetMaximum(int maximum);
  void SetRange(int minimum, int maximum);
  void SetPosition(int position);
  void Step(int delta = 1);

 protected:
  void FillPending(PendingChanges& pending) const override;

 private:
  void ClampLocked();
  int minimum_ = 0;
  int maximum_ = 100;
  int position_ = 0;
};

// A list box: lines with an integer datum each, kept in the order they were added.
class ListBox : public Control {
 public:
  ControlKind Kind() const override { return ControlKind::ListBox; }
  int Count() const;
  int Add(const std::string& text, std::intptr_t data = 0);
  bool Delete(int index);
  void Clear();
  std::string ItemText(int index) const;
  std::intptr_t ItemData(int index) const;
  // Selects a line; an index at or past the end selects the last line, a negative one
  // clears the selection. The selected line is brought into view.
  void Select(int index);
  int Selection() const;
  void TakeSelectionFromWindow(int index);

 protected:
  void RecordAllItems(std::vector<ItemChange>& items) const override;

 private:
  struct Line {
    std::string text;
    std::intptr_t data;
  };
  std::vector<Line> lines_;
  int selection_ = -1;
};

// A combo box with a drop-down list: items, and a current text that the user may also type.
class ComboBox : public Control {
 public:
  ControlKind Kind() const override { return ControlKind::ComboBox; }
  int Count() const;
  int Add(const std::string& text, std::intptr_t data = 0);
  void Clear();
  std::string ItemText(int index) const;
  std::intptr_t ItemData(int index) const;
  // Picks an item: its text becomes the current text. A negative index picks none.
  void Select(int index);
  int Selection() const;
  void TakeSelectionFromWindow(int index);

 protected:
  void RecordAllItems(std::vector<ItemChange>& items) const override;

 private:
  struct Item {
    std::string text;
    std::intptr_t data;
  };
  std::vector<Item> items_;
  int selection_ = -1;
};

// A report-style list view with a check box on every row.
class ListView : public Control {
 public:
  ControlKind Kind() const override { return ControlKind::ListView; }
  void SetColumns(const std::vector<std::string>& headings, const std::vector<int>& widths);
  int ColumnCount() const;
  int Count() const;
  // A negative index, or one past the end, appends. Returns the new row's index.
  int Insert(int index = -1, const std::string& text = "", int image = -1, int checkState = 0, int indent = 0,
             std::intptr_t data = 0);
  // Rows appended in one change: a window shows them in one burst with redrawing off, so
  // thousands of rows load in a moment instead of one repaint each.
  struct NewRow {
    std::vector<std::string> texts;
    int check = 0;
  };
  void Append(const std::vector<NewRow>& rows);
  void Delete(int index);
  void Clear();
  void SetItemText(int item, int column, const std::string& text);
  std::string ItemText(int item, int column) const;
  int Check(int item) const;
  void SetCheck(int item, int state);
  std::intptr_t ItemData(int item) const;
  void SetItemData(int item, std::intptr_t data);
  int Selection() const;
  void Select(int item);
  void TakeCheckFromWindow(int item, int state);
  void TakeSelectionFromWindow(int item);

 protected:
  void RecordAllItems(std::vector<ItemChange>& items) const override;

 private:
  struct Row {
    std::vector<std::string> texts;
    int check = 0;
    int image = -1;
    int indent = 0;
    std::intptr_t data = 0;
  };
  std::vector<std::string> headings_;
  std::vector<int> widths_;
  std::vector<Row> rows_;
  int selection_ = -1;
};

// The operations under the names the rest of the program uses.

// Omitted values, and a width or height of -1, keep the current ones; an unchanged
// rectangle changes nothing.
void MoveControl(Control& control, std::optional<int> left = {}, std::optional<int> top = {},
                 std::optional<int> width = {}, std::optional<int> height = {});
// Paints pending invalid parts of the attached control at once.
void Repaint(Control& control);
bool IsCreated(const Control& control);
std::uintptr_t WindowHandle(const Control& control);

int ListBoxCount(const ListBox& box);
int ListBoxAdd(ListBox& box, const std::string& text, std::intptr_t data = 0);
bool ListBoxDelete(ListBox& box, int index);
void ListBoxClear(ListBox& box);
std::string ListBoxItemText(const ListBox& box, int index);

int ComboAdd(ComboBox& box, const std::string& text, std::intptr_t data = 0);
void ComboClear(ComboBox& box);

int ListViewCount(const ListView& view);
int ListViewInsert(ListView& view, int index = -1, const std::string& text = "", int image = -1,
                   int checkState = 0, int indent = 0, std::intptr_t data = 0);
void ListViewDelete(ListView& view, int index);
void ListViewClear(ListView& view);
void ListViewSetText(ListView& view, int item, int column, const std::string& text);
std::string ListViewGetText(const ListView& view, int item, int column);
int ListViewGetCheck(const ListView& view, int item);
void ListViewSetCheck(ListView& view, int item, int state);

}  // namespace tarnvel
