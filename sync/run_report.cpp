#include "sync/run_report.h"

#include "sync/walk_roots.h"

namespace tarnvel {

void RunReport::Failed(std::string_view action, std::string_view path, std::string_view reason) {
  ++failures_;
  std::string line = "失败：" + std::string(action) + " " + ShownPath(path);
  if (!reason.empty()) line += " - " + std::string(reason);
  lines_.push_back(line);
  if (onFailure) onFailure(line);
}

void RunReport::FailedWithLastError(std::string_view action, std::string_view path) {
  const unsigned long code = LastErrorCode();
  Failed(action, path, SystemErrorText(code));
}

void RunReport::Noted(std::string_view path, std::string_view reason) {
  lines_.push_back("跳过：" + ShownPath(path) + " - " + std::string(reason));
}

void RunReport::Clear() {
  failures_ = 0;
  lines_.clear();
}

#ifndef _WIN32
std::string SystemErrorText(unsigned long code) { return "错误 " + std::to_string(code); }
unsigned long LastErrorCode() { return 0; }
#endif

}  // namespace tarnvel
