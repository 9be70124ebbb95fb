// The command-line job's state and its worker thread.
#include <windows.h>

#include <optional>
#include <string>

#include "app/command_line_job.h"
#include "app/job_line.h"
#include "runtime/values.h"

namespace tarnvel {
namespace {

// Written by StartUp on the user-interface thread before the worker starts; only read after.
struct CommandLineJobState {
  int style = kStaticStyle;
  std::string source;
  std::string target;
  std::string afterCommand;
  Label* fileLabel = nullptr;
  ProgressBar* fileBar = nullptr;
  std::optional<JobControls> controls;
};

CommandLineJobState& JobState() {
  static CommandLineJobState state;
  return state;
}

// When the environment names an event in TARNVEL_HOLD_JOB, the worker waits for it before it
// goes on: the tests look at a running job's window that way. Nobody else sets the variable.
void WaitWhileHeld() {
  wchar_t name[256];
  const DWORD length = GetEnvironmentVariableW(L"TARNVEL_HOLD_JOB", name, 256);
  if (length == 0 || length >= 256) return;
  HANDLE event = OpenEventW(SYNCHRONIZE, FALSE, name);
  if (event == nullptr) return;
  WaitForSingleObject(event, INFINITE);
  CloseHandle(event);
}

// The job is over: the program ends here, whatever the user-interface thread is doing.
[[noreturn]] void EndProgram() { ExitProcess(0); }

DWORD WINAPI StaticWorker(void*) {
  WaitWhileHeld();
  EndProgram();
}

DWORD WINAPI SingleBarWorker(void*) {
  WaitWhileHeld();
  EndProgram();
}

DWORD WINAPI DoubleBarWorker(void*) {
  WaitWhileHeld();
  EndProgram();
}

void StartWorker(LPTHREAD_START_ROUTINE worker) {
  HANDLE thread = CreateThread(nullptr, 0, worker, nullptr, 0, nullptr);
  if (thread == nullptr) throw RuntimeError("同步任务的线程无法启动");
  CloseHandle(thread);
}

}  // namespace

void SetAfterCommand(const std::string& afterCommand) { JobState().afterCommand = afterCommand; }

void RunStaticJob(const std::string& source, const std::string& target) {
  CommandLineJobState& state = JobState();
  state.style = kStaticStyle;
  state.source = source;
  state.target = target;
  StartWorker(StaticWorker);
}

void RunSingleBarJob(const std::string& source, const std::string& target, Label& fileLabel, ProgressBar& fileBar) {
  CommandLineJobState& state = JobState();
  state.style = kSingleBarStyle;
  state.source = source;
  state.target = target;
  state.fileLabel = &fileLabel;
  state.fileBar = &fileBar;
  StartWorker(SingleBarWorker);
}

void RunDoubleBarJob(const JobControls& job) {
  CommandLineJobState& state = JobState();
  state.style = kDoubleBarStyle;
  state.source = job.source;
  state.target = job.target;
  state.controls.emplace(job);
  StartWorker(DoubleBarWorker);
}

}  // namespace tarnvel
