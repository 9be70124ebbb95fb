#include "runtime/cmdline.h"

#include <gtest/gtest.h>

namespace tarnvel {
namespace {

struct CutCase {
  std::string line;
  TextArray expected;
};

class SplitCommandLineTable : public testing::TestWithParam<CutCase> {};

TEST_P(SplitCommandLineTable, Cuts) { EXPECT_EQ(SplitCommandLine(GetParam().line), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitCommandLineTable,
    testing::Values(CutCase{"", {}}, CutCase{"   \t ", {}}, CutCase{"a b", {"a", "b"}},
                    CutCase{"  a  \t\r\n b  ", {"a", "b"}},
                    CutCase{"a\x01\x1F"
                            "b",
                            {"a", "b"}},
                    CutCase{"\"a  b\" c", {"a  b", "c"}}, CutCase{"\"a b\"c", {"a b", "c"}},
                    CutCase{"ab\"c d\"", {"ab", "c d"}}, CutCase{"\"\" x", {"", "x"}},
                    CutCase{"\"open to the end", {"open to the end"}},
                    // Bytes of 0x80 and above are never separators: characters stay whole.
                    CutCase{"信息 한글😀x", {"信息", "한글😀x"}},
                    CutCase{"D:\\乗|E:\\\xB0|1|x", {"D:\\乗|E:\\\xB0|1|x"}},
                    CutCase{"\"C:\\é e\xCC\x81\" z", {"C:\\é e\xCC\x81", "z"}},
                    CutCase{"a　b", {"a　b"}}));  // the full-width space is not below 33

TEST(CommandLine, ProgramNameIsDropped) {
  EXPECT_EQ(ArgumentsAfterProgramName("Tarnvel.exe a|b|1|c"), (TextArray{"a|b|1|c"}));
  EXPECT_EQ(ArgumentsAfterProgramName("\"C:\\Program Files\\Tarnvel.exe\" a|b|1|c d"),
            (TextArray{"a|b|1|c", "d"}));
  EXPECT_EQ(ArgumentsAfterProgramName("\"C:\\目录 同步\\Tarnvel.exe\""), TextArray{});
  EXPECT_EQ(ArgumentsAfterProgramName("C:\\Tarnvel.exe"), TextArray{});
  EXPECT_EQ(ArgumentsAfterProgramName(""), TextArray{});
}

}  // namespace
}  // namespace tarnvel
