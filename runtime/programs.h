// Starting programs, opening documents through the shell, and waiting.
#pragma once

#include <string>

namespace tarnvel {

// Starts a process from the command line. With `wait`, returns when it has ended; otherwise
// after it is ready for input, or 1000 ms at most. `show`: 1 hidden, 2 normal and activated,
// 3 minimised and activated, 4 maximised and activated, 5 normal without activation, 6 minimised
// without activation (above 6 counts as 6, below 1 as 1). False if it could not be started.
bool RunProgram(const std::string& commandLine, bool wait = false, int show = 2);

// Opens a program, document or folder with the shell's "open" verb: no owner window, no
// parameters, no working directory, a normal window. Returns the shell's result (above 32 on
// success; 2 for a file that was not found).
int ShellOpen(const std::string& path);

// Blocks the calling thread; negative values count as 0.
void Delay(int milliseconds);

}  // namespace tarnvel
