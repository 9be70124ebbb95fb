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

TEST(FileDecision, DirectoryOfTheNameIsNeverCurrent) {
  DirectoryEntry dir = File(0, kT);
  dir.attributes = kAttrDirectory;
  EXPECT_FALSE(TargetIsCurrent(File(0, kT), &dir));
}

// Sizes that agree in their low 32 bits are still different files.
TEST(FileDecision, SizesCompareInSixtyFourBits) {
  const DirectoryEntry big = File((std::int64_t{1} << 32) + 10, kT);
  const DirectoryEntry small = File(10, kT);
  EXPECT_FALSE(TargetIsCurrent(big, &small));
}

// Where the target's time is fine-grained, the millisecond comparison answers exactly as comparing
// the two time keys does.
TEST(FileDecision, AgreesWithTheTimeKeys) {
  const std::uint64_t times[] = {1, 9999, 10000, kT, kT + 1, kT + 9999, kT + 10000, kT + 10001, kT - 1};
  for (std::uint64_t a : times) {
    for (std::uint64_t b : times) {
      ASSERT_FALSE(IsCoarseTime(b));
      const DirectoryEntry sa = File(5, a), sb = File(5, b);
      EXPECT_EQ(TargetIsCurrent(sa, &sb), FileTimeKeyOf(a, kTimeModified) == FileTimeKeyOf(b, kTimeModified))
          << a << " " << b;
    }
  }
}

constexpr std::uint64_t kSecond = 10'000'000;
constexpr std::uint64_t kMs = 10'000;
constexpr std::uint64_t kEven = 129436588300000000ull;  // 2011-03-05 14:07:10.000 UTC, a FAT time

struct TimeCase {
  const char* what;
  std::uint64_t target;
  std::int64_t sourceOffset;  // source time - target time, 100-ns units
  VolumeTimes volume;
  bool current;
};

// Both sides of every boundary of the coarse-time window and of the one-hour shift.
TEST(FileDecision, CoarseTimesAtTheirBoundaries) {
  constexpr auto kFine = VolumeTimes::kFine;
  constexpr auto kCoarse = VolumeTimes::kCoarse;
  constexpr std::int64_t s = static_cast<std::int64_t>(kSecond);
  constexpr std::int64_t ms = static_cast<std::int64_t>(kMs);
  const TimeCase cases[] = {
      {"even target, 1.999 s later", kEven, 2 * s - ms, kFine, true},
      {"even target, 2 s later", kEven, 2 * s, kFine, false},
      {"even target, 1.999 s earlier", kEven, -(2 * s - ms), kFine, true},
      {"even target, 2 s earlier", kEven, -2 * s, kFine, false},
      {"even target, 3,598 s later", kEven, 3598 * s, kFine, false},
      {"even target, 3,599 s later", kEven, 3599 * s, kFine, true},
      {"even target, 3,600 s later", kEven, 3600 * s, kFine, true},
      {"even target, 3,601 s later", kEven, 3601 * s, kFine, true},
      {"even target, 3,602 s later", kEven, 3602 * s, kFine, false},
      {"even target, 3,600 s earlier", kEven, -3600 * s, kFine, true},
      {"even target, 3,602 s earlier", kEven, -3602 * s, kFine, false},
      {"even target, 7,200 s later", kEven, 7200 * s, kFine, false},
      {"odd-second target, 1 s later", kEven + kSecond, s, kFine, false},
      {"odd-second target, 1 s later, FAT volume", kEven + kSecond, s, kCoarse, true},
      {"odd-second target, 3,600 s later", kEven + kSecond, 3600 * s, kFine, false},
      {"millisecond target, 1 ms later", kEven + 250 * kMs, ms, kFine, false},
      {"millisecond target, same millisecond", kEven + 250 * kMs, ms - 1, kFine, true},
      {"millisecond target, 3,600 s later", kEven + 250 * kMs, 3600 * s, kFine, false},
      {"millisecond target, 1.999 s later, FAT volume", kEven + 250 * kMs, 2 * s - ms, kCoarse, true},
      {"millisecond target, 2 s later, FAT volume", kEven + 250 * kMs, 2 * s, kCoarse, false},
  };
  for (const TimeCase& c : cases) {
    const DirectoryEntry target = File(7, c.target);
    const DirectoryEntry source =
        File(7, static_cast<std::uint64_t>(static_cast<std::int64_t>(c.target) + c.sourceOffset));
    EXPECT_EQ(TargetIsCurrent(source, &target, c.volume), c.current) << c.what;
    // The window never excuses another size.
    const DirectoryEntry bigger = File(8, source.lastWriteTime);
    EXPECT_FALSE(TargetIsCurrent(bigger, &target, c.volume)) << c.what;
  }
}

TEST(FileDecision, FatFamilyNamesMakeCoarseVolumes) {
  for (const char* name : {"FAT", "FAT12", "FAT16", "FAT32", "exFAT", "vfat", "fat32"}) {
    EXPECT_EQ(VolumeTimesOf(name), VolumeTimes::kCoarse) << name;
  }
  for (const char* name : {"NTFS", "ReFS", "", "FAT32X", "CDFS", "UDF"}) {
    EXPECT_EQ(VolumeTimesOf(name), VolumeTimes::kFine) << name;
  }
}

}  // namespace
}  // namespace tarnvel
