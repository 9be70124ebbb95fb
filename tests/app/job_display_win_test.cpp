// What styles 2 and 3 show, text by text and step by step, recorded on the controls themselves.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/job_styles.h"
#include "app/size_copier.h"
#include "runtime/controls.h"
#include "runtime/files.h"
#include "tests/support/job_tree_win.h"
#include "tests/support/sandbox.h"

namespace tarnvel {
namespace {

using test::FreshTestDir;
using test::WriteFileOfSize;
using Texts = std::vector<std::string>;
using Positions = std::vector<int>;

// A mirror that stands where a window would and keeps every text and bar position that reached it.
class Recorder : public ControlMirror {
 public:
  Recorder(Control& control, Texts* texts, Positions* positions)
      : control_(control), texts_(texts), positions_(positions) {}
  void* Handle() const override { return nullptr; }
  bool Alive() const override { return true; }
  void Changed(bool) override { Flush(); }
  void Flush() override {
    const PendingChanges pending = control_.TakePending();
    if (texts_ != nullptr && (pending.dirty & PendingChanges::kText)) texts_->push_back(pending.text);
    if (positions_ != nullptr && (pending.dirty & PendingChanges::kPosition)) positions_->push_back(pending.position);
  }

 private:
  Control& control_;
  Texts* texts_;
  Positions* positions_;
};

// Records from now on; what the control held before is not part of the record.
void Record(Control& control, Texts* texts, Positions* positions = nullptr) {
  control.AttachMirror(std::make_unique<Recorder>(control, texts, positions));
  if (texts != nullptr) texts->clear();
  if (positions != nullptr) positions->clear();
}

struct RecordedJob {
  RecordedJob() {
    fileBar.SetRange(0, 1000);  // as the progress window sets it for style 3
    Record(statusLabel, &status);
    Record(fileLabel, &names);
    Record(countLabel, &counts);
    Record(secondCountLabel, &secondCounts);
    Record(filePercentLabel, &percents);
    Record(overallBar, nullptr, &overallSteps);
    Record(fileBar, nullptr, &fileSteps);
  }
  JobControls For(const std::string& source, const std::string& target) {
    return {source, target, overallBar, fileBar, countLabel, filePercentLabel, statusLabel, fileLabel, secondCountLabel};
  }
  Label statusLabel, fileLabel, countLabel, secondCountLabel, filePercentLabel;
  ProgressBar overallBar, fileBar;
  Texts status, names, counts, secondCounts, percents;
  Positions overallSteps, fileSteps;
};

// Four files in the source root (one of them empty, one already in the target) and one more in a
// subdirectory, which is copied first.
std::string FourToCopy(const std::string& dir) {
  WriteFileOfSize(dir + "src\\a.txt", 100);
  WriteFileOfSize(dir + "src\\b.txt", 0);
  WriteFileOfSize(dir + "src\\c.txt", 1500);
  WriteFileOfSize(dir + "src\\same.txt", 9);
  WriteFileOfSize(dir + "src\\sub\\d.txt", 30);
  WriteFileOfSize(dir + "dst\\same.txt", 9, 'x');
  WriteFileOfSize(dir + "dst\\gone.txt", 9);
  return dir;
}

TEST(DoubleBarDisplay, ShowsEachFileAndTheOverallPercentage) {
  const std::string dir = FourToCopy(FreshTestDir());
  RecordedJob job;
  RunDoubleBarSteps(job.For(dir + "src", dir + "dst"));

  EXPECT_EQ(job.status, (Texts{kCountingText, dir + "dst\\sub\\", dir + "dst\\", kFinishedText}));
  EXPECT_EQ(job.names, (Texts{"d.txt", "a.txt", "b.txt", "c.txt"}));
  EXPECT_EQ(job.counts, (Texts{"4", "25%", "50%", "75%", "100%"}));
  EXPECT_EQ(job.secondCounts, (Texts{"4"}));
  // Every file starts at 0% and a finished one shows 100%; the empty b.txt stays at 0%, so c.txt's
  // start changes nothing on the label.
  EXPECT_EQ(job.percents, (Texts{"0%", "100%", "0%", "100%", "0%", "100%"}));
  EXPECT_EQ(job.overallBar.Maximum(), 4);
  EXPECT_EQ(job.overallSteps, (Positions{1, 2, 3, 4}));
  EXPECT_EQ(job.fileSteps, (Positions{1000, 0, 1000, 0, 1000}));
  EXPECT_EQ(job.fileBar.Position(), 1000);
  EXPECT_EQ(test::FilesOf(dir + "dst"), test::FilesOf(dir + "src"));
}

TEST(DoubleBarDisplay, NothingToCopyShowsZeroAndFullBars) {
  const std::string dir = FreshTestDir();
  WriteFileOfSize(dir + "src\\a.txt", 3);
  WriteFileOfSize(dir + "dst\\a.txt", 3);
  RecordedJob job;
  RunDoubleBarSteps(job.For(dir + "src", dir + "dst"));
  EXPECT_EQ(job.status, (Texts{kCountingText, kFinishedText}));
  EXPECT_EQ(job.counts, (Texts{"0"}));
  EXPECT_TRUE(job.secondCounts.empty());
  EXPECT_TRUE(job.names.empty());
  EXPECT_EQ(job.overallBar.Position(), job.overallBar.Maximum());
  EXPECT_EQ(job.fileBar.Position(), job.fileBar.Maximum());
}

TEST(SingleBarDisplay, ShowsTheCleaningThenEachCopiedFile) {
  const std::string dir = FourToCopy(FreshTestDir());
  Label fileLabel;
  ProgressBar fileBar;
  Texts names;
  Positions steps;
  Record(fileLabel, &names);
  Record(fileBar, nullptr, &steps);
  RunSingleBarSteps(dir + "src", dir + "dst", fileLabel, fileBar);
  EXPECT_EQ(names, (Texts{kCleaningText, "d.txt", "a.txt", "b.txt", "c.txt", kFinishedText}));
  EXPECT_EQ(fileBar.Minimum(), 0);
  EXPECT_EQ(fileBar.Maximum(), 4);
  EXPECT_EQ(steps, (Positions{1, 2, 3, 4}));
}

TEST(SingleBarDisplay, NothingToCopyShowsAFullBarAtOnce) {
  const std::string dir = FreshTestDir();
  test::MakeFolders(dir + "src");
  Label fileLabel;
  ProgressBar fileBar;
  Texts names;
  Record(fileLabel, &names);
  RunSingleBarSteps(dir + "src", dir + "dst", fileLabel, fileBar);
  EXPECT_EQ(names, (Texts{kCleaningText, kFinishedText}));
  EXPECT_EQ(fileBar.Position(), fileBar.Maximum());
}

struct ProgressCase {
  std::int64_t total, done;
  std::string label;
  int position;
};

class TwoBarProgress : public testing::TestWithParam<ProgressCase> {};

TEST_P(TwoBarProgress, ShowsTheFilesRoundedPercentage) {
  const ProgressCase& c = GetParam();
  RecordedJob job;
  EXPECT_EQ(OnTwoBarProgress(job.For("", ""), c.total, c.done), kCopyContinue);
  EXPECT_EQ(job.filePercentLabel.Text(), c.label);
  EXPECT_EQ(job.fileBar.Position(), c.position);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TwoBarProgress,
    testing::Values(ProgressCase{0, 0, "0%", 0}, ProgressCase{1000, 4, "0%", 0}, ProgressCase{1000, 5, "1%", 10},
                    ProgressCase{3, 1, "33%", 330}, ProgressCase{3, 2, "67%", 670},
                    ProgressCase{(std::int64_t{5} << 32), (std::int64_t{5} << 31), "50%", 500},
                    ProgressCase{7, 7, "100%", 1000}));

}  // namespace
}  // namespace tarnvel
