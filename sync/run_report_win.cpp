#include <windows.h>

#include "sync/run_report.h"

#include "runtime/convert.h"
#include "runtime/datetime.h"
#include "runtime/encoding.h"
#include "sync/file_info.h"

namespace tarnvel {

std::string SystemErrorText(unsigned long code) {
  wchar_t* buffer = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = n != 0 && buffer != nullptr ? std::wstring(buffer, n) : std::wstring();
  if (buffer != nullptr) LocalFree(buffer);
  for (wchar_t& c : text) {
    if (c == L'\r' || c == L'\n') c = L' ';
  }
  while (!text.empty() && (text.back() == L' ' || text.back() == L'.')) text.pop_back();
  if (text.empty()) return "错误 " + ToText(static_cast<std::int64_t>(code));
  return WideToUtf8(text) + " (" + ToText(static_cast<std::int64_t>(code)) + ")";
}

unsigned long LastErrorCode() { return GetLastError(); }

RunLogScope::RunLogScope(RunReport& report, std::string_view title) : report_(report), startTick_(TickCount()) {
  if (!log_.Open(RunLog::DefaultDirectory(), Now())) return;
  report_.SetLog(&log_);
  log_.Line(title);
  log_.Line("开始：" + LogTimeText(Now()));
}

RunLogScope::~RunLogScope() {
  if (!log_.IsOpen()) return;
  log_.Line("结束：" + LogTimeText(Now()) + "，" + report_.TotalsText() + "，用时 " +
            DurationText(static_cast<std::int32_t>((TickCount() - startTick_) / 1000)));
  log_.Close();
  report_.SetLog(nullptr);
}

}  // namespace tarnvel
