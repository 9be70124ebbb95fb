#include "update/signature.h"

#include <cstddef>
#include <cstdint>

namespace tarnvel {
namespace {

constexpr std::size_t kCoordinateBytes = 32;

// One DER INTEGER at `at`: its content bytes, or nothing when the bytes are not one. The value
// must be positive and fit 32 bytes once its sign byte is dropped.
bool ReadCoordinate(const ByteString& der, std::size_t& at, std::size_t end, ByteString& out) {
  if (at + 2 > end || der[at] != 0x02) return false;
  const std::size_t length = der[at + 1];
  at += 2;
  if (length == 0 || length > kCoordinateBytes + 1 || at + length > end) return false;
  std::size_t first = at;
  const std::size_t last = at + length;
  if (der[first] & 0x80) return false;  // negative
  while (first + 1 < last && der[first] == 0) ++first;
  if (last - first > kCoordinateBytes) return false;
  out.assign(kCoordinateBytes - (last - first), 0);
  out.insert(out.end(), der.begin() + static_cast<std::ptrdiff_t>(first),
             der.begin() + static_cast<std::ptrdiff_t>(last));
  at = last;
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

ByteString SignatureToRawPair(const ByteString& signature) {
  if (signature.size() == 2 * kCoordinateBytes) return signature;
  // SEQUENCE { INTEGER r, INTEGER s }: at most 2 + 2 × 35 bytes, so the length is one byte.
  if (signature.size() < 8 || signature[0] != 0x30) return {};
  std::size_t at = 2;
  std::size_t end = 0;
  if (signature[1] < 0x80) {
    end = 2 + static_cast<std::size_t>(signature[1]);
  } else if (signature[1] == 0x81 && signature.size() > 3) {
    end = 3 + static_cast<std::size_t>(signature[2]);
    at = 3;
  } else {
    return {};
  }
  if (end != signature.size()) return {};
  ByteString r, s;
  if (!ReadCoordinate(signature, at, end, r) || !ReadCoordinate(signature, at, end, s) || at != end) return {};
  r.insert(r.end(), s.begin(), s.end());
  return r;
}

ByteString BuiltInUpdateKey() {
#ifdef TARNVEL_UPDATE_KEY_HEX
  constexpr const char* kHex = TARNVEL_UPDATE_KEY_HEX;
#else
  constexpr const char* kHex = "";
#endif
  ByteString key;
  const std::string_view hex(kHex);
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    const int high = HexDigit(hex[i]), low = HexDigit(hex[i + 1]);
    if (high < 0 || low < 0) return {};
    key.push_back(static_cast<std::uint8_t>(high * 16 + low));
  }
  return key;
}

std::string SignatureCheckMessage(SignatureCheck result) {
  switch (result) {
    case SignatureCheck::Good:
      return "";
    case SignatureCheck::Bad:
      return "更新文件的签名不符，可能已被篡改。更新已停止，没有做任何改动。";
    case SignatureCheck::Malformed:
      return "更新文件的签名无法识别。更新已停止，没有做任何改动。";
    case SignatureCheck::Missing:
      return "无法取得更新文件的签名。更新已停止，没有做任何改动。";
    case SignatureCheck::NoKey:
      return "此版本没有内置更新签名的公钥，只能检查新版本，不能自动安装，请到本站直接下载！";
  }
  return "";
}

}  // namespace tarnvel
