// The "is the target current?" decision against the time keys it stands in for.
#include "sync/file_decision.h"

#include <gtest/gtest.h>

#include "sync/file_info.h"

namespace tarnvel {
namespace {

DirectoryEntry File(std::int64_t size, std::uint64_t time) {
  DirectoryEntry e;
  e.name = "a.txt";
  e.attributes = kAttrArchive;
  e.size = size;
  e.lastWriteTime = time;
  return e;
}

constexpr std::uint64_t kT = 129436588292500000ull;  // 2011-03-05 14:07:09.250 UTC

TEST(FileDecision, CurrentOnlyWithEqualSizeAndMillisecond) {
  const DirectoryEntry source = File(100, kT);
  const DirectoryEntry same = File(100, kT);
  const DirectoryEntry subMillisecond = File(100, kT + 9999);
  const DirectoryEntry oneMsLater = File(100, kT + 10000);
  const DirectoryEntry otherSize = File(101, kT);
  EXPECT_TRUE(TargetIsCurrent(source, &same));
  EXPECT_TRUE(TargetIsCurrent(source, &subMillisecond));
  EXPECT_FALSE(TargetIsCurrent(source, &oneMsLater));
  EXPECT_FALSE(TargetIsCurrent(source, &otherSize));
  EXPECT_FALSE(TargetIsCurrent(source, nullptr));
}

// A directory of the name, or a link (a reparse point: Wine lists a host file link as a plain
// file, so only this test reaches it), is never current, whatever its size and time say.
TEST(FileDecision, ADirectoryOrALinkOfTheNameIsNeverCurrent) {
  for (std::uint32_t attributes :
       {kAttrDirectory, kAttrReparsePoint | kAttrArchive, kAttrReparsePoint | kAttrDirectory}) {
    DirectoryEntry target = File(7, kT);
    target.attributes = attributes;
    EXPECT_FALSE(TargetIsCurrent(File(7, kT), &target)) << attributes;
  }
}

// Sizes that agree in their low 32 bits are still different files.
TEST(FileDecision, SizesCompareInSixtyFourBits) {
  const DirectoryEntry big = File((std::int64_t{1} << 32) + 10, kT);
  const DirectoryEntry small = File(10, kT);
  EXPECT_FALSE(TargetIsCurrent(big, &small));
}

// The millisecond comparison answers exactly as comparing the two time keys does.
TEST(FileDecision, AgreesWithTheTimeKeys) {
  const std::uint64_t times[] = {0, 1, 9999, 10000, kT, kT + 1, kT + 9999, kT + 10000, kT + 10001, kT - 1};
  for (std::uint64_t a : times) {
    for (std::uint64_t b : times) {
      const DirectoryEntry sa = File(5, a), sb = File(5, b);
      EXPECT_EQ(TargetIsCurrent(sa, &sb), FileTimeKeyOf(a, kTimeModified) == FileTimeKeyOf(b, kTimeModified))
          << a << " " << b;
    }
  }
}

}  // namespace
}  // namespace tarnvel
