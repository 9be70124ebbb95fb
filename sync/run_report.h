// What a run could not do, each with its path and the system's reason, and the entries it
// passed over on purpose. A failure is never counted as done: the engines count what failed,
// show it and, on the command line, end with an exit code that says so.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sync/run_log.h"

namespace tarnvel {

class RunReport {
 public:
  // A create, copy, replace, delete or attribute write that failed, or an entry left out that
  // the run was asked to handle. `path` is shown as people read it.
  void Failed(std::string_view action, std::string_view path, std::string_view reason);
  // The same with the reason of the calling thread's last system error.
  void FailedWithLastError(std::string_view action, std::string_view path);
  // A folder that could not be made or listed, so that nothing below it was done: one failure
  // whose line says that the whole folder was left out.
  void FailedBelow(std::string_view action, std::string_view path, std::string_view reason);
  // Something passed over on purpose that is not a failure (a link that loops back).
  void Noted(std::string_view path, std::string_view reason);
  // Something done: a directory created, a file copied, an entry removed. Only logged.
  void Done(std::string_view action, std::string_view path);

  // The run's log, when it has one: every line above goes there too.
  void SetLog(RunLog* log) { log_ = log; }
  RunLog* Log() const { return log_; }

  std::int32_t Failures() const { return failures_; }
  // How many of the failures left a whole folder out (FailedBelow).
  std::int32_t FoldersLeftOut() const { return foldersLeftOut_; }
  // Why the job in hand stopped before its end ("目标磁盘空间不足"); "" while it goes on. The
  // walkers copy nothing more once it is set; a new job clears it (ClearStop).
  void SetStopReason(std::string_view reason) { stopReason_ = reason; }
  const std::string& StopReason() const { return stopReason_; }
  void ClearStop() { stopReason_.clear(); }
  // How many of each action were done ("复制" 3, "创建目录" 1, ...), in the order first done.
  const std::vector<std::pair<std::string, std::int32_t>>& DoneCounts() const { return done_; }
  // The totals as one line: what was done, how many failed.
  std::string TotalsText() const;
  const std::vector<std::string>& Lines() const { return lines_; }
  void Clear();

  // Called with every failure line as it is added (the main window's failures log).
  std::function<void(const std::string& line)> onFailure;

 private:
  RunLog* log_ = nullptr;
  std::vector<std::pair<std::string, std::int32_t>> done_;
  std::int32_t failures_ = 0;
  std::int32_t foldersLeftOut_ = 0;
  std::vector<std::string> lines_;
  std::string stopReason_;
};

// One run's log from its start to its totals: opens a new log in RunLog::DefaultDirectory(),
// hands it to the report for the run's lifetime, and writes the title and start time first and
// the end time, the report's totals and the duration last. A log that cannot be opened leaves
// the run without one. Windows build only.
class RunLogScope {
 public:
  RunLogScope(RunReport& report, std::string_view title);
  ~RunLogScope();
  RunLogScope(const RunLogScope&) = delete;
  RunLogScope& operator=(const RunLogScope&) = delete;
  // Writes a line when the log is open (the roots, why a job did not start).
  void Line(std::string_view text) { log_.Line(text); }

 private:
  RunReport& report_;
  RunLog log_;
  std::uint32_t startTick_ = 0;
};

// The text the system gives for an error code, in the system's language, without line breaks;
// "错误 N" when it has none. Windows build only.
std::string SystemErrorText(unsigned long code);
// The calling thread's last error code (0 natively).
unsigned long LastErrorCode();

}  // namespace tarnvel
