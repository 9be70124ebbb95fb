// The step sequences of the three display styles.
#include <windows.h>

#include "app/job_styles.h"

#include "app/size_copier.h"
#include "runtime/convert.h"
#include "runtime/datetime.h"
#include "runtime/encoding.h"
#include "runtime/programs.h"
#include "runtime/text.h"
#include "sync/file_info.h"
#include "sync/run_log.h"
#include "ui/settings_store.h"

namespace tarnvel {
namespace {

constexpr int kShellFileNotFound = 2;

// A job of the job line keeps what it removes or replaces as long as the main window's setting
// says, or the default when none is stored.
SizeJob ResolveJob(const std::string& source, const std::string& target) {
  return ResolveSizeJob(source, target, StoredKeepDays(RegistrySettings::Open()));
}

// The run log of one job: the log's own start and totals, and the job's roots between.
class JobLog {
 public:
  JobLog(SizeJob& job, const std::string& source, const std::string& target)
      : scope_(job.report, "Orvane目录同步 V2.5 运行记录（命令行任务）") {
    scope_.Line("源目录：" + source);
    scope_.Line("目标目录：" + target);
    if (!job.Usable()) scope_.Line(RootsRefusal(job.verdict));
  }

 private:
  RunLogScope scope_;
};

int ExitCodeOf(const SizeJob& job, RunReport* report) {
  if (report != nullptr) {
    *report = job.report;
    report->SetLog(nullptr);
  }
  if (!job.started) return kJobNotStarted;
  if (job.heldBack) return kJobCleanUpHeldBack;
  return job.report.Failures() == 0 ? kJobDone : kJobIncomplete;
}

}  // namespace

std::string FinishedText(std::int32_t failures) {
  if (failures == 0) return kFinishedText;
  return "文件同步完成，但有 " + ToText(failures) + " 项未能完成!";
}

std::string FinishedText(const RunReport& report) {
  if (report.StopReason().empty()) return FinishedText(report.Failures());
  return report.StopReason() + "，文件同步未完成!";
}

bool JobPathsUsable(const std::string& source, const std::string& target) {
  return ResolveRoots(source, target).Usable();
}

int RunStaticSteps(const std::string& source, const std::string& target, RunReport* report) {
  SizeJob job = ResolveJob(source, target);
  JobLog log(job, source, target);
  if (StartSizeJob(job)) {
    CleanTargetGuarded(job);
    CopyTreeBySize(job);
  }
  return ExitCodeOf(job, report);
}

int RunSingleBarSteps(const std::string& source, const std::string& target, Label& fileLabel,
                      ProgressBar& fileBar, RunReport* report) {
  fileLabel.SetText(kCleaningText);
  SizeJob job = ResolveJob(source, target);
  JobLog log(job, source, target);
  const bool startable = StartSizeJob(job);
  if (startable) CleanTargetGuarded(job);
  const std::int32_t count = startable ? CountMissingFiles(job) : 0;
  if (count == 0) {
    fileBar.SetPosition(fileBar.Maximum());
  } else {
    fileBar.SetRange(0, count);
    fileBar.SetPosition(0);
    CopyTreeWithBar(job, fileLabel, fileBar);
  }
  fileLabel.SetText(FinishedText(job.report));
  return ExitCodeOf(job, report);
}

int RunDoubleBarSteps(const JobControls& controls, RunReport* report) {
  controls.statusLabel.SetText(kCountingText);
  SizeJob job = ResolveJob(controls.source, controls.target);
  JobLog log(job, controls.source, controls.target);
  const bool startable = StartSizeJob(job);
  if (startable) CleanTargetGuarded(job);
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
  controls.statusLabel.SetText(FinishedText(job.report));
  controls.overallBar.SetPosition(controls.overallBar.Maximum());
  controls.fileBar.SetPosition(controls.fileBar.Maximum());
  return ExitCodeOf(job, report);
}

bool OpenAfterCommand(const std::string& command) { return ShellOpen(command) != kShellFileNotFound; }

}  // namespace tarnvel
