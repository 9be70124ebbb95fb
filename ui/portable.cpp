#include "ui/portable.h"

#include <cstdint>

#include "runtime/text.h"

namespace tarnvel {

std::optional<bool> PortableCleanUp(const std::string& ecValue) {
  if (TrimBoth(ecValue).empty()) return std::nullopt;
  return ecValue == "1";
}

std::string BackupFolderLockName(const std::string& fullPath) {
  std::string path = fullPath;
  while (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  // FNV-1a over the folded bytes: below its namespace a lock's name holds no backslash, and
  // its length is limited.
  std::uint64_t hash = 14695981039346656037ull;
  for (char ch : path) {
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
    if (ch == '/') ch = '\\';
    hash = (hash ^ static_cast<unsigned char>(ch)) * 1099511628211ull;
  }
  static const char kHex[] = "0123456789abcdef";
  std::string name = "Local\\TarnvelBackup-";
  for (int shift = 60; shift >= 0; shift -= 4) name += kHex[(hash >> shift) & 0xF];
  return name;
}

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
