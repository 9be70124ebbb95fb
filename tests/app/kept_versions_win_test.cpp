// Kept versions, the mass-removal guard and the preview, over real trees, through both engines:
// the main window's (a run of the runner over windowless controls) and the job line's (style 1).
// Trees are read back with std::filesystem, never with the program's own listing.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "app/job_styles.h"
#include "runtime/datetime.h"
#include "runtime/dialogs.h"
#include "sync/kept_versions.h"
#include "sync/main_controls.h"
#include "sync/sync_engine.h"
#include "sync/task_runner.h"
#include "tests/support/link_slot_win.h"
#include "tests/support/sandbox.h"
#include "ui/settings_store.h"

namespace tarnvel {
namespace {

namespace fs = std::filesystem;
using test::FreshTestDir;
using Files = std::map<std::string, std::string>;  // relative path ("a\b.txt") → bytes

constexpr char kVersions[] = ".tarnvel-versions";

void Write(const std::string& path, const std::string& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string Read(const fs::path& path) {
  std::ostringstream bytes;
  bytes << std::ifstream(path, std::ios::binary).rdbuf();
  return bytes.str();
}

// Every file below the root with its bytes; the versions folder at the root left out unless asked.
Files FilesBelow(const std::string& root, bool withVersions = false) {
  Files files;
  if (!fs::exists(root)) return files;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    const std::string relative = fs::relative(it->path(), root).string();
    if (!withVersions && relative.rfind(kVersions, 0) == 0) {
      if (it->is_directory()) it.disable_recursion_pending();
      continue;
    }
    if (it->is_regular_file()) files[relative] = Read(it->path());
  }
  return files;
}

// A target file the main engine finds current: the source's copy, time included.
void CopyAcross(const std::string& from, const std::string& to) {
  fs::create_directories(fs::path(to).parent_path());
  ASSERT_TRUE(CopyFileW(fs::path(from).wstring().c_str(), fs::path(to).wstring().c_str(), FALSE));
}

enum class Engine { kMainWindow, kJobLine };

struct Outcome {
  int exitCode = 0;  // the job line's; the main engine's is 1 when anything failed
  std::vector<std::string> lines;
  int kept = 0;  // entries the run log says went into the kept versions
  MainControls* controls = nullptr;
};

int KeptCount(const RunReport& report) {
  for (const auto& [action, count] : report.DoneCounts()) {
    if (action == "移入历史版本") return count;
  }
  return 0;
}

// Where the job line finds the days; forgotten again after each test.
class StoredDays {
 public:
  explicit StoredDays(int days) { Set(std::to_string(days)); }
  ~StoredDays() { Set(""); }

 private:
  static void Set(const std::string& text) { RegistrySettings::Open().Write(ProductValue("KV"), text); }
};

class Versions : public testing::TestWithParam<Engine> {
 protected:
  void SetUp() override {
    dir_ = FreshTestDir();
    src_ = dir_ + "src\\";
    dst_ = dir_ + "dst\\";
    fs::create_directories(src_);
  }

  // One run with clean-up at `now`; the main engine unattended unless `confirm` answers.
  Outcome Run(DateTime now, int days, bool preview = false, int confirm = -1) {
    ScopedFakeClock clock(now);
    Outcome outcome;
    if (GetParam() == Engine::kJobLine) {
      StoredDays stored(days);
      RunReport report;
      outcome.exitCode = RunStaticSteps(src_, dst_, &report);
      outcome.lines = report.Lines();
      outcome.kept = KeptCount(report);
      return outcome;
    }
    controls_ = std::make_unique<MainControls>();
    controls_->sourceBox.SetText(src_);
    controls_->targetBox.SetText(dst_);
    controls_->cleanUpSwitch.SetChecked(true);
    controls_->keepDaysBox.SetText(std::to_string(days));
    SyncHooks hooks;
    hooks.mainWindowVisible = [confirm] { return confirm >= 0; };
    engine_ = std::make_unique<SyncEngine>(*controls_, std::move(hooks));
    engine_->SetUserCanConfirm(confirm >= 0);
    preview ? PreviewSyncTasks(*engine_) : RunSyncTasks(*engine_);
    outcome.exitCode = engine_->Report().Failures() == 0 ? 0 : 1;
    outcome.lines = engine_->Report().Lines();
    outcome.kept = KeptCount(engine_->Report());
    outcome.controls = controls_.get();
    return outcome;
  }

  std::string RunFolder(DateTime start) const {
    return dst_ + kVersions + "\\" + RunFolderName(start) + "\\";
  }

  std::string dir_, src_, dst_;
  std::unique_ptr<MainControls> controls_;
  std::unique_ptr<SyncEngine> engine_;
};

INSTANTIATE_TEST_SUITE_P(Engines, Versions, testing::Values(Engine::kMainWindow, Engine::kJobLine),
                         [](const auto& info) {
                           return info.param == Engine::kJobLine ? "JobLine" : "MainWindow";
                         });

std::vector<std::string> Items(const ListBox& box) {
  std::vector<std::string> items;
  for (int i = 0; i < box.Count(); ++i) items.push_back(box.ItemText(i));
  return items;
}

bool Says(const std::vector<std::string>& lines, const std::string& what) {
  for (const std::string& line : lines) {
    if (line.find(what) != std::string::npos) return true;
  }
  return false;
}

const DateTime kMorning = MakeDateTime(2026, 12, 10, 9, 30, 0);

TEST_P(Versions, RemovedAndReplacedFilesKeepTheirBytesAtTheirPaths) {
  Write(src_ + "same.txt", "same");
  Write(src_ + "changed.txt", "the new content");
  Write(src_ + "keep\\inner.txt", "inner");
  CopyAcross(src_ + "same.txt", dst_ + "same.txt");
  CopyAcross(src_ + "keep\\inner.txt", dst_ + "keep\\inner.txt");
  Write(dst_ + "changed.txt", "old");
  Write(dst_ + "gone.txt", "gone bytes");
  Write(dst_ + "keep\\extra.txt", "extra");
  Write(dst_ + "olddir\\a.txt", "a");
  Write(dst_ + "olddir\\sub\\b.txt", "b");

  const Outcome first = Run(kMorning, 30);
  EXPECT_EQ(first.exitCode, 0) << testing::PrintToString(first.lines);
  EXPECT_EQ(FilesBelow(dst_), FilesBelow(src_));
  const Files kept = {{"changed.txt", "old"},
                      {"gone.txt", "gone bytes"},
                      {"keep\\extra.txt", "extra"},
                      {"olddir\\a.txt", "a"},
                      {"olddir\\sub\\b.txt", "b"}};
  EXPECT_EQ(FilesBelow(RunFolder(kMorning)), kept);
  const DWORD attributes = GetFileAttributesW(fs::path(dst_ + kVersions).wstring().c_str());
  EXPECT_EQ(attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
            FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  EXPECT_EQ(first.kept, 4) << "the run log names where each item went (a removed folder whole)";

  // An unchanged tree: the versions folder is neither walked nor touched.
  const Files before = FilesBelow(dst_, true);
  const Outcome second = Run(MakeDateTime(2026, 12, 10, 10, 30, 0), 30);
  EXPECT_EQ(second.exitCode, 0) << testing::PrintToString(second.lines);
  EXPECT_EQ(FilesBelow(dst_, true), before);
}

// A target file link (Wine lists a host link as a plain file and follows it on a rename) is no
// version of anything: removed, replaced, or spelt otherwise in the source, it goes as a link
// goes, and the file behind it stays where it is, as it is.
// Folders the source lacks, each long to list (300 empty folders in it): every one goes whole
// into the versions. The target listings read ahead must never hold open a folder the clean-up
// moves (Windows refuses to move a folder that is being listed).
TEST_P(Versions, ExtraFoldersLongToListAllGoIntoTheVersions) {
  for (int i = 0; i < 12; ++i) {
    const std::string name = "keep\\k" + std::to_string(i) + ".txt";
    Write(src_ + name, "k");
    CopyAcross(src_ + name, dst_ + name);
  }
  for (int i = 0; i < 4; ++i) {
    const std::string folder = dst_ + "extra" + std::to_string(i) + "\\";
    Write(folder + "f.txt", "f");
    for (int j = 0; j < 300; ++j) fs::create_directories(folder + "d" + std::to_string(j));
  }
  const Outcome run = Run(kMorning, 30);
  EXPECT_EQ(run.exitCode, 0) << testing::PrintToString(run.lines);
  EXPECT_EQ(FilesBelow(dst_), FilesBelow(src_));
  EXPECT_EQ(FilesBelow(RunFolder(kMorning)).size(), 4u);
}

TEST_P(Versions, AFileLinkInTheTargetIsNeverMovedAndWhatItLeadsToStays) {
  struct Case {
    const char* sourceName;  // the source's file of the link's name; nullptr: none, it is extra
    const char* bytes;
    int exitCode;  // a link keeps its spelling, and that is reported
  };
  const Case cases[] = {{nullptr, nullptr, 0}, {"f.txt", "new bytes", 0}, {"F.txt", "keep\n", 1}};
  int n = GetParam() == Engine::kMainWindow ? 1 : 4;
  for (const Case& c : cases) {
    const std::string root = test::FileLinkCase(n);
    src_ = dir_ + "src" + std::to_string(n++) + "\\";
    dst_ = root + "dst\\";
    Write(src_ + "other.txt", "other");
    if (c.sourceName != nullptr) Write(src_ + c.sourceName, c.bytes);
    const Outcome run = Run(kMorning, 30);
    const std::string what = c.sourceName == nullptr ? "extra" : c.sourceName;
    EXPECT_EQ(run.exitCode, c.exitCode) << what << testing::PrintToString(run.lines);
    EXPECT_EQ(FilesBelow(root + "outside"), (Files{{"keep.txt", "keep\n"}})) << what;
    EXPECT_EQ(FilesBelow(RunFolder(kMorning)), Files{}) << what << ": nothing went into the versions";
  }
}

// A copy's temporary left by a killed run is no version: it goes for good, and a preview leaves it.
TEST_P(Versions, LeftOverTemporaryGoesForGoodNotIntoTheVersions) {
  Write(src_ + "a.txt", "a");
  Write(dst_ + "~tv0123abcd.tmp", "half a copy");
  Write(dst_ + "old.txt", "old");
  if (GetParam() == Engine::kMainWindow) {
    Run(kMorning, 30, true);
    EXPECT_TRUE(fs::exists(dst_ + "~tv0123abcd.tmp")) << "a preview removes nothing";
  }
  const Outcome run = Run(kMorning, 30);
  EXPECT_EQ(run.exitCode, 0) << testing::PrintToString(run.lines);
  EXPECT_EQ(FilesBelow(dst_), FilesBelow(src_));
  EXPECT_EQ(FilesBelow(RunFolder(kMorning)), (Files{{"old.txt", "old"}}));
}

TEST_P(Versions, RetentionRemovesOnlyOlderRunsAndZeroRemovesForGood) {
  const struct {
    int days;
    bool monthOldStays, weekOldStays, removalKept;
  } cases[] = {{30, false, true, true}, {10, false, true, true}, {0, false, false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE("days " + std::to_string(c.days));
    fs::remove_all(dir_);
    Write(src_ + "a.txt", "a");
    CopyAcross(src_ + "a.txt", dst_ + "a.txt");
    Write(dst_ + "gone.txt", "gone");
    const std::string versions = dst_ + kVersions + "\\";
    Write(versions + "2026-11-01 00.00.00\\old.txt", "month old");
    SetFileAttributesW(fs::path(versions + "2026-11-01 00.00.00\\old.txt").wstring().c_str(),
                       FILE_ATTRIBUTE_READONLY);
    Write(versions + "2026-12-03 00.00.00\\week.txt", "week old");
    Write(versions + "notes\\mine.txt", "not a run");

    Run(kMorning, c.days);
    const Files left = FilesBelow(versions, true);
    EXPECT_EQ(left.count("2026-11-01 00.00.00\\old.txt"), c.monthOldStays ? 1u : 0u);
    EXPECT_EQ(left.count("2026-12-03 00.00.00\\week.txt"), c.weekOldStays ? 1u : 0u);
    EXPECT_EQ(left.count("notes\\mine.txt"), 1u) << "a folder not named as a run is not the program's";
    EXPECT_EQ(left.count(RunFolderName(kMorning) + "\\gone.txt"), c.removalKept ? 1u : 0u);
    EXPECT_FALSE(fs::exists(dst_ + "gone.txt"));
  }
}

TEST_P(Versions, SourceFolderOfTheVersionsNameIsLeftOutAndTheTargetsSurvives) {
  Write(src_ + "a.txt", "a");
  Write(src_ + kVersions + "\\intruder.txt", "not to be copied");
  CopyAcross(src_ + "a.txt", dst_ + "a.txt");
  Write(dst_ + kVersions + "\\2026-12-09 08.00.00\\a.txt", "yesterday's a");
  const Files before = FilesBelow(dst_ + kVersions);

  const Outcome outcome = Run(kMorning, 30);
  EXPECT_EQ(FilesBelow(dst_ + kVersions), before);
  EXPECT_TRUE(Says(outcome.lines, kVersionsNameInSource)) << testing::PrintToString(outcome.lines);
}

TEST_P(Versions, MassRemovalIsHeldBackAndTheCopiesStillRun) {
  for (int i = 0; i < 12; ++i) Write(dst_ + "f" + std::to_string(i) + ".txt", "old file");
  for (int i = 0; i < 2; ++i)
    CopyAcross(dst_ + "f" + std::to_string(i) + ".txt", src_ + "f" + std::to_string(i) + ".txt");
  Write(src_ + "new.txt", "new");
  const Files before = FilesBelow(dst_);

  const Outcome outcome = Run(kMorning, 30);
  Files expected = before;
  expected["new.txt"] = "new";
  EXPECT_EQ(FilesBelow(dst_, true), expected) << "nothing removed, nothing kept, the copy made";
  EXPECT_TRUE(Says(outcome.lines, "未清理")) << testing::PrintToString(outcome.lines);
  EXPECT_EQ(outcome.exitCode, GetParam() == Engine::kJobLine ? kJobCleanUpHeldBack : 1);
}

// The main window started by the user asks; Cancel keeps everything, OK keeps them as versions.
TEST_P(Versions, MassRemovalAskedInTheWindow) {
  if (GetParam() == Engine::kJobLine) GTEST_SKIP() << "the job line has nobody to ask";
  for (const int answer : {kButtonCancel, kButtonOk}) {
    fs::remove_all(dir_);
    for (int i = 0; i < 12; ++i) Write(dst_ + "f" + std::to_string(i) + ".txt", "old file");
    for (int i = 0; i < 2; ++i)
      CopyAcross(dst_ + "f" + std::to_string(i) + ".txt", src_ + "f" + std::to_string(i) + ".txt");
    ScopedDialogScript script;
    script.AnswerMessage(answer);
    Run(kMorning, 30, false, answer);
    ASSERT_GE(script.Messages().size(), 1u);
    const ScopedDialogScript::Message& asked = script.Messages().front();
    EXPECT_EQ(asked.caption, "提示");
    EXPECT_EQ(DefaultButton(asked.flags), kButtonCancel);
    EXPECT_NE(asked.message.find("12 个文件中的 10 个"), std::string::npos) << asked.message;
    EXPECT_EQ(FilesBelow(dst_).size(), answer == kButtonOk ? 2u : 12u);
    EXPECT_EQ(FilesBelow(RunFolder(kMorning)).size(), answer == kButtonOk ? 10u : 0u);
  }
}

// The preview over every kind of action, into an existing and a missing target: nothing on disk
// changes, and its counts are those of the run that follows.
TEST_P(Versions, PreviewChangesNothingAndCountsAsTheRun) {
  if (GetParam() == Engine::kJobLine) GTEST_SKIP() << "the preview is the main window's";
  for (const bool targetExists : {true, false}) {
    SCOPED_TRACE(targetExists ? "existing target" : "missing target");
    fs::remove_all(dir_);
    Write(src_ + "new\\deep\\n.txt", "new");
    Write(src_ + "changed.txt", "changed!");
    Write(src_ + "clash", "a file where the target has a folder");
    Write(src_ + "Spelt.txt", "s");  // the target's file and folder spelt otherwise: renamed by the run only
    Write(src_ + "SubDir\\a.txt", "a");
    if (targetExists) {
      Write(dst_ + "spelt.txt", "s");
      Write(dst_ + "subdir\\a.txt", "a");
      Write(dst_ + "changed.txt", "old");
      Write(dst_ + "gone.txt", "gone");
      Write(dst_ + "olddir\\x.txt", "x");
      Write(dst_ + "clash\\inside.txt", "i");
    }
    const Files before = FilesBelow(dir_, true);
    const Outcome preview = Run(kMorning, 30, true);
    EXPECT_EQ(FilesBelow(dir_, true), before);
    EXPECT_EQ(fs::exists(dst_), targetExists) << "a preview makes not even the target root";
    const MainControls& c = *preview.controls;
    const std::vector<int> shown = {c.createdDirectoriesLog.Count(), c.copiedFilesLog.Count(),
                                    c.removedDirectoriesLog.Count(), c.removedFilesLog.Count()};
    EXPECT_EQ(Says(Items(c.copiedFilesLog), "（替换）"), targetExists) << "a replace is shown as such";
    EXPECT_NE(c.statusLine.Text().find("预览"), std::string::npos) << c.statusLine.Text();

    const Outcome run = Run(kMorning, 30);
    const MainControls& r = *run.controls;
    EXPECT_EQ(shown, (std::vector<int>{r.createdDirectoriesLog.Count(), r.copiedFilesLog.Count(),
                                       r.removedDirectoriesLog.Count(), r.removedFilesLog.Count()}));
    EXPECT_EQ(FilesBelow(dst_), FilesBelow(src_));
  }
}

}  // namespace
}  // namespace tarnvel
