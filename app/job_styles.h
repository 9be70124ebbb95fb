// What each display style of a command-line job does between its start and its after-command,
// run synchronously on the calling thread. The job's worker thread runs one of these, then opens
// the after-command and ends the program; tests run them with windowless controls.
#pragma once

#include <cstdint>
#include <string>

#include "app/command_line_job.h"
#include "runtime/controls.h"
#include "sync/run_report.h"

namespace tarnvel {

// Texts the styles show.
inline constexpr const char* kCleaningText = "正在进行文件清理...";
inline constexpr const char* kCountingText = "正在计算更新...";
inline constexpr const char* kFinishedText = "文件同步完成!";

// What styles 2 and 3 show when the job is over: kFinishedText, or, when entries failed, how
// many (the window stays a moment so that it can be read).
std::string FinishedText(std::int32_t failures);
// The same for a job's report; a job that stopped on its own (a full target) says why instead.
std::string FinishedText(const RunReport& report);

// How a job ended, as its exit code tells a script: everything done; started, but some entries
// could not be done (each is in the job's report); not started at all (an unusable pair of
// roots, a missing source, a job line without its four pieces).
inline constexpr int kJobDone = 0;
inline constexpr int kJobIncomplete = 1;
inline constexpr int kJobNotStarted = 2;
// The copies ran, but the clean-up was held back: it would have removed most of the target
// (at least 10 files and more than half of them), and a job line has nobody to ask.
inline constexpr int kJobCleanUpHeldBack = 3;

// False when the pair must not be synchronised at all: a blank, relative or drive-relative
// source or target (which would name a place that depends on the current directory), or two
// directories of which one is, or lies inside, the other, however they are spelt (the cleaner
// would delete the source, or the copy would recurse into its own output).
bool JobPathsUsable(const std::string& source, const std::string& target);

// Each returns the job's exit code; `report`, when given, receives what could not be done.
// Style 1: clean, then copy.
int RunStaticSteps(const std::string& source, const std::string& target, RunReport* report = nullptr);
// Style 2: the file label and the file bar show the cleaning, then each copied file.
int RunSingleBarSteps(const std::string& source, const std::string& target, Label& fileLabel,
                      ProgressBar& fileBar, RunReport* report = nullptr);
// Style 3: all seven controls of the job.
int RunDoubleBarSteps(const JobControls& job, RunReport* report = nullptr);

// Opens the program or document with the shell's "open" verb. False only when the shell
// reports that the file was not found.
bool OpenAfterCommand(const std::string& command);

}  // namespace tarnvel
