// The step sequences of the three display styles.
#include <windows.h>

#include "app/job_styles.h"


#include "app/size_copier.h"
#include "runtime/convert.h"
#include "runtime/encoding.h"
#include "runtime/programs.h"
#include "runtime/text.h"

namespace tarnvel {
namespace {

constexpr int kShellFileNotFound = 2;

// A job that walks: its roots are usable and its source is there.
bool Startable(const SizeJob& job) { return job.Usable() && job.roots.sourceExists; }

int ExitCodeOf(const SizeJob& job, RunReport* report) {
  if (report != nullptr) *report = job.report;
  if (!Startable(job)) return kJobNotStarted;
  return job.report.Failures() == 0 ? kJobDone : kJobIncomplete;
}

}  // namespace

bool JobPathsUsable(const std::string& source, const std::string& target) {
  return ResolveRoots(source, target).Usable();
}

int RunStaticSteps(const std::string& source, const std::string& target, RunReport* report) {
  SizeJob job = ResolveSizeJob(source, target);
  if (Startable(job)) {
    CleanTargetBySize(job);
    CopyTreeBySize(job);
  }
  return ExitCodeOf(job, report);
}

int RunSingleBarSteps(const std::string& source, const std::string& target, Label& fileLabel, ProgressBar& fileBar,
                      RunReport* report) {
  fileLabel.SetText(kCleaningText);
  SizeJob job = ResolveSizeJob(source, target);
  const bool startable = Startable(job);
  if (startable) CleanTargetBySize(job);
  const std::int32_t count = startable ? CountMissingFiles(job) : 0;
  if (count == 0) {
    fileBar.SetPosition(fileBar.Maximum());
  } else {
    fileBar.SetRange(0, count);
    fileBar.SetPosition(0);
    CopyTreeWithBar(job, fileLabel, fileBar);
  }
  fileLabel.SetText(kFinishedText);
  return ExitCodeOf(job, report);
}

int RunDoubleBarSteps(const JobControls& controls, RunReport* report) {
  controls.statusLabel.SetText(kCountingText);
  SizeJob job = ResolveSizeJob(controls.source, controls.target);
  const bool startable = Startable(job);
  if (startable) CleanTargetBySize(job);
  const std::int32_t count = startable ? CountMissingFiles(job) : 0;
  controls.countLabel.SetText(ToText(count));
  if (count > 0) {
    controls.secondCountLabel.SetText(ToText(count));
    controls.overallBar.SetRange(0, count);
    controls.overallBar.SetPosition(0);
    controls.fileBar.SetMinimum(0);
    controls.fileBar.SetPosition(0);
    CopyTreeWithTwoBars(job, controls);
  }
  controls.statusLabel.SetText(kFinishedText);
  controls.overallBar.SetPosition(controls.overallBar.Maximum());
  controls.fileBar.SetPosition(controls.fileBar.Maximum());
  return ExitCodeOf(job, report);
}

bool OpenAfterCommand(const std::string& command) { return ShellOpen(command) != kShellFileNotFound; }

}  // namespace tarnvel
