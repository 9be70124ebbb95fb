#include "ui/settings_store.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <string>

#include "tests/ui/settings_memory.h"

namespace tarnvel {
namespace {

using test::MemorySettings;

TEST(TaskListFormat, LoadsOnlyThreeFieldRecords) {
  ListView list;
  LoadTaskList(list, "D:\\a;E:\\a;1|D:\\b;E:\\b|");
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.ItemText(0, 0), "D:\\a");
  EXPECT_EQ(list.ItemText(0, 1), "E:\\a");
  EXPECT_EQ(list.Check(0), 1);
}

TEST(TaskListFormat, SavesEveryRowWithItsTick) {
  ListView list;
  list.Insert(-1, "D:\\a", -1, 1);
  list.SetItemText(0, 1, "E:\\a");
  list.Insert(-1, "D:\\b");
  list.SetItemText(1, 1, "E:\\b");
  EXPECT_EQ(TaskListValue(list), "D:\\a;E:\\a;1|D:\\b;E:\\b;0|");
  EXPECT_EQ(TaskListValue(ListView()), "");

  ListView again;
  LoadTaskList(again, TaskListValue(list));
  ASSERT_EQ(again.Count(), 2);
  EXPECT_EQ(again.Check(0), 1);
  EXPECT_EQ(again.Check(1), 0);
  EXPECT_EQ(again.ItemText(1, 1), "E:\\b");
}

TEST(ScheduleListFormat, RebuildsDescriptionsAndLabels) {
  ListView list;
  LoadScheduleList(list, "15;1;1;8:30|1;2;0;00:00|3;9;1;7:00|40;1;0;6:00|");
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list.ItemText(0, 2), "每月份 15号 8:30");
  EXPECT_EQ(list.ItemText(0, 3), "日期");
  EXPECT_EQ(list.Check(0), 1);
  EXPECT_EQ(list.ItemText(1, 2), "每星期 星期一 00:00");
  EXPECT_EQ(list.ItemText(1, 3), "星期");
  EXPECT_EQ(list.ItemText(1, 4), "00:00");
  EXPECT_EQ(list.Check(1), 0);
  // Another kind: no description, no label, still stored as it was.
  EXPECT_EQ(list.ItemText(2, 2), "");
  EXPECT_EQ(list.ItemText(2, 3), "");
  // A day outside the month: shown without a description.
  EXPECT_EQ(list.ItemText(3, 2), "");
  EXPECT_EQ(list.ItemText(3, 3), "日期");
  EXPECT_EQ(ScheduleListValue(list), "15;1;1;8:30|1;2;0;00:00|3;9;1;7:00|40;1;0;6:00|");
}

TEST(RunHistoryFormat, TwelveLinesLoadAsTheFirstAndTheLastEight) {
  std::string value;
  for (int i = 1; i <= 12; ++i) value += "line" + std::to_string(i) + "|";
  ListBox history;
  LoadRunHistory(history, value);
  ASSERT_EQ(history.Count(), 9);
  EXPECT_EQ(history.ItemText(0), "line1");
  for (int i = 1; i < 9; ++i) EXPECT_EQ(history.ItemText(i), "line" + std::to_string(i + 4));
  EXPECT_EQ(history.Selection(), 8);
  EXPECT_EQ(RunHistoryValue(history), "line1|line5|line6|line7|line8|line9|line10|line11|line12|");
}

TEST(RunHistoryFormat, ShortHistoryLoadsWhole) {
  ListBox history;
  LoadRunHistory(history, "a|b|");
  EXPECT_EQ(history.Count(), 2);
  EXPECT_EQ(history.Selection(), 1);
  ListBox none;
  LoadRunHistory(none, "");
  EXPECT_EQ(none.Count(), 0);
  EXPECT_EQ(none.Selection(), -1);
}

TEST(FolderHistoryFormat, AddsEveryEntryInOrder) {
  ComboBox box;
  box.SetText("D:\\typed");
  LoadFolderHistory(box, "D:\\a|D:\\目录|");
  ASSERT_EQ(box.Count(), 2);
  EXPECT_EQ(box.ItemText(0), "D:\\a");
  EXPECT_EQ(box.ItemText(1), "D:\\目录");
  EXPECT_EQ(box.Text(), "D:\\typed");
}

// Damaged values: every loader takes them without failing and without inventing rows.
struct DamagedCase {
  const char* label;
  std::string value;
  int taskRows;
  int scheduleRows;
  int historyLines;
  int folderItems;
};

class DamagedValueTest : public ::testing::TestWithParam<DamagedCase> {};

TEST_P(DamagedValueTest, LoadsWithoutInventingRows) {
  const DamagedCase& c = GetParam();
  ListView tasks;
  ListView schedule;
  ListBox history;
  ComboBox folders;
  LoadTaskList(tasks, c.value);
  LoadScheduleList(schedule, c.value);
  LoadRunHistory(history, c.value);
  LoadFolderHistory(folders, c.value);
  EXPECT_EQ(tasks.Count(), c.taskRows);
  EXPECT_EQ(schedule.Count(), c.scheduleRows);
  EXPECT_EQ(history.Count(), c.historyLines);
  EXPECT_EQ(folders.Count(), c.folderItems);
}

std::string Repeat(const std::string& piece, std::size_t bytes) {
  std::string out;
  while (out.size() + piece.size() <= bytes) out += piece;
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    Values, DamagedValueTest,
    ::testing::Values(DamagedCase{"empty", "", 0, 0, 0, 0},
                      DamagedCase{"too few fields", "D:\\a;E:\\a|", 0, 0, 1, 1},
                      DamagedCase{"stray bar", "D:\\a;E:\\a|;1|", 0, 0, 2, 2},
                      // A ";" inside a path gives a task record four fields: no task row, and a
                      // schedule record of nonsense that keeps its texts but gets no description.
                      DamagedCase{"stray semicolon", "D:\\a;b;E:\\a;1|", 0, 1, 1, 1},
                      DamagedCase{"bars only", "|||", 0, 0, 3, 0},
                      DamagedCase{"no separator, 100000 bytes", std::string(100000, 'x'), 0, 0, 1, 1},
                      DamagedCase{"separators, 100000 bytes", Repeat(";|", 100000), 0, 0, 9, 50000},
                      DamagedCase{"records, 100000 bytes", Repeat("D:\\a;E:\\a;1|", 100000), 8333, 0, 9,
                                  8333}),
    [](const ::testing::TestParamInfo<DamagedCase>& info) {
      std::string name;
      for (const char* p = info.param.label; *p; ++p)
        name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
      return name;
    });

TEST(DamagedValue, ScheduleRecordWithStraySemicolonKeepsNoDescription) {
  ListView schedule;
  LoadScheduleList(schedule, "D:\\a;b;E:\\a;1|");
  ASSERT_EQ(schedule.Count(), 1);
  EXPECT_EQ(schedule.ItemText(0, 2), "");
  EXPECT_EQ(schedule.ItemText(0, 3), "");
}

TEST(HistoryWithFolder, ComparesWholeEntries) {
  // A folder that is only part of a stored one is a new entry all the same.
  EXPECT_EQ(HistoryWithFolder("D:\\ab|", "D:\\a"), "D:\\ab|D:\\a|");
  EXPECT_EQ(HistoryWithFolder("D:\\a\\b|", "D:\\a"), "D:\\a\\b|D:\\a|");
  EXPECT_EQ(HistoryWithFolder("D:\\a|D:\\b|", "E:\\x"), "D:\\a|D:\\b|E:\\x|");
  EXPECT_EQ(HistoryWithFolder("D:\\a|D:\\b|", "D:\\b"), "D:\\a|D:\\b|");
  EXPECT_EQ(HistoryWithFolder("", "E:\\x"), "E:\\x|");
}

TEST(HistoryWithFolder, NeverRunsANewEntryIntoAStoredOneWithoutItsSeparator) {
  // A history saved by another tool may lack its last "|"; the new folder once fused with the
  // last stored one into "D:\bE:\x|", losing both.
  EXPECT_EQ(HistoryWithFolder("D:\\a|D:\\b", "E:\\x"), "D:\\a|D:\\b|E:\\x|");
  EXPECT_EQ(HistoryWithFolder("D:\\a|D:\\b", "D:\\b"), "D:\\a|D:\\b");
}

class SettingsStoreTest : public ::testing::Test {
 protected:
  MemorySettings backend;
  MainControls controls;
  SettingsStore store{controls, backend};
};

TEST_F(SettingsStoreTest, FirstStartOnACleanMachine) {
  store.LoadStartValues("Y:");
  store.LoadSettings();
  store.LoadHistories();
  for (const DailySlot& slot : controls.dailySlots) {
    EXPECT_FALSE(slot.enabled.Checked());
    EXPECT_EQ(slot.hour.Text(), "");
    EXPECT_EQ(slot.minute.Text(), "");
    EXPECT_EQ(slot.second.Text(), "");
  }
  EXPECT_FALSE(controls.calendarSwitch.Checked());
  EXPECT_FALSE(controls.intervalSwitch.Checked());
  EXPECT_FALSE(controls.cleanUpSwitch.Checked());
  EXPECT_EQ(controls.intervalBox.Text(), "");
  EXPECT_EQ(controls.taskList.Count(), 0);
  EXPECT_EQ(controls.scheduleList.Count(), 0);
  EXPECT_EQ(controls.runHistory.Count(), 0);
  EXPECT_EQ(controls.sourceBox.Count(), 0);
  EXPECT_EQ(controls.targetBox.Count(), 0);
  EXPECT_EQ(controls.sourceBox.Text(), "Y:");
  EXPECT_EQ(controls.targetBox.Text(), "");
}

TEST_F(SettingsStoreTest, StartValuesComeFromTheLastFolders) {
  backend.values[ProductValue("phoh")] = "D:\\src";
  backend.values[ProductValue("phth")] = "E:\\dst";
  store.LoadStartValues("Y:");
  EXPECT_EQ(controls.sourceBox.Text(), "D:\\src");
  EXPECT_EQ(controls.targetBox.Text(), "E:\\dst");
}

TEST_F(SettingsStoreTest, LoadsAndSavesInTheirOrder) {
  store.LoadSettings();
  const std::vector<std::string> order = {"A",  "A1", "A2", "A3", "B",   "B1", "B2", "B3", "C",  "C1",
                                          "C2", "C3", "LX", "D",  "LXX", "E",  "E1", "",   "KV", "LS"};
  std::vector<std::string> expected;
  for (const std::string& name : order)
    expected.push_back(name.empty() ? VendorValue("DY") : ProductValue(name));
  EXPECT_EQ(backend.reads, expected);
  EXPECT_TRUE(store.SaveSettings());
  EXPECT_EQ(backend.writes, expected);
}

// The days kept versions stay: stored, or the default for none or an unusable value.
TEST_F(SettingsStoreTest, KeepDaysLoadedAndSavedAsUsable) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "30"}, {"0", "0"}, {"7", "7"}, {"-3", "30"}, {"x", "30"}};
  for (const auto& [stored, shown] : cases) {
    backend.values[ProductValue("KV")] = stored;
    store.LoadSettings();
    EXPECT_EQ(controls.keepDaysBox.Text(), shown) << stored;
    controls.keepDaysBox.SetText(stored);
    store.SaveSettings();
    EXPECT_EQ(backend.values[ProductValue("KV")], shown) << stored;
  }
}

// Faults: a daily slot stored as "24" or "75" loaded as is and never fired; a schedule record
// with an empty time loaded once and was dropped at the next save.
TEST_F(SettingsStoreTest, SaveLoadSaveKeepsEveryValue) {
  const std::map<std::string, std::string> stored = {
      {"A1", "24"},          {"B2", "75"},   {"C3", "1e1"},
      {"A2", "５"},          {"B1", ""},     {"LXX", "1;1;1;;|2;2;0;8:30|9;1;1;8:5|"},
      {"LX", "a;b;2|c;;1|"}, {"LS", "x||y|"}};
  for (const auto& [name, value] : stored) backend.values[ProductValue(name)] = value;
  store.LoadSettings();
  EXPECT_EQ(controls.dailySlots[0].hour.Text(), "00");
  EXPECT_EQ(controls.dailySlots[1].minute.Text(), "00");
  EXPECT_EQ(controls.dailySlots[2].second.Text(), "00");
  EXPECT_EQ(controls.dailySlots[0].minute.Text(), "５");
  EXPECT_EQ(controls.dailySlots[1].hour.Text(), "") << "an empty box stays empty";
  EXPECT_EQ(controls.scheduleList.Count(), 2) << "the record without a time is passed over";
  ASSERT_TRUE(store.SaveSettings());
  MemorySettings again;
  again.values = backend.values;
  MainControls reloaded;
  SettingsStore second{reloaded, again};
  second.LoadSettings();
  ASSERT_TRUE(second.SaveSettings());
  EXPECT_EQ(again.values, backend.values);
}

TEST_F(SettingsStoreTest, SwitchesAreOnOnlyForExactlyOne) {
  backend.values[ProductValue("A")] = "1";
  backend.values[ProductValue("B")] = "true";
  backend.values[ProductValue("C")] = " 1";
  backend.values[ProductValue("D")] = "1";
  backend.values[VendorValue("DY")] = "1";
  store.LoadSettings();
  EXPECT_TRUE(controls.dailySlots[0].enabled.Checked());
  EXPECT_FALSE(controls.dailySlots[1].enabled.Checked());
  EXPECT_FALSE(controls.dailySlots[2].enabled.Checked());
  EXPECT_TRUE(controls.calendarSwitch.Checked());
  EXPECT_TRUE(controls.cleanUpSwitch.Checked());
  store.SaveSettings();
  EXPECT_EQ(backend.values[ProductValue("B")], "0");
  EXPECT_EQ(backend.values[ProductValue("C")], "0");
  EXPECT_EQ(backend.values[ProductValue("A")], "1");
}

TEST_F(SettingsStoreTest, SaveReportsAFailedWrite) {
  backend.refuseWrites = true;
  EXPECT_FALSE(store.SaveSettings());
  EXPECT_EQ(backend.writes.size(), 20u);  // every value is still attempted
}

TEST_F(SettingsStoreTest, RememberFolderWritesTheBoxTheLastFolderAndTheHistory) {
  backend.values[VendorValue("VLS")] = "D:\\ab|";
  store.LoadHistories();
  store.RememberFolder(FolderBox::Source, "D:\\a");
  EXPECT_EQ(controls.sourceBox.Text(), "D:\\a");
  EXPECT_EQ(backend.values[ProductValue("phoh")], "D:\\a");
  EXPECT_EQ(backend.values[VendorValue("VLS")], "D:\\ab|D:\\a|");
  // The drop-down list is listed afresh at the next start only.
  EXPECT_EQ(controls.sourceBox.Count(), 1);

  store.RememberFolder(FolderBox::Source, "D:\\a");
  EXPECT_EQ(backend.values[VendorValue("VLS")], "D:\\ab|D:\\a|");

  store.RememberFolder(FolderBox::Target, "E:\\x");
  EXPECT_EQ(controls.targetBox.Text(), "E:\\x");
  EXPECT_EQ(backend.values[ProductValue("phth")], "E:\\x");
  EXPECT_EQ(backend.values[VendorValue("VLT")], "E:\\x|");

  const std::size_t writes = backend.writes.size();
  store.RememberFolder(FolderBox::Target, "");
  EXPECT_EQ(backend.writes.size(), writes);
  EXPECT_EQ(controls.targetBox.Text(), "E:\\x");
}

TEST_F(SettingsStoreTest, ClearHistoriesEmptiesValuesAndLists) {
  backend.values[VendorValue("VLS")] = "D:\\a|";
  backend.values[VendorValue("VLT")] = "E:\\a|E:\\b|";
  store.LoadHistories();
  ASSERT_EQ(controls.targetBox.Count(), 2);
  store.ClearHistories();
  EXPECT_EQ(backend.values[VendorValue("VLS")], "");
  EXPECT_EQ(backend.values[VendorValue("VLT")], "");
  EXPECT_EQ(controls.sourceBox.Count(), 0);
  EXPECT_EQ(controls.targetBox.Count(), 0);
}

TEST_F(SettingsStoreTest, TaskDialogBoxesGetTheHistoriesEachTime) {
  backend.values[VendorValue("VLS")] = "D:\\a|D:\\b|";
  backend.values[VendorValue("VLT")] = "E:\\a|";
  ComboBox source;
  ComboBox target;
  store.LoadHistories(source, target);
  EXPECT_EQ(source.Count(), 2);
  EXPECT_EQ(target.Count(), 1);
  EXPECT_EQ(controls.sourceBox.Count(), 0);
}

TEST_F(SettingsStoreTest, CleanUpSwitchAndLastFoldersAreWrittenAtOnce) {
  controls.cleanUpSwitch.SetChecked(true);
  EXPECT_TRUE(store.SaveCleanUpSwitch());
  EXPECT_EQ(backend.values[VendorValue("DY")], "1");
  controls.sourceBox.SetText("D:\\s\\");
  controls.targetBox.SetText("E:\\t\\");
  EXPECT_TRUE(store.SaveLastFolders());
  EXPECT_EQ(backend.values[ProductValue("phoh")], "D:\\s\\");
  EXPECT_EQ(backend.values[ProductValue("phth")], "E:\\t\\");
}

TEST(SettingsPaths, ProductAndVendorValues) {
  EXPECT_EQ(ProductValue("LX"), "SOFTWARE\\kelvotra\\Orvane目录同步\\LX");
  EXPECT_EQ(VendorValue("VLS"), "SOFTWARE\\kelvotra\\Orvane目录同步VLS");
}

}  // namespace
}  // namespace tarnvel
