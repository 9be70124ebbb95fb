// The main window's update commands: four entries of its system menu and the label that shows
// the published version once a check has fetched it.
#include <windows.h>

#include "ui/main_window.h"
#include "ui/update_window.h"

#include "runtime/encoding.h"

namespace tarnvel {

void MainWindow::AddUpdateCommands() {
  AddControl(updateLabel_, kIdCaptionFirst + 40);
  HMENU menu = GetSystemMenu(static_cast<HWND>(Handle()), FALSE);
  if (menu == nullptr) return;
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  const std::pair<unsigned, const char*> entries[] = {
      {kSysCheckUpdate, "检查更新(&U)"},
      {kSysUpdateToPublished, "更新到发布的版本(&P)"},
      {kSysCompareUpdate, "比较文件后更新(&M)"},
      {kSysSilentUpdate, "后台更新(&B)"},
  };
  for (const auto& [id, text] : entries) AppendMenuW(menu, MF_STRING, id, Utf8ToWide(text).c_str());
  // An installed update saves the settings before the installer ends the program.
  ProcessUpdate().Hooks().beforeEnd = [this] { store_.SaveSettings(); };
  // Installing ends the program, so an update that is ready during a run waits for it.
  ProcessUpdate().Hooks().runInProgress = [this] { return engine_.Running(); };
}

bool MainWindow::UpdateCommand(unsigned command) {
  switch (command) {
    case kSysCheckUpdate:
      CheckForUpdate(*this, updateLabel_, UpdatePageUrl(), UpdateFileUrl());
      return true;
    case kSysUpdateToPublished:
      if (UpdateToPublishedVersion(UpdatePageUrl(), UpdateFileUrl())) {
        updateLabel_.SetText("这里更新到 V:" + ProcessUpdate().latestVersion);
      } else {
        ShowMessage("没有可以更新的版本。", kMessageIconInformation, "提示");
      }
      return true;
    case kSysCompareUpdate:
      StartUpdate(UpdateFileUrl(), 2, 0, &updateLabel_);
      return true;
    case kSysSilentUpdate:
      StartUpdate(UpdateFileUrl());
      return true;
    default:
      return false;
  }
}

}  // namespace tarnvel
