// The command-line job's state and its worker thread.
#include <windows.h>

#include <objbase.h>

#include <exception>
#include <functional>
#include <optional>
#include <string>

#include "app/command_line_job.h"
#include "app/job_line.h"
#include "app/job_styles.h"
#include "runtime/values.h"
#include "runtime/window.h"

namespace tarnvel {
namespace {

// How long the progress window of styles 2 and 3 shows that entries failed before it closes.
constexpr DWORD kFailureNoticeMs = 4000;

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

// When the environment names an event in TARNVEL_HOLD_JOB, the worker waits until the event is
// set before it goes on: the tests look at a running job's window that way. Nobody else sets
// the variable.
void WaitWhileHeld() {
  wchar_t name[256];
  const DWORD length = GetEnvironmentVariableW(L"TARNVEL_HOLD_JOB", name, 256);
  if (length == 0 || length >= 256) return;
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, name);
  if (event == nullptr) return;
  WaitForSingleObject(event, INFINITE);
  CloseHandle(event);
}

// The job is over: the program ends here, whatever the user-interface thread is doing. The
// after-command has been handed to the shell; the program does not wait for it.
[[noreturn]] void EndProgram(UINT exitCode) { ExitProcess(exitCode); }

// Runs one style's steps, opens the after-command and ends the program with the job's exit code.
// A job that did not start, or broke off with an error, opens no after-command: what follows it
// may rely on the copy.
[[noreturn]] void RunJobThenEnd(const std::function<int()>& steps) {
  UINT exitCode = kJobDone;
  bool finished = false;
  try {
    WaitWhileHeld();
    exitCode = static_cast<UINT>(steps());
    finished = exitCode != kJobNotStarted;
    // A window that says entries failed stays long enough to be read; style 1 shows nothing.
    if (exitCode == kJobIncomplete && JobState().style != kStaticStyle) Sleep(kFailureNoticeMs);
  } catch (const std::exception& error) {
    ReportException(error);
    exitCode = kJobIncomplete;
  } catch (...) {
    ReportException(RuntimeError("同步任务意外中止"));
    exitCode = kJobIncomplete;
  }
  if (finished) {
    // The shell may hand the open to COM components, which want an apartment on this thread.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    OpenAfterCommand(JobState().afterCommand);
    if (SUCCEEDED(com)) CoUninitialize();
  }
  EndProgram(exitCode);
}

DWORD WINAPI StaticWorker(void*) {
  const CommandLineJobState& state = JobState();
  RunJobThenEnd([&] { return RunStaticSteps(state.source, state.target); });
}

DWORD WINAPI SingleBarWorker(void*) {
  const CommandLineJobState& state = JobState();
  RunJobThenEnd([&] { return RunSingleBarSteps(state.source, state.target, *state.fileLabel, *state.fileBar); });
}

DWORD WINAPI DoubleBarWorker(void*) {
  const CommandLineJobState& state = JobState();
  RunJobThenEnd([&] { return RunDoubleBarSteps(*state.controls); });
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

void RunSingleBarJob(const std::string& source, const std::string& target, Label& fileLabel,
                     ProgressBar& fileBar) {
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
