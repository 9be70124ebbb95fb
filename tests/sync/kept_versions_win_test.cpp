// The kept versions and the mass-removal question in the layer that owns them: the versions of one
// target on real folders, and the main-window engine's run over windowless controls. Trees are
// read back with std::filesystem, never with the program's own listing.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "runtime/datetime.h"
#include "runtime/dialogs.h"
#include "sync/kept_versions.h"
#include "sync/main_controls.h"
#include "sync/run_report.h"
#include "sync/sync_engine.h"
#include "sync/task_runner.h"
#include "tests/support/link_slot_win.h"
#include "tests/support/sandbox.h"

namespace tarnvel {
namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;  // relative path → bytes

const DateTime kMorning = MakeDateTime(2026, 12, 10, 9, 30, 0);

void Write(const std::string& path, const std::string& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

// A target file the engine finds current: the source's copy, time included.
void CopyAcross(const std::string& from, const std::string& to) {
  fs::create_directories(fs::path(to).parent_path());
  ASSERT_TRUE(CopyFileW(fs::path(from).wstring().c_str(), fs::path(to).wstring().c_str(), FALSE));
}

std::string Read(const fs::path& path) {
  std::ostringstream bytes;
  bytes << std::ifstream(path, std::ios::binary).rdbuf();
  return bytes.str();
}

Files FilesBelow(const std::string& root) {
  Files files;
  if (!fs::exists(root)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) files[fs::relative(entry.path(), root).string()] = Read(entry.path());
  }
  return files;
}

class KeptVersionsWin : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = test::FreshTestDir();
    src_ = dir_ + "src\\";
    dst_ = dir_ + "dst\\";
    fs::create_directories(src_);
    fs::create_directories(dst_);
  }

  std::string Versions() const { return dst_ + kVersionsFolderName + "\\"; }

  // One main-window run with clean-up; `answer` is the user's answer to a question (-1: the
  // window is hidden and nobody is asked).
  RunReport Run(int answer = -1, bool preview = false) {
    ScopedFakeClock clock(kMorning);
    MainControls controls;
    controls.sourceBox.SetText(src_);
    controls.targetBox.SetText(dst_);
    controls.cleanUpSwitch.SetChecked(true);
    controls.keepDaysBox.SetText("30");
    SyncHooks hooks;
    hooks.mainWindowVisible = [answer] { return answer >= 0; };
    SyncEngine engine(controls, std::move(hooks));
    engine.SetUserCanConfirm(answer >= 0);
    preview ? PreviewSyncTasks(engine) : RunSyncTasks(engine);
    return engine.Report();
  }

  std::string dir_, src_, dst_;
};

// What goes is moved, bytes and relative path kept, a folder whole; a second item of one name
// in one run gets a number; a link is never moved, and what it leads to stays where it is.
TEST_F(KeptVersionsWin, SetAsideMovesFilesAndFoldersButNeverALink) {
  Write(dst_ + "a.txt", "first a");
  Write(dst_ + "d\\e\\f.txt", "deep");
  KeptVersions versions(dst_, kMorning, 30);
  const std::string run = versions.RunFolder();
  EXPECT_EQ(versions.SetAside(dst_ + "a.txt"), run + "a.txt");
  Write(dst_ + "a.txt", "second a");
  EXPECT_EQ(versions.SetAside(dst_ + "a.txt"), run + "a (2).txt");
  EXPECT_EQ(versions.SetAside(dst_ + "d"), run + "d");
  EXPECT_EQ(FilesBelow(dst_), (Files{{".tarnvel-versions\\" + RunFolderName(kMorning) + "\\a.txt", "first a"},
                                     {".tarnvel-versions\\" + RunFolderName(kMorning) + "\\a (2).txt", "second a"},
                                     {".tarnvel-versions\\" + RunFolderName(kMorning) + "\\d\\e\\f.txt", "deep"}}));
  Write(dir_ + "outside.txt", "not the target's");
  EXPECT_EQ(versions.SetAside(dir_ + "outside.txt"), "") << "nothing outside the target is taken";
  EXPECT_EQ(FilesBelow(dir_ + "src"), Files{});
  EXPECT_TRUE(fs::exists(dir_ + "outside.txt"));

  const std::string root = test::FileLinkCase(1);
  KeptVersions linked(root + "dst\\", kMorning, 30);
  EXPECT_FALSE(KeptVersions::Takes(root + "dst\\f.txt"));
  EXPECT_EQ(linked.SetAside(root + "dst\\f.txt"), "");
  EXPECT_EQ(FilesBelow(root + "outside"), (Files{{"keep.txt", "keep\n"}}));
  EXPECT_FALSE(fs::exists(linked.RunFolder() + "f.txt"));
}

// Retention and the room a full disk needs take run folders only, never this run's, and never a
// folder that is not named as a run.
TEST_F(KeptVersionsWin, ExpiryAndFreeingTakeOnlyOtherRunFolders) {
  const struct {
    int days;
    bool monthOld, weekOld;  // still there after Expire
  } cases[] = {{30, false, true}, {5, false, false}, {60, true, true}, {0, false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE("days " + std::to_string(c.days));
    fs::remove_all(dst_);
    Write(Versions() + "2026-11-01 00.00.00\\old.txt", "month old");
    Write(Versions() + "2026-12-03 00.00.00\\week.txt", "week old");
    Write(Versions() + RunFolderName(kMorning) + "\\now.txt", "this run");
    Write(Versions() + "notes\\mine.txt", "the user's");
    KeptVersions versions(dst_, kMorning, c.days);
    RunReport report;
    versions.Expire(kMorning, report);
    EXPECT_EQ(fs::exists(Versions() + "2026-11-01 00.00.00"), c.monthOld);
    EXPECT_EQ(fs::exists(Versions() + "2026-12-03 00.00.00"), c.weekOld);
    while (versions.FreeOldest(report)) {
    }
    EXPECT_EQ(FilesBelow(Versions()),
              (Files{{RunFolderName(kMorning) + "\\now.txt", "this run"}, {"notes\\mine.txt", "the user's"}}));
    EXPECT_EQ(report.Failures(), 0);
  }
}

// The engine's clean-up and replace keep what they take; the versions folder is neither cleaned
// nor listed as something the source lacks.
TEST_F(KeptVersionsWin, TheRunKeepsWhatItRemovesAndReplacesAndLeavesTheVersionsAlone) {
  Write(src_ + "changed.txt", "new");
  Write(src_ + "a\\stay.txt", "stay");
  Write(dst_ + "changed.txt", "old bytes");
  Write(dst_ + "gone.txt", "gone");
  CopyAcross(src_ + "a\\stay.txt", dst_ + "a\\stay.txt");
  Write(dst_ + "extra\\x.txt", "x");
  Write(Versions() + "2026-12-09 08.00.00\\older.txt", "yesterday");
  const RunReport report = Run();
  EXPECT_EQ(report.Failures(), 0) << testing::PrintToString(report.Lines());
  const std::string run = RunFolderName(kMorning) + "\\";
  EXPECT_EQ(FilesBelow(Versions()), (Files{{"2026-12-09 08.00.00\\older.txt", "yesterday"},
                                           {run + "changed.txt", "old bytes"},
                                           {run + "gone.txt", "gone"},
                                           {run + "extra\\x.txt", "x"}}));
}

// Every name below the folder as the file system spells it, with the bytes of the files.
Files Spelt(const std::string& root) {
  Files files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    files[fs::relative(entry.path(), root).string()] = entry.is_regular_file() ? Read(entry.path()) : "<dir>";
  }
  return files;
}

// A preview over removals, a replace and names spelt otherwise changes nothing at all; the run
// after it renames the spellings and keeps the rest.
TEST_F(KeptVersionsWin, APreviewChangesNothingAndTheRunThenCarriesTheSpellings) {
  Write(src_ + "Name.txt", "same");
  Write(src_ + "Dir\\in.txt", "in");
  Write(src_ + "changed.txt", "new");
  Write(dst_ + "changed.txt", "old bytes");
  Write(dst_ + "gone.txt", "gone");
  CopyAcross(src_ + "Name.txt", dst_ + "name.txt");
  CopyAcross(src_ + "Dir\\in.txt", dst_ + "dir\\in.txt");
  const Files before = Spelt(dst_);
  Run(-1, true);
  EXPECT_EQ(Spelt(dst_), before);
  Run();
  const Files after = Spelt(dst_);
  EXPECT_EQ(after.count("Name.txt"), 1u);
  EXPECT_EQ(after.count("Dir"), 1u);
}

// A link in the target spelt otherwise than the source's file keeps its spelling: renaming it
// would move the file it leads to.
TEST_F(KeptVersionsWin, ALinkSpeltOtherwiseIsNeverRenamed) {
  const std::string root = test::FileLinkCase(2);
  dst_ = root + "dst\\";
  Write(src_ + "F.txt", "keep\n");
  Run();
  EXPECT_EQ(FilesBelow(root + "outside"), (Files{{"keep.txt", "keep\n"}}));
}

// More than half of the target's files, and at least ten: a hidden window holds the clean-up
// back as a failure; the user who started the run is asked, and only OK lets them go.
TEST_F(KeptVersionsWin, AMassRemovalGoesOnlyWithTheUsersYes) {
  const struct {
    int answer;
    std::size_t left, kept, questions;
    int failures;
  } cases[] = {{-1, 12, 0, 0, 1}, {kButtonCancel, 12, 0, 1, 0}, {kButtonOk, 2, 10, 1, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE("answer " + std::to_string(c.answer));
    fs::remove_all(dst_);
    fs::remove_all(src_);
    for (int i = 0; i < 12; ++i) Write(dst_ + "f" + std::to_string(i) + ".txt", "old");
    for (int i = 0; i < 2; ++i) {
      const std::string name = "f" + std::to_string(i) + ".txt";
      CopyAcross(dst_ + name, src_ + name);
    }
    ScopedDialogScript script;
    if (c.answer >= 0) script.AnswerMessage(c.answer);
    const RunReport report = Run(c.answer);
    std::size_t questions = 0;
    for (const ScopedDialogScript::Message& message : script.Messages()) {
      questions += message.message.find("12 个文件中的 10 个") != std::string::npos;
    }
    EXPECT_EQ(questions, c.questions);
    EXPECT_EQ(report.Failures(), c.failures) << testing::PrintToString(report.Lines());
    Files left = FilesBelow(dst_);
    std::erase_if(left, [](const auto& item) { return item.first.rfind(kVersionsFolderName, 0) == 0; });
    EXPECT_EQ(left.size(), c.left);
    EXPECT_EQ(FilesBelow(Versions()).size(), c.kept);
  }
}

}  // namespace
}  // namespace tarnvel
