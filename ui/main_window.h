// The main window of the interactive program.
#pragma once

#include "runtime/window.h"

namespace tarnvel {

class MainWindow : public Window {
 protected:
  WindowLayout Layout() const override;
};

}  // namespace tarnvel
