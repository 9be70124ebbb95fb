// What each display style of a command-line job does between its start and its after-command,
// run synchronously on the calling thread. The job's worker thread runs one of these, then opens
// the after-command and ends the program; tests run them with windowless controls.
#pragma once

#include <string>

#include "app/command_line_job.h"
#include "runtime/controls.h"

namespace tarnvel {

// Texts the styles show.
inline constexpr const char* kCleaningText = "正在进行文件清理...";
inline constexpr const char* kCountingText = "正在计算更新...";
inline constexpr const char* kFinishedText = "文件同步完成!";

// False when the pair must not be synchronised at all: a blank source or target (which would
// name the root of the current drive), or two directories of which one is, or lies inside, the
// other (the cleaner would delete the source, or the copy would recurse into its own output).
bool JobPathsUsable(const std::string& source, const std::string& target);

// Style 1: clean, then copy.
void RunStaticSteps(const std::string& source, const std::string& target);
// Style 2: the file label and the file bar show the cleaning, then each copied file.
void RunSingleBarSteps(const std::string& source, const std::string& target, Label& fileLabel, ProgressBar& fileBar);
// Style 3: all seven controls of the job.
void RunDoubleBarSteps(const JobControls& job);

// Opens the program or document with the shell's "open" verb. False only when the shell
// reports that the file was not found.
bool OpenAfterCommand(const std::string& command);

}  // namespace tarnvel
