// Chooses between the main window and a command-line job.
#include "app/command_line_job.h"
#include "app/job_line.h"
#include "app/startup.h"
#include "runtime/cmdline.h"
#include "runtime/window.h"

namespace tarnvel {
namespace {

void StartJob(ProgressWindow& window, const JobLine& job) {
  const int style = EffectiveStyle(job.style);
  SetAfterCommand(job.afterCommand);
  window.ApplyStyle(style);
  switch (style) {
    case kSingleBarStyle:
      RunSingleBarJob(job.source, job.target, window.fileLabel, window.fileBar);
      break;
    case kDoubleBarStyle:
      RunDoubleBarJob({.source = job.source,
                       .target = job.target,
                       .overallBar = window.overallBar,
                       .fileBar = window.fileBar,
                       .countLabel = window.countLabel,
                       .filePercentLabel = window.filePercentLabel,
                       .statusLabel = window.statusLabel,
                       .fileLabel = window.fileLabel,
                       .secondCountLabel = window.secondCountLabel});
      break;
    default:
      RunStaticJob(job.source, job.target);
      break;
  }
}

}  // namespace

StartOutcome StartUp(ProgressWindow& startupWindow, MainWindow& mainWindow) {
  return StartUp(startupWindow, mainWindow, CommandLineArgs());
}

StartOutcome StartUp(ProgressWindow& startupWindow, MainWindow& mainWindow, const TextArray& args) {
  if (args.empty()) {
    DestroyWindow(startupWindow);
    if (!LoadWindow(mainWindow)) throw RuntimeError("主窗口无法创建");
    return StartOutcome::kMainWindow;
  }
  const std::optional<JobLine> job = ParseJobLine(BuildJobLine(args));
  if (!job) return StartOutcome::kBadJobLine;
  StartJob(startupWindow, *job);
  return StartOutcome::kJobStarted;
}

}  // namespace tarnvel
