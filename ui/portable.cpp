#include "ui/portable.h"

namespace tarnvel {

std::string SelfRemovalBatch() {
  // Delayed expansion puts the value in after the line has been read, so nothing in it is
  // expanded again (cmd's percent expansion would go on to expand "%i" in the path).
  const std::string path = "\"!" + std::string(kSelfRemovalVariable) + "!\"";
  return "@echo off\r\n"
         "setlocal enabledelayedexpansion\r\n"
         "set tries=0\r\n"
         ":again\r\n"
         "del /f /q " +
         path +
         " >nul 2>&1\r\n"
         "if not exist " +
         path +
         " goto end\r\n"
         "set /a tries+=1\r\n"
         "if %tries% geq 600 goto end\r\n"
         "ping -n 2 127.0.0.1 >nul\r\n"
         "goto again\r\n"
         ":end\r\n"
         "del /f /q \"%~f0\"";
}

std::string SelfRemovalCommand(int systemKind, const std::string& programPath, const std::string& batchName) {
  if (systemKind == 3) return "cmd.exe /d /c \"" + batchName + "\"";
  if (systemKind == 2) return "command.com /C del \"" + programPath + "\"";
  return "";
}

}  // namespace tarnvel
