// The bench's view of where a run's time goes: every call the process makes to a chosen set of
// file-system, conversion and window functions is counted and timed, by redirecting the
// program's own import table. Nothing of the engine is changed or recompiled for it.
#pragma once

#include <cstdio>

namespace tarnvel::bench {

// Redirects the imports; false (and nothing changed) when the import table cannot be read.
bool StartCountingCalls();

// One line per function that was called: calls, total milliseconds, microseconds a call.
void PrintCallCounts(std::FILE* out);

}  // namespace tarnvel::bench
