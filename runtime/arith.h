// Arithmetic of the runtime: rounding, truncating division, remainders, bit operations and a
// pseudo-random generator whose sequence is the same in every build.
#pragma once

#include <concepts>
#include <cstdint>
#include <optional>

namespace tarnvel {

// Half away from zero at the given number of decimals (negative places round to tens,
// hundreds, ...). 1e-12 is added to the scaled magnitude so that 1.005 at 2 places gives 1.01.
// A zero result is +0.
double Round(double value, int places = 0);

// a / b truncated toward zero; a zero divisor throws RuntimeError "不能整除于零".
double IntDivide(double a, double b);
// fmod(a, b); a zero divisor throws RuntimeError "不能求余数于零".
double Remainder(double a, double b);

// Further divisors apply in turn, each quotient truncated before the next.
template <typename... Rest>
requires(std::convertible_to<Rest, double>&&...) double IntDivide(double a, double b, double c,
                                                                  Rest... rest) {
  return IntDivide(IntDivide(a, b), c, static_cast<double>(rest)...);
}
template <typename... Rest>
requires(std::convertible_to<Rest, double>&&...) double Remainder(double a, double b, double c,
                                                                  Rest... rest) {
  return Remainder(Remainder(a, b), c, static_cast<double>(rest)...);
}

template <typename... Rest>
requires(std::convertible_to<Rest, std::int32_t>&&...) std::int32_t
    BitAnd(std::int32_t a, std::int32_t b, Rest... rest) {
  return ((a & b) & ... & static_cast<std::int32_t>(rest));
}
template <typename... Rest>
requires(std::convertible_to<Rest, std::int32_t>&&...) std::int32_t
    BitOr(std::int32_t a, std::int32_t b, Rest... rest) {
  return ((a | b) | ... | static_cast<std::int32_t>(rest));
}
template <typename... Rest>
requires(std::convertible_to<Rest, std::int32_t>&&...) std::int32_t
    BitXor(std::int32_t a, std::int32_t b, Rest... rest) {
  return ((a ^ b) ^ ... ^ static_cast<std::int32_t>(rest));
}
inline std::int32_t BitNot(std::int32_t a) { return ~a; }

// The count is taken modulo 32 (so -1 shifts by 31); the right shift keeps the sign.
std::int32_t ShiftLeft(std::int32_t value, std::int32_t count);
std::int32_t ShiftRight(std::int32_t value, std::int32_t count);

// Without a seed: the tick count plus a counter that moves on with every unseeded call, so two
// calls within the same millisecond still seed differently.
void RandomSeed(std::optional<std::uint32_t> seed = std::nullopt);
// min + (r mod (max - min + 1)) with r the next 0..32767 of the classic rand() sequence.
// Negative bounds count as 0; reversed bounds are swapped.
std::int32_t RandomInt(std::int32_t min = 0, std::int32_t max = 2147483647);

}  // namespace tarnvel
