// The removable-disk mode's file and its three routines.
#include <windows.h>

#include "runtime/dialogs.h"
#include "runtime/encoding.h"
#include "runtime/files.h"
#include "runtime/inifile.h"
#include "runtime/programs.h"
#include "runtime/window.h"
#include "sync/path_helpers.h"
#include "sync/task_runner.h"
#include "ui/main_window.h"
#include "ui/portable.h"
#include "ui/task_dialog.h"

namespace tarnvel {
namespace {

constexpr int kHiddenReadOnlySystem = 7;
constexpr int kArchiveOnly = 32;

std::string FullPath(const std::string& path) {
  const std::wstring wide = Utf8ToWide(path);
  const DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (size == 0) return path;
  std::wstring full(size, L'\0');
  full.resize(GetFullPathNameW(wide.c_str(), size, full.data(), nullptr));
  return WideToUtf8(full);
}

// Two starts that back up into one folder (one disk started twice, or two disks naming the
// same folder) take turns: two writers in one target would each remove what the other copies.
// The turn lives as long as this object; the window answers its messages while it waits. A
// lock the system cannot give does not hold the backup back.
class BackupFolderTurn {
 public:
  explicit BackupFolderTurn(const std::string& folder)
      : mutex_(CreateMutexW(nullptr, FALSE, Utf8ToWide(BackupFolderLockName(FullPath(folder))).c_str())) {
    if (mutex_ == nullptr) return;
    for (;;) {
      const DWORD got = MsgWaitForMultipleObjects(1, &mutex_, FALSE, INFINITE, QS_ALLINPUT);
      if (got == WAIT_OBJECT_0 || got == WAIT_ABANDONED_0) {
        owned_ = true;
        return;
      }
      if (got != WAIT_OBJECT_0 + 1) return;
      ProcessEvents();
    }
  }
  ~BackupFolderTurn() {
    if (owned_) ReleaseMutex(mutex_);
    if (mutex_ != nullptr) CloseHandle(mutex_);
  }
  BackupFolderTurn(const BackupFolderTurn&) = delete;
  BackupFolderTurn& operator=(const BackupFolderTurn&) = delete;

 private:
  HANDLE mutex_;
  bool owned_ = false;
};

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
  // A run from the disk leaves the computer's own settings as they were: the clean-up switch
  // set here for this run is never stored.
  window.KeepStoredSettings();
  if (const std::optional<bool> cleanUp = PortableCleanUp(ReadIniItem(file, "DIR", "EC"))) {
    c.cleanUpSwitch.SetChecked(*cleanUp);
  }
  // The scheduler is never started for a run from the disk: the window makes it only after
  // this check has found no disk file.
  SetAttributes(file, kHiddenReadOnlySystem);
  const std::string backup = ReadIniItem(file, "DIR", "Install");
  c.sourceBox.SetText(RunDirectory());
  c.targetBox.SetText(backup);
  window.SetVisible(false);
  {
    const BackupFolderTurn turn(backup);
    window.StartRun(RunJobsFrom::kBoxesOnly);
  }
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
