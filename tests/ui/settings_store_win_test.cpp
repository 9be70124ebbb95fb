#include <windows.h>

#include <gtest/gtest.h>

#include "ui/settings_store.h"

namespace tarnvel {
namespace {

void DeleteVendorKey(HKEY root) { RegDeleteTreeW(root, L"SOFTWARE\\kelvotra"); }

// A string value read by its Unicode names, as any other program (or reg.exe) sees it.
std::wstring WideValue(HKEY root, const wchar_t* key, const wchar_t* name) {
  wchar_t buffer[512] = {};
  DWORD size = sizeof(buffer) - sizeof(wchar_t);
  DWORD type = 0;
  if (RegGetValueW(root, key, name, RRF_RT_REG_SZ, &type, buffer, &size) != ERROR_SUCCESS)
    return L"<missing>";
  return buffer;
}

class RegistrySettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteVendorKey(HKEY_LOCAL_MACHINE);
    DeleteVendorKey(HKEY_CURRENT_USER);
  }
  void TearDown() override { SetUp(); }
};

void FillControls(MainControls& c) {
  c.dailySlots[0].enabled.SetChecked(true);
  c.dailySlots[0].hour.SetText("8");
  c.dailySlots[0].minute.SetText("05");
  c.dailySlots[0].second.SetText("0");
  c.dailySlots[2].hour.SetText("23");
  c.dailySlots[2].second.SetText("09");
  int row = c.taskList.Insert(-1, "D:\\源目录", -1, 1);
  c.taskList.SetItemText(row, kTaskTargetColumn, "E:\\备份");
  row = c.taskList.Insert(-1, "D:\\b");
  c.taskList.SetItemText(row, kTaskTargetColumn, "E:\\b");
  c.calendarSwitch.SetChecked(true);
  row = c.scheduleList.Insert(-1, "15", -1, 1);
  c.scheduleList.SetItemText(row, kScheduleKindColumn, "1");
  c.scheduleList.SetItemText(row, kScheduleTimeColumn, "8:30");
  row = c.scheduleList.Insert(-1, "7");
  c.scheduleList.SetItemText(row, kScheduleKindColumn, "2");
  c.scheduleList.SetItemText(row, kScheduleTimeColumn, "00:00");
  c.intervalBox.SetText("5");
  c.cleanUpSwitch.SetChecked(true);
  c.runHistory.Add("开始同步：2024年3月5日14时7分");
  c.runHistory.Add("消耗:00:01:15");
}

void ExpectSameControls(MainControls& a, MainControls& b) {
  for (int i = 0; i < kDailySlotCount; ++i) {
    EXPECT_EQ(a.dailySlots[i].enabled.Checked(), b.dailySlots[i].enabled.Checked()) << i;
    EXPECT_EQ(a.dailySlots[i].hour.Text(), b.dailySlots[i].hour.Text()) << i;
    EXPECT_EQ(a.dailySlots[i].minute.Text(), b.dailySlots[i].minute.Text()) << i;
    EXPECT_EQ(a.dailySlots[i].second.Text(), b.dailySlots[i].second.Text()) << i;
  }
  ASSERT_EQ(a.taskList.Count(), b.taskList.Count());
  for (int r = 0; r < a.taskList.Count(); ++r) {
    EXPECT_EQ(a.taskList.ItemText(r, 0), b.taskList.ItemText(r, 0));
    EXPECT_EQ(a.taskList.ItemText(r, 1), b.taskList.ItemText(r, 1));
    EXPECT_EQ(a.taskList.Check(r), b.taskList.Check(r));
  }
  ASSERT_EQ(a.scheduleList.Count(), b.scheduleList.Count());
  for (int r = 0; r < a.scheduleList.Count(); ++r) {
    for (int col : {0, 1, 4}) EXPECT_EQ(a.scheduleList.ItemText(r, col), b.scheduleList.ItemText(r, col));
    EXPECT_EQ(a.scheduleList.Check(r), b.scheduleList.Check(r));
  }
  EXPECT_EQ(a.calendarSwitch.Checked(), b.calendarSwitch.Checked());
  EXPECT_EQ(a.intervalSwitch.Checked(), b.intervalSwitch.Checked());
  EXPECT_EQ(a.intervalBox.Text(), b.intervalBox.Text());
  EXPECT_EQ(a.cleanUpSwitch.Checked(), b.cleanUpSwitch.Checked());
  ASSERT_EQ(a.runHistory.Count(), b.runHistory.Count());
  for (int i = 0; i < a.runHistory.Count(); ++i)
    EXPECT_EQ(a.runHistory.ItemText(i), b.runHistory.ItemText(i));
}

TEST_F(RegistrySettingsTest, RoundTripThroughTheLocalMachineRoot) {
  RegistrySettings registry = RegistrySettings::Open();
  ASSERT_FALSE(registry.UsesUserRoot()) << "the test prefix lets the local-machine root be written";
  MainControls saved;
  FillControls(saved);
  SettingsStore(saved, registry).SaveSettings();

  MainControls loaded;
  SettingsStore(loaded, registry).LoadSettings();
  ExpectSameControls(saved, loaded);
  EXPECT_EQ(loaded.scheduleList.ItemText(0, kScheduleDescriptionColumn), "每月份 15号 8:30");
  EXPECT_EQ(loaded.scheduleList.ItemText(1, kScheduleDescriptionColumn), "每星期 星期日 00:00");

  // The stored names and texts are those Unicode characters, whatever the ANSI code page.
  EXPECT_EQ(WideValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\kelvotra\\Orvane目录同步", L"LX"),
            L"D:\\源目录;E:\\备份;1|D:\\b;E:\\b;0|");
  EXPECT_EQ(WideValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\kelvotra", L"Orvane目录同步DY"), L"1");
  EXPECT_EQ(WideValue(HKEY_CURRENT_USER, L"SOFTWARE\\kelvotra", L"Orvane目录同步DY"), L"<missing>");
}

TEST_F(RegistrySettingsTest, FolderHistoriesUnderTheVendorKey) {
  RegistrySettings registry = RegistrySettings::Open();
  MainControls controls;
  SettingsStore store(controls, registry);
  store.RememberFolder(FolderBox::Source, "D:\\资料");
  store.RememberFolder(FolderBox::Target, "E:\\x");
  EXPECT_EQ(WideValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\kelvotra", L"Orvane目录同步VLS"), L"D:\\资料|");
  EXPECT_EQ(WideValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\kelvotra", L"Orvane目录同步VLT"), L"E:\\x|");
  EXPECT_EQ(WideValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\kelvotra\\Orvane目录同步", L"phoh"), L"D:\\资料");

  MainControls next;
  SettingsStore nextStore(next, registry);
  nextStore.LoadStartValues("Y:");
  nextStore.LoadHistories();
  EXPECT_EQ(next.sourceBox.Text(), "D:\\资料");
  EXPECT_EQ(next.targetBox.Text(), "E:\\x");
  ASSERT_EQ(next.sourceBox.Count(), 1);
  EXPECT_EQ(next.sourceBox.ItemText(0), "D:\\资料");

  nextStore.ClearHistories();
  EXPECT_EQ(WideValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\kelvotra", L"Orvane目录同步VLS"), L"");
  EXPECT_EQ(next.sourceBox.Count(), 0);
}

// A standard user may not write the local-machine root: the same paths under the current
// user take the writes, and values found there win.
TEST_F(RegistrySettingsTest, StandardUserFallsBackToTheCurrentUser) {
  RegistrySettings admin = RegistrySettings::Open();
  MainControls adminControls;
  adminControls.dailySlots[1].hour.SetText("07");
  adminControls.intervalBox.SetText("30");
  SettingsStore(adminControls, admin).SaveSettings();
  ASSERT_EQ(WideValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\kelvotra\\Orvane目录同步", L"B1"), L"07");

  RegistrySettings user(kRegLocalMachine, kRegCurrentUser, false);
  ASSERT_TRUE(user.UsesUserRoot());
  // Nothing of the user's own yet: what the administrator saved is read.
  MainControls first;
  SettingsStore(first, user).LoadSettings();
  EXPECT_EQ(first.dailySlots[1].hour.Text(), "07");
  EXPECT_EQ(first.intervalBox.Text(), "30");

  first.intervalBox.SetText("45");
  first.cleanUpSwitch.SetChecked(true);
  SettingsStore store(first, user);
  store.SaveSettings();
  store.RememberFolder(FolderBox::Source, "D:\\mine");
  EXPECT_EQ(WideValue(HKEY_CURRENT_USER, L"SOFTWARE\\kelvotra\\Orvane目录同步", L"E1"), L"45");
  EXPECT_EQ(WideValue(HKEY_CURRENT_USER, L"SOFTWARE\\kelvotra", L"Orvane目录同步DY"), L"1");
  EXPECT_EQ(WideValue(HKEY_CURRENT_USER, L"SOFTWARE\\kelvotra", L"Orvane目录同步VLS"), L"D:\\mine|");
  // The local-machine values stay as the administrator left them.
  EXPECT_EQ(WideValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\kelvotra\\Orvane目录同步", L"E1"), L"30");
  EXPECT_EQ(WideValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\kelvotra", L"Orvane目录同步VLS"), L"<missing>");

  // The next start reads the user's values.
  MainControls second;
  SettingsStore secondStore(second, user);
  secondStore.LoadStartValues("Y:");
  secondStore.LoadSettings();
  secondStore.LoadHistories();
  EXPECT_EQ(second.intervalBox.Text(), "45");
  EXPECT_EQ(second.dailySlots[1].hour.Text(), "07");
  EXPECT_TRUE(second.cleanUpSwitch.Checked());
  EXPECT_EQ(second.sourceBox.Text(), "D:\\mine");
  EXPECT_EQ(second.sourceBox.Count(), 1);
}

}  // namespace
}  // namespace tarnvel
