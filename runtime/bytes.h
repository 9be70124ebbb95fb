// Operations on byte strings: lengths and positions count bytes from 1; "not found" is -1.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "runtime/values.h"

namespace tarnvel {

std::int32_t BytesLength(const ByteString& data);
// Clamped to 0..length.
ByteString LeftBytes(const ByteString& data, std::int32_t n);
ByteString RightBytes(const ByteString& data, std::int32_t n);
ByteString MidBytes(const ByteString& data, std::int32_t start, std::int32_t n);

// The first occurrence at or after start; -1 when there is none or the sought string is empty.
std::int32_t FindBytes(const ByteString& data, const ByteString& sought, std::int32_t start = 1);

// As SplitText on bytes: empty inner pieces count, a trailing remainder only when non-empty;
// at most maxPieces pieces (negative: all).
std::vector<ByteString> SplitBytes(const ByteString& data, const ByteString& delimiter = ByteString{0},
                                   std::int32_t maxPieces = -1);

// n zero bytes; n <= 0 gives an empty byte string.
ByteString BlankBytes(std::int32_t n);

// A procedure reference as the 32-bit program stored it: four bytes of address.
struct ProcedureRef {
  std::uint32_t address = 0;
  friend bool operator==(ProcedureRef, ProcedureRef) = default;
};

// One value read out of a byte string. The alternative's index is the kind number minus one:
// 1 byte, 2 short, 3 integer, 4 long, 5 float, 6 double, 7 logical (4 bytes), 8 date-time,
// 9 procedure reference, 10 zero-terminated text.
using BytesValueResult = std::variant<std::uint8_t, std::int16_t, std::int32_t, std::int64_t, float, double,
                                      bool, DateTime, ProcedureRef, std::string>;

// Reads the kind's little-endian value at offset (1-based). Too few bytes there give the kind's
// zero value (the empty date for a date-time, "" for a text); a text runs to its zero byte or
// the end. Any other kind number throws RuntimeError "“欲取出数据的类型”参数值无效".
BytesValueResult BytesValue(const ByteString& data, std::int32_t kind, std::int32_t offset = 1);

}  // namespace tarnvel
