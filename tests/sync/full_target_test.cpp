// When a failed copy counts as one for want of space, and how that is said.
#include "sync/full_target.h"

#include <gtest/gtest.h>

namespace tarnvel {
namespace {

TEST(FullTarget, FailedForWantOfSpace) {
  struct Case {
    unsigned long error;
    std::int64_t freeBytes, needed;
    bool full;
  } cases[] = {
      {112, -1, 10, true},     // the disk is full
      {39, 1000, 10, true},    // the handle's disk is full
      {1295, 1000, 10, true},  // the quota is used up
      {5, 9, 10, true},        // "access denied" with less room than the file needs
      {5, 10, 10, false},      // ... with room enough it is no lack of space
      {5, -1, 10, false},      // ... and unknown room decides nothing
      {32, 0, 0, false},       // an empty file always has room
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FailedForWantOfSpace(c.error, c.freeBytes, c.needed), c.full) << c.error << " " << c.freeBytes;
  }
}

TEST(FullTarget, SaysTheRoomLeftAndTheSizeNeeded) {
  EXPECT_EQ(FullTargetText(3 << 20, 5 << 20), "目标磁盘空间不足，剩余 3.00 MB，需要 5.00 MB");
  EXPECT_EQ(FullTargetText(512, 2048), "目标磁盘空间不足，剩余 512 字节，需要 2 KB");
  EXPECT_EQ(FullTargetText(-1, 2048), "目标磁盘空间不足，剩余空间未知，需要 2 KB");
}

}  // namespace
}  // namespace tarnvel
