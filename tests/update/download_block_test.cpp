// What an answer to a block request means for the local file, and the figures a block reports.
#include "update/download_block.h"

#include <gtest/gtest.h>

namespace tarnvel {
namespace {

BlockAnswer Answer(int status, std::string contentRange, std::int64_t bodyBytes = 0, std::string text = "") {
  BlockAnswer a;
  a.status = status;
  a.statusText = std::move(text);
  a.contentRange = std::move(contentRange);
  a.bodyBytes = bodyBytes;
  return a;
}

BlockRequest From(std::int64_t start, bool sentIfRange = false, bool unverified = false,
                  std::int64_t known = 0) {
  BlockRequest r;
  r.start = start;
  r.sentIfRange = sentIfRange;
  r.unverified = unverified;
  r.knownTotal = known;
  return r;
}

TEST(DownloadBlock, PartialContentAppendsOnlyTheRangeThatWasAskedFor) {
  auto v = JudgeBlock(From(0), Answer(206, "bytes 0-20479/50000", 20480));
  EXPECT_EQ(v.action, BlockAction::Append);
  EXPECT_EQ(v.total, 50000);
  v = JudgeBlock(From(40960, true, false, 50000), Answer(206, "bytes 40960-49999/50000", 9040));
  EXPECT_EQ(v.action, BlockAction::Append);

  // Another offset than the one asked for would put the bytes in the wrong place.
  v = JudgeBlock(From(20480), Answer(206, "bytes 0-20479/50000", 20480));
  EXPECT_EQ(v.action, BlockAction::Fail);
  EXPECT_EQ(v.message, kNoResumeMessage);
  // A body shorter than its range was cut off: nothing of it is kept.
  v = JudgeBlock(From(0), Answer(206, "bytes 0-20479/50000", 100));
  EXPECT_EQ(v.action, BlockAction::Fail);
  EXPECT_EQ(v.message, kTimedOutMessage);
  // Another total than an earlier block's: the file changed under a server that ignores If-Range.
  v = JudgeBlock(From(20480, true, false, 50000), Answer(206, "bytes 20480-40959/60000", 20480));
  EXPECT_EQ(v.action, BlockAction::StartOver);
}

TEST(DownloadBlock, WithoutAUsableContentRangeTheLengthIsUnknown) {
  for (const char* value : {"", "bytes 0-99/*", "bytes */100", "nonsense"}) {
    const auto v = JudgeBlock(From(0), Answer(206, value, 100));
    EXPECT_EQ(v.action, BlockAction::Fail) << value;
    EXPECT_EQ(v.message, kLengthUnknownMessage) << value;
  }
  const auto v = JudgeBlock(From(100), Answer(416, ""));
  EXPECT_EQ(v.message, kLengthUnknownMessage);
}

TEST(DownloadBlock, RangeNotSatisfiableIsCompleteOnlyAtTheServersSize) {
  auto v = JudgeBlock(From(50000), Answer(416, "bytes */50000"));
  EXPECT_EQ(v.action, BlockAction::Complete);
  EXPECT_EQ(v.total, 50000);
  v = JudgeBlock(From(0), Answer(416, "bytes */0"));
  EXPECT_EQ(v.action, BlockAction::Complete);
  // Longer than the server's file: another version, fetched again from the start.
  v = JudgeBlock(From(50001), Answer(416, "bytes */50000"));
  EXPECT_EQ(v.action, BlockAction::StartOver);
  v = JudgeBlock(From(100), Answer(416, "bytes */50000"));
  EXPECT_EQ(v.action, BlockAction::StartOver);
}

TEST(DownloadBlock, WholeFileAnswers) {
  // To a plain Range request: the server cannot resume.
  auto v = JudgeBlock(From(0), Answer(200, "", 50000, "OK"));
  EXPECT_EQ(v.action, BlockAction::Fail);
  EXPECT_EQ(v.message, kNoResumeMessage);
  v = JudgeBlock(From(30000, false, true), Answer(200, "", 50000, "OK"));
  EXPECT_EQ(v.message, kNoResumeMessage);
  // To If-Range: the file changed since the local bytes came.
  v = JudgeBlock(From(30000, true), Answer(200, "", 50000, "OK"));
  EXPECT_EQ(v.action, BlockAction::StartOver);
  // Other answers below 300 are no partial content either.
  v = JudgeBlock(From(0), Answer(204, ""));
  EXPECT_EQ(v.message, kNoResumeMessage);
}

TEST(DownloadBlock, UnverifiedLocalBytesAreNotContinued) {
  auto v = JudgeBlock(From(30000, false, true), Answer(206, "bytes 30000-50479/100000", 20480));
  EXPECT_EQ(v.action, BlockAction::StartOver);
  // ... but a file the server has in exactly that size is complete.
  v = JudgeBlock(From(30000, false, true), Answer(416, "bytes */30000"));
  EXPECT_EQ(v.action, BlockAction::Complete);
}

TEST(DownloadBlock, HttpErrorsCarryTheServersStatusText) {
  for (int status : {300, 304, 403, 404, 500, 503}) {
    const auto v = JudgeBlock(From(0), Answer(status, "bytes 0-1/2", 2, "Not Found"));
    EXPECT_EQ(v.action, BlockAction::Fail) << status;
    EXPECT_EQ(v.message, "Not Found") << status;
  }
  EXPECT_EQ(JudgeBlock(From(0), Answer(500, "")).message, "500");
  // 299 is no error: a success that is not partial content.
  EXPECT_EQ(JudgeBlock(From(0), Answer(299, "", 0, "Odd")).message, kNoResumeMessage);
}

TEST(DownloadBlock, SizesTimeOutsAndRanges) {
  EXPECT_EQ(BlockSizeFromKilobytes(20), 20480);
  EXPECT_EQ(BlockSizeFromKilobytes(0), 4096);
  EXPECT_EQ(BlockSizeFromKilobytes(256), 4096);  // low byte 0
  EXPECT_EQ(BlockSizeFromKilobytes(257), 1024);
  EXPECT_EQ(BlockSizeFromKilobytes(255), 255 * 1024);
  EXPECT_EQ(BlockSizeFromKilobytes(-1), 255 * 1024);
  EXPECT_EQ(BlockTimeoutFor(10240), 102400);
  EXPECT_EQ(BlockTimeoutFor(20480), 204800);
  EXPECT_EQ(RangeHeaderValue(30000, 20480), "bytes=30000-50479");
  EXPECT_EQ(RangeHeaderValue(0, 1024), "bytes=0-1023");
  EXPECT_EQ(RangeHeaderValue(5000000000LL, 1024), "bytes=5000000000-5000001023");
}

TEST(DownloadBlock, PercentAndSpeedNeverDivideByZero) {
  EXPECT_EQ(PercentDone(100, 0), 0);
  EXPECT_EQ(PercentDone(0, 0), 0);
  EXPECT_EQ(PercentDone(20480, 50000), 40);
  EXPECT_EQ(PercentDone(49999, 50000), 99);
  EXPECT_EQ(PercentDone(50000, 50000), 100);
  EXPECT_EQ(PercentDone(60000, 50000), 100);
  EXPECT_EQ(PercentDone(4000000000LL, 8000000000LL), 50);
  EXPECT_EQ(KilobytesPerSecond(20480, 0), 20000);
  EXPECT_EQ(KilobytesPerSecond(20480, 1000), 20);
  EXPECT_EQ(KilobytesPerSecond(0, 1000), 0);
}

TEST(DownloadBlock, ValidatorsAndTheirRecord) {
  EXPECT_EQ(ChooseValidator("\"5f-1\"", "Wed, 09 Dec 2026 21:42:39 GMT"), "\"5f-1\"");
  // A weak ETag may not go with If-Range; the date serves instead.
  EXPECT_EQ(ChooseValidator("W/\"5f-1\"", "Wed, 09 Dec 2026 21:42:39 GMT"), "Wed, 09 Dec 2026 21:42:39 GMT");
  EXPECT_EQ(ChooseValidator("", ""), "");

  const std::string url = "http://127.0.0.1:8080/NEW/Tarnvel.exe";
  const std::string record = ValidatorRecord(url, "\"5f-1\"");
  EXPECT_EQ(ValidatorFromRecord(record, url), "\"5f-1\"");
  EXPECT_EQ(ValidatorFromRecord(record, url + "x"), "");  // another address: no validator
  EXPECT_EQ(ValidatorFromRecord(record.substr(0, record.size() - 1), url), "");  // cut short
  EXPECT_EQ(ValidatorFromRecord("", url), "");
  EXPECT_EQ(ValidatorFromRecord(url + "\r\n\"5f-1\"\r\n", url), "");
  EXPECT_EQ(ValidatorSidePath("Z:\\a\\update.exe.tmp"), "Z:\\a\\update.exe.tmp.validator");
}

}  // namespace
}  // namespace tarnvel
