// Layout of the start-up window and its three display styles.
#include "app/progress_window.h"

#include "app/job_line.h"

namespace tarnvel {
namespace {

enum ControlId : int {
  kStatusLabel = 101,
  kFileLabel,
  kCountLabel,
  kSecondCountLabel,
  kFilePercentLabel,
  kOverallBar,
  kFileBar,
};

// Columns of the two-bar layout: the bars and names on the left, the figures on the right.
constexpr int kLeft = 8;
constexpr int kWideWidth = 296;
constexpr int kFigureLeft = 312;
constexpr int kFigureWidth = 60;

}  // namespace

ProgressWindow::ProgressWindow() {
  statusLabel.SetBounds({kLeft, 4, kFigureLeft + kFigureWidth - kLeft, 16});
  overallBar.SetBounds({kLeft, 23, kWideWidth, 14});
  countLabel.SetBounds({kFigureLeft, 22, kFigureWidth, 16});
  fileLabel.SetBounds({kLeft, 40, kWideWidth, 16});
  secondCountLabel.SetBounds({kFigureLeft, 40, kFigureWidth, 16});
  fileBar.SetBounds({kLeft, 59, kWideWidth, 14});
  filePercentLabel.SetBounds({kFigureLeft, 58, kFigureWidth, 16});

  statusLabel.SetText("正在准备...");
  countLabel.SetText("0");
  secondCountLabel.SetText("0");
  filePercentLabel.SetText("0%");

  // Each style shows what it uses.
  for (Control* control : {static_cast<Control*>(&statusLabel), static_cast<Control*>(&fileLabel),
                           static_cast<Control*>(&countLabel), static_cast<Control*>(&secondCountLabel),
                           static_cast<Control*>(&filePercentLabel), static_cast<Control*>(&overallBar),
                           static_cast<Control*>(&fileBar)}) {
    control->SetVisible(false);
  }
}

WindowLayout ProgressWindow::Layout() const {
  WindowLayout layout;
  layout.title = "Orvane目录同步";
  layout.width = 382;
  layout.height = 107;
  layout.visible = false;
  layout.minimizeBox = true;
  return layout;
}

void ProgressWindow::OnCreate() {
  AddControl(statusLabel, kStatusLabel);
  AddControl(fileLabel, kFileLabel);
  AddControl(countLabel, kCountLabel);
  AddControl(secondCountLabel, kSecondCountLabel);
  AddControl(filePercentLabel, kFilePercentLabel);
  AddControl(overallBar, kOverallBar);
  AddControl(fileBar, kFileBar);
}

void ProgressWindow::ApplyStyle(int style) {
  switch (EffectiveStyle(style)) {
    case kSingleBarStyle:
      // One row for the bar, the file's name under it.
      MoveControl(fileBar, kLeft, 8, 311, 16);
      fileBar.SetVisible(true);
      fileLabel.SetTop(29);
      fileLabel.SetWidth(311);
      fileLabel.SetVisible(true);
      SetSize(333, 78);
      CentreOnScreen();
      SetVisible(true);
      break;
    case kDoubleBarStyle:
      overallBar.SetVisible(true);
      countLabel.SetVisible(true);
      fileLabel.SetVisible(true);
      secondCountLabel.SetVisible(true);
      statusLabel.SetVisible(true);
      fileBar.SetVisible(true);
      filePercentLabel.SetVisible(true);
      // The job fills the file bar with tenths of a percent.
      fileBar.SetRange(0, 1000);
      SetSize(382, 107);
      CentreOnScreen();
      SetVisible(true);
      break;
    default:
      // The static style shows nothing at all.
      SetSize(0, 0);
      SetVisible(false);
      break;
  }
}

}  // namespace tarnvel
