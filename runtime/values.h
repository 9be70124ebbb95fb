// The value kinds every layer shares. A text is a std::string of UTF-8:
// lengths and positions count bytes; positions are 1-based and "not found" is -1.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarnvel {

// A length and that many bytes; may hold zero bytes. Kept distinct from a text.
using ByteString = std::vector<std::uint8_t>;

using TextArray = std::vector<std::string>;

// Days since 1899-12-30 00:00:00; the fraction is the time of day.
struct DateTime {
  double days = -657434.0;  // 100-01-01 00:00:00, the empty date
  friend bool operator==(DateTime a, DateTime b) { return a.days == b.days; }
};

inline constexpr double kMinDateTime = -657434.0;

// A runtime error of the program (a zero divisor, an unknown kind number). Its message is UTF-8
// text; the window and job entry points catch it and report it to the user.
class RuntimeError : public std::runtime_error {
 public:
  explicit RuntimeError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace tarnvel
