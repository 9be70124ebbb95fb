// The engine's small text builders: the time key of a file that the file synchroniser compares
// to decide whether a file changed, the size text of the data counter (also used by the update
// download) and the elapsed-time text of the run history.
#pragma once

#include <cstdint>
#include <string>

namespace tarnvel {

// Time kinds: 1 creation, 2 modification, 3 last access; any other kind means modification.
inline constexpr int kTimeModified = 0;
inline constexpr int kTimeCreated = 1;
inline constexpr int kTimeModifiedToo = 2;
inline constexpr int kTimeAccessed = 3;

// A file's three time stamps as the file system keeps them: FILETIME values (100-ns intervals
// since 1601-01-01 00:00:00 UTC). All zero for a file whose times cannot be read.
struct FileTimes {
  std::uint64_t created = 0;
  std::uint64_t accessed = 0;
  std::uint64_t modified = 0;
  // The stamp of a kind as above.
  std::uint64_t OfKind(int kind) const;
};

// "创建时间：", "修改时间：" or "访问时间：" for the kind.
std::string FileTimeLabel(int kind);

// The key text of one time stamp under the label of `kind`, in UTC:
// label + year-month-day + " 星期" + weekday character + " " + h:m:s:ms, numbers without leading
// zeros. 2011-03-05 14:07:09.250 under kind 0 gives 修改时间：2011-3-5 星期六 14:7:9:250; the zero
// time gives 修改时间：1601-1-1 星期一 0:0:0:0. The engine passes the last-write time its directory
// listing already holds, so that it needs no further call per file.
std::string FileTimeKeyOf(std::uint64_t fileTime, int kind);

// Reads the three stamps without opening the file for its content (the file's directory
// entry), for paths of any length; a missing or unreadable file gives all zero.
FileTimes ReadFileTimes(const std::string& path);

// FileTimeKeyOf of the stamp of `kind` that ReadFileTimes gives. Never fails: an unreadable
// file gives the zero-time text.
std::string FileTimeKey(const std::string& path, int kind);

// A kilobyte count as the data counter shows it: "1.50 MB", "3.07 GB", "1023 KB", "0 字节".
// The unit changes exactly at 1,024 and 1,048,576 kilobytes; below 1 kilobyte the count times
// 1,024 is shown in bytes (-1 gives "-1024 字节").
std::string SizeText(std::int64_t kilobytes);

// Seconds as hours:minutes:seconds, each at least two digits: 75 gives 00:01:15, 360000 gives
// 100:00:00.
std::string DurationText(std::int32_t seconds);

}  // namespace tarnvel
