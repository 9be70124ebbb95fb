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
