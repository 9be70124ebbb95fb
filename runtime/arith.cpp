#include "runtime/arith.h"

#include <cmath>
#include <mutex>

#include "runtime/datetime.h"
#include "runtime/values.h"

namespace tarnvel {

double Round(double value, int places) {
  if (value == 0 || !std::isfinite(value)) return value == 0 ? 0.0 : value;
  const double scale = std::pow(10.0, std::abs(places));
  const double magnitude = std::fabs(value);
  const double scaled = (places >= 0 ? magnitude * scale : magnitude / scale) + 1e-12;
  // Past 2^52 a double holds no fraction: there is nothing left to round (and scaling by a
  // huge power of ten would only overflow).
  if (!std::isfinite(scaled) || scaled >= 4503599627370496.0) return value;
  double whole = std::floor(scaled);
  if (scaled - whole >= 0.5) whole += 1;
  if (whole == 0) return 0.0;
  const double result = places >= 0 ? whole / scale : whole * scale;
  return value < 0 ? -result : result;
}

double IntDivide(double a, double b) {
  if (b == 0) throw RuntimeError("不能整除于零");
  return std::trunc(a / b);
}

double Remainder(double a, double b) {
  if (b == 0) throw RuntimeError("不能求余数于零");
  return std::fmod(a, b);
}

std::int32_t ShiftLeft(std::int32_t value, std::int32_t count) { return value << (count & 31); }
std::int32_t ShiftRight(std::int32_t value, std::int32_t count) { return value >> (count & 31); }

namespace {

// The classic C library generator (seed * 214013 + 2531011, bits 16..30), kept here so that a
// sequence is the same in every build whatever the C library offers.
struct RandomState {
  std::mutex mutex;
  std::uint32_t seed = 1;
  std::uint32_t unseededCounter = 0;
};

RandomState& Random() {
  static RandomState state;
  return state;
}

}  // namespace

void RandomSeed(std::optional<std::uint32_t> seed) {
  RandomState& r = Random();
  std::lock_guard lock(r.mutex);
  if (seed) {
    r.seed = *seed;
    return;
  }
  const std::uint32_t mixed = TickCount() + r.unseededCounter;
  r.seed = mixed;
  r.unseededCounter += mixed % 256 + 100;
}

std::int32_t RandomInt(std::int32_t min, std::int32_t max) {
  if (min < 0) min = 0;
  if (max < 0) max = 0;
  if (max < min) std::swap(min, max);
  RandomState& r = Random();
  std::uint32_t next;
  {
    std::lock_guard lock(r.mutex);
    r.seed = r.seed * 214013u + 2531011u;
    next = (r.seed >> 16) & 0x7FFF;
  }
  const long long range = static_cast<long long>(max) - min + 1;
  return static_cast<std::int32_t>(min + static_cast<long long>(next) % range);
}

}  // namespace tarnvel
