// The process: the start-up window, StartUp, and the message loop of the user-interface thread.
#include <windows.h>

#include <exception>

#include "app/progress_window.h"
#include "app/startup.h"
#include "runtime/dialogs.h"
#include "runtime/window.h"
#include "ui/main_window.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using namespace tarnvel;
  try {
    ProgressWindow startupWindow;
    MainWindow mainWindow;
    if (!LoadWindow(startupWindow)) {
      ShowMessage("程序窗口无法创建。", kMessageIconStop, "错误");
      return 1;
    }
    // A job line without its four pieces starts nothing: a script sees it in the exit code.
    if (StartUp(startupWindow, mainWindow) == StartOutcome::kBadJobLine) return 2;
    return RunMessageLoop();
  } catch (const std::exception& error) {
    ReportException(error);
    return 1;
  }
}
