#include "sync/main_controls.h"

#include <gtest/gtest.h>

#include <set>

namespace tarnvel {
namespace {

TEST(MainControls, EveryDisplayExistsBeforeAnyRun) {
  MainControls controls;
  std::set<std::string> names;
  for (const MainControls::Named& named : controls.All()) {
    ASSERT_NE(named.control, nullptr) << named.name;
    EXPECT_TRUE(names.insert(named.name).second) << "twice: " << named.name;
  }
  for (const char* display :
       {"createdDirectoriesLog", "copiedFilesLog", "removedDirectoriesLog", "removedFilesLog",
        "directoryCounter", "fileCounter", "dataCounter", "removedDirectoriesCounter", "removedFilesCounter",
        "fileProgress", "filePercentage", "transferFigures", "speed", "elapsedTime", "statusLine",
        "runHistory"}) {
    EXPECT_TRUE(names.count(display)) << display;
  }
  EXPECT_EQ(controls.fileProgress.Minimum(), 0);
  EXPECT_EQ(controls.fileProgress.Maximum(), 100);
  EXPECT_EQ(controls.taskList.ColumnCount(), 2);
  EXPECT_EQ(controls.scheduleList.ColumnCount(), 5);
}

TEST(MainControls, WritesWithoutAWindowAreKept) {
  MainControls controls;
  controls.copiedFilesLog.Add("d:\\bak\\a.txt");
  controls.fileCounter.SetText("已同步文件:1个");
  controls.fileProgress.SetPosition(150);
  controls.dailySlots[2].hour.SetText("08");
  const int row = controls.taskList.Insert(-1, "D:\\a\\");
  controls.taskList.SetItemText(row, kTaskTargetColumn, "E:\\a\\");
  EXPECT_EQ(controls.copiedFilesLog.Count(), 1);
  EXPECT_EQ(controls.fileCounter.Text(), "已同步文件:1个");
  EXPECT_EQ(controls.fileProgress.Position(), 100);
  EXPECT_EQ(controls.dailySlots[2].hour.Text(), "08");
  EXPECT_EQ(controls.taskList.ItemText(row, kTaskTargetColumn), "E:\\a\\");
}

}  // namespace
}  // namespace tarnvel
