// The process's own command line on Windows.
#include <windows.h>

#include "runtime/cmdline.h"
#include "runtime/encoding.h"

namespace tarnvel {

TextArray CommandLineArgs() {
  const wchar_t* line = GetCommandLineW();
  return ArgumentsAfterProgramName(line ? WideToUtf8(line) : std::string());
}

}  // namespace tarnvel
