// The job line of a command-line start: "source|target|style|after-command".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/values.h"

namespace tarnvel {

// Display styles of a command-line job.
inline constexpr int kStaticStyle = 1;     // "静态": no window
inline constexpr int kSingleBarStyle = 2;  // "单进度显示": the file bar
inline constexpr int kDoubleBarStyle = 3;  // "双进度显示": overall and file bars

struct JobLine {
  std::string source;  // as written; not normalised here
  std::string target;
  std::int32_t style = 0;    // the style piece as ToInteger reads it
  std::string afterCommand;  // opened when the job has finished
};

// Each argument followed by one blank: blanks between unquoted arguments shrink to one, the
// quotes are gone, blanks inside a quoted argument stay.
std::string BuildJobLine(const TextArray& args);

// Trims the line, splits it at "|" and takes it only when that gives exactly four pieces.
std::optional<JobLine> ParseJobLine(std::string_view line);

// Every style other than 2 and 3 runs as the static style 1.
int EffectiveStyle(int style);

}  // namespace tarnvel
