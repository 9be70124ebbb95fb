// The per-file progress displays of a run: the copy-progress routine, the one-second speed
// tick and the counter texts the walkers refresh.
#pragma once

#include <cstdint>
#include <string>

namespace tarnvel {

class SyncEngine;
class ListBox;

// Called between copied blocks with the file's size and the bytes copied so far: the file
// progress bar and percentage, the transfer figures, the run's current-file figures; then
// pending messages. Returns 0 (go on).
int OnCopyProgress(SyncEngine& engine, std::int64_t totalBytes, std::int64_t bytesDone);

// Every second of a run: the speed of the file in progress over the last second (when it
// moved on) and the elapsed time of the run.
void OnSpeedTick(SyncEngine& engine);

// "72 k/s" for 61,440 bytes in a second: bytes × 1.2 / 1024, one decimal at most.
std::string SpeedText(std::int64_t bytesInLastSecond);
// "1KB /1 KB" for 1,500 of 1,500 bytes: thousands of bytes, truncated.
std::string TransferText(std::int64_t bytesDone, std::int64_t totalBytes);
// Percent of the file done, truncated; 0 for an empty file.
int CopyPercent(std::int64_t totalBytes, std::int64_t bytesDone);

// prefix + the log's line count + "个", as the four counters show it.
std::string CounterText(const char* prefix, const ListBox& log);

// Adds a line to a log and brings it into view.
void AppendToLog(ListBox& log, const std::string& line);

// Texts of the engine's displays.
inline constexpr const char* kDirectoryCounterPrefix = "已同步目录:";
inline constexpr const char* kFileCounterPrefix = "已同步文件:";
inline constexpr const char* kRemovedDirectoriesPrefix = "清除多余目录:";
inline constexpr const char* kRemovedFilesPrefix = "清除多余文件:";
inline constexpr const char* kDataCounterPrefix = " 已同步数据：";
inline constexpr const char* kProcessingPrefix = "信息：正在处理 -> ";

}  // namespace tarnvel
