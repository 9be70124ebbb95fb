#include "ui/settings_store.h"

#include <string>

#include "sync/kept_versions.h"

#include "runtime/convert.h"
#include "runtime/text.h"
#include "ui/schedule_entry.h"
#include "ui/scheduler.h"

namespace tarnvel {
namespace {

constexpr int kTaskFields = 3;
constexpr int kScheduleFields = 4;
// The run history keeps its first line and the latest lines up to this count in all.
constexpr int kHistoryLimit = 10;

constexpr const char* kSlotNames[kDailySlotCount] = {"A", "B", "C"};

// The records of a list value: pieces between "|" (an empty piece after the last "|" is not
// one), each split at ";".
template <typename OnRecord>
void ForEachRecord(std::string_view value, OnRecord onRecord) {
  for (const std::string& piece : SplitText(value, "|")) onRecord(SplitText(piece, ";"));
}

}  // namespace

std::string ProductValue(std::string_view name) {
  return std::string(kProductKey) + "\\" + std::string(name);
}

std::string VendorValue(std::string_view suffix) {
  return std::string(kVendorKey) + "\\" + kProductName + std::string(suffix);
}

bool SwitchOn(std::string_view value) { return value == "1"; }
std::string SwitchValue(bool on) { return on ? "1" : "0"; }

void LoadTaskList(ListView& list, std::string_view value) {
  std::vector<ListView::NewRow> rows;
  ForEachRecord(value, [&rows](const TextArray& fields) {
    if (fields.size() != kTaskFields) return;
    rows.push_back({{fields[0], fields[1]}, SwitchOn(fields[2]) ? 1 : 0});
  });
  list.Append(rows);
}

std::string TaskListValue(const ListView& list) {
  std::string value;
  for (int row = 0; row < list.Count(); ++row) {
    value += list.ItemText(row, kTaskSourceColumn) + ";" + list.ItemText(row, kTaskTargetColumn) + ";" +
             ToText(list.Check(row)) + "|";
  }
  return value;
}

void LoadScheduleList(ListView& list, std::string_view value) {
  ForEachRecord(value, [&list](const TextArray& fields) {
    // A record without a time would be saved as three fields and lost at the next load.
    if (fields.size() != kScheduleFields || fields[3].empty()) return;
    AppendScheduleRow(list, fields[0], fields[1], fields[3], SwitchOn(fields[2]));
  });
}

std::string ScheduleListValue(const ListView& list) {
  std::string value;
  for (int row = 0; row < list.Count(); ++row) {
    value += list.ItemText(row, kScheduleDayColumn) + ";" + list.ItemText(row, kScheduleKindColumn) + ";" +
             ToText(list.Check(row)) + ";" + list.ItemText(row, kScheduleTimeColumn) + "|";
  }
  return value;
}

void LoadRunHistory(ListBox& history, std::string_view value) {
  for (const std::string& line : SplitText(value, "|")) {
    history.Add(line);
    if (history.Count() >= kHistoryLimit) history.Delete(1);
  }
  if (history.Count() > 0) history.Select(history.Count());
}

std::string RunHistoryValue(const ListBox& history) {
  std::string value;
  for (int i = 0; i < history.Count(); ++i) value += history.ItemText(i) + "|";
  return value;
}

void LoadFolderHistory(ComboBox& box, std::string_view value) {
  for (const std::string& path : SplitText(value, "|")) {
    if (!path.empty()) ComboAdd(box, path);
  }
}

std::string HistoryWithFolder(std::string_view history, std::string_view path) {
  for (const std::string& entry : SplitText(history, "|")) {
    if (entry == path) return std::string(history);
  }
  // Every entry ends in "|"; a stored text whose last one lacks it gets it back first, or the
  // new folder would run into that entry.
  std::string updated(history);
  if (!updated.empty() && updated.back() != '|') updated += '|';
  return updated + std::string(path) + "|";
}

void SettingsStore::LoadStartValues(const std::string& programDirectory) {
  controls_.sourceBox.SetText(backend_.Read(ProductValue("phoh")));
  controls_.targetBox.SetText(backend_.Read(ProductValue("phth")));
  if (controls_.sourceBox.Text().empty()) controls_.sourceBox.SetText(programDirectory);
}

void SettingsStore::LoadSwitch(CheckBox& box, std::string_view name) {
  box.SetChecked(SwitchOn(backend_.Read(ProductValue(name))));
}

void SettingsStore::LoadText(Control& box, std::string_view name) {
  box.SetText(backend_.Read(ProductValue(name)));
}

int StoredKeepDays(const SettingsBackend& backend) {
  return KeepDaysFromText(backend.Read(ProductValue("KV")));
}

// A stored slot text is corrected as when the user leaves the box; an empty one stays empty.
void SettingsStore::LoadSlotBox(EditBox& box, std::string_view name, SlotBoxKind kind) {
  LoadText(box, name);
  if (!box.Text().empty()) CorrectSlotBox(box, kind);
}

void SettingsStore::LoadSettings() {
  for (int i = 0; i < kDailySlotCount; ++i) {
    const std::string name = kSlotNames[i];
    DailySlot& slot = controls_.dailySlots[i];
    LoadSwitch(slot.enabled, name);
    LoadSlotBox(slot.hour, name + "1", SlotBoxKind::Hour);
    LoadSlotBox(slot.minute, name + "2", SlotBoxKind::Minute);
    LoadSlotBox(slot.second, name + "3", SlotBoxKind::Second);
  }
  LoadTaskList(controls_.taskList, backend_.Read(ProductValue("LX")));
  LoadSwitch(controls_.calendarSwitch, "D");
  LoadScheduleList(controls_.scheduleList, backend_.Read(ProductValue("LXX")));
  LoadSwitch(controls_.intervalSwitch, "E");
  LoadText(controls_.intervalBox, "E1");
  controls_.cleanUpSwitch.SetChecked(SwitchOn(backend_.Read(VendorValue("DY"))));
  controls_.keepDaysBox.SetText(std::to_string(StoredKeepDays(backend_)));
  LoadRunHistory(controls_.runHistory, backend_.Read(ProductValue("LS")));
}

void SettingsStore::LoadHistories() { LoadHistories(controls_.sourceBox, controls_.targetBox); }

void SettingsStore::LoadHistories(ComboBox& sourceBox, ComboBox& targetBox) const {
  LoadFolderHistory(sourceBox, backend_.Read(VendorValue("VLS")));
  LoadFolderHistory(targetBox, backend_.Read(VendorValue("VLT")));
}

bool SettingsStore::SaveSwitch(const CheckBox& box, std::string_view name) {
  return backend_.Write(ProductValue(name), SwitchValue(box.Checked()));
}

bool SettingsStore::SaveText(const Control& box, std::string_view name) {
  return backend_.Write(ProductValue(name), box.Text());
}

bool SettingsStore::SaveSettings() {
  bool ok = true;
  for (int i = 0; i < kDailySlotCount; ++i) {
    const std::string name = kSlotNames[i];
    const DailySlot& slot = controls_.dailySlots[i];
    ok &= SaveSwitch(slot.enabled, name);
    ok &= SaveText(slot.hour, name + "1");
    ok &= SaveText(slot.minute, name + "2");
    ok &= SaveText(slot.second, name + "3");
  }
  ok &= backend_.Write(ProductValue("LX"), TaskListValue(controls_.taskList));
  ok &= SaveSwitch(controls_.calendarSwitch, "D");
  ok &= backend_.Write(ProductValue("LXX"), ScheduleListValue(controls_.scheduleList));
  ok &= SaveSwitch(controls_.intervalSwitch, "E");
  ok &= SaveText(controls_.intervalBox, "E1");
  ok &= SaveCleanUpSwitch();
  ok &= backend_.Write(ProductValue("KV"), std::to_string(KeepDaysFromText(controls_.keepDaysBox.Text())));
  ok &= backend_.Write(ProductValue("LS"), RunHistoryValue(controls_.runHistory));
  return ok;
}

void SettingsStore::RememberFolder(FolderBox box, const std::string& path) {
  if (path.empty()) return;
  const bool source = box == FolderBox::Source;
  (source ? controls_.sourceBox : controls_.targetBox).SetText(path);
  backend_.Write(ProductValue(source ? "phoh" : "phth"), path);
  const std::string historyPath = VendorValue(source ? "VLS" : "VLT");
  const std::string history = backend_.Read(historyPath);
  const std::string updated = HistoryWithFolder(history, path);
  if (updated != history) backend_.Write(historyPath, updated);
}

void SettingsStore::ClearHistories() {
  backend_.Write(VendorValue("VLS"), "");
  backend_.Write(VendorValue("VLT"), "");
  ComboClear(controls_.sourceBox);
  ComboClear(controls_.targetBox);
}

bool SettingsStore::SaveCleanUpSwitch() {
  return backend_.Write(VendorValue("DY"), SwitchValue(controls_.cleanUpSwitch.Checked()));
}

bool SettingsStore::SaveLastFolders() {
  const bool source = backend_.Write(ProductValue("phoh"), controls_.sourceBox.Text());
  const bool target = backend_.Write(ProductValue("phth"), controls_.targetBox.Text());
  return source && target;
}

}  // namespace tarnvel
