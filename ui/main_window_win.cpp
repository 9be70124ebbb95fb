// The main window: a top-level window centred on the screen; closing it ends the program.
#include "ui/main_window.h"

namespace tarnvel {

WindowLayout MainWindow::Layout() const {
  WindowLayout layout;
  layout.title = "Orvane目录同步 V:2.5";
  layout.width = 640;
  layout.height = 480;
  layout.visible = true;
  layout.minimizeBox = true;
  layout.quitOnDestroy = true;
  return layout;
}

}  // namespace tarnvel
