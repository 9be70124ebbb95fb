// The item lists of list boxes, combo boxes and list views, and the changes their mirrors apply.
#include <algorithm>
#include <utility>

#include "runtime/controls.h"

namespace tarnvel {

using Op = ItemChange::Op;

namespace {

ItemChange Change(Op op, int index = -1) {
  ItemChange change;
  change.op = op;
  change.index = index;
  return change;
}

ItemChange Change(Op op, int index, std::string text, int column = 0) {
  ItemChange change = Change(op, index);
  change.text = std::move(text);
  change.column = column;
  return change;
}

ItemChange StateChange(Op op, int index, int state, std::vector<std::string> texts = {}) {
  ItemChange change = Change(op, index);
  change.state = state;
  change.texts = std::move(texts);
  return change;
}

ItemChange ColumnsChange(std::vector<std::string> headings, std::vector<int> widths) {
  ItemChange change = Change(Op::SetColumns);
  change.texts = std::move(headings);
  change.widths = std::move(widths);
  return change;
}

}  // namespace

// --- ListBox ---

int ListBox::Count() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(lines_.size());
}

int ListBox::Add(const std::string& text, std::intptr_t data) {
  int index;
  {
    std::lock_guard lock(mutex_);
    lines_.push_back({text, data});
    index = static_cast<int>(lines_.size()) - 1;
    if (attached_) changes_.push_back(Change(Op::Add, index, text));
  }
  Notify(true);
  return index;
}

bool ListBox::Delete(int index) {
  {
    std::lock_guard lock(mutex_);
    if (index < 0 || index >= static_cast<int>(lines_.size())) return false;
    lines_.erase(lines_.begin() + index);
    if (selection_ == index) {
      selection_ = -1;
    } else if (selection_ > index) {
      --selection_;
    }
    if (attached_) changes_.push_back(Change(Op::Delete, index));
  }
  Notify(true);
  return true;
}

void ListBox::Clear() {
  {
    std::lock_guard lock(mutex_);
    lines_.clear();
    selection_ = -1;
    if (attached_) {
      // Nothing recorded before a clear can matter to the window any more.
      changes_.clear();
      changes_.push_back(Change(Op::Clear));
    }
  }
  Notify(true);
}

std::string ListBox::ItemText(int index) const {
  std::lock_guard lock(mutex_);
  if (index < 0 || index >= static_cast<int>(lines_.size())) return {};
  return lines_[index].text;
}

std::intptr_t ListBox::ItemData(int index) const {
  std::lock_guard lock(mutex_);
  if (index < 0 || index >= static_cast<int>(lines_.size())) return 0;
  return lines_[index].data;
}

void ListBox::Select(int index) {
  {
    std::lock_guard lock(mutex_);
    const int count = static_cast<int>(lines_.size());
    selection_ = (index < 0 || count == 0) ? -1 : std::min(index, count - 1);
    if (attached_) changes_.push_back(Change(Op::Select, selection_));
  }
  Notify(true);
}

int ListBox::Selection() const {
  std::lock_guard lock(mutex_);
  return selection_;
}

void ListBox::TakeSelectionFromWindow(int index) {
  std::lock_guard lock(mutex_);
  if (index >= -1 && index < static_cast<int>(lines_.size())) selection_ = index;
}

void ListBox::RecordAllItems(std::vector<ItemChange>& items) const {
  items.push_back(Change(Op::Clear));
  for (const Line& line : lines_) items.push_back(Change(Op::Add, -1, line.text));
  if (selection_ >= 0) items.push_back(Change(Op::Select, selection_));
}

// --- ComboBox ---

int ComboBox::Count() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(items_.size());
}

int ComboBox::Add(const std::string& text, std::intptr_t data) {
  int index;
  {
    std::lock_guard lock(mutex_);
    items_.push_back({text, data});
    index = static_cast<int>(items_.size()) - 1;
    if (attached_) changes_.push_back(Change(Op::Add, index, text));
  }
  Notify(false);
  return index;
}

void ComboBox::Clear() {
  {
    std::lock_guard lock(mutex_);
    items_.clear();
    selection_ = -1;
    // The current text stays: clearing the drop-down list does not empty the box.
    if (attached_) {
      changes_.push_back(Change(Op::Clear));
      dirty_ |= PendingChanges::kText;
    }
  }
  Notify(false);
}

std::string ComboBox::ItemText(int index) const {
  std::lock_guard lock(mutex_);
  if (index < 0 || index >= static_cast<int>(items_.size())) return {};
  return items_[index].text;
}

std::intptr_t ComboBox::ItemData(int index) const {
  std::lock_guard lock(mutex_);
  if (index < 0 || index >= static_cast<int>(items_.size())) return 0;
  return items_[index].data;
}

void ComboBox::Select(int index) {
  std::string text;
  bool picked = false;
  {
    std::lock_guard lock(mutex_);
    if (index < 0 || index >= static_cast<int>(items_.size())) {
      // Picking nothing keeps whatever the box shows.
      selection_ = -1;
      if (attached_) {
        changes_.push_back(Change(Op::Select, -1));
        dirty_ |= PendingChanges::kText;
      }
    } else {
      selection_ = index;
      if (attached_) changes_.push_back(Change(Op::Select, index));
      text = items_[index].text;
      picked = true;
    }
  }
  if (picked) SetText(text);
  Notify(false);
}

int ComboBox::Selection() const {
  std::lock_guard lock(mutex_);
  return selection_;
}

void ComboBox::TakeSelectionFromWindow(int index) {
  std::string text;
  {
    std::lock_guard lock(mutex_);
    if (index < 0 || index >= static_cast<int>(items_.size())) {
      selection_ = -1;
      return;
    }
    selection_ = index;
    text = items_[index].text;
  }
  TakeTextFromWindow(text);
}

void ComboBox::RecordAllItems(std::vector<ItemChange>& items) const {
  items.push_back(Change(Op::Clear));
  for (const Item& item : items_) items.push_back(Change(Op::Add, -1, item.text));
  if (selection_ >= 0) items.push_back(Change(Op::Select, selection_));
}

// --- ListView ---

void ListView::SetColumns(const std::vector<std::string>& headings, const std::vector<int>& widths) {
  {
    std::lock_guard lock(mutex_);
    headings_ = headings;
    widths_ = widths;
    widths_.resize(headings_.size(), 100);
    if (attached_) changes_.push_back(ColumnsChange(headings_, widths_));
  }
  Notify(false);
}

int ListView::ColumnCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(headings_.size());
}

int ListView::Count() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(rows_.size());
}

int ListView::Insert(int index, const std::string& text, int image, int checkState, int indent,
                     std::intptr_t data) {
  {
    std::lock_guard lock(mutex_);
    const int count = static_cast<int>(rows_.size());
    if (index < 0 || index > count) index = count;
    Row row{
        .texts = {text}, .check = checkState != 0 ? 1 : 0, .image = image, .indent = indent, .data = data};
    rows_.insert(rows_.begin() + index, row);
    if (selection_ >= index) ++selection_;
    if (attached_) {
      changes_.push_back(StateChange(Op::Insert, index, row.check, row.texts));
    }
  }
  Notify(false);
  return index;
}

void ListView::Append(const std::vector<NewRow>& rows) {
  if (rows.empty()) return;
  {
    std::lock_guard lock(mutex_);
    for (const NewRow& added : rows) {
      Row row{.texts = added.texts, .check = added.check != 0 ? 1 : 0};
      if (row.texts.empty()) row.texts.emplace_back();
      if (attached_) {
        changes_.push_back(StateChange(Op::Insert, static_cast<int>(rows_.size()), row.check, row.texts));
      }
      rows_.push_back(std::move(row));
    }
  }
  Notify(false);
}

void ListView::Delete(int index) {
  {
    std::lock_guard lock(mutex_);
    if (index < 0 || index >= static_cast<int>(rows_.size())) return;
    rows_.erase(rows_.begin() + index);
    if (selection_ == index) {
      selection_ = -1;
    } else if (selection_ > index) {
      --selection_;
    }
    if (attached_) changes_.push_back(Change(Op::Delete, index));
  }
  Notify(false);
}

void ListView::Clear() {
  {
    std::lock_guard lock(mutex_);
    rows_.clear();
    selection_ = -1;
    if (attached_) changes_.push_back(Change(Op::Clear));
  }
  Notify(false);
}

void ListView::SetItemText(int item, int column, const std::string& text) {
  {
    std::lock_guard lock(mutex_);
    if (item < 0 || item >= static_cast<int>(rows_.size()) || column < 0) return;
    std::vector<std::string>& texts = rows_[item].texts;
    if (column >= static_cast<int>(texts.size())) texts.resize(column + 1);
    texts[column] = text;
    if (attached_) changes_.push_back(Change(Op::SetText, item, text, column));
  }
  Notify(false);
}

std::string ListView::ItemText(int item, int column) const {
  std::lock_guard lock(mutex_);
  if (item < 0 || item >= static_cast<int>(rows_.size()) || column < 0) return {};
  const std::vector<std::string>& texts = rows_[item].texts;
  return column < static_cast<int>(texts.size()) ? texts[column] : std::string();
}

int ListView::Check(int item) const {
  std::lock_guard lock(mutex_);
  if (item < 0 || item >= static_cast<int>(rows_.size())) return 0;
  return rows_[item].check;
}

void ListView::SetCheck(int item, int state) {
  {
    std::lock_guard lock(mutex_);
    if (item < 0 || item >= static_cast<int>(rows_.size())) return;
    rows_[item].check = state != 0 ? 1 : 0;
    if (attached_) changes_.push_back(StateChange(Op::SetCheck, item, rows_[item].check));
  }
  Notify(false);
}

void ListView::TakeCheckFromWindow(int item, int state) {
  std::lock_guard lock(mutex_);
  if (item >= 0 && item < static_cast<int>(rows_.size())) rows_[item].check = state != 0 ? 1 : 0;
}

std::intptr_t ListView::ItemData(int item) const {
  std::lock_guard lock(mutex_);
  if (item < 0 || item >= static_cast<int>(rows_.size())) return 0;
  return rows_[item].data;
}

void ListView::SetItemData(int item, std::intptr_t data) {
  std::lock_guard lock(mutex_);
  if (item >= 0 && item < static_cast<int>(rows_.size())) rows_[item].data = data;
}

int ListView::Selection() const {
  std::lock_guard lock(mutex_);
  return selection_;
}

void ListView::Select(int item) {
  {
    std::lock_guard lock(mutex_);
    selection_ = (item >= 0 && item < static_cast<int>(rows_.size())) ? item : -1;
    if (attached_) changes_.push_back(Change(Op::Select, selection_));
  }
  Notify(false);
}

void ListView::TakeSelectionFromWindow(int item) {
  std::lock_guard lock(mutex_);
  if (item >= -1 && item < static_cast<int>(rows_.size())) selection_ = item;
}

void ListView::RecordAllItems(std::vector<ItemChange>& items) const {
  items.push_back(ColumnsChange(headings_, widths_));
  items.push_back(Change(Op::Clear));
  for (int i = 0; i < static_cast<int>(rows_.size()); ++i) {
    items.push_back(StateChange(Op::Insert, i, rows_[i].check, rows_[i].texts));
  }
  if (selection_ >= 0) items.push_back(Change(Op::Select, selection_));
}

// --- The operations by name ---

int ListBoxCount(const ListBox& box) { return box.Count(); }
int ListBoxAdd(ListBox& box, const std::string& text, std::intptr_t data) { return box.Add(text, data); }
bool ListBoxDelete(ListBox& box, int index) { return box.Delete(index); }
void ListBoxClear(ListBox& box) { box.Clear(); }
std::string ListBoxItemText(const ListBox& box, int index) { return box.ItemText(index); }

int ComboAdd(ComboBox& box, const std::string& text, std::intptr_t data) { return box.Add(text, data); }
void ComboClear(ComboBox& box) { box.Clear(); }

int ListViewCount(const ListView& view) { return view.Count(); }
int ListViewInsert(ListView& view, int index, const std::string& text, int image, int checkState, int indent,
                   std::intptr_t data) {
  return view.Insert(index, text, image, checkState, indent, data);
}
void ListViewDelete(ListView& view, int index) { view.Delete(index); }
void ListViewClear(ListView& view) { view.Clear(); }
void ListViewSetText(ListView& view, int item, int column, const std::string& text) {
  view.SetItemText(item, column, text);
}
std::string ListViewGetText(const ListView& view, int item, int column) {
  return view.ItemText(item, column);
}
int ListViewGetCheck(const ListView& view, int item) { return view.Check(item); }
void ListViewSetCheck(ListView& view, int item, int state) { view.SetCheck(item, state); }

}  // namespace tarnvel
