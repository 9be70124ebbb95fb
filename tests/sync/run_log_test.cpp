// The order of run logs by their names, which the pruning of old logs keeps to.
#include "sync/run_log.h"

#include <gtest/gtest.h>

namespace tarnvel {
namespace {

TEST(RunLogNames, OrderedByStartThenByNumber) {
  const char* const inOrder[] = {"2026-12-09 23-59-59.log",     "2026-12-10 08-05-00.log",
                                 "2026-12-10 08-05-00 (2).log", "2026-12-10 08-05-00 (10).log",
                                 "2026-12-10 08-05-01.log"};
  for (std::size_t i = 0; i < std::size(inOrder); ++i) {
    for (std::size_t j = 0; j < std::size(inOrder); ++j) {
      EXPECT_EQ(RunLog::StartedBefore(inOrder[i], inOrder[j]), i < j) << inOrder[i] << " / " << inOrder[j];
    }
  }
}

}  // namespace
}  // namespace tarnvel
