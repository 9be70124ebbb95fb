// Control objects without a window: their state, its limits, and what a mirror is handed.
#include "runtime/controls.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace tarnvel {
namespace {

// Stands where a Win32 control would be and counts what reaches it.
class RecordingMirror : public ControlMirror {
 public:
  explicit RecordingMirror(Control& control, int* immediate, int* coalesced)
      : control_(control), immediate_(immediate), coalesced_(coalesced) {}
  void* Handle() const override { return nullptr; }
  bool Alive() const override { return true; }
  void Changed(bool coalesce) override { ++*(coalesce ? coalesced_ : immediate_); }
  void Flush() override { last = control_.TakePending(); }
  PendingChanges last;

 private:
  Control& control_;
  int* immediate_;
  int* coalesced_;
};

struct Watched {
  int immediate = 0;
  int coalesced = 0;
  RecordingMirror* mirror = nullptr;
  void Attach(Control& control) {
    auto owned = std::make_unique<RecordingMirror>(control, &immediate, &coalesced);
    mirror = owned.get();
    control.AttachMirror(std::move(owned));
  }
};

TEST(ProgressBarState, PositionStaysWithinTheRange) {
  ProgressBar bar;
  EXPECT_EQ(bar.Minimum(), 0);
  EXPECT_EQ(bar.Maximum(), 100);
  bar.SetPosition(150);
  EXPECT_EQ(bar.Position(), 100);
  bar.SetPosition(-5);
  EXPECT_EQ(bar.Position(), 0);
  bar.SetPosition(80);
  bar.SetMaximum(40);  // a smaller range pulls the position in
  EXPECT_EQ(bar.Position(), 40);
  bar.SetRange(0, 1000);
  bar.SetPosition(999);
  bar.Step();
  bar.Step();
  EXPECT_EQ(bar.Position(), 1000);
  bar.SetRange(10, 4);  // reversed: the position still lies between the two ends
  EXPECT_EQ(bar.Position(), 10);
}

TEST(ListBoxState, LinesDataAndSelection) {
  ListBox box;
  EXPECT_EQ(ListBoxAdd(box, "一"), 0);
  EXPECT_EQ(ListBoxAdd(box, "二", 42), 1);
  EXPECT_EQ(ListBoxAdd(box, "三"), 2);
  EXPECT_EQ(ListBoxCount(box), 3);
  EXPECT_EQ(ListBoxItemText(box, 1), "二");
  EXPECT_EQ(box.ItemData(1), 42);
  EXPECT_EQ(ListBoxItemText(box, 3), "");
  EXPECT_EQ(ListBoxItemText(box, -1), "");

  box.Select(ListBoxCount(box));  // the line at the count is the last line
  EXPECT_EQ(box.Selection(), 2);
  box.Select(99);
  EXPECT_EQ(box.Selection(), 2);
  EXPECT_TRUE(ListBoxDelete(box, 0));
  EXPECT_EQ(box.Selection(), 1);  // follows its line
  EXPECT_FALSE(ListBoxDelete(box, 5));
  EXPECT_TRUE(ListBoxDelete(box, 1));
  EXPECT_EQ(box.Selection(), -1);
  box.Select(-1);
  EXPECT_EQ(box.Selection(), -1);

  ListBoxClear(box);
  EXPECT_EQ(ListBoxCount(box), 0);
  box.Select(0);  // nothing to select in an empty box
  EXPECT_EQ(box.Selection(), -1);
}

TEST(ListViewState, RowsColumnsChecksAndData) {
  ListView view;
  view.SetColumns({"源目录", "目标目录"}, {200, 200});
  EXPECT_EQ(view.ColumnCount(), 2);
  EXPECT_EQ(ListViewInsert(view, -1, "A"), 0);
  EXPECT_EQ(ListViewInsert(view, 7, "C", -1, 1, 0, 3), 1);  // past the end appends
  EXPECT_EQ(ListViewInsert(view, 1, "B"), 1);
  ASSERT_EQ(ListViewCount(view), 3);
  EXPECT_EQ(ListViewGetText(view, 1, 0), "B");
  EXPECT_EQ(ListViewGetText(view, 2, 0), "C");
  EXPECT_EQ(view.ItemData(2), 3);
  EXPECT_EQ(ListViewGetCheck(view, 2), 1);

  ListViewSetText(view, 0, 1, "Z:\\目标\\");
  EXPECT_EQ(ListViewGetText(view, 0, 1), "Z:\\目标\\");
  EXPECT_EQ(ListViewGetText(view, 1, 1), "");
  EXPECT_EQ(ListViewGetText(view, 9, 0), "");

  ListViewSetCheck(view, 0, 5);  // any non-zero state is "checked"
  EXPECT_EQ(ListViewGetCheck(view, 0), 1);
  ListViewSetCheck(view, 0, 0);
  EXPECT_EQ(ListViewGetCheck(view, 0), 0);
  EXPECT_EQ(ListViewGetCheck(view, 9), 0);

  view.Select(2);
  ListViewDelete(view, 0);
  EXPECT_EQ(view.Selection(), 1);
  ListViewDelete(view, 9);  // out of range: nothing happens
  EXPECT_EQ(ListViewCount(view), 2);
  ListViewClear(view);
  EXPECT_EQ(ListViewCount(view), 0);
  EXPECT_EQ(view.Selection(), -1);
}

TEST(ComboBoxState, PickingAnItemSetsTheText) {
  ComboBox box;
  box.SetText("D:\\typed");
  ComboAdd(box, "D:\\a");
  ComboAdd(box, "D:\\b");
  box.Select(1);
  EXPECT_EQ(box.Text(), "D:\\b");
  box.Select(-1);  // no item: the box keeps what it shows
  EXPECT_EQ(box.Text(), "D:\\b");
  ComboClear(box);
  EXPECT_EQ(box.Count(), 0);
  EXPECT_EQ(box.Text(), "D:\\b");
}

TEST(ControlBoundsState, MoveControlKeepsOmittedValues) {
  Label label;
  MoveControl(label, 5, 6, 70, 80);
  MoveControl(label, std::nullopt, 29, -1, -1);
  EXPECT_EQ(label.Bounds(), (ControlBounds{5, 29, 70, 80}));
  label.SetWidth(311);
  EXPECT_EQ(label.Width(), 311);
  EXPECT_EQ(label.Top(), 29);

  Watched watched;
  watched.Attach(label);
  const int before = watched.immediate;
  MoveControl(label, 5, 29, 311, 80);  // the same rectangle: nothing reaches the window
  label.SetText(label.Text());
  EXPECT_EQ(watched.immediate, before);
  MoveControl(label, 6);
  EXPECT_EQ(watched.immediate, before + 1);
}

TEST(ControlMirrorRecord, AttachHandsOverTheWholeState) {
  ListBox box;
  box.Add("a");
  box.Add("b");
  box.Select(5);
  box.SetVisible(false);
  Watched watched;
  watched.Attach(box);
  const PendingChanges& first = watched.mirror->last;
  EXPECT_TRUE(first.dirty & PendingChanges::kVisible);
  EXPECT_FALSE(first.visible);
  ASSERT_EQ(first.items.size(), 4u);  // clear, two lines, the selection
  EXPECT_EQ(first.items[0].op, ItemChange::Op::Clear);
  EXPECT_EQ(first.items[2].text, "b");
  EXPECT_EQ(first.items[3].op, ItemChange::Op::Select);
  EXPECT_EQ(first.items[3].index, 1);
}

TEST(ControlMirrorRecord, ListBoxChangesWaitAndClearDropsWhatCameBefore) {
  ListBox box;
  Watched watched;
  watched.Attach(box);
  for (int i = 0; i < 1000; ++i) box.Add("line");
  EXPECT_EQ(watched.coalesced, 1000);
  EXPECT_EQ(watched.immediate, 0);
  box.Clear();
  box.Add("after");
  const PendingChanges pending = box.TakePending();
  ASSERT_EQ(pending.items.size(), 2u);
  EXPECT_EQ(pending.items[0].op, ItemChange::Op::Clear);
  EXPECT_EQ(pending.items[1].text, "after");
  EXPECT_TRUE(box.TakePending().Empty());
}

// Fixed: 10,000 stored task rows reached the window one row (and one repaint) at a time.
TEST(ControlMirrorRecord, AppendedRowsReachTheWindowAsOneChange) {
  ListView view;
  Watched watched;
  watched.Attach(view);
  view.Insert(-1, "first");
  const int before = watched.immediate;
  view.Append({{{"Z:\\a", "Z:\\b"}, 1}, {{"Z:\\c"}, 0}, {{}, 1}});
  EXPECT_EQ(watched.immediate, before + 1);
  ASSERT_EQ(view.Count(), 4);
  EXPECT_EQ(view.ItemText(1, 1), "Z:\\b");
  EXPECT_EQ(view.Check(1), 1);
  EXPECT_EQ(view.ItemText(2, 0), "Z:\\c");
  EXPECT_EQ(view.Check(3), 1);
  const PendingChanges pending = view.TakePending();
  ASSERT_EQ(pending.items.size(), 4u);  // the single insert, then the three rows
  EXPECT_EQ(pending.items[3].op, ItemChange::Op::Insert);
  EXPECT_EQ(pending.items[3].index, 3);
}

TEST(ControlMirrorRecord, WindowValuesDoNotEchoBack) {
  CheckBox check;
  EditBox edit;
  Watched watchedCheck, watchedEdit;
  watchedCheck.Attach(check);
  watchedEdit.Attach(edit);
  check.TakeCheckFromWindow(true);
  edit.TakeTextFromWindow("用户输入");
  EXPECT_TRUE(check.Checked());
  EXPECT_EQ(edit.Text(), "用户输入");
  EXPECT_TRUE(check.TakePending().Empty());
  EXPECT_TRUE(edit.TakePending().Empty());
}

TEST(ControlMirrorRecord, DetachedControlsRecordNothing) {
  Label label;
  Watched watched;
  watched.Attach(label);
  label.Detach();
  label.SetText("later");
  EXPECT_TRUE(label.TakePending().Empty());
  EXPECT_EQ(label.Text(), "later");
}

// A worker writes while another thread reads, as the command-line job and the window thread do.
TEST(ControlThreads, WriterAndReaderSeeWholeValues) {
  Label label;
  ProgressBar bar;
  bar.SetRange(0, 20000);
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (int i = 1; i <= 20000; ++i) {
      label.SetText(i % 2 ? "正在计算更新..." : "文件同步完成!");
      bar.SetPosition(i);
    }
    done = true;
  });
  int previous = 0;
  while (!done) {
    const std::string text = label.Text();
    EXPECT_TRUE(text.empty() || text == "正在计算更新..." || text == "文件同步完成!");
    const int position = bar.Position();
    EXPECT_GE(position, previous);
    previous = position;
  }
  writer.join();
  EXPECT_EQ(label.Text(), "文件同步完成!");
  EXPECT_EQ(bar.Position(), 20000);
}

}  // namespace
}  // namespace tarnvel
