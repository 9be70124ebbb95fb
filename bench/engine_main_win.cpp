// tarnvel-engine.exe SOURCE TARGET [--clean] [--window] [--pump-ms N] [--keep-days N] [--preview]
//                   [--count-calls]
//   One main-window run in single mode over windowless controls (or, with --window, with the
//   logs and labels attached to real child controls of a visible top-level window); prints the
//   four logs' line counts, the data counter and the run's milliseconds. --keep-days sets the
//   days removed and replaced files are kept (the default otherwise; 0 removes for good).
//   --preview walks as the run would and prints what it would do, changing nothing. The run
//   is unattended: a clean-up that would remove most of the target is held back (a failure). --pump-ms sets how often
//   at most the run lets the window handle its messages (the engine's default otherwise). --count-calls also
//   prints, to standard error, how often the run called each file-system, conversion and
//   window function and how long those calls took.
// tarnvel-engine.exe --copy-loop SOURCE TARGET
//   The same tree copied by a bare loop of CopyFileExW calls: the floor for copying here.
// tarnvel-engine.exe --list-floor SOURCE TARGET
//   Both trees listed and nothing else, the way the engines list them: the same large-fetch
//   FindFirstFileExW calls, one listing per directory and side, the source directory and its
//   target counterpart of each level at the same time on the engine's side thread. The floor
//   for a resync here.
// tarnvel-engine.exe --list-apart SOURCE TARGET
//   The same listings with each tree walked on a thread of its own, neither waiting for the
//   other: the floor a walk that lists both sides ahead of its decisions could reach.
// tarnvel-engine.exe --job-line SOURCE TARGET
//   The steps of Tarnvel.exe's job line in style 1 (clean by size, then copy by size), run in
//   this process without a window: the command-line engine without the program's start.
// tarnvel-engine.exe --lines N [--window]
//   The six list boxes of a run (the four logs, the failures log, the run history) each given N
//   lines the way a run gives them (appended between event pumps every 100 ms), then the last
//   line selected and every log cleared as the next run's start clears them; windowless, or
//   with --window attached to the visible window's list boxes. Prints the milliseconds of each.
// Every form ends with peak-working-set-kb=, the process's peak working set at its end; any
// form takes --count-calls after its two paths.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

#include "app/job_styles.h"
#include "bench/call_counter.h"
#include "runtime/datetime.h"
#include "runtime/encoding.h"
#include "runtime/window.h"
#include "sync/main_controls.h"
#include "sync/run_report.h"
#include "sync/side_thread.h"
#include "sync/sync_engine.h"
#include "sync/task_runner.h"

namespace {

using namespace tarnvel;

class BenchWindow : public Window {
 public:
  explicit BenchWindow(MainControls& c) : c_(c) {}

 protected:
  WindowLayout Layout() const override {
    WindowLayout layout;
    layout.title = "Tarnvel engine bench";
    layout.width = 1000;
    layout.height = 700;
    return layout;
  }
  void OnCreate() override {
    ListBox* logs[] = {&c_.createdDirectoriesLog, &c_.copiedFilesLog, &c_.removedDirectoriesLog,
                       &c_.removedFilesLog, &c_.failuresLog, &c_.runHistory};
    int id = 100;
    int top = 10;
    for (ListBox* log : logs) {
      log->SetBounds({10, top, 960, 80});
      AddControl(*log, id++);
      top += 85;
    }
    Label* labels[] = {&c_.statusLine,   &c_.directoryCounter, &c_.fileCounter,  &c_.dataCounter,
                       &c_.removedDirectoriesCounter, &c_.removedFilesCounter, &c_.filePercentage,
                       &c_.transferFigures, &c_.speed, &c_.elapsedTime};
    int left = 10;
    for (Label* label : labels) {
      label->SetBounds({left % 960, top + (left / 960) * 22, 190, 20});
      AddControl(*label, id++);
      left += 195;
    }
    c_.fileProgress.SetBounds({10, top + 50, 960, 16});
    AddControl(c_.fileProgress, id++);
  }

 private:
  MainControls& c_;
};

struct EngineOptions {
  bool clean = false;
  bool withWindow = false;
  bool preview = false;
  int pumpMs = -1;
  int keepDays = -1;  // the controls' default
};

int RunEngine(const std::string& source, const std::string& target, const EngineOptions& options) {
  const bool withWindow = options.withWindow;
  const int pumpMs = options.pumpMs;
  MainControls controls;
  controls.sourceBox.SetText(source);
  controls.targetBox.SetText(target);
  controls.cleanUpSwitch.SetChecked(options.clean);
  if (options.keepDays >= 0) controls.keepDaysBox.SetText(std::to_string(options.keepDays));
  SyncHooks hooks = SystemSyncHooks();
  if (pumpMs >= 0) hooks.eventInterval = static_cast<std::uint32_t>(pumpMs);
  SyncEngine engine(controls, std::move(hooks));
  BenchWindow window(controls);
  if (withWindow && !LoadWindow(window)) {
    std::fprintf(stderr, "tarnvel-engine: the window could not be created\n");
    return 2;
  }
  const std::uint32_t start = TickCount();
  if (options.preview) {
    PreviewSyncTasks(engine);
  } else {
    RunSyncTasks(engine);
  }
  const std::uint32_t elapsed = TickCount() - start;
  const int failures = engine.Report().Failures();
  std::printf(
      "created-directories=%d copied-files=%d removed-directories=%d removed-files=%d failures=%d data=\"%s\" "
      "ms=%u\n",
      controls.createdDirectoriesLog.Count(), controls.copiedFilesLog.Count(), controls.removedDirectoriesLog.Count(),
      controls.removedFilesLog.Count(), failures, controls.dataCounter.Text().c_str(), static_cast<unsigned>(elapsed));
  for (const std::string& line : engine.Report().Lines()) std::fprintf(stderr, "%s\n", line.c_str());
  return failures == 0 ? 0 : 1;
}

int CopyLoop(const std::wstring& source, const std::wstring& target, int& files) {
  CreateDirectoryW(target.c_str(), nullptr);
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileW((source + L"\\*").c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return 0;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      CopyLoop(source + L"\\" + name, target + L"\\" + name, files);
    } else if (CopyFileExW((source + L"\\" + name).c_str(), (target + L"\\" + name).c_str(), nullptr, nullptr,
                           nullptr, 0)) {
      ++files;
    }
  } while (FindNextFileW(h, &data));
  FindClose(h);
  return 0;
}

// One directory's listing as the floor keeps it: its subdirectories' names and its size.
struct FloorListing {
  bool listed = false;
  std::size_t entries = 0;
  std::vector<std::wstring> directories;
};

FloorListing ListForFloor(const std::wstring& directory) {
  FloorListing listing;
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileExW((directory + L"\\*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                              FIND_FIRST_EX_LARGE_FETCH);
  if (h == INVALID_HANDLE_VALUE) return listing;
  listing.listed = true;
  do {
    const wchar_t* name = data.cFileName;
    if (name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0))) continue;
    ++listing.entries;
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      listing.directories.emplace_back(name);
    }
  } while (FindNextFileW(h, &data));
  FindClose(h);
  return listing;
}

std::wstring Folded(std::wstring name) {
  if (!name.empty()) CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
  return name;
}

struct FloorCounts {
  long long directories = 0;
  long long entries = 0;
};

// Lists a source directory and its target counterpart at once, then each subdirectory pair;
// a subdirectory on one side only is listed alone (a resync has none).
class FloorWalk {
 public:
  void Pair(const std::wstring& source, const std::wstring& target) {
    FloorListing s, t;
    side_.RunAlongside([&] { s = ListForFloor(source); }, [&] { t = ListForFloor(target); });
    Count(s);
    Count(t);
    std::unordered_set<std::wstring> inTarget;
    for (const std::wstring& name : t.directories) inTarget.insert(Folded(name));
    for (const std::wstring& name : s.directories) {
      if (inTarget.erase(Folded(name)) != 0) Pair(source + L"\\" + name, target + L"\\" + name);
      else One(source + L"\\" + name);
    }
    for (const std::wstring& name : t.directories) {
      if (inTarget.count(Folded(name)) != 0) One(target + L"\\" + name);
    }
  }
  void One(const std::wstring& directory) {
    const FloorListing listing = ListForFloor(directory);
    Count(listing);
    for (const std::wstring& name : listing.directories) One(directory + L"\\" + name);
  }
  void Stop() { side_.Stop(); }
  const FloorCounts& Counts() const { return counts_; }

 private:
  void Count(const FloorListing& listing) {
    if (!listing.listed) return;
    ++counts_.directories;
    counts_.entries += static_cast<long long>(listing.entries);
  }
  SideThread side_;
  FloorCounts counts_;
};

int ListFloor(const std::wstring& source, const std::wstring& target) {
  const std::uint32_t start = TickCount();
  FloorWalk walk;
  walk.Pair(source, target);
  walk.Stop();
  std::printf("listed-directories=%lld entries=%lld ms=%u\n", walk.Counts().directories, walk.Counts().entries,
              static_cast<unsigned>(TickCount() - start));
  return 0;
}

int ListApart(const std::wstring& source, const std::wstring& target) {
  const std::uint32_t start = TickCount();
  FloorWalk sourceWalk, targetWalk;
  std::thread other([&] { targetWalk.One(target); });
  sourceWalk.One(source);
  other.join();
  sourceWalk.Stop();
  targetWalk.Stop();
  std::printf("listed-directories=%lld entries=%lld ms=%u\n",
              sourceWalk.Counts().directories + targetWalk.Counts().directories,
              sourceWalk.Counts().entries + targetWalk.Counts().entries, static_cast<unsigned>(TickCount() - start));
  return 0;
}

int RunJobLine(const std::string& source, const std::string& target) {
  RunReport report;
  const std::uint32_t start = TickCount();
  const int exitCode = RunStaticSteps(source, target, &report);
  std::printf("exit-code=%d failures=%d ms=%u\n", exitCode, report.Failures(),
              static_cast<unsigned>(TickCount() - start));
  for (const std::string& line : report.Lines()) std::fprintf(stderr, "%s\n", line.c_str());
  return exitCode;
}

void PrintPeakWorkingSet() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) {
    std::printf("peak-working-set-kb=%llu\n", static_cast<unsigned long long>(counters.PeakWorkingSetSize / 1024));
  } else {
    std::printf("peak-working-set-kb=unknown\n");
  }
  std::fflush(stdout);
}

int FillLogs(int lines, bool withWindow) {
  MainControls controls;
  BenchWindow window(controls);
  if (withWindow && !LoadWindow(window)) {
    std::fprintf(stderr, "tarnvel-engine: the window could not be created\n");
    return 2;
  }
  ListBox* logs[] = {&controls.createdDirectoriesLog, &controls.copiedFilesLog, &controls.removedDirectoriesLog,
                     &controls.removedFilesLog, &controls.failuresLog, &controls.runHistory};
  const std::string path = "Z:\\bench\\dst\\directory-0042\\subdirectory-0017\\file-name-";
  std::uint32_t start = TickCount();
  std::uint32_t pumped = start;
  for (int i = 0; i < lines; ++i) {
    const std::string line = path + std::to_string(i) + ".dat";
    for (ListBox* log : logs) ListBoxAdd(*log, line);
    if (TickCount() - pumped >= 100) {
      ProcessEvents();
      pumped = TickCount();
    }
  }
  ProcessEvents();
  const std::uint32_t filled = TickCount() - start;
  start = TickCount();
  for (ListBox* log : logs) log->Select(ListBoxCount(*log));
  ProcessEvents();
  const std::uint32_t selected = TickCount() - start;
  start = TickCount();
  for (ListBox* log : logs) ListBoxClear(*log);
  ProcessEvents();
  const std::uint32_t cleared = TickCount() - start;
  int shown = 0;
  if (withWindow) {
    shown = static_cast<int>(SendMessageW(reinterpret_cast<HWND>(WindowHandle(*logs[0])), LB_GETCOUNT, 0, 0));
  }
  std::printf("lines=%d logs=6 window=%d fill-ms=%u select-last-ms=%u clear-ms=%u lines-left=%d\n", lines,
              withWindow ? 1 : 0, static_cast<unsigned>(filled), static_cast<unsigned>(selected),
              static_cast<unsigned>(cleared), shown);
  return 0;
}

bool StartCounting() {
  if (tarnvel::bench::StartCountingCalls()) return true;
  std::fprintf(stderr, "tarnvel-engine: the import table could not be read\n");
  return false;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc >= 2 ? argv[1] : L"";
  if (argc >= 4 && (mode == L"--copy-loop" || mode == L"--list-floor" || mode == L"--list-apart" ||
                    mode == L"--job-line")) {
    const bool countCalls = argc >= 5 && std::wstring(argv[4]) == L"--count-calls";
    if (argc > (countCalls ? 5 : 4)) {
      std::fprintf(stderr, "tarnvel-engine: unknown option\n");
      return 2;
    }
    if (countCalls && !StartCounting()) return 2;
    int result = 0;
    if (mode == L"--copy-loop") {
      int files = 0;
      const std::uint32_t start = TickCount();
      CopyLoop(argv[2], argv[3], files);
      std::printf("copied-files=%d ms=%u\n", files, static_cast<unsigned>(TickCount() - start));
    } else if (mode == L"--list-floor") {
      result = ListFloor(argv[2], argv[3]);
    } else if (mode == L"--list-apart") {
      result = ListApart(argv[2], argv[3]);
    } else {
      try {
        result = RunJobLine(WideToUtf8(argv[2]), WideToUtf8(argv[3]));
      } catch (const std::exception& error) {
        std::fprintf(stderr, "tarnvel-engine: %s\n", error.what());
        result = 1;
      }
    }
    if (countCalls) tarnvel::bench::PrintCallCounts(stderr);
    PrintPeakWorkingSet();
    return result;
  }
  if (argc >= 3 && mode == L"--lines") {
    const bool withWindow = argc >= 4 && std::wstring(argv[3]) == L"--window";
    const int result = FillLogs(_wtoi(argv[2]), withWindow);
    PrintPeakWorkingSet();
    return result;
  }
  if (argc < 3) {
    std::fprintf(stderr, "usage: tarnvel-engine SOURCE TARGET [--clean] [--window] [--keep-days N] [--preview] [--count-calls]\n"
                         "       tarnvel-engine --copy-loop|--list-floor|--list-apart|--job-line SOURCE TARGET [--count-calls]\n"
                         "       tarnvel-engine --lines N [--window]\n");
    return 2;
  }
  EngineOptions options;
  bool countCalls = false;
  for (int i = 3; i < argc; ++i) {
    const std::wstring option = argv[i];
    if (option == L"--clean") options.clean = true;
    else if (option == L"--pump-ms" && i + 1 < argc) options.pumpMs = _wtoi(argv[++i]);
    else if (option == L"--keep-days" && i + 1 < argc) options.keepDays = _wtoi(argv[++i]);
    else if (option == L"--window") options.withWindow = true;
    else if (option == L"--preview") options.preview = true;
    else if (option == L"--count-calls") countCalls = true;
    else {
      std::fprintf(stderr, "tarnvel-engine: unknown option\n");
      return 2;
    }
  }
  if (countCalls && !StartCounting()) return 2;
  try {
    const int result = RunEngine(WideToUtf8(argv[1]), WideToUtf8(argv[2]), options);
    if (countCalls) tarnvel::bench::PrintCallCounts(stderr);
    PrintPeakWorkingSet();
    return result;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tarnvel-engine: %s\n", error.what());
    return 1;
  }
}
