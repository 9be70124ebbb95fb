#include "app/job_line.h"

#include <gtest/gtest.h>

#include "runtime/cmdline.h"

namespace tarnvel {
namespace {

// From the process's command line, as the start-up reads it, to the job it runs.
std::optional<JobLine> JobOf(const std::string& commandLine) {
  return ParseJobLine(BuildJobLine(ArgumentsAfterProgramName(commandLine)));
}

struct JobCase {
  const char* name;
  std::string commandLine;
  bool accepted;
  std::string source, target, afterCommand;
  int style;  // the style that runs
};

JobCase Rejected(const char* name, std::string commandLine) {
  return {name, std::move(commandLine), false, "", "", "", 0};
}

class JobLineTable : public testing::TestWithParam<JobCase> {};

TEST_P(JobLineTable, ReadsTheJob) {
  const JobCase& c = GetParam();
  const std::optional<JobLine> job = JobOf(c.commandLine);
  ASSERT_EQ(job.has_value(), c.accepted);
  if (!job) return;
  EXPECT_EQ(job->source, c.source);
  EXPECT_EQ(job->target, c.target);
  EXPECT_EQ(job->afterCommand, c.afterCommand);
  EXPECT_EQ(EffectiveStyle(job->style), c.style);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JobLineTable,
    testing::Values(
        JobCase{"Style2", "Tarnvel.exe D:\\a|E:\\b|2|E:\\b\\run.exe", true, "D:\\a", "E:\\b",
                "E:\\b\\run.exe", 2},
        Rejected("EmptyLastPieceDropped", "Tarnvel.exe D:\\a|E:\\b|2|"),
        JobCase{"EmptyTarget", "Tarnvel.exe D:\\a||1|x", true, "D:\\a", "", "x", 1},
        JobCase{"UnquotedBlanksShrink", "Tarnvel.exe D:\\my  files|E:\\b|1|x", true, "D:\\my files", "E:\\b",
                "x", 1},
        JobCase{"QuotedBlanksStay", "Tarnvel.exe \"D:\\my  files|E:\\b|1|x\"", true, "D:\\my  files", "E:\\b",
                "x", 1},
        JobCase{"TrailingFullWidthBlanks", "Tarnvel.exe D:\\a|E:\\b|3|x　　", true, "D:\\a", "E:\\b", "x", 3},
        JobCase{"LeadingBlanks", "Tarnvel.exe   \t D:\\a|E:\\b|2|x", true, "D:\\a", "E:\\b", "x", 2},
        JobCase{"StyleWithTrailingLetters", "Tarnvel.exe D:\\a|E:\\b|3abc|x", true, "D:\\a", "E:\\b", "x", 3},
        JobCase{"StyleMinusOne", "Tarnvel.exe D:\\a|E:\\b|-1|x", true, "D:\\a", "E:\\b", "x", 1},
        JobCase{"StyleZero", "Tarnvel.exe D:\\a|E:\\b|0|x", true, "D:\\a", "E:\\b", "x", 1},
        JobCase{"StyleNine", "Tarnvel.exe D:\\a|E:\\b|9|x", true, "D:\\a", "E:\\b", "x", 1},
        JobCase{"StyleEmpty", "Tarnvel.exe D:\\a|E:\\b||x", true, "D:\\a", "E:\\b", "x", 1},
        JobCase{"StyleNotANumber", "Tarnvel.exe D:\\a|E:\\b|abc|x", true, "D:\\a", "E:\\b", "x", 1},
        JobCase{"StyleFullWidthDigit", "Tarnvel.exe D:\\a|E:\\b|３|x", true, "D:\\a", "E:\\b", "x", 3},
        Rejected("FullWidthBarIsNoSeparator", "Tarnvel.exe D:\\a｜E:\\b|1|x"),
        JobCase{"FullWidthBarInsideAPiece", "Tarnvel.exe D:\\a｜b|E:\\c|1|x", true, "D:\\a｜b", "E:\\c", "x",
                1},
        // 亅 is 0x81 0x7C and 乗 0x81 0x5C: their trail bytes are "|" and "\" but no separators.
        JobCase{"TrailByteBar", "Tarnvel.exe D:\\亅|E:\\乗\\|2|x", true, "D:\\亅", "E:\\乗\\", "x", 2},
        Rejected("FivePieces", "Tarnvel.exe a|b|1|x|y"), Rejected("ThreePieces", "Tarnvel.exe a|b|1"),
        JobCase{"AfterCommandWithArguments", "Tarnvel.exe D:\\a|E:\\b|1|notepad.exe  x.txt", true, "D:\\a",
                "E:\\b", "notepad.exe x.txt", 1},
        JobCase{"QuotedProgramName", "\"C:\\Program Files\\Tarnvel.exe\" D:\\a|E:\\b|2|x", true, "D:\\a",
                "E:\\b", "x", 2},
        Rejected("NoArguments", "Tarnvel.exe"), Rejected("OnlyBlanksQuoted", "Tarnvel.exe \"  \"")),
    [](const testing::TestParamInfo<JobCase>& info) { return std::string(info.param.name); });

TEST(JobLine, BuildJoinsEachArgumentWithOneBlank) {
  EXPECT_EQ(BuildJobLine({}), "");
  EXPECT_EQ(BuildJobLine({"a", "b c"}), "a b c ");
  EXPECT_EQ(BuildJobLine({""}), " ");
}

TEST(JobLine, ParseKeepsPiecesAsWritten) {
  const auto job = ParseJobLine(" 　D:\\a |E:\\b | 2|x ");
  ASSERT_TRUE(job);
  EXPECT_EQ(job->source, "D:\\a ");  // only the whole line is trimmed
  EXPECT_EQ(job->target, "E:\\b ");
  EXPECT_EQ(job->style, 2);
  EXPECT_EQ(job->afterCommand, "x");
}

TEST(JobLine, EffectiveStyle) {
  EXPECT_EQ(EffectiveStyle(1), 1);
  EXPECT_EQ(EffectiveStyle(2), 2);
  EXPECT_EQ(EffectiveStyle(3), 3);
  EXPECT_EQ(EffectiveStyle(4), 1);
  EXPECT_EQ(EffectiveStyle(-3), 1);
  EXPECT_EQ(EffectiveStyle(0), 1);
}

}  // namespace
}  // namespace tarnvel
