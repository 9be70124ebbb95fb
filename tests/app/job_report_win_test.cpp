// What a command-line job could not do: the exit code, the report with the system's reason, the
// last words of styles 2 and 3, and the old target kept.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/job_styles.h"
#include "runtime/encoding.h"
#include "tests/app/job_steps_support.h"
#include "tests/support/job_tree_win.h"
#include "tests/support/sandbox.h"

namespace tarnvel {
namespace {

using test::FileText;
using test::FreshTestDir;
using test::WriteFileOfSize;

// A mailbox file held open by its program: the copy cannot read it, the old backup stays.
class HeldSource : public testing::Test {
 protected:
  void SetUp() override {
    dir = FreshTestDir();
    WriteFileOfSize(dir + "src\\mail.box", 20, 'n');
    WriteFileOfSize(dir + "src\\note.txt", 4, 'n');
    WriteFileOfSize(dir + "dst\\mail.box", 7, 'o');
    held = CreateFileW(Utf8ToWide(dir + "src\\mail.box").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
  }
  void TearDown() override { CloseHandle(held); }
  std::string dir;
  HANDLE held = INVALID_HANDLE_VALUE;
};

TEST_F(HeldSource, StaticJobKeepsTheOldFileAndEndsWithExitCodeOne) {
  RunReport report;
  EXPECT_EQ(RunStaticSteps(dir + "src", dir + "dst", &report), kJobIncomplete);
  EXPECT_EQ(FileText(dir + "dst\\mail.box"), std::string(7, 'o')) << "the last good backup is kept";
  EXPECT_EQ(FileText(dir + "dst\\note.txt"), std::string(4, 'n'));
  ASSERT_EQ(report.Failures(), 1);
  const std::string line = report.Lines().back();
  EXPECT_NE(line.find("失败：复制 " + dir + "dst\\mail.box - "), std::string::npos) << line;
}

TEST_F(HeldSource, SingleBarJobSaysHowManyFailed) {
  Label fileLabel;
  ProgressBar fileBar;
  EXPECT_EQ(RunSingleBarSteps(dir + "src", dir + "dst", fileLabel, fileBar), kJobIncomplete);
  EXPECT_EQ(fileLabel.Text(), "文件同步完成，但有 1 项未能完成!");
}

TEST_F(HeldSource, DoubleBarJobSaysHowManyFailed) {
  test::WindowlessJob job;
  EXPECT_EQ(RunDoubleBarSteps(job.For(dir + "src", dir + "dst")), kJobIncomplete);
  EXPECT_EQ(job.statusLabel.Text(), "文件同步完成，但有 1 项未能完成!");
  EXPECT_EQ(FileText(dir + "dst\\mail.box"), std::string(7, 'o'));
}

TEST(JobExitCodes, DoneNotStartedAndRefused) {
  const std::string dir = FreshTestDir();
  WriteFileOfSize(dir + "src\\a.txt", 3);
  EXPECT_EQ(test::RunStyle(1, dir + "src", dir + "dst"), kJobDone);
  EXPECT_EQ(test::RunStyle(2, dir + "missing", dir + "dst"), kJobNotStarted);
  EXPECT_EQ(test::RunStyle(3, dir + "src", dir + "src\\inner"), kJobNotStarted);
  EXPECT_EQ(test::RunStyle(1, "src", dir + "dst"), kJobNotStarted) << "a relative source";
  EXPECT_EQ(GetFileAttributesW(Utf8ToWide(dir + "src\\inner").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace tarnvel
