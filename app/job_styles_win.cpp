// The step sequences of the three display styles.
#include <windows.h>

#include "app/job_styles.h"


#include "app/size_copier.h"
#include "runtime/convert.h"
#include "runtime/encoding.h"
#include "runtime/programs.h"
#include "runtime/datetime.h"
#include "runtime/text.h"
#include "sync/file_info.h"
#include "sync/run_log.h"

namespace tarnvel {
namespace {

constexpr int kShellFileNotFound = 2;

// A job that walks: its roots are usable and its source is there.
bool Startable(const SizeJob& job) { return job.Usable() && job.roots.sourceExists; }

// The run log of one job, from its start to its totals.
class JobLog {
 public:
  JobLog(SizeJob& job, const std::string& source, const std::string& target) : job_(job) {
    start_ = TickCount();
    if (!log_.Open(RunLog::DefaultDirectory(), Now())) return;
    job_.report.SetLog(&log_);
    log_.Line("Orvane目录同步 V2.5 运行记录（命令行任务）");
    log_.Line("开始：" + LogTimeText(Now()));
    log_.Line("源目录：" + source);
    log_.Line("目标目录：" + target);
    if (!job_.Usable()) {
      log_.Line(RootsRefusal(job_.verdict));
    } else if (!job_.roots.sourceExists) {
      log_.Line("错误：源目录不存在，任务未执行。");
    }
  }
  ~JobLog() {
    if (!log_.IsOpen()) return;
    log_.Line("结束：" + LogTimeText(Now()) + "，" + job_.report.TotalsText() + "，用时 " +
              DurationText(static_cast<std::int32_t>((TickCount() - start_) / 1000)));
    log_.Close();
    job_.report.SetLog(nullptr);
  }
  JobLog(const JobLog&) = delete;
  JobLog& operator=(const JobLog&) = delete;

 private:
  SizeJob& job_;
  RunLog log_;
  std::uint32_t start_ = 0;
};

int ExitCodeOf(const SizeJob& job, RunReport* report) {
  if (report != nullptr) {
    *report = job.report;
    report->SetLog(nullptr);
  }
  if (!Startable(job)) return kJobNotStarted;
  return job.report.Failures() == 0 ? kJobDone : kJobIncomplete;
}

}  // namespace

std::string FinishedText(std::int32_t failures) {
  if (failures == 0) return kFinishedText;
  return "文件同步完成，但有 " + ToText(failures) + " 项未能完成!";
}

bool JobPathsUsable(const std::string& source, const std::string& target) {
  return ResolveRoots(source, target).Usable();
}

int RunStaticSteps(const std::string& source, const std::string& target, RunReport* report) {
  SizeJob job = ResolveSizeJob(source, target);
  JobLog log(job, source, target);
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
  JobLog log(job, source, target);
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
  fileLabel.SetText(FinishedText(job.report.Failures()));
  return ExitCodeOf(job, report);
}

int RunDoubleBarSteps(const JobControls& controls, RunReport* report) {
  controls.statusLabel.SetText(kCountingText);
  SizeJob job = ResolveSizeJob(controls.source, controls.target);
  JobLog log(job, controls.source, controls.target);
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
  controls.statusLabel.SetText(FinishedText(job.report.Failures()));
  controls.overallBar.SetPosition(controls.overallBar.Maximum());
  controls.fileBar.SetPosition(controls.fileBar.Maximum());
  return ExitCodeOf(job, report);
}

bool OpenAfterCommand(const std::string& command) { return ShellOpen(command) != kShellFileNotFound; }

}  // namespace tarnvel
