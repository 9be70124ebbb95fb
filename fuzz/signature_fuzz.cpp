// The signature file read into r ‖ s: any input gives either nothing or exactly 64 bytes, and
// a 64-byte input is taken as it is.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz/property_check.h"
#include "update/signature.h"

using namespace tarnvel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ByteString input(data, data + size);
  const ByteString pair = SignatureToRawPair(input);
  if (!pair.empty() && pair.size() != 64) PROPERTY_BROKEN();
  if (size == 64 && pair != input) PROPERTY_BROKEN();
  return 0;
}
