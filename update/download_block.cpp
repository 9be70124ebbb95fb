#include "update/download_block.h"

#include <algorithm>

#include "update/content_range.h"

namespace tarnvel {

int BlockSizeFromKilobytes(int kilobytes) {
  const int low = kilobytes & 0xFF;
  return (low == 0 ? 4 : low) * 1024;
}

int BlockTimeoutFor(int blockSize) { return blockSize * 10; }

std::string RangeHeaderValue(std::int64_t start, int blockSize) {
  return "bytes=" + std::to_string(start) + "-" + std::to_string(start + blockSize - 1);
}

int PercentDone(std::int64_t done, std::int64_t total) {
  if (total <= 0 || done <= 0) return 0;
  if (done >= total) return 100;
  return static_cast<int>(done * 100 / total);  // done < total < 2^63 / 100 for any real file
}

int KilobytesPerSecond(std::int64_t bytes, std::uint32_t milliseconds) {
  const double ms = milliseconds == 0 ? 1.0 : static_cast<double>(milliseconds);
  return static_cast<int>(static_cast<double>(std::max<std::int64_t>(bytes, 0)) / 1.024 / ms);
}

namespace {

BlockVerdict Fail(std::string_view message) { return {BlockAction::Fail, std::string(message), 0}; }

BlockVerdict JudgeRangeNotSatisfiable(const BlockRequest& request, const BlockAnswer& answer) {
  const auto range = ParseContentRange(answer.contentRange);
  if (!range || range->hasPart || range->total < 0) return Fail(kLengthUnknownMessage);
  // Complete only when the local file has exactly the server's size; a longer (or otherwise
  // different) one is another version of the file.
  if (range->total == request.start) return {BlockAction::Complete, {}, range->total};
  return {BlockAction::StartOver, {}, 0};
}

BlockVerdict JudgePartialContent(const BlockRequest& request, const BlockAnswer& answer) {
  const auto range = ParseContentRange(answer.contentRange);
  if (!range || !range->hasPart || range->total < 0) return Fail(kLengthUnknownMessage);
  // Bytes left by an earlier run without a validator cannot be shown to belong to this file.
  if (request.unverified) return {BlockAction::StartOver, {}, 0};
  if (range->first != request.start) return Fail(kNoResumeMessage);
  // A server that ignores If-Range still gives itself away by another size.
  if (request.knownTotal != 0 && range->total != request.knownTotal) return {BlockAction::StartOver, {}, 0};
  // A body shorter than its range was cut off on the way.
  if (answer.bodyBytes != range->last - range->first + 1) return Fail(kTimedOutMessage);
  return {BlockAction::Append, {}, range->total};
}

}  // namespace

BlockVerdict JudgeBlock(const BlockRequest& request, const BlockAnswer& answer) {
  if (answer.status > 299 && answer.status != 416) {
    return Fail(answer.statusText.empty() ? std::to_string(answer.status) : answer.statusText);
  }
  if (answer.status == 416) return JudgeRangeNotSatisfiable(request, answer);
  // 200 to If-Range: the file changed since the local bytes were fetched.
  if (answer.status == 200 && request.sentIfRange) return {BlockAction::StartOver, {}, 0};
  if (answer.status != 206) return Fail(kNoResumeMessage);
  return JudgePartialContent(request, answer);
}

std::string ChooseValidator(std::string_view etag, std::string_view lastModified) {
  // A weak ETag may not go with If-Range.
  if (!etag.empty() && !etag.starts_with("W/") && !etag.starts_with("w/")) return std::string(etag);
  return std::string(lastModified);
}

std::string ValidatorSidePath(const std::string& localPath) { return localPath + ".validator"; }

std::string ValidatorRecord(const std::string& url, const std::string& validator) {
  return url + "\n" + validator + "\n";
}

std::string ValidatorFromRecord(std::string_view record, std::string_view url) {
  const std::size_t first = record.find('\n');
  if (first == std::string_view::npos || record.substr(0, first) != url) return {};
  std::string_view rest = record.substr(first + 1);
  const std::size_t second = rest.find('\n');
  if (second == std::string_view::npos || second + 1 != rest.size()) return {};
  std::string_view validator = rest.substr(0, second);
  if (validator.find('\r') != std::string_view::npos) return {};
  return std::string(validator);
}

}  // namespace tarnvel
