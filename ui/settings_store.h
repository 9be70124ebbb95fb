// The lasting settings of the interactive program: string values in the registry, loaded into
// the main window's controls when the window has been created and saved back from them when it
// is destroyed; a few are written at the moment of a user action instead. Between the two the
// controls are the live copy, so nothing else reads the registry.
//
// Two keys: the product key holds A … LS, KV (the days kept versions stay), phoh and phth; the vendor key
// holds the product name followed by VLS, VLT and DY. The list formats escape nothing:
//   LX   source;target;tick|                 one record per task-list row
//   LXX  day;kind;tick;time|                 one record per schedule row
//   LS   line|                               the run history's lines
//   VLS, VLT  path|                          folder histories, oldest first
// Loading never fails: a record with the wrong number of fields, or a schedule record without a
// time, is passed over; a daily slot's time is corrected as when the user leaves its box. So a
// save, a load and a second save store the same values.
#pragma once

#include <string>
#include <string_view>

#include "runtime/controls.h"
#include "runtime/registry.h"
#include "sync/main_controls.h"
#include "ui/scheduler.h"

namespace tarnvel {

inline constexpr char kProductName[] = "Orvane目录同步";
inline constexpr char kVendorKey[] = "SOFTWARE\\kelvotra";
inline constexpr char kProductKey[] = "SOFTWARE\\kelvotra\\Orvane目录同步";

// "SOFTWARE\kelvotra\Orvane目录同步\<name>": a value of the product key.
std::string ProductValue(std::string_view name);
// "SOFTWARE\kelvotra\Orvane目录同步<suffix>": a value of the vendor key whose name begins with
// the product name (suffix "VLS", "VLT" or "DY").
std::string VendorValue(std::string_view suffix);

// Where the values live. Paths are registry paths: key + "\" + value name.
class SettingsBackend {
 public:
  virtual ~SettingsBackend() = default;
  // A missing or unreadable value gives "".
  virtual std::string Read(const std::string& path) const = 0;
  // False when the value could not be stored.
  virtual bool Write(const std::string& path, const std::string& text) = 0;
};

// The registry. The values belong under the local-machine root, which only an administrator
// may write; for anyone else every change would be gone at the next start. So when the product
// key there cannot be opened for writing, the same paths under the current-user root take the
// writes, and a value present there wins when reading (settings an administrator saved earlier
// are still read while the user has none of their own). Windows build only.
class RegistrySettings : public SettingsBackend {
 public:
  // Probes whether the product key under machineRoot takes writes.
  static RegistrySettings Open(int machineRoot = kRegLocalMachine, int userRoot = kRegCurrentUser);
  // With the probe's answer given: machineWritable false reads and writes as a standard user.
  RegistrySettings(int machineRoot, int userRoot, bool machineWritable);

  bool UsesUserRoot() const { return !machineWritable_; }
  std::string Read(const std::string& path) const override;
  bool Write(const std::string& path, const std::string& text) override;

 private:
  int machineRoot_;
  int userRoot_;
  bool machineWritable_;
};

// The list formats, each between its value text and its control.
// Rows, lines and items are appended; a record with the wrong number of fields adds nothing.
void LoadTaskList(ListView& list, std::string_view value);
std::string TaskListValue(const ListView& list);
void LoadScheduleList(ListView& list, std::string_view value);
std::string ScheduleListValue(const ListView& list);
// Keeps the first line and at most the last eight after it; selects the last line.
void LoadRunHistory(ListBox& history, std::string_view value);
std::string RunHistoryValue(const ListBox& history);
// Empty entries are passed over: no folder can have been chosen as "".
void LoadFolderHistory(ComboBox& box, std::string_view value);
// The history with the path appended, or the history unchanged when the path is one of its
// entries already (whole entries are compared, byte for byte). A last entry stored without its
// "|" gets one before the path is appended.
std::string HistoryWithFolder(std::string_view history, std::string_view path);

// Exactly "1" is on; "1" / "0" when saving.
bool SwitchOn(std::string_view value);
std::string SwitchValue(bool on);

// The days kept versions stay, as stored ("KV"), or the default when none or an unusable one is.
int StoredKeepDays(const SettingsBackend& backend);

enum class FolderBox { Source, Target };

class SettingsStore {
 public:
  SettingsStore(MainControls& controls, SettingsBackend& backend) : controls_(controls), backend_(backend) {}

  // The source box gets phoh and the target box phth; an empty source box then shows the
  // program's directory (given without a trailing backslash).
  void LoadStartValues(const std::string& programDirectory);
  // A, A1 … C3, LX, D, LXX, E, E1, DY, KV and LS, in that order.
  void LoadSettings();
  // The drop-down lists of the source and target boxes from VLS and VLT.
  void LoadHistories();
  // The same for the task dialog's two boxes, each time it opens.
  void LoadHistories(ComboBox& sourceBox, ComboBox& targetBox) const;
  // Writes A, A1 … C3, LX, D, LXX, E, E1, DY, KV and LS back, in that order. False when any
  // write failed (every value is still attempted).
  bool SaveSettings();
  // A folder chosen with a browse action: into the box, into phoh or phth, and appended to
  // VLS or VLT unless it is an entry there already. An empty path does nothing. The box's
  // drop-down list is left alone: the new entry is listed from the next start on.
  void RememberFolder(FolderBox box, const std::string& path);
  // Empties VLS, VLT and both drop-down lists.
  void ClearHistories();
  // DY, written as soon as the clean-up switch is toggled.
  bool SaveCleanUpSwitch();
  // phoh and phth from the two boxes, written at the start of every run.
  bool SaveLastFolders();

 private:
  void LoadSwitch(CheckBox& box, std::string_view name);
  void LoadText(Control& box, std::string_view name);
  void LoadSlotBox(EditBox& box, std::string_view name, SlotBoxKind kind);
  bool SaveSwitch(const CheckBox& box, std::string_view name);
  bool SaveText(const Control& box, std::string_view name);

  MainControls& controls_;
  SettingsBackend& backend_;
};

}  // namespace tarnvel
