#include "runtime/bytes.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace tarnvel {
namespace {

std::int32_t Length32(const ByteString& data) {
  return static_cast<std::int32_t>(std::min<std::size_t>(data.size(), INT32_MAX));
}

std::size_t Clamp(std::int32_t n, std::size_t limit) {
  return n <= 0 ? 0 : std::min(limit, static_cast<std::size_t>(n));
}

template <typename U>
U ReadLittleEndian(const ByteString& data, std::size_t at) {
  U value = 0;
  for (std::size_t k = sizeof(U); k-- > 0;) value = static_cast<U>((value << 8) | data[at + k]);
  return value;
}

}  // namespace

std::int32_t BytesLength(const ByteString& data) { return Length32(data); }

ByteString LeftBytes(const ByteString& data, std::int32_t n) {
  return ByteString(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(Clamp(n, data.size())));
}

ByteString RightBytes(const ByteString& data, std::int32_t n) {
  return ByteString(data.end() - static_cast<std::ptrdiff_t>(Clamp(n, data.size())), data.end());
}

ByteString MidBytes(const ByteString& data, std::int32_t start, std::int32_t n) {
  if (start < 1 || start > Length32(data)) return {};
  const std::size_t at = static_cast<std::size_t>(start - 1);
  const std::size_t take = Clamp(n, data.size() - at);
  return ByteString(data.begin() + static_cast<std::ptrdiff_t>(at),
                    data.begin() + static_cast<std::ptrdiff_t>(at + take));
}

std::int32_t FindBytes(const ByteString& data, const ByteString& sought, std::int32_t start) {
  if (sought.empty()) return -1;
  if (start < 1) start = 1;
  if (start > Length32(data)) return -1;
  const auto from = data.begin() + (start - 1);
  const auto hit = std::search(from, data.end(), sought.begin(), sought.end());
  return hit == data.end() ? -1 : static_cast<std::int32_t>(hit - data.begin() + 1);
}

std::vector<ByteString> SplitBytes(const ByteString& data, const ByteString& delimiter,
                                   std::int32_t maxPieces) {
  std::vector<ByteString> pieces;
  if (data.empty() || maxPieces == 0) return pieces;
  if (delimiter.empty()) return {data};
  auto pieceStart = data.begin();
  while (true) {
    const auto hit = std::search(pieceStart, data.end(), delimiter.begin(), delimiter.end());
    if (hit == data.end()) break;
    pieces.emplace_back(pieceStart, hit);
    if (maxPieces > 0 && pieces.size() >= static_cast<std::size_t>(maxPieces)) return pieces;
    pieceStart = hit + static_cast<std::ptrdiff_t>(delimiter.size());
  }
  if (pieceStart != data.end()) pieces.emplace_back(pieceStart, data.end());
  return pieces;
}

ByteString BlankBytes(std::int32_t n) { return ByteString(n <= 0 ? 0 : static_cast<std::size_t>(n), 0); }

BytesValueResult BytesValue(const ByteString& data, std::int32_t kind, std::int32_t offset) {
  if (kind < 1 || kind > 10) throw RuntimeError("“欲取出数据的类型”参数值无效");
  static constexpr std::size_t kWidths[10] = {1, 2, 4, 8, 4, 8, 4, 8, 4, 0};
  const std::size_t width = kWidths[kind - 1];
  const bool inside = offset >= 1 && static_cast<std::size_t>(offset) - 1 + width <= data.size() &&
                      (kind != 10 || static_cast<std::size_t>(offset) <= data.size());
  if (!inside) {
    BytesValueResult zero;
    switch (kind) {  // the kind's zero value, in the alternative that matches the kind
      case 1:
        zero.emplace<0>();
        break;
      case 2:
        zero.emplace<1>();
        break;
      case 3:
        zero.emplace<2>();
        break;
      case 4:
        zero.emplace<3>();
        break;
      case 5:
        zero.emplace<4>();
        break;
      case 6:
        zero.emplace<5>();
        break;
      case 7:
        zero.emplace<6>();
        break;
      case 8:
        zero.emplace<7>();
        break;
      case 9:
        zero.emplace<8>();
        break;
      default:
        zero.emplace<9>();
        break;
    }
    return zero;
  }
  const std::size_t at = static_cast<std::size_t>(offset - 1);
  switch (kind) {
    case 1:
      return data[at];
    case 2:
      return static_cast<std::int16_t>(ReadLittleEndian<std::uint16_t>(data, at));
    case 3:
      return static_cast<std::int32_t>(ReadLittleEndian<std::uint32_t>(data, at));
    case 4:
      return static_cast<std::int64_t>(ReadLittleEndian<std::uint64_t>(data, at));
    case 5:
      return std::bit_cast<float>(ReadLittleEndian<std::uint32_t>(data, at));
    case 6:
      return std::bit_cast<double>(ReadLittleEndian<std::uint64_t>(data, at));
    case 7:
      return ReadLittleEndian<std::uint32_t>(data, at) != 0;
    case 8:
      return DateTime{std::bit_cast<double>(ReadLittleEndian<std::uint64_t>(data, at))};
    case 9:
      return ProcedureRef{ReadLittleEndian<std::uint32_t>(data, at)};
    default: {
      const auto end = std::find(data.begin() + static_cast<std::ptrdiff_t>(at), data.end(), 0);
      return std::string(data.begin() + static_cast<std::ptrdiff_t>(at), end);
    }
  }
}

}  // namespace tarnvel
