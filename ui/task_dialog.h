// The task dialog: a source and a target box with their folder histories, a browse button
// for each, OK and Cancel. OK is accepted only when the boxes pass the task checks (neither
// empty, not equal, the target not one of the system's directories); otherwise the dialog
// says why and stays open.
#pragma once

#include <string>

#include "runtime/controls.h"
#include "runtime/window.h"
#include "ui/main_window_checks.h"
#include "ui/settings_store.h"

namespace tarnvel {

enum TaskDialogId : int {
  kTaskDialogOk = 1,      // Enter
  kTaskDialogCancel = 2,  // Escape
  kTaskDialogSource = 100,
  kTaskDialogSourceBrowse,
  kTaskDialogTarget,
  kTaskDialogTargetBrowse,
  kTaskDialogSourceLabel,
  kTaskDialogTargetLabel,
};

inline constexpr char kTaskDialogTitle[] = "同步任务";

class TaskDialog : public Window {
 public:
  TaskDialog(const SettingsStore& settings, SystemLocations system, std::string source, std::string target);

  // Opens modally over the owner; true when the user confirmed with OK. The texts then hold
  // the two accepted boxes, otherwise they are the ones handed in.
  bool Run(Window& owner);
  const std::string& Source() const { return source_; }
  const std::string& Target() const { return target_; }

  ComboBox sourceBox;
  ComboBox targetBox;
  Button sourceBrowse;
  Button targetBrowse;
  Button ok;
  Button cancel;
  Label sourceLabel;
  Label targetLabel;

 protected:
  WindowLayout Layout() const override;
  void OnCreate() override;
  void OnCommand(int id, int code) override;

 private:
  void Confirm();

  const SettingsStore& settings_;
  SystemLocations system_;
  std::string source_;
  std::string target_;
  bool accepted_ = false;
};

// Takes the text the Win32 box shows into its object: a text set into the box without the
// edit notification (a paste tool, an accessibility aid) counts as typed.
void TakeShownText(ComboBox& box);

// The folder chooser of the main window and its dialogs: the chosen folder without leading
// or trailing blanks, "" when cancelled.
std::string ChooseFolderTrimmed(const std::string& title = "请选择一个文件夹");

}  // namespace tarnvel
