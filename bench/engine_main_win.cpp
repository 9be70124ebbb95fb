// tarnvel-engine.exe SOURCE TARGET [--clean] [--window] [--count-calls]
//   One main-window run in single mode over windowless controls (or, with --window, with the
//   logs and labels attached to real child controls of a visible top-level window); prints the
//   four logs' line counts, the data counter and the run's milliseconds. --count-calls also
//   prints, to standard error, how often the run called each file-system, conversion and
//   window function and how long those calls took.
// tarnvel-engine.exe --copy-loop SOURCE TARGET
//   The same tree copied by a bare loop of CopyFileExW calls: the floor for copying here.
#include <windows.h>

#include <cstdio>
#include <string>

#include "bench/call_counter.h"
#include "runtime/datetime.h"
#include "runtime/encoding.h"
#include "runtime/window.h"
#include "sync/main_controls.h"
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
                       &c_.removedFilesLog, &c_.runHistory};
    int id = 100;
    int top = 10;
    for (ListBox* log : logs) {
      log->SetBounds({10, top, 960, 100});
      AddControl(*log, id++);
      top += 105;
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

int RunEngine(const std::string& source, const std::string& target, bool clean, bool withWindow) {
  MainControls controls;
  controls.sourceBox.SetText(source);
  controls.targetBox.SetText(target);
  controls.cleanUpSwitch.SetChecked(clean);
  SyncEngine engine(controls, SystemSyncHooks());
  BenchWindow window(controls);
  if (withWindow && !LoadWindow(window)) {
    std::fprintf(stderr, "tarnvel-engine: the window could not be created\n");
    return 2;
  }
  const std::uint32_t start = TickCount();
  RunSyncTasks(engine);
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

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc >= 4 && std::wstring(argv[1]) == L"--copy-loop") {
    int files = 0;
    const std::uint32_t start = TickCount();
    CopyLoop(argv[2], argv[3], files);
    std::printf("copied-files=%d ms=%u\n", files, static_cast<unsigned>(TickCount() - start));
    return 0;
  }
  if (argc < 3) {
    std::fprintf(stderr, "usage: tarnvel-engine SOURCE TARGET [--clean] [--window] [--count-calls]\n"
                         "       tarnvel-engine --copy-loop SOURCE TARGET\n");
    return 2;
  }
  bool clean = false, withWindow = false, countCalls = false;
  for (int i = 3; i < argc; ++i) {
    const std::wstring option = argv[i];
    if (option == L"--clean") clean = true;
    else if (option == L"--window") withWindow = true;
    else if (option == L"--count-calls") countCalls = true;
    else {
      std::fprintf(stderr, "tarnvel-engine: unknown option\n");
      return 2;
    }
  }
  if (countCalls && !tarnvel::bench::StartCountingCalls()) {
    std::fprintf(stderr, "tarnvel-engine: the import table could not be read\n");
    return 2;
  }
  try {
    const int result = RunEngine(WideToUtf8(argv[1]), WideToUtf8(argv[2]), clean, withWindow);
    if (countCalls) tarnvel::bench::PrintCallCounts(stderr);
    return result;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tarnvel-engine: %s\n", error.what());
    return 1;
  }
}
