// A job given on the command line, run on a worker thread of its own.
//
// StartUp fills the job state through these calls before any worker starts; nobody changes it
// afterwards. Each Run*Job stores its inputs, starts the worker thread and returns at once; the
// worker ends the program when the job is done.
#pragma once

#include <string>

#include "runtime/controls.h"

namespace tarnvel {

// The style-3 job: source, target and the seven controls of the progress window it drives.
struct JobControls {
  std::string source;
  std::string target;
  ProgressBar& overallBar;
  ProgressBar& fileBar;
  Label& countLabel;
  Label& filePercentLabel;
  Label& statusLabel;
  Label& fileLabel;
  Label& secondCountLabel;
};

// The program or document opened when the job has finished.
void SetAfterCommand(const std::string& afterCommand);

void RunStaticJob(const std::string& source, const std::string& target);
void RunSingleBarJob(const std::string& source, const std::string& target, Label& fileLabel,
                     ProgressBar& fileBar);
void RunDoubleBarJob(const JobControls& job);

}  // namespace tarnvel
