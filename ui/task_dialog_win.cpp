// The task dialog window.
#include <windows.h>

#include <algorithm>

#include "runtime/dialogs.h"
#include "runtime/encoding.h"
#include "runtime/text.h"
#include "ui/task_dialog.h"

namespace tarnvel {

TaskDialog::TaskDialog(const SettingsStore& settings, SystemLocations system, std::string source,
                       std::string target)
    : settings_(settings),
      system_(std::move(system)),
      source_(std::move(source)),
      target_(std::move(target)) {}

WindowLayout TaskDialog::Layout() const {
  WindowLayout layout;
  layout.title = kTaskDialogTitle;
  layout.width = 520;
  layout.height = 170;
  layout.minimizeBox = false;
  return layout;
}

void TaskDialog::OnCreate() {
  // Creation order is the tab order.
  sourceLabel.SetText("源目录:");
  sourceLabel.SetBounds({12, 18, 76, 18});
  sourceBox.SetBounds({92, 14, 320, 240});
  sourceBrowse.SetText("浏览(&B)...");
  sourceBrowse.SetBounds({420, 12, 80, 26});
  targetLabel.SetText("目标目录:");
  targetLabel.SetBounds({12, 56, 76, 18});
  targetBox.SetBounds({92, 52, 320, 240});
  targetBrowse.SetText("浏览(&R)...");
  targetBrowse.SetBounds({420, 50, 80, 26});
  ok.SetText("确定");
  ok.SetBounds({316, 96, 88, 28});
  cancel.SetText("取消");
  cancel.SetBounds({412, 96, 88, 28});

  ComboClear(sourceBox);
  ComboClear(targetBox);
  settings_.LoadHistories(sourceBox, targetBox);
  sourceBox.SetText(source_);
  targetBox.SetText(target_);

  AddControl(sourceLabel, kTaskDialogSourceLabel);
  AddControl(sourceBox, kTaskDialogSource);
  AddControl(sourceBrowse, kTaskDialogSourceBrowse);
  AddControl(targetLabel, kTaskDialogTargetLabel);
  AddControl(targetBox, kTaskDialogTarget);
  AddControl(targetBrowse, kTaskDialogTargetBrowse);
  AddControl(ok, kTaskDialogOk);
  AddControl(cancel, kTaskDialogCancel);
  SendToControl(ok, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
  SetFocus(reinterpret_cast<HWND>(WindowHandle(sourceBox)));
}

void TaskDialog::OnCommand(int id, int code) {
  switch (id) {
    case kTaskDialogOk:
      Confirm();
      break;
    case kTaskDialogCancel:
      DestroyWindow(*this);
      break;
    case kTaskDialogSourceBrowse:
      if (const std::string path = ChooseFolderTrimmed(); !path.empty()) sourceBox.SetText(path);
      break;
    case kTaskDialogTargetBrowse:
      if (const std::string path = ChooseFolderTrimmed(); !path.empty()) targetBox.SetText(path);
      break;
    default:
      break;
  }
}

void TaskDialog::Confirm() {
  TakeShownText(sourceBox);
  TakeShownText(targetBox);
  const std::string source = sourceBox.Text();
  const std::string target = targetBox.Text();
  if (const auto refusal = TaskDialogRefusal(source, target, system_)) {
    ShowMessage(*refusal, kMessageIconExclamation, "错误");
    return;
  }
  source_ = source;
  target_ = target;
  accepted_ = true;
  DestroyWindow(*this);
}

bool TaskDialog::Run(Window& owner) {
  accepted_ = false;
  if (!LoadWindow(*this, &owner, true)) throw RuntimeError("任务窗口无法创建");
  return accepted_;
}

void TakeShownText(ComboBox& box) {
  HWND hwnd = reinterpret_cast<HWND>(WindowHandle(box));
  if (hwnd == nullptr) return;
  const int length = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(std::max(GetWindowTextW(hwnd, text.data(), length + 1), 0)));
  const std::string shown = WideToUtf8(text);
  if (shown != box.Text()) box.TakeTextFromWindow(shown);
}

std::string ChooseFolderTrimmed(const std::string& title) { return TrimBoth(ChooseFolder(title)); }

}  // namespace tarnvel
