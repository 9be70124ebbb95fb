#include "sync/run_report.h"

#include "sync/walk_roots.h"

namespace tarnvel {

void RunReport::Failed(std::string_view action, std::string_view path, std::string_view reason) {
  ++failures_;
  std::string line = "失败：" + std::string(action) + " " + ShownPath(path);
  if (!reason.empty()) line += " - " + std::string(reason);
  lines_.push_back(line);
  if (log_ != nullptr) log_->Line(line);
  if (onFailure) onFailure(line);
}

void RunReport::Done(std::string_view action, std::string_view path) {
  auto it = done_.begin();
  while (it != done_.end() && it->first != action) ++it;
  if (it == done_.end()) {
    done_.emplace_back(std::string(action), 1);
  } else {
    ++it->second;
  }
  if (log_ != nullptr) log_->Line(std::string(action) + "：" + ShownPath(path));
}

std::string RunReport::TotalsText() const {
  std::string text;
  for (const auto& [action, count] : done_) text += action + " " + std::to_string(count) + " 项，";
  text += "失败 " + std::to_string(failures_) + " 项";
  if (foldersLeftOut_ > 0) text += "（其中 " + std::to_string(foldersLeftOut_) + " 个文件夹整个未同步）";
  return text;
}

void RunReport::FailedWithLastError(std::string_view action, std::string_view path) {
  const unsigned long code = LastErrorCode();
  Failed(action, path, SystemErrorText(code));
}

void RunReport::FailedBelow(std::string_view action, std::string_view path, std::string_view reason) {
  ++foldersLeftOut_;
  Failed(action, path, std::string(reason) + "；此文件夹及其中的全部内容未同步");
}

void RunReport::Noted(std::string_view path, std::string_view reason) {
  lines_.push_back("跳过：" + ShownPath(path) + " - " + std::string(reason));
  if (log_ != nullptr) log_->Line(lines_.back());
}

void RunReport::Clear() {
  failures_ = 0;
  foldersLeftOut_ = 0;
  stopReason_.clear();
  lines_.clear();
  done_.clear();
}

#ifndef _WIN32
std::string SystemErrorText(unsigned long code) { return "错误 " + std::to_string(code); }
unsigned long LastErrorCode() { return 0; }
#endif

}  // namespace tarnvel
