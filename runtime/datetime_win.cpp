// The system clock on Windows.
#include <windows.h>

#include "runtime/datetime.h"

namespace tarnvel::detail {

DateTime SystemNow() {
  SYSTEMTIME local{};
  GetLocalTime(&local);
  return MakeDateTime(local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond);
}

std::uint32_t SystemTickCount() { return GetTickCount(); }

}  // namespace tarnvel::detail
