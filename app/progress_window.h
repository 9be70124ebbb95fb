// The start-up window. Created hidden when the process starts; a command-line job shapes it
// into its progress window, and a start without arguments replaces it by the main window.
#pragma once

#include "runtime/controls.h"
#include "runtime/window.h"

namespace tarnvel {

class ProgressWindow : public Window {
 public:
  ProgressWindow();

  // Shapes the window for a display style (1, 2 or 3; see EffectiveStyle): style 1 leaves it
  // hidden and of no size, style 2 shows the file label and the file bar in a 333 x 78 window,
  // style 3 all seven controls in a 382 x 107 window.
  void ApplyStyle(int style);

  Label statusLabel;
  Label fileLabel;
  Label countLabel;
  Label secondCountLabel;
  Label filePercentLabel;
  ProgressBar overallBar;
  ProgressBar fileBar;

 protected:
  WindowLayout Layout() const override;
  void OnCreate() override;
  // A job cannot be stopped: the window goes when the job ends the program.
  void OnClose() override {}
};

}  // namespace tarnvel
