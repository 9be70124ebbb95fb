// The rules of kept versions and of the mass-removal guard that need no file system.
#include "sync/kept_versions.h"

#include <gtest/gtest.h>

#include "runtime/datetime.h"
#include "sync/removal_guard.h"

namespace tarnvel {
namespace {

TEST(KeptVersions, DaysAsTypedOrStored) {
  const std::pair<const char*, int> cases[] = {
      {"", kDefaultKeepDays},
      {"0", 0},
      {"7", 7},
      {"36500", 36500},
      {"36501", kDefaultKeepDays},
      {"-1", kDefaultKeepDays},
      {"x", kDefaultKeepDays},
      {" 5", kDefaultKeepDays},
      {"5d", kDefaultKeepDays},
  };
  for (const auto& [text, days] : cases) EXPECT_EQ(KeepDaysFromText(text), days) << '"' << text << '"';
}

TEST(KeptVersions, RunFolderNamesRoundTripAndOthersAreNone) {
  const DateTime start = MakeDateTime(2026, 3, 5, 22, 7, 9);
  EXPECT_EQ(RunFolderName(start), "2026-03-05 22.07.09");
  ASSERT_TRUE(RunFolderTime("2026-03-05 22.07.09").has_value());
  EXPECT_EQ(RunFolderTime("2026-03-05 22.07.09")->days, start.days);
  for (const char* other :
       {"", "2026-03-05", "2026-02-30 00.00.00", "2026-03-05 24.00.00", "2026-03-05 22:07:09",
        "2026-03-05 22.07.09 (2)", "abcd-ef-gh ij.kl.mn", "2026-3-05 22.07.099"}) {
    EXPECT_FALSE(RunFolderTime(other).has_value()) << other;
  }
  EXPECT_TRUE(IsVersionsFolderName(".tarnvel-versions"));
  EXPECT_TRUE(IsVersionsFolderName(".Tarnvel-Versions"));
  EXPECT_FALSE(IsVersionsFolderName("tarnvel-versions"));
  EXPECT_FALSE(IsVersionsFolderName(".tarnvel-versions."));
}

TEST(KeptVersions, ExpiryOnBothSidesOfTheRetention) {
  const DateTime now = MakeDateTime(2026, 12, 10, 12, 0, 0);
  struct Case {
    DateTime made;
    int days;
    bool expired;
  } cases[] = {
      {MakeDateTime(2026, 11, 10, 11, 59, 59), 30, true},  // 30 days and a second
      {MakeDateTime(2026, 11, 10, 12, 0, 1), 30, false},   // a second short of 30 days
      {MakeDateTime(2026, 12, 10, 11, 0, 0), 0, true},     // 0: every one
      {MakeDateTime(2026, 12, 11, 0, 0, 0), 0, false},     // dated in the future: stays
      {MakeDateTime(2025, 12, 10, 12, 0, 0), 365, false},  // exactly 365 days
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RunFolderExpired(c.made, now, c.days), c.expired) << RunFolderName(c.made) << " / " << c.days;
  }
}

TEST(KeptVersions, OldestRunFoldersFirstWithoutTheCurrentOne) {
  const std::vector<std::string> names = {"2026-12-01 10.00.00", "notes", "2025-01-01 00.00.00",
                                          "2026-12-10 08.00.00", "2026-06-01 00.00.00"};
  EXPECT_EQ(RunFoldersOldestFirst(names, "2026-12-10 08.00.00"),
            (std::vector<std::string>{"2025-01-01 00.00.00", "2026-06-01 00.00.00", "2026-12-01 10.00.00"}));
}

TEST(RemovalGuard, AtLeastTenFilesAndMoreThanHalf) {
  struct Case {
    std::int64_t files, targetFiles;
    bool mass;
  } cases[] = {
      {0, 0, false},   {9, 9, false},  {10, 12, true},     {10, 19, true},
      {10, 20, false}, {11, 21, true}, {500, 1000, false}, {501, 1000, true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IsMassRemoval({c.files, c.targetFiles}), c.mass) << c.files << "/" << c.targetFiles;
}

TEST(RemovalGuard, QuestionSaysHowManyOfHowManyAndWhereTheyGo) {
  const std::string kept = MassRemovalQuestion({10, 12}, "E:\\bak\\", 30);
  EXPECT_NE(kept.find("12 个文件中的 10 个"), std::string::npos) << kept;
  EXPECT_NE(kept.find(kVersionsFolderName), std::string::npos) << kept;
  EXPECT_NE(kept.find("30 天"), std::string::npos) << kept;
  EXPECT_NE(MassRemovalQuestion({10, 12}, "E:\\bak\\", 0).find("永久删除"), std::string::npos);
}

}  // namespace
}  // namespace tarnvel
