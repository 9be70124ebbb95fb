// The program's command line, cut into arguments.
#pragma once

#include <string_view>

#include "runtime/values.h"

namespace tarnvel {

// Cuts a command line into arguments: runs of bytes below 33 (space, tab, control
// characters) separate them; an argument that begins with a double quote runs to the next
// double quote (or the end) and is taken without the quotes; an unquoted argument also ends
// where a double quote begins. A character is never split.
TextArray SplitCommandLine(std::string_view commandLine);

// SplitCommandLine without the first argument, the program's own name (quoted or not).
TextArray ArgumentsAfterProgramName(std::string_view commandLine);

// Windows: the process's command line (GetCommandLineW, as UTF-8), without the program's name.
TextArray CommandLineArgs();

}  // namespace tarnvel
