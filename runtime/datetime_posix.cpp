// Host build of the system clock.
#ifndef _WIN32
#include <ctime>

#include "runtime/datetime.h"

namespace tarnvel::detail {

DateTime SystemNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return MakeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                      local.tm_sec > 59 ? 59 : local.tm_sec);
}

std::uint32_t SystemTickCount() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  const unsigned long long ms = static_cast<unsigned long long>(ts.tv_sec) * 1000ULL + ts.tv_nsec / 1000000;
  return static_cast<std::uint32_t>(ms);
}

}  // namespace tarnvel::detail
#endif
