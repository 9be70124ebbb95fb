// The Content-Range parser and the block verdict built on it: any input either is refused or
// gives offsets in order inside the total, which print back to a value that parses the same;
// a verdict appends only the range that was asked for and calls a file complete only at the
// server's size.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/property_check.h"
#include "update/content_range.h"
#include "update/download_block.h"

using namespace tarnvel;

static std::string Print(const ContentRange& r) {
  const std::string total = r.total < 0 ? "*" : std::to_string(r.total);
  if (!r.hasPart) return "bytes */" + total;
  return "bytes " + std::to_string(r.first) + "-" + std::to_string(r.last) + "/" + total;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view value(reinterpret_cast<const char*>(data), size);
  const auto range = ParseContentRange(value);
  if (range) {
    if (range->first < 0 || range->last < range->first) PROPERTY_BROKEN();
    if (range->total >= 0 && range->hasPart && range->last >= range->total) PROPERTY_BROKEN();
    if (!range->hasPart && range->total < 0) PROPERTY_BROKEN();
    const auto again = ParseContentRange(Print(*range));
    if (!again || again->hasPart != range->hasPart || again->first != range->first ||
        again->last != range->last || again->total != range->total) {
      PROPERTY_BROKEN();
    }
  }

  // The same value as the answer to a block from an offset taken from the input's length.
  BlockRequest request;
  request.start = static_cast<std::int64_t>(size % 7) * 1000;
  request.sentIfRange = size % 2 == 0;
  request.knownTotal = size % 3 == 0 ? 0 : 100000;
  for (int status : {200, 206, 416}) {
    BlockAnswer answer;
    answer.status = status;
    answer.contentRange = std::string(value);
    answer.bodyBytes = range && range->hasPart ? range->last - range->first + 1 : 0;
    const BlockVerdict verdict = JudgeBlock(request, answer);
    if (verdict.action == BlockAction::Append) {
      if (status != 206 || !range || !range->hasPart || range->first != request.start) PROPERTY_BROKEN();
      if (verdict.total != range->total) PROPERTY_BROKEN();
    }
    if (verdict.action == BlockAction::Complete && (status != 416 || verdict.total != request.start)) {
      PROPERTY_BROKEN();
    }
    if (verdict.action == BlockAction::Fail && verdict.message.empty()) PROPERTY_BROKEN();
  }
  return 0;
}
