// The log of one run, as a plain UTF-8 text file: its start, roots, every directory created,
// file copied, entry removed and failure with its reason, the totals and the duration. One file
// per run in %LOCALAPPDATA%\Tarnvel\logs\, named by the run's start ("2026-12-09 08-05-00.log"),
// the newest 100 kept. Lines are gathered in memory and written a block at a time, so a run of
// many small files pays for the log with one write per block, not one per line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/datetime.h"

namespace tarnvel {

class RunLog {
 public:
  RunLog() = default;
  RunLog(const RunLog&) = delete;
  RunLog& operator=(const RunLog&) = delete;
  ~RunLog();

  // Opens a new log in the directory (made when missing) and removes the oldest logs beyond
  // `keep`, this one included. False when no log can be written: the run goes on without one.
  bool Open(const std::string& directory, DateTime start, int keep = 100);
  bool IsOpen() const { return file_ != nullptr; }
  const std::string& Path() const { return path_; }

  void Line(std::string_view text);
  // Writes what is gathered; the log stays open.
  void Flush();
  // Flushes and closes; further lines are dropped.
  void Close();

  // %LOCALAPPDATA%\Tarnvel\logs (Windows build only).
  static std::string DefaultDirectory();
  // The file name of a log started at that time, "YYYY-MM-DD HH-MM-SS.log". Platform-free.
  static std::string FileNameFor(DateTime start);
  // Whether log `a` was started before log `b`, by their names: a second log of the same second
  // is "<time> (2).log", which sorts before "<time>.log" as text. Platform-free.
  static bool StartedBefore(std::string_view a, std::string_view b);

 private:
  void* file_ = nullptr;
  std::string path_;
  std::string buffer_;
};

// "YYYY-MM-DD HH:MM:SS", the form log lines show times in. Platform-free.
std::string LogTimeText(DateTime t);

}  // namespace tarnvel
