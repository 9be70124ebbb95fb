// Runs a command-line job's steps in-process, on the test's thread, with windowless controls:
// what the worker thread does before it opens the after-command.
#pragma once

#include <string>

#include "app/job_styles.h"
#include "runtime/controls.h"

namespace tarnvel::test {

// The seven controls of a style-3 job without a window; the file bar counts tenths of a percent
// as the progress window's does.
struct WindowlessJob {
  WindowlessJob() { fileBar.SetRange(0, 1000); }
  Label statusLabel, fileLabel, countLabel, secondCountLabel, filePercentLabel;
  ProgressBar overallBar, fileBar;
  JobControls For(const std::string& source, const std::string& target) {
    return {source,           target,      overallBar, fileBar,         countLabel,
            filePercentLabel, statusLabel, fileLabel,  secondCountLabel};
  }
};

// Runs the style's steps and gives the job's exit code; `report`, when given, receives what
// could not be done.
inline int RunStyle(int style, const std::string& source, const std::string& target,
                    RunReport* report = nullptr) {
  if (style == 2) {
    Label fileLabel;
    ProgressBar fileBar;
    return RunSingleBarSteps(source, target, fileLabel, fileBar, report);
  }
  if (style == 3) {
    WindowlessJob job;
    return RunDoubleBarSteps(job.For(source, target), report);
  }
  return RunStaticSteps(source, target, report);
}

}  // namespace tarnvel::test
