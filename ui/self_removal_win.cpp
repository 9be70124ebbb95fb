// The removable-disk removal's last step: the program's own file deleted once it has ended.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "runtime/encoding.h"
#include "runtime/files.h"
#include "runtime/programs.h"
#include "runtime/window.h"
#include "ui/portable.h"

namespace tarnvel {
namespace {

std::optional<std::wstring> TemporaryFolder() {
  wchar_t buffer[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  if (length == 0 || length > MAX_PATH) return std::nullopt;
  return std::wstring(buffer, length);
}

bool StartHidden(const std::wstring& commandLine, const std::wstring& folder) {
  std::wstring line = commandLine;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      folder.c_str(), &startup, &started)) {
    return false;
  }
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return true;
}

}  // namespace

bool StartSelfRemoval(const std::string& programPath) {
  const int kind = SystemKind();
  if (kind != 3) {
    const std::string command = SelfRemovalCommand(kind, programPath, "");
    return !command.empty() && RunProgram(command, false, 1);
  }
  const std::optional<std::wstring> folder = TemporaryFolder();
  const std::optional<std::wstring> path = Utf8ToWideExact(programPath);
  if (!folder || !path) return false;
  static std::atomic<int> started{0};
  const std::string name =
      "tarnvel-remove-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++started) + ".bat";
  const std::string batch = SelfRemovalBatch();
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(batch.data());
  if (!WriteWholeFile(WideToUtf8(*folder) + name, {std::span<const std::uint8_t>(bytes, batch.size())}))
    return false;
  // The child takes a copy of the environment when it starts.
  const std::wstring variable = Utf8ToWide(kSelfRemovalVariable);
  SetEnvironmentVariableW(variable.c_str(), path->c_str());
  const bool ok = StartHidden(Utf8ToWide(SelfRemovalCommand(kind, programPath, name)), *folder);
  SetEnvironmentVariableW(variable.c_str(), nullptr);
  return ok;
}

}  // namespace tarnvel
