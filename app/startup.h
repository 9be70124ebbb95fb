// The first of the program's own logic: the main window, or a command-line job.
#pragma once

#include "app/progress_window.h"
#include "runtime/values.h"
#include "ui/main_window.h"

namespace tarnvel {

enum class StartOutcome {
  kMainWindow,  // no arguments: the start-up window is gone, the main window is up
  kJobStarted,  // the job runs; its worker ends the program
  kBadJobLine,  // not a job line of four pieces: the program ends at once, showing nothing
};

// Runs with the program's own command-line arguments.
StartOutcome StartUp(ProgressWindow& startupWindow, MainWindow& mainWindow);
StartOutcome StartUp(ProgressWindow& startupWindow, MainWindow& mainWindow, const TextArray& args);

}  // namespace tarnvel
