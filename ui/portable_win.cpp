// The removable-disk mode's file and its three routines.
#include "runtime/dialogs.h"
#include "runtime/files.h"
#include "runtime/inifile.h"
#include "runtime/programs.h"
#include "runtime/window.h"
#include "sync/path_helpers.h"
#include "ui/main_window.h"
#include "ui/portable.h"
#include "ui/task_dialog.h"

namespace tarnvel {
namespace {

constexpr int kHiddenReadOnlySystem = 7;
constexpr int kArchiveOnly = 32;

}  // namespace

std::string PortableIniPath() { return RunDirectory() + "\\Tarnvel.ini"; }

bool PortableModeSetUp() { return !ReadIniItem(PortableIniPath(), "DIR", "Install").empty(); }

bool PortableStartCheck(MainWindow& window) {
  const std::string file = PortableIniPath();
  if (ReadIniItem(file, "DIR", "Install").empty()) return false;
  if (!FileExists(file)) return false;
  MainControls& c = window.Controls();
  c.serviceControl.SetText("启动服务");
  c.removableDiskControl.SetText("卸载功能");
  if (ReadIniItem(file, "DIR", "EC") == "1") c.cleanUpSwitch.SetChecked(true);
  // The scheduler is never started for a run from the disk: the window makes it only after
  // this check has found no disk file.
  SetAttributes(file, kHiddenReadOnlySystem);
  c.sourceBox.SetText(RunDirectory());
  c.targetBox.SetText(ReadIniItem(file, "DIR", "Install"));
  window.SetVisible(false);
  window.StartRun();
  // A run from the disk leaves the computer's own settings as they were.
  window.EndProgram(false);
  return true;
}

void SetUpPortable(MainWindow& window) {
  if (ShowMessage(
          "注意事件：此操作将设置成U盘模式\r\n如果不需要请直接删除即可！\r\n你确定要设置成U盘模式么？",
          kMessageOkCancel | kMessageIconQuestion, "提示") != kButtonOk) {
    return;
  }
  const std::string folder = ChooseFolderTrimmed("请设置你的资料备份的位置！");
  if (folder.empty() || !IsDirectory(folder)) {
    ShowMessage("路径设置错误", kMessageOk, "错误");
    return;
  }
  const std::string file = PortableIniPath();
  // A file left read-only by an earlier set-up takes the new values all the same.
  if (FileExists(file)) SetAttributes(file, kArchiveOnly);
  WriteIniItem(file, "DIR", "Install", folder);
  const bool cleanUp =
      ShowMessage("是否清除多余的文件？", kMessageOkCancel | kMessageIconQuestion, "提示") == kButtonOk;
  WriteIniItem(file, "DIR", "EC", cleanUp ? "1" : "0");
  SetAttributes(file, kHiddenReadOnlySystem);
  ShowMessage("设置成功！！下次你想备份U盘数据的时候直接打开本程序就可以了。", kMessageOk, "提示");
  window.EndProgram(true);
}

void RemovePortable(MainWindow& window) {
  if (ShowMessage("你真的要卸载U盘模式么？", kMessageOkCancel | kMessageIconQuestion, "提示") != kButtonOk)
    return;
  const std::string file = PortableIniPath();
  SetAttributes(file, kArchiveOnly);
  DeleteFileAt(file);
  StartSelfRemoval(RunDirectory() + "\\" + ExecutableName());
  window.EndProgram(true);
}

}  // namespace tarnvel
