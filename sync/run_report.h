// What a run could not do, each with its path and the system's reason, and the entries it
// passed over on purpose. A failure is never counted as done: the engines count what failed,
// show it and, on the command line, end with an exit code that says so.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnvel {

class RunReport {
 public:
  // A create, copy, replace, delete or attribute write that failed, or an entry left out that
  // the run was asked to handle. `path` is shown as people read it.
  void Failed(std::string_view action, std::string_view path, std::string_view reason);
  // The same with the reason of the calling thread's last system error.
  void FailedWithLastError(std::string_view action, std::string_view path);
  // Something passed over on purpose that is not a failure (a link that loops back).
  void Noted(std::string_view path, std::string_view reason);

  std::int32_t Failures() const { return failures_; }
  const std::vector<std::string>& Lines() const { return lines_; }
  void Clear();

  // Called with every failure line as it is added (the main window's failures log).
  std::function<void(const std::string& line)> onFailure;

 private:
  std::int32_t failures_ = 0;
  std::vector<std::string> lines_;
};

// The text the system gives for an error code, in the system's language, without line breaks;
// "错误 N" when it has none. Windows build only.
std::string SystemErrorText(unsigned long code);
// The calling thread's last error code (0 natively).
unsigned long LastErrorCode();

}  // namespace tarnvel
