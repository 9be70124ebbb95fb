// The downloader's decisions that need no network: the range a block asks for, what an answer
// to it means for the local file, the figures it reports, and the record of the validator that
// lets a later run resume a partial file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarnvel {

// The download's messages.
inline constexpr std::string_view kNotInitialisedMessage = "没有初始化";
inline constexpr std::string_view kBusyMessage = "正在下载中……";
inline constexpr std::string_view kCannotOpenMessage = "本地文件无法打开";
inline constexpr std::string_view kTimedOutMessage = "数据下载超时，建议重试。";
inline constexpr std::string_view kAbortedMessage = "用户中止了下载";
inline constexpr std::string_view kNoResumeMessage = "服务器不支持断点续传！";
inline constexpr std::string_view kLengthUnknownMessage = "文件长度未知！";
inline constexpr std::string_view kCompleteMessage = "下载完毕";

// (The low byte of kilobytes, or 4 when that is 0) × 1024.
int BlockSizeFromKilobytes(int kilobytes);
// The time a block may take: its size at 100 bytes a second, in milliseconds.
int BlockTimeoutFor(int blockSize);
// "bytes=START-END" for blockSize bytes from start.
std::string RangeHeaderValue(std::int64_t start, int blockSize);
// done × 100 ÷ total, 0 while the total is unknown (0), never above 100.
int PercentDone(std::int64_t done, std::int64_t total);
// bytes ÷ 1.024 ÷ milliseconds, with an elapsed time of 0 counted as 1 ms.
int KilobytesPerSecond(std::int64_t bytes, std::uint32_t milliseconds);

// One block request as it was sent.
struct BlockRequest {
  std::int64_t start = 0;       // the offset asked for: the local file's length
  bool sentIfRange = false;     // the local bytes' validator went with it (If-Range)
  bool unverified = false;      // the local bytes have no validator (left by an earlier run)
  std::int64_t knownTotal = 0;  // the total an earlier block of this download gave, 0 if none
};

// The server's answer to it.
struct BlockAnswer {
  int status = 0;
  std::string statusText;
  std::string contentRange;  // "" when the header is missing
  std::int64_t bodyBytes = 0;
};

enum class BlockAction {
  Append,     // the body continues the local file at `start`
  Complete,   // the local file is the whole file; nothing to write
  StartOver,  // the local bytes are not (or cannot be shown to be) the server's file: truncate, fetch from 0
  Fail,       // end the download with `message`, the local file as it was
};

struct BlockVerdict {
  BlockAction action = BlockAction::Fail;
  std::string message;     // Fail only
  std::int64_t total = 0;  // Append and Complete: the file's total size
};

// What the answer means. The local file is never changed on the way to a verdict: a caller
// appends only on Append.
BlockVerdict JudgeBlock(const BlockRequest& request, const BlockAnswer& answer);

// The validator that may go with If-Range: a strong ETag, else Last-Modified, else "".
std::string ChooseValidator(std::string_view etag, std::string_view lastModified);

// The side file beside a partial download ("<local path>.validator") holds the URL and the
// validator of the first block, one per line, so that a later run resumes only the same file
// from the same address.
std::string ValidatorSidePath(const std::string& localPath);
std::string ValidatorRecord(const std::string& url, const std::string& validator);
// The validator of a record written for this URL; "" for a record of another URL or a broken one.
std::string ValidatorFromRecord(std::string_view record, std::string_view url);

}  // namespace tarnvel
