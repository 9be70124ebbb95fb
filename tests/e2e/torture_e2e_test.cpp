// Both engines over odd trees: roots that lie in each other under every spelling, links of every
// kind on both sides, link loops, names holding backslashes, names ending in a dot or a blank,
// names of 240 to 255 characters, temporary-name look-alikes, file/folder conflicts, an empty
// source, a source file held open, an empty target box, case folding beyond ASCII.
//
// The harness lays the trees out on the host before every run (tests/e2e/torture_layouts.py):
// Z:\torture\<case>\job\ for the job line, Z:\torture\<case>\main\ for the main-window engine.
// Each engine runs as a process of its own: the job line as Y:\Tarnvel.exe "SRC|DST|1|AFTER", the
// main-window engine through its driver Y:\tarnvel-engine.exe SRC DST --clean (one run of the
// runner over windowless controls). A process can be killed when a walk runs away or a message
// box waits for nobody; a run in this process could only hang the whole suite.
//
// The checks are invariants, read with the test's own walker (tests/support/tree_snapshot_win):
//  - outside the target (the source always included) every entry keeps its kind, and every file
//    its bytes and its identity: nothing there is changed, created or removed;
//  - where the run can do its work, source and target hold the same names, kinds and bytes,
//    apart from the entries each case lists as passed over;
//  - the target never grows past what the source and the old target held together (a runaway
//    walk makes thousands of nested folders);
//  - every run ends within kRunLimitMs, without a crash;
//  - the main-window engine's preview, run first, changes nothing anywhere (every file keeps its
//    checksum), and its counts are the run's when the run fails nothing.
// What the runs keep of removed and replaced files, in the target's versions folder, is the
// target's own and is compared with nothing.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/own_drive_win.h"
#include "tests/support/sandbox.h"
#include "tests/support/tree_snapshot_win.h"

namespace tarnvel::test {
namespace {

// A hang guard: a sound run over these small trees ends in about a second under Wine; a walk
// that runs away fills the limit, so it is no longer than it must be.
constexpr unsigned long kRunLimitMs = 30000;

enum class Engine { kJobLine, kMainWindow };

enum class Outcome {
  kRefused,     // nothing the run could do is checked beyond the invariants outside the target
  kMirrored,    // the target must equal the source
  kTargetKept,  // the target must stay as it was, all of it
};

struct TortureCase {
  const char* name;
  // The roots as given to the engine. {R} is the case's folder (Z:\torture\<case>\<engine>), {r}
  // the same relative to Z:\, the engines' current directory ("{r}" relative to it, "Z:{r}"
  // relative to the drive's current directory, "\{r}" to the current drive's root), {S} the 8.3
  // short form of {R}\BackupArea, {D} the test's own drive over {R}.
  const wchar_t* source;
  const wchar_t* target;
  // Where the roots really are below {R} ("/" between names); an empty target is no folder at all.
  const wchar_t* sourceAt;
  const wchar_t* targetAt;
  Outcome outcome;
  // Source entries the engine must pass over: they must not reach the target.
  std::vector<std::wstring> passedOver = {};
  // Entries not compared on either side: a target's link or odd name the engine must leave, or
  // a source link whose following is the engine's choice as long as it stays in the trees.
  std::vector<std::wstring> notCompared = {};
  // Target entries that must stay exactly as they were (bytes and identity).
  std::vector<std::wstring> keptInTarget = {};
  // The same for the main-window engine only (which runs this case without clean-up).
  std::vector<std::wstring> keptByMainWindow = {};
  bool mainWindowCleansUp = true;
  bool ownDrive = false;
  const wchar_t* heldOpen = nullptr;  // a source file held open (share mode 0) during the run
  bool mustReportFailure = false;     // the exit code (job line and driver alike) must say it failed
};

const std::vector<TortureCase>& Cases() {
  static const std::vector<TortureCase> cases = {
      // Roots that lie in each other: the run refuses (or does nothing harmful) under every
      // spelling, and the source stays whole.
      {"nest_two_down", L"{R}\\BackupArea\\inbox\\photos", L"{R}\\BackupArea", L"BackupArea/inbox/photos",
       L"BackupArea", Outcome::kRefused},
      {"nest_src_dot", L"{R}\\BackupArea\\src.", L"{R}\\BackupArea", L"BackupArea/src", L"BackupArea",
       Outcome::kRefused},
      {"nest_dot_segment", L"{R}\\BackupArea\\.\\src", L"{R}\\BackupArea", L"BackupArea/src", L"BackupArea",
       Outcome::kRefused},
      {"nest_dst_dot", L"{R}\\BackupArea\\src", L"{R}\\BackupArea\\.", L"BackupArea/src", L"BackupArea",
       Outcome::kRefused},
      {"nest_dst_dotdot", L"{R}\\BackupArea\\src", L"{R}\\x\\..\\BackupArea", L"BackupArea/src", L"BackupArea",
       Outcome::kRefused},
      {"nest_dst_case", L"{R}\\BackupArea\\src", L"{R}\\BACKUPAREA", L"BackupArea/src", L"BackupArea",
       Outcome::kRefused},
      {"nest_relative", L"{R}\\BackupArea\\src", L"{r}\\BackupArea", L"BackupArea/src", L"BackupArea",
       Outcome::kRefused},
      {"nest_drive_relative", L"{R}\\BackupArea\\src", L"Z:{r}\\BackupArea", L"BackupArea/src", L"BackupArea",
       Outcome::kRefused},
      {"nest_rooted", L"{R}\\BackupArea\\src", L"\\{r}\\BackupArea", L"BackupArea/src", L"BackupArea",
       Outcome::kRefused},
      {"nest_short_name", L"{R}\\BackupArea\\src", L"{S}", L"BackupArea/src", L"BackupArea", Outcome::kRefused},
      {"dst_in_src", L"{R}\\src", L"{R}\\src\\dst", L"src", L"src/dst", Outcome::kRefused},
      {"dst_in_src_dot", L"{R}\\src", L"{R}\\src\\dst.", L"src", L"src/dst", Outcome::kRefused},

      // Directory links in the target: never entered, written through or deleted through.
      {"link_dst_dir_out", L"{R}\\src", L"{R}\\dst", L"src", L"dst", Outcome::kMirrored, {}, {L"docs"}},
      {"link_dst_into_src", L"{R}\\src", L"{R}\\dst", L"src", L"dst", Outcome::kMirrored, {}, {L"2023"}},
      // File links in the target: replaced or removed as links, never written through.
      {"link_dst_file_out", L"{R}\\src", L"{R}\\dst", L"src", L"dst", Outcome::kMirrored, {}, {L"f.txt"}},
      {"link_dst_file_dangling", L"{R}\\src", L"{R}\\dst", L"src", L"dst", Outcome::kMirrored, {}, {L"g.txt"}},
      {"link_dst_file_extra", L"{R}\\src", L"{R}\\dst", L"src", L"dst", Outcome::kMirrored, {}, {L"extra.txt"}},

      // Walks that could run away: a link into the target, a link to the folder holding both
      // trees, a loop, a folder named "a\..".
      {"link_src_into_dst", L"{R}\\src", L"{R}\\dst", L"src", L"dst", Outcome::kMirrored, {}, {L"sub/l"}},
      {"link_src_to_parent", L"{R}\\src", L"{R}\\dst", L"src", L"dst", Outcome::kMirrored, {}, {L"up"}},
      {"link_src_loop", L"{R}\\src", L"{R}\\dst", L"src", L"dst", Outcome::kMirrored, {L"sub/up"}},
      {"name_dotdot_dir", L"{R}\\src", L"{R}\\dst", L"src", L"dst", Outcome::kMirrored, {L"a\\.."}},

      // Names holding backslashes in the target, with files they would name outside it.
      {"backslash_file_victim", L"{R}\\src", L"{R}\\dst", L"src", L"dst", Outcome::kMirrored, {},
       {L"..\\victim.txt"}},
      {"backslash_dir_victim", L"{R}\\src", L"{R}\\dst", L"src", L"dst", Outcome::kMirrored, {},
       {L"a\\..\\..\\photos"}},

      // Names ending in a dot or a blank are copied as they are; a stale "k." is not "k".
      {"dot_blank_names", L"{R}\\src", L"{R}\\dst", L"src", L"dst", Outcome::kMirrored},
      {"stale_dot_k", L"{R}\\src", L"{R}\\dst", L"src", L"dst", Outcome::kMirrored},
      // Names of 240 to 255 characters, newer and of another size in the source.
      {"long_names", L"{R}\\src", L"{R}\\dst", L"src", L"dst", Outcome::kMirrored},
      // A user's files that look like temporaries stay without clean-up (the job line always
      // cleans, so there they go as any extra file does); a temporary a killed run left behind
      // (~tv0badf00d.tmp) goes even then.
      {"temp_lookalikes", L"{R}\\src", L"{R}\\dst", L"src", L"dst", Outcome::kMirrored, {}, {}, {},
       {L"x.txt.~tvcopy", L"~tv1234ABCD.tmp"}, /*mainWindowCleansUp=*/false},
      // A folder where the target has a file of its name, and the reverse.
      {"file_dir_conflict", L"{R}\\src", L"{R}\\dst", L"src", L"dst", Outcome::kMirrored},
      // An existing but empty source never empties the target.
      {"empty_source", L"{R}\\src", L"{R}\\dst", L"src", L"dst", Outcome::kTargetKept, {}, {}, {}, {}, true, false,
       nullptr, /*mustReportFailure=*/true},
      // A target folder the wine user cannot write into (the harness makes it so on the host):
      // what cannot be made or copied there is reported, and the exit code says so.
      {"locked_target_dir", L"{R}\\src", L"{R}\\dst", L"src", L"dst", Outcome::kRefused, {}, {}, {}, {}, true, false,
       nullptr, /*mustReportFailure=*/true},
      // A source file that cannot be read now: the old backup of it stays.
      {"held_open", L"{R}\\src", L"{R}\\dst", L"src", L"dst", Outcome::kMirrored, {}, {L"mail.box"}, {L"mail.box"},
       {}, true, false, L"mail.box"},
      // An empty target box: "\" would be the root of the current drive, here the test's own
      // drive over the case's folder.
      {"empty_target_box", L"{D}\\src", L"", L"src", L"", Outcome::kRefused, {}, {}, {}, {}, true,
       /*ownDrive=*/true},
      // A source folder that cannot be listed: its old backup stays, the rest is mirrored, and
      // the exit code says the run failed.
      {"unreadable_source_dir", L"{R}\\src", L"{R}\\dst", L"src", L"dst", Outcome::kMirrored, {}, {L"shut"},
       {L"shut"}, {}, true, false, nullptr, /*mustReportFailure=*/true},
      // Ä/ä and ａ/Ａ are one name each on Windows: the target's file is the source's file, and
      // takes the source's spelling (renamed, not copied again: see fat_stick_e2e_test.cpp).
      {"case_folding", L"{R}\\src", L"{R}\\dst", L"src", L"dst", Outcome::kMirrored},
  };
  return cases;
}

std::wstring Replace(std::wstring text, const std::wstring& token, const std::wstring& value) {
  for (std::size_t at = text.find(token); at != std::wstring::npos; at = text.find(token, at + value.size())) {
    text.replace(at, token.size(), value);
  }
  return text;
}

std::wstring Backslashed(std::wstring key) {
  for (wchar_t& c : key) {
    if (c == L'/') c = L'\\';
  }
  return key;
}

bool InAny(const std::wstring& key, const std::vector<std::wstring>& prefixes, bool folded) {
  for (const std::wstring& prefix : prefixes) {
    if (LiesIn(key, folded ? FoldedKey(prefix) : prefix)) return true;
  }
  return false;
}

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (std::size_t i = 0; i < lines.size() && i < 25; ++i) text += "\n    " + lines[i];
  if (lines.size() > 25) text += "\n    ... and " + std::to_string(lines.size() - 25) + " more";
  return text;
}

class Torture : public testing::TestWithParam<std::tuple<std::size_t, Engine>> {
 protected:
  const TortureCase& Case() const { return Cases()[std::get<0>(GetParam())]; }
  Engine Which() const { return std::get<1>(GetParam()); }
  const char* EngineName() const { return Which() == Engine::kJobLine ? "the job line" : "the main-window engine"; }

  void SetUp() override {
    relative_ = L"torture\\" + std::wstring(Case().name, Case().name + std::strlen(Case().name)) +
                (Which() == Engine::kJobLine ? L"\\job" : L"\\main");
    root_ = L"Z:\\" + relative_;
    ASSERT_NE(GetFileAttributesW(root_.c_str()), INVALID_FILE_ATTRIBUTES)
        << "the harness did not lay out " << Utf8(root_) << " (tests/e2e/torture_layouts.py)";
    // The after-command lies in the test's own folder, away from every tree.
    after_ = FreshTestDirWide() + L"record_run.exe";
    ASSERT_TRUE(CopyFileW(TARNVEL_PROGRAMS_DIR L"record_run.exe", after_.c_str(), FALSE));
  }

  std::wstring Spelled(const wchar_t* spelling) {
    std::wstring text = Replace(Replace(spelling, L"{R}", root_), L"{r}", relative_);
    if (text.find(L"{S}") != std::wstring::npos) {
      const std::wstring longName = root_ + L"\\BackupArea";
      wchar_t shortName[MAX_PATH] = {};
      const DWORD length = GetShortPathNameW(longName.c_str(), shortName, MAX_PATH);
      EXPECT_GT(length, 0u) << "no short name for " << Utf8(longName);
      const std::wstring found(shortName, length);
      EXPECT_NE(FoldedKey(found.substr(found.find_last_of(L'\\') + 1)), L"BACKUPAREA")
          << "the system gave no 8.3 name other than the long one: " << Utf8(found);
      text = Replace(text, L"{S}", found);
    }
    if (drive_) text = Replace(text, L"{D}", std::wstring{drive_->Letter(), L':'});
    return text;
  }

  std::wstring At(const wchar_t* below) const { return root_ + L"\\" + Backslashed(below); }

  ProcessOutcome Run(const std::wstring& source, const std::wstring& target, const wchar_t* extra = L"",
                     const std::wstring& output = L"") {
    const std::wstring cwd = drive_ ? drive_->Root() : L"Z:\\";
    if (Which() == Engine::kJobLine) {
      const std::wstring program = TARNVEL_PROGRAMS_DIR L"Tarnvel.exe";
      return RunProcess(program, L"\"" + program + L"\" \"" + source + L"|" + target + L"|1|" + after_ + L"\"", cwd,
                        kRunLimitMs);
    }
    const std::wstring program = TARNVEL_PROGRAMS_DIR L"tarnvel-engine.exe";
    std::wstring line = L"\"" + program + L"\" \"" + source + L"\" \"" + target + L"\"";
    if (Case().mainWindowCleansUp) line += L" --clean";
    return RunProcess(program, line + extra, cwd, kRunLimitMs, output);
  }

  // An entry outside the target, or inside it but to be kept: it must not change at all.
  bool Protected(const std::wstring& key) const {
    const TortureCase& c = Case();
    if (c.outcome == Outcome::kTargetKept) return true;
    const std::wstring target = c.targetAt, source = c.sourceAt;
    if (target.empty()) return true;
    const bool sourceInsideTarget = LiesIn(source, target) && source != target;
    const bool inTarget = LiesIn(key, target) && !(sourceInsideTarget && LiesIn(key, source));
    if (!inTarget) return true;
    for (const std::wstring& kept : c.keptInTarget) {
      if (LiesIn(key, target + L"/" + kept)) return true;
    }
    if (Which() == Engine::kMainWindow) {
      for (const std::wstring& kept : c.keptByMainWindow) {
        if (LiesIn(key, target + L"/" + kept)) return true;
      }
    }
    return false;
  }

  static bool InVersions(const std::wstring& key) { return LiesIn(FoldedKey(key), L".TARNVEL-VERSIONS"); }

  std::vector<std::string> ProtectedChanges(const TreeSnapshot& before, const TreeSnapshot& after) const {
    std::vector<std::string> changes;
    for (const auto& [key, was] : before) {
      if (!Protected(key)) continue;
      const auto now = after.find(key);
      if (now == after.end()) {
        changes.push_back("removed: " + Utf8(key) + " (" + KindName(was.kind) + ")");
      } else if (now->second.kind != was.kind) {
        changes.push_back("now a " + std::string(KindName(now->second.kind)) + ", was a " + KindName(was.kind) + ": " +
                          Utf8(key));
      } else if (was.kind == EntryKind::kFile &&
                 (now->second.checksum != was.checksum || now->second.readable != was.readable)) {
        changes.push_back("bytes changed: " + Utf8(key));
      } else if (was.identity != 0 && now->second.identity != was.identity) {
        changes.push_back("removed and made anew: " + Utf8(key));
      }
    }
    for (const auto& [key, now] : after) {
      if (Protected(key) && !before.contains(key)) {
        changes.push_back("created: " + Utf8(key) + " (" + KindName(now.kind) + ")");
      }
    }
    return changes;
  }

  // Source and target compared by folded name: the same names, kinds and bytes.
  std::vector<std::string> MirrorDifferences() const {
    const TortureCase& c = Case();
    std::vector<std::wstring> notCompared = c.notCompared;
    if (Which() == Engine::kMainWindow) {
      notCompared.insert(notCompared.end(), c.keptByMainWindow.begin(), c.keptByMainWindow.end());
    }
    TreeSnapshot source, target;
    for (const auto& [key, entry] : SnapshotTree(At(c.sourceAt))) source.emplace(FoldedKey(key), entry);
    for (const auto& [key, entry] : SnapshotTree(At(c.targetAt))) {
      if (!InVersions(key)) target.emplace(FoldedKey(key), entry);
    }
    std::vector<std::string> differences;
    for (const auto& [key, entry] : source) {
      if (InAny(key, notCompared, true) || InAny(key, c.passedOver, true)) continue;
      const auto other = target.find(key);
      if (other == target.end()) {
        differences.push_back("missing from the target: " + Utf8(key) + " (" + KindName(entry.kind) + ")");
      } else if (other->second.kind != entry.kind) {
        differences.push_back("a " + std::string(KindName(other->second.kind)) + " in the target, a " +
                              KindName(entry.kind) + " in the source: " + Utf8(key));
      } else if (entry.kind == EntryKind::kFile &&
                 (!other->second.readable || other->second.checksum != entry.checksum)) {
        differences.push_back("other bytes in the target: " + Utf8(key));
      }
    }
    for (const auto& [key, entry] : target) {
      if (InAny(key, notCompared, true)) continue;
      if (InAny(key, c.passedOver, true)) {
        differences.push_back("reached the target although the source's entry must be passed over: " + Utf8(key));
      } else if (!source.contains(key)) {
        differences.push_back("only in the target: " + Utf8(key) + " (" + KindName(entry.kind) + ")");
      }
    }
    return differences;
  }

  // Every entry as it was: kind, bytes and identity.
  static std::vector<std::string> AnyChanges(const TreeSnapshot& before, const TreeSnapshot& after) {
    std::vector<std::string> changes;
    for (const auto& [key, was] : before) {
      const auto now = after.find(key);
      if (now == after.end() || now->second.kind != was.kind || now->second.checksum != was.checksum ||
          now->second.identity != was.identity) {
        changes.push_back(Utf8(key));
      }
    }
    for (const auto& [key, now] : after) {
      if (!before.contains(key)) changes.push_back("created: " + Utf8(key));
    }
    return changes;
  }

  // The driver's counts line: created-directories=… copied-files=… removed-directories=…
  // removed-files=… failures=….
  static std::vector<int> Counts(const std::wstring& file) {
    std::vector<int> counts(5, -1);
    FILE* in = _wfopen(file.c_str(), L"rb");
    if (in == nullptr) return counts;
    std::fscanf(in, "created-directories=%d copied-files=%d removed-directories=%d removed-files=%d failures=%d",
                &counts[0], &counts[1], &counts[2], &counts[3], &counts[4]);
    std::fclose(in);
    return counts;
  }

  void ExpectPreviewCountedTheRun(const std::wstring& previewFile, const std::wstring& runFile) {
    const std::vector<int> preview = Counts(previewFile), run = Counts(runFile);
    ASSERT_GE(run[0], 0) << "the run printed no counts";
    ASSERT_GE(preview[0], 0) << "the preview printed no counts";
    for (int i = 0; i < 4; ++i) {
      // What fails is not counted by the run; the preview cannot know it will fail.
      if (run[4] == 0) {
        EXPECT_EQ(preview[i], run[i]) << "count " << i << " of the preview differs from the run's";
      } else {
        EXPECT_GE(preview[i], run[i]) << "count " << i << ": the run did more than its preview showed";
      }
    }
  }

  std::wstring root_, relative_, after_;
  std::unique_ptr<OwnDrive> drive_;
};

TEST_P(Torture, StaysInItsTrees) {
  const TortureCase& c = Case();
  if (c.ownDrive) {
    drive_ = std::make_unique<OwnDrive>(root_);
    ASSERT_TRUE(drive_->Ready()) << "no drive letter could be defined over " << Utf8(root_);
  }
  const std::wstring source = Spelled(c.source), target = Spelled(c.target);
  if (HasFailure()) return;
  const std::wstring targetPath = std::wstring(c.targetAt).empty() ? L"" : At(c.targetAt);

  const TreeSnapshot before = SnapshotTree(root_);
  const std::size_t sourceBefore = SnapshotTree(At(c.sourceAt)).size();
  const std::size_t targetBefore = targetPath.empty() ? 0 : SnapshotTree(targetPath).size();
  ASSERT_FALSE(before.empty());

  const std::wstring previewCounts = FreshTestDirWide() + L"preview.txt", runCounts = FreshTestDirWide() + L"run.txt";
  if (Which() == Engine::kMainWindow) {
    const ProcessOutcome preview = Run(source, target, L" --preview", previewCounts);
    EXPECT_TRUE(preview.ended) << "the preview ran past the limit";
    const std::vector<std::string> changed = AnyChanges(before, SnapshotTree(root_));
    EXPECT_TRUE(changed.empty()) << "the preview changed what it may only look at:" << Lines(changed);
  }
  // Held only for the run: the snapshot of what the preview left could not read the file either.
  HANDLE held = INVALID_HANDLE_VALUE;
  if (c.heldOpen != nullptr) {
    held = CreateFileW((At(c.sourceAt) + L"\\" + c.heldOpen).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                       nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE) << "the source file could not be held open";
  }
  const ProcessOutcome run = Run(source, target, L"", runCounts);
  if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
  if (Which() == Engine::kMainWindow && run.ended) ExpectPreviewCountedTheRun(previewCounts, runCounts);

  const std::string what = std::string(EngineName()) + " from \"" + Utf8(source) + "\" to \"" + Utf8(target) + "\"";
  ASSERT_TRUE(run.started) << what << ": did not start, error " << run.startError;
  EXPECT_TRUE(run.ended) << what << ": still running after " << kRunLimitMs / 1000 << " s, killed";
  if (run.ended) {
    EXPECT_LT(run.exitCode, 0xC0000000ul) << what << ": crashed with exception code 0x" << std::hex << run.exitCode;
    if (c.mustReportFailure) {
      EXPECT_NE(run.exitCode, 0ul) << what << ": the job could not be done, yet the exit code says it succeeded";
    }
  }

  const TreeSnapshot after = SnapshotTree(root_);
  const std::vector<std::string> changes = ProtectedChanges(before, after);
  EXPECT_TRUE(changes.empty()) << what << ": changed what it must leave alone (everything outside the target, "
                               << "the source, and " << (c.outcome == Outcome::kTargetKept ? "the whole target" : "the target entries this case keeps")
                               << "):" << Lines(changes);

  if (!targetPath.empty()) {
    bool tooDeep = false;
    std::size_t targetAfter = 0;
    for (const auto& [key, entry] : SnapshotTree(targetPath, &tooDeep)) targetAfter += InVersions(key) ? 0 : 1;
    EXPECT_FALSE(tooDeep) << what << ": the target holds folders nested more than 40 deep: a walk ran away";
    EXPECT_LE(targetAfter, targetBefore + sourceBefore)
        << what << ": the target grew from " << targetBefore << " entries to " << targetAfter
        << " with a source of " << sourceBefore << ": a walk ran away";
  }
  if (c.outcome == Outcome::kMirrored && run.ended) {
    const std::vector<std::string> differences = MirrorDifferences();
    EXPECT_TRUE(differences.empty()) << what << ": the target does not match the source:" << Lines(differences);
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, Torture,
                         testing::Combine(testing::Range<std::size_t>(0, Cases().size()),
                                          testing::Values(Engine::kJobLine, Engine::kMainWindow)),
                         [](const testing::TestParamInfo<Torture::ParamType>& info) {
                           return std::string(Cases()[std::get<0>(info.param)].name) +
                                  (std::get<1>(info.param) == Engine::kJobLine ? "_job" : "_main");
                         });

}  // namespace
}  // namespace tarnvel::test
