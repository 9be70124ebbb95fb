// The command-line job on a full FAT stick (tools/test-fat's T:, 16 MB): it stops at the first
// copy that does not fit, says why, and ends with exit code 1.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/job_styles.h"
#include "runtime/encoding.h"
#include "sync/full_target.h"
#include "tests/support/fat_sticks_win.h"
#include "tests/support/job_tree_win.h"
#include "tests/support/sandbox.h"

namespace tarnvel {
namespace {

TEST(JobOnFullStick, StopsAtTheFirstCopyThatDoesNotFit) {
  TARNVEL_REQUIRE_FAT_STICKS();
  const std::string src = test::FreshTestDir() + "src\\";
  const std::string dst = WideToUtf8(test::FreshStickFolder(L"T:\\", true));
  for (int i = 0; i < 6; ++i) test::WriteFileOfSize(src + "part" + std::to_string(i) + ".bin", 5 << 20);
  RunReport report;
  EXPECT_EQ(RunStaticSteps(src, dst, &report), kJobIncomplete);
  EXPECT_EQ(report.StopReason(), kFullTargetText);
  ASSERT_EQ(report.Failures(), 1) << "no copy is tried after the first that does not fit";
  EXPECT_NE(report.Lines().front().find("目标磁盘空间不足，剩余 "), std::string::npos)
      << report.Lines().front();
  for (const auto& entry : std::filesystem::directory_iterator(Utf8ToWide(dst))) {
    EXPECT_EQ(entry.file_size(), 5u << 20) << "no part of a copy is left: " << entry.path();
  }
}

}  // namespace
}  // namespace tarnvel
