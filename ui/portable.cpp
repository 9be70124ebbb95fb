#include "ui/portable.h"

namespace tarnvel {

std::string SelfRemovalCommand(int systemKind, const std::string& programPath) {
  const std::string quoted = "\"" + programPath + "\"";
  if (systemKind == 3) {
    return "cmd.exe /C for /L %i in (1,1,600) do @if exist " + quoted + " del /F /Q " + quoted +
           " >nul 2>&1 & ping -n 2 127.0.0.1 >nul";
  }
  if (systemKind == 2) return "command.com /C del " + quoted;
  return "";
}

}  // namespace tarnvel
