// The main window: its controls and their layout, and the routines its controls start.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <array>

#include "runtime/controls_win.h"
#include "runtime/convert.h"
#include "runtime/dialogs.h"
#include "runtime/encoding.h"
#include "runtime/files.h"
#include "runtime/text.h"
#include "runtime/values.h"
#include "sync/kept_versions.h"
#include "sync/run_report.h"
#include "sync/task_runner.h"
#include "ui/main_window.h"
#include "ui/main_window_checks.h"
#include "ui/portable.h"
#include "ui/schedule_dialog.h"
#include "ui/task_dialog.h"
#include "ui/tray.h"
#include "ui/update_window.h"

namespace tarnvel {
namespace {

constexpr char kWindowTitle[] = "Orvane目录同步 V:2.5";
constexpr char kTrayTip[] = "Orvane目录同步 V: 2.5";
constexpr wchar_t kMainWindowProperty[] = L"TarnvelMainWindow";
constexpr wchar_t kInstanceMutex[] = L"Local\\TarnvelMainWindow";
constexpr wchar_t kShowMessageName[] = L"TarnvelShowMainWindow";

// Layout units (pixels at 96 DPI).
constexpr int kMargin = 8;
constexpr int kColumn = 124;  // the buttons on the right
constexpr int kButtonHeight = 26;
constexpr int kRowHeight = 22;
constexpr int kBrowseWidth = 78;
constexpr int kTopHeight = 74;
constexpr int kMinClientWidth = 664;
constexpr int kMinClientHeight = 470;

HWND H(void* handle) { return static_cast<HWND>(handle); }
HWND H(const Control& control) { return reinterpret_cast<HWND>(WindowHandle(control)); }

UINT ShowRequestMessage() {
  static const UINT message = RegisterWindowMessageW(kShowMessageName);
  return message;
}

void Place(Control& control, int left, int top, int width, int height) {
  MoveControl(control, left, top, std::max(width, 0), std::max(height, 0));
}

HWND MakeTabs(HWND parent, int id, std::initializer_list<const char*> pages) {
  HWND tabs = CreateWindowExW(0, WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP, 0,
                              0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                              GetModuleHandleW(nullptr), nullptr);
  if (tabs == nullptr) throw RuntimeError("主窗口的分页无法创建");
  SendMessageW(tabs, WM_SETFONT, reinterpret_cast<WPARAM>(detail::MessageFont()), FALSE);
  int index = 0;
  for (const char* page : pages) {
    std::wstring text = Utf8ToWide(page);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text.data();
    SendMessageW(tabs, TCM_INSERTITEMW, index++, reinterpret_cast<LPARAM>(&item));
  }
  return tabs;
}

void SetTabText(HWND tabs, int index, const std::string& text) {
  std::wstring wide = Utf8ToWide(text);
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = wide.data();
  SendMessageW(tabs, TCM_SETITEMW, index, reinterpret_cast<LPARAM>(&item));
}

// Moves a tab control (layout units) and returns its page area in layout units.
ControlBounds PlaceTabs(HWND tabs, int left, int top, int width, int height) {
  const int x = detail::ToPixels(left);
  const int y = detail::ToPixels(top);
  const int w = detail::ToPixels(std::max(width, 0));
  const int h = detail::ToPixels(std::max(height, 0));
  SetWindowPos(tabs, HWND_BOTTOM, x, y, w, h, SWP_NOACTIVATE);
  RECT page{x, y, x + w, y + h};
  SendMessageW(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&page));
  const int pageLeft = detail::ToUnits(page.left) + 2;
  const int pageTop = detail::ToUnits(page.top) + 2;
  return {pageLeft, pageTop, std::max(detail::ToUnits(page.right) - 2 - pageLeft, 0),
          std::max(detail::ToUnits(page.bottom) - 2 - pageTop, 0)};
}

}  // namespace

// The window's own captions: texts beside the boxes that no other part of the program reads;
// and the control that shows or hides the schedule list, whose state only the window keeps.
struct MainWindow::Captions {
  Label source;
  Label target;
  std::array<std::array<Label, 2>, kDailySlotCount> slotColons;
  Label intervalUnit;
  Label keepDays;
  Button scheduleListToggle;
  bool scheduleListShown = true;
};

// The pages of the upper and the lower tab control.
enum { kPageTasks, kPageSchedule };
enum { kLogCreated, kLogCopied, kLogRemovedDirs, kLogRemovedFiles, kLogFailures, kLogHistory };

MainWindow::MainWindow(SettingsBackend* settings)
    : ownSettings_(settings == nullptr ? std::make_unique<RegistrySettings>(RegistrySettings::Open())
                                       : nullptr),
      engine_(controls_),
      store_(controls_, settings != nullptr ? *settings : *ownSettings_),
      captions_(std::make_unique<Captions>()) {
  SyncHooks hooks = SystemSyncHooks();
  hooks.storeJobBoxes = [this](const std::string&, const std::string&) { store_.SaveLastFolders(); };
  // A run stopped for the program's end says nothing: the program ends right after it.
  hooks.mainWindowVisible = [this] { return IsCreated(*this) && Visible() && !exitPending_; };
  engine_.Hooks() = std::move(hooks);
}

MainWindow::~MainWindow() {
  if (instanceMutex_ != nullptr) CloseHandle(static_cast<HANDLE>(instanceMutex_));
}

WindowLayout MainWindow::Layout() const {
  WindowLayout layout;
  layout.title = kWindowTitle;
  const int screenWidth = detail::ToUnits(ScreenWidth());
  const int screenHeight = detail::ToUnits(ScreenHeight());
  layout.minWidth = kMinClientWidth + 16;
  layout.minHeight = kMinClientHeight + 38;
  layout.width = std::clamp(screenWidth - 40, layout.minWidth, 980);
  layout.height = std::clamp(screenHeight - 60, layout.minHeight, 700);
  layout.visible = true;
  layout.resizable = true;
  layout.minimizeBox = true;
  layout.maximizeBox = true;
  layout.quitOnDestroy = true;
  return layout;
}

void MainWindow::OnCreate() {
  // A start from the removable disk runs its backup whatever else runs (two backups into one
  // folder take turns) and is no window a second start could bring forward.
  const bool fromDisk = PortableModeSetUp();
  if (!fromDisk && !TakeInstance()) {
    secondInstance_ = true;
    SetVisible(false);
    DestroyWindow(*this);
    return;
  }
  if (!fromDisk) SetPropW(H(Handle()), kMainWindowProperty, reinterpret_cast<HANDLE>(1));
  CreateControls();
  AddUpdateCommands();
  ArrangeControls(ClientWidth(), ClientHeight());
  MainWindowCreated();
}

// One main window per session: two would run the same schedule into the same targets. The lock
// decides, not a window: a window may be hidden, or gone while its process still runs.
bool MainWindow::TakeInstance() {
  SetLastError(0);
  instanceMutex_ = CreateMutexW(nullptr, FALSE, kInstanceMutex);
  if (instanceMutex_ == nullptr || GetLastError() != ERROR_ALREADY_EXISTS) return true;
  BringRunningMainWindowForward();
  return false;
}

void MainWindow::CreateControls() {
  MainControls& c = controls_;
  Captions& k = *captions_;
  k.source.SetText("源目录:");
  k.target.SetText("目标目录:");
  c.sourceBrowse.SetText("浏览(&O)...");
  c.targetBrowse.SetText("浏览(&G)...");
  c.startControl.SetText("开始同步(&S)");
  c.stopControl.SetText("停止(&T)");
  c.stopControl.SetEnabled(false);
  c.previewControl.SetText("预览(&P)");
  c.cleanUpSwitch.SetText("清除多余文件(&D)");
  k.keepDays.SetText("版本保留天数:");
  if (c.serviceControl.Text().empty()) c.serviceControl.SetText("关闭服务");
  if (c.removableDiskControl.Text().empty()) c.removableDiskControl.SetText("U 盘模式");
  c.usageNotesControl.SetText("使用说明(&H)");
  c.exitControl.SetText("退出程序(&X)");
  for (int i = 0; i < kDailySlotCount; ++i) {
    c.dailySlots[i].enabled.SetText("定时&" + ToText(i + 1));
    for (Label& colon : k.slotColons[i]) colon.SetText(":");
  }
  // The displays a run writes show their empty state before the first run.
  for (auto [label, text] :
       {std::pair{&c.directoryCounter, "已同步目录:0个"}, std::pair{&c.fileCounter, "已同步文件:0个"},
        std::pair{&c.dataCounter, " 已同步数据：0"},
        std::pair{&c.removedDirectoriesCounter, "清除多余目录:0个"},
        std::pair{&c.removedFilesCounter, "清除多余文件:0个"}, std::pair{&c.filePercentage, "0%"}}) {
    if (label->Text().empty()) label->SetText(text);
  }
  c.calendarSwitch.SetText("按日历执行(&C)");
  c.intervalSwitch.SetText("每隔(&I)");
  k.intervalUnit.SetText("分钟执行");
  k.scheduleListToggle.SetText("隐藏计划列表(&L)");

  // Creation order is the tab order: the job, the run, the switches and commands, the pages.
  int caption = kIdCaptionFirst;
  AddControl(k.source, caption++);
  AddControl(c.sourceBox, kIdSourceBox);
  AddControl(c.sourceBrowse, kIdSourceBrowse);
  AddControl(k.target, caption++);
  AddControl(c.targetBox, kIdTargetBox);
  AddControl(c.targetBrowse, kIdTargetBrowse);
  AddControl(c.startControl, kIdStart);
  AddControl(c.stopControl, kIdStop);
  AddControl(c.previewControl, kIdPreview);
  AddControl(c.cleanUpSwitch, kIdCleanUp);
  AddControl(k.keepDays, caption++);
  AddControl(c.keepDaysBox, kIdKeepDaysBox);
  AddControl(c.serviceControl, kIdService);
  AddControl(c.removableDiskControl, kIdRemovableDisk);
  AddControl(c.usageNotesControl, kIdUsageNotes);
  AddControl(c.exitControl, kIdExit);
  AddControl(c.taskList, kIdTaskList);
  for (int i = 0; i < kDailySlotCount; ++i) {
    DailySlot& slot = c.dailySlots[i];
    AddControl(slot.enabled, kIdSlotFirst + 4 * i);
    AddControl(slot.hour, kIdSlotFirst + 4 * i + 1);
    AddControl(k.slotColons[i][0], caption++);
    AddControl(slot.minute, kIdSlotFirst + 4 * i + 2);
    AddControl(k.slotColons[i][1], caption++);
    AddControl(slot.second, kIdSlotFirst + 4 * i + 3);
  }
  AddControl(c.calendarSwitch, kIdCalendarSwitch);
  AddControl(c.intervalSwitch, kIdIntervalSwitch);
  AddControl(c.intervalBox, kIdIntervalBox);
  AddControl(k.intervalUnit, caption++);
  AddControl(k.scheduleListToggle, kIdScheduleListToggle);
  AddControl(c.scheduleList, kIdScheduleList);
  AddControl(c.directoryCounter, kIdDirectoryCounter);
  AddControl(c.fileCounter, kIdFileCounter);
  AddControl(c.dataCounter, kIdDataCounter);
  AddControl(c.removedDirectoriesCounter, kIdRemovedDirsCounter);
  AddControl(c.removedFilesCounter, kIdRemovedFilesCounter);
  AddControl(c.elapsedTime, kIdElapsedTime);
  AddControl(c.fileProgress, kIdFileProgress);
  AddControl(c.filePercentage, kIdFilePercentage);
  AddControl(c.transferFigures, kIdTransferFigures);
  AddControl(c.speed, kIdSpeed);
  AddControl(c.createdDirectoriesLog, kIdCreatedLog);
  AddControl(c.copiedFilesLog, kIdCopiedLog);
  AddControl(c.removedDirectoriesLog, kIdRemovedDirsLog);
  AddControl(c.removedFilesLog, kIdRemovedFilesLog);
  AddControl(c.failuresLog, kIdFailuresLog);
  AddControl(c.runHistory, kIdRunHistory);
  AddControl(c.statusLine, kIdStatusLine);
  // The tab controls lie under their pages; keyboard users reach them last.
  pagesTab_ = MakeTabs(H(Handle()), kIdPages, {"任务列表", "定时计划"});
  logsTab_ = MakeTabs(H(Handle()), kIdLogs,
                      {"新建的目录", "复制的文件", "清除的目录", "清除的文件", "失败", "运行记录"});
  ShowPage(kPageTasks);
  ShowLog(kLogCopied);
}

// Everything grows with the window: the task list and the logs take the height, the boxes and
// lists the width; the buttons stay in their column on the right.
void MainWindow::ArrangeControls(int width, int height) {
  if (pagesTab_ == nullptr) return;
  MainControls& c = controls_;
  Captions& k = *captions_;
  width = std::max(width, kMinClientWidth);
  height = std::max(height, kMinClientHeight);
  const int column = width - kMargin - kColumn;
  const int left = kMargin;
  const int leftWidth = column - 8 - left;
  const int boxLeft = left + 66;
  const int boxWidth = leftWidth - 66 - 6 - kBrowseWidth;

  Place(k.source, left, 12, 62, 18);
  Place(c.sourceBox, boxLeft, 9, boxWidth, 260);
  Place(c.sourceBrowse, boxLeft + boxWidth + 6, 8, kBrowseWidth, kButtonHeight);
  Place(k.target, left, 44, 62, 18);
  Place(c.targetBox, boxLeft, 41, boxWidth, 260);
  Place(c.targetBrowse, boxLeft + boxWidth + 6, 40, kBrowseWidth, kButtonHeight);

  Place(c.startControl, column, 8, kColumn, kButtonHeight);
  Place(c.stopControl, column, 40, kColumn, kButtonHeight);
  Place(c.previewControl, column, 72, kColumn, kButtonHeight);
  Place(c.cleanUpSwitch, column + 2, 108, kColumn - 2, kRowHeight);
  Place(k.keepDays, column + 2, 135, kColumn - 38, 18);
  Place(c.keepDaysBox, column + kColumn - 34, 132, 34, kRowHeight);
  Place(c.serviceControl, column, 160, kColumn, kButtonHeight);
  Place(c.removableDiskControl, column, 192, kColumn, kButtonHeight);
  Place(c.usageNotesControl, column, 224, kColumn, kButtonHeight);
  Place(c.exitControl, column, 256, kColumn, kButtonHeight);
  Place(updateLabel_, column, 288, kColumn, 18);
  const int columnBottom = 256 + kButtonHeight;

  // Below the two tab controls: counters, the file's progress and the status line.
  const int statusTop = height - kMargin - 18;
  const int progressTop = statusTop - 6 - 18;
  const int countersTop = progressTop - 6 - 2 * 20;
  const int free = countersTop - 6 - kTopHeight - 6;
  const int pagesHeight = std::max({free * 45 / 100, columnBottom - kTopHeight + 2, 190});
  const int logsTop = kTopHeight + pagesHeight + 6;
  const int logsHeight = countersTop - 6 - logsTop;

  const ControlBounds page = PlaceTabs(H(pagesTab_), left, kTopHeight, leftWidth, pagesHeight);
  Place(c.taskList, page.left, page.top, page.width, page.height);
  // The two columns share the list's width.
  const int columnWidth = detail::ToPixels(std::max(page.width - 24, 100) / 2);
  SendToControl(c.taskList, LVM_SETCOLUMNWIDTH, kTaskSourceColumn, columnWidth);
  SendToControl(c.taskList, LVM_SETCOLUMNWIDTH, kTaskTargetColumn, columnWidth);
  int rowTop = page.top + 4;
  for (int i = 0; i < kDailySlotCount; ++i, rowTop += 26) {
    DailySlot& slot = c.dailySlots[i];
    int x = page.left + 4;
    Place(slot.enabled, x, rowTop, 66, kRowHeight);
    x += 70;
    for (EditBox* box : {&slot.hour, &slot.minute, &slot.second}) {
      Place(*box, x, rowTop, 34, kRowHeight);
      x += 34;
      if (box != &slot.second) {
        Place(k.slotColons[i][box == &slot.hour ? 0 : 1], x + 1, rowTop + 3, 8, 16);
        x += 10;
      }
    }
  }
  Place(c.calendarSwitch, page.left + 4, rowTop, 190, kRowHeight);
  rowTop += 26;
  Place(c.intervalSwitch, page.left + 4, rowTop, 66, kRowHeight);
  Place(c.intervalBox, page.left + 74, rowTop, 50, kRowHeight);
  Place(k.intervalUnit, page.left + 130, rowTop + 3, 64, 16);
  rowTop += 30;
  Place(k.scheduleListToggle, page.left + 4, rowTop, 150, kButtonHeight);
  const int listLeft = page.left + 204;
  Place(c.scheduleList, listLeft, page.top + 2, page.left + page.width - 2 - listLeft, page.height - 4);

  const ControlBounds logs = PlaceTabs(H(logsTab_), left, logsTop, width - 2 * kMargin, logsHeight);
  for (ListBox* log : {&c.createdDirectoriesLog, &c.copiedFilesLog, &c.removedDirectoriesLog,
                       &c.removedFilesLog, &c.failuresLog, &c.runHistory}) {
    Place(*log, logs.left, logs.top, logs.width, logs.height);
  }

  // Counters: two rows of three, each a third of the width.
  const int third = (width - 2 * kMargin) / 3;
  Label* counters[6] = {&c.directoryCounter,          &c.fileCounter,         &c.dataCounter,
                        &c.removedDirectoriesCounter, &c.removedFilesCounter, &c.elapsedTime};
  for (int i = 0; i < 6; ++i) {
    Place(*counters[i], left + (i % 3) * third, countersTop + (i / 3) * 20, third - 6, 18);
  }
  const int figuresWidth = 200;
  const int speedWidth = 90;
  const int percentWidth = 44;
  const int barWidth = width - 2 * kMargin - figuresWidth - speedWidth - percentWidth - 3 * 6;
  Place(c.fileProgress, left, progressTop, barWidth, 16);
  Place(c.filePercentage, left + barWidth + 6, progressTop, percentWidth, 18);
  Place(c.transferFigures, left + barWidth + 12 + percentWidth, progressTop, figuresWidth, 18);
  Place(c.speed, width - kMargin - speedWidth, progressTop, speedWidth, 18);
  Place(c.statusLine, left, statusTop, width - 2 * kMargin, 18);
  InvalidateRect(H(Handle()), nullptr, TRUE);
}

void MainWindow::ShowPage(int page) {
  MainControls& c = controls_;
  Captions& k = *captions_;
  SendMessageW(H(pagesTab_), TCM_SETCURSEL, page, 0);
  const bool tasks = page == kPageTasks;
  c.taskList.SetVisible(tasks);
  for (int i = 0; i < kDailySlotCount; ++i) {
    for (Control* control :
         {static_cast<Control*>(&c.dailySlots[i].enabled), static_cast<Control*>(&c.dailySlots[i].hour),
          static_cast<Control*>(&c.dailySlots[i].minute), static_cast<Control*>(&c.dailySlots[i].second),
          static_cast<Control*>(&k.slotColons[i][0]), static_cast<Control*>(&k.slotColons[i][1])}) {
      control->SetVisible(!tasks);
    }
  }
  for (Control* control : {static_cast<Control*>(&c.calendarSwitch), static_cast<Control*>(&c.intervalSwitch),
                           static_cast<Control*>(&c.intervalBox), static_cast<Control*>(&k.intervalUnit),
                           static_cast<Control*>(&k.scheduleListToggle)}) {
    control->SetVisible(!tasks);
  }
  c.scheduleList.SetVisible(!tasks && k.scheduleListShown);
}

void MainWindow::ShowLog(int log) {
  MainControls& c = controls_;
  SendMessageW(H(logsTab_), TCM_SETCURSEL, log, 0);
  ListBox* logs[] = {&c.createdDirectoriesLog, &c.copiedFilesLog, &c.removedDirectoriesLog,
                     &c.removedFilesLog,       &c.failuresLog,    &c.runHistory};
  for (int i = 0; i < 6; ++i) logs[i]->SetVisible(i == log);
}

void MainWindow::MainWindowCreated() {
  MainControls& c = controls_;
  store_.LoadStartValues(RunDirectory());
  SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
  InstallTaskbarWatch(*this, kTrayTip, true);
  store_.LoadSettings();
  store_.LoadHistories();
  settingsLoaded_ = true;
  c.statusLine.SetText("信息：程序初始成功，请输入命令执行任务.");
  if (PortableStartCheck(*this)) return;
  // The scheduler over the loaded settings: its timers start now, and the interval the
  // settings filled in resumes.
  scheduler_ = std::make_unique<Scheduler>(controls_, [this] { return RunScheduled(); });
  schedulerTimers_ = std::make_unique<SchedulerTimers>(*this, *scheduler_);
  scheduler_->ApplyInterval();
}

bool MainWindow::RunScheduled() {
  if (engine_.Running()) return false;
  if (!exitPending_) CheckAndRun(RunJobsFrom::kBoxesOrTickedRows);
  return true;
}

// A slot box the user has left shows the time its slot fires at.
void MainWindow::SlotBoxEdited(int id) {
  const int offset = id - kIdSlotFirst;
  if (offset < 0 || offset >= 4 * kDailySlotCount || offset % 4 == 0) return;
  DailySlot& slot = controls_.dailySlots[static_cast<std::size_t>(offset / 4)];
  switch (offset % 4) {
    case 1:
      CorrectSlotBox(slot.hour, SlotBoxKind::Hour);
      break;
    case 2:
      CorrectSlotBox(slot.minute, SlotBoxKind::Minute);
      break;
    default:
      CorrectSlotBox(slot.second, SlotBoxKind::Second);
      break;
  }
}

void MainWindow::OnSize(int clientWidth, int clientHeight) {
  // Minimising sends the window to the notification area.
  if (IsIconic(H(Handle()))) {
    SetVisible(false);
    return;
  }
  ArrangeControls(clientWidth, clientHeight);
}

// The close box only hides the window: the program goes on in the notification area.
void MainWindow::OnClose() { SetVisible(false); }

void MainWindow::OnDestroy() {
  if (secondInstance_ || !settingsLoaded_) return;
  SetTrayIcon(*this, false);
  if (!saveAtExit_) return;
  store_.SaveSettings();
}

// A run occupies this thread, and whatever ends the program is reached from inside its event
// processing: destroying the window then would leave the run going on unseen. So the run is
// stopped as the stop control stops it, and CheckAndRun comes back here once it has returned.
void MainWindow::EndProgram(bool saveSettings) {
  saveAtExit_ = saveSettings;
  if (engine_.Running()) {
    exitPending_ = true;
    engine_.RequestStop();
    controls_.statusLine.SetText("信息：正在停止任务，随后退出程序...");
    return;
  }
  SetTrayIcon(*this, false);
  DestroyWindow(*this);
}

void MainWindow::Restore() {
  HWND hwnd = H(Handle());
  if (hwnd == nullptr) return;
  if (IsIconic(hwnd)) ShowWindow(hwnd, SW_RESTORE);
  ShowWindow(hwnd, SW_SHOWNORMAL);
  SetForegroundWindow(hwnd);
}

void MainWindow::TrayEvent(int kind) {
  if (kind == 0) return;
  // After the first mouse event the tip is the window's title.
  SetTrayIcon(*this, true, Title());
  if (kind != 2) return;
  if (Visible()) {
    SetVisible(false);
  } else {
    Restore();
  }
}

void MainWindow::OnCommand(int id, int code) {
  if (code == EN_KILLFOCUS && id >= kIdSlotFirst && id < kIdSlotFirst + 4 * kDailySlotCount) {
    SlotBoxEdited(id);
    return;
  }
  if (ScheduleCommand(*this, controls_, id)) return;
  switch (id) {
    case kIdScheduleListToggle:
      ToggleScheduleList(controls_);
      captions_->scheduleListShown = controls_.scheduleList.Visible();
      captions_->scheduleListToggle.SetText(captions_->scheduleListShown ? "隐藏计划列表(&L)"
                                                                         : "显示计划列表(&L)");
      break;
    case kIdService:
      if (scheduler_) scheduler_->ToggleService();
      break;
    case kIdIntervalBox:
      if (code == EN_KILLFOCUS && scheduler_) scheduler_->ApplyInterval();
      break;
    case kIdStart:
      StartRun();
      break;
    case kIdPreview:
      PreviewRun();
      break;
    case kIdKeepDaysBox:
      // A day count left unusable shows what a run will take.
      if (code == EN_KILLFOCUS)
        controls_.keepDaysBox.SetText(ToText(KeepDaysFromText(controls_.keepDaysBox.Text())));
      break;
    case kIdStop:
      RequestStop();
      break;
    case kIdSourceBrowse:
      BrowseSource();
      break;
    case kIdTargetBrowse:
      BrowseTarget();
      break;
    case kIdCleanUp:
      if (code == BN_CLICKED) CleanupSwitchClicked();
      break;
    case kIdRemovableDisk:
      if (controls_.removableDiskControl.Text() == "U 盘模式") {
        SetUpPortable(*this);
      } else {
        RemovePortable(*this);
      }
      break;
    case kIdUsageNotes:
      ShowUsageNotes();
      break;
    case kIdExit:
      ExitProgram();
      break;
    case kMenuAddTask:
      AddTask();
      break;
    case kMenuEditTask:
      EditTask();
      break;
    case kMenuDeleteTask:
      DeleteTask();
      break;
    case kMenuClearTasks:
      ClearTasks();
      break;
    default:
      break;
  }
}

std::intptr_t MainWindow::OnNotify(int id, int signedCode, void* header) {
  const auto code = static_cast<UINT>(signedCode);
  if (id == kIdPages && code == TCN_SELCHANGE) {
    ShowPage(static_cast<int>(SendMessageW(H(pagesTab_), TCM_GETCURSEL, 0, 0)));
  } else if (id == kIdLogs && code == TCN_SELCHANGE) {
    ShowLog(static_cast<int>(SendMessageW(H(logsTab_), TCM_GETCURSEL, 0, 0)));
  } else if (id == kIdTaskList && code == NM_DBLCLK) {
    EditTask();
  } else if (id == kIdScheduleList && code == NM_DBLCLK) {
    EditScheduleEntry(controls_, ScheduleDialogEditor(*this));
  } else if (id == kIdScheduleList && code == LVN_KEYDOWN) {
    // As in the task list, the Delete key removes the selected row without a question.
    if (static_cast<const NMLVKEYDOWN*>(header)->wVKey == VK_DELETE) DeleteSelectedScheduleEntry(controls_);
  } else if (id == kIdTaskList && code == LVN_KEYDOWN) {
    // The Delete key removes the selected row at once, without a question.
    if (static_cast<const NMLVKEYDOWN*>(header)->wVKey == VK_DELETE) {
      const int row = controls_.taskList.Selection();
      if (row >= 0) ListViewDelete(controls_.taskList, row);
    }
  }
  return 0;
}

bool MainWindow::OnMessage(unsigned message, std::uintptr_t wparam, std::intptr_t lparam,
                           std::intptr_t& result) {
  if (message == WM_CONTEXTMENU && reinterpret_cast<HWND>(wparam) == H(controls_.taskList)) {
    TaskMenu();
    return true;
  }
  if (message == WM_CONTEXTMENU && reinterpret_cast<HWND>(wparam) == H(controls_.scheduleList)) {
    // Shift+F10 or the menu key sends (-1, -1) instead of the mouse's position.
    ScheduleMenu(*this, controls_, lparam == -1);
    return true;
  }
  if (message == kTrayCallbackMessage) {
    TrayEvent(TrayEventKind(lparam));
    return true;
  }
  if (message == ShowRequestMessage()) {
    Restore();
    return true;
  }
  if (message == WM_SYSCOMMAND && UpdateCommand(static_cast<unsigned>(wparam & 0xFFF0))) return true;
  if (message == WM_QUERYENDSESSION || message == WM_ENDSESSION) {
    result = SessionEnding(message == WM_QUERYENDSESSION, wparam != FALSE);
    return true;
  }
  return false;
}

// A session that ends must not cut a run off unseen: the query stops it (the run then unwinds,
// recording the stop, and ends the program); the end itself saves at once, since the system
// may end the process as soon as this message has been answered. An end that was called off
// leaves the program running (the run stays stopped).
std::intptr_t MainWindow::SessionEnding(bool query, bool ending) {
  if (query) {
    if (engine_.Running()) {
      exitPending_ = true;
      engine_.RequestStop();
    }
    return TRUE;
  }
  if (!ending) {
    exitPending_ = false;
    return 0;
  }
  if (settingsLoaded_ && saveAtExit_) store_.SaveSettings();
  EndProgram(saveAtExit_);
  return 0;
}

void MainWindow::TaskMenu() {
  const bool selected = controls_.taskList.Selection() >= 0;
  const Menu menu = {{kMenuAddTask, "添加任务(&A)..."},
                     {kMenuEditTask, "修改任务(&E)...", selected},
                     {kMenuDeleteTask, "删除任务(&D)", selected},
                     {0, ""},
                     {kMenuClearTasks, "清空任务(&C)", ListViewCount(controls_.taskList) > 0}};
  if (const int chosen = PopupMenu(*this, menu); chosen != 0) OnCommand(chosen, 0);
}

bool MainWindow::StartRun(RunJobsFrom from) {
  // The user who clicked is there to be asked before a clean-up that would empty most of a target.
  engine_.SetUserCanConfirm(true);
  const bool ran = CheckAndRun(from);
  engine_.SetUserCanConfirm(false);
  // A slot that fell due during the user's run starts now, once.
  if (ran && scheduler_ && !exitPending_) scheduler_->RunFinished();
  return ran;
}

bool MainWindow::PreviewRun() { return CheckAndRun(RunJobsFrom::kBoxesOrTickedRows, true); }

bool MainWindow::CheckAndRun(RunJobsFrom from, bool preview) {
  if (exitPending_) return false;
  MainControls& c = controls_;
  TakeShownText(c.sourceBox);
  TakeShownText(c.targetBox);
  const SystemLocations system = TheSystemLocations();
  // The boxes are the job when the task list has no rows, or when the run takes them alone;
  // then they must name real places.
  if (from == RunJobsFrom::kBoxesOnly || ListViewCount(c.taskList) == 0) {
    if (const auto refusal = JobBoxesRefusal(TrimBoth(c.sourceBox.Text()), TrimBoth(c.targetBox.Text()),
                                             c.cleanUpSwitch.Checked(), system)) {
      c.statusLine.SetText(*refusal);
      return false;
    }
  } else {
    for (int row = 0; row < ListViewCount(c.taskList); ++row) {
      if (ListViewGetCheck(c.taskList, row) == 0) continue;
      if (const auto refusal = JobBoxesRefusal(ListViewGetText(c.taskList, row, kTaskSourceColumn),
                                               ListViewGetText(c.taskList, row, kTaskTargetColumn),
                                               c.cleanUpSwitch.Checked(), system)) {
        c.statusLine.SetText(*refusal);
        return false;
      }
    }
  }
  const bool ran = preview ? PreviewSyncTasks(engine_) : RunSyncTasks(engine_, from);
  // An update that became ready during the run installs now (and ends the program).
  ProcessUpdate().RunReturned();
  if (!ran) return false;
  if (exitPending_) {
    // The run has recorded its stop; only now does the window go.
    EndProgram(saveAtExit_);
    return true;
  }
  AfterRun();
  return true;
}

// The failures get their page's count, and the page itself comes forward when there are any.
void MainWindow::AfterRun() {
  if (!IsCreated(*this)) return;
  const int failures = ListBoxCount(controls_.failuresLog);
  SetTabText(H(logsTab_), kLogFailures,
             failures == 0 ? std::string("失败") : "失败 (" + ToText(failures) + ")");
  if (failures > 0) ShowLog(kLogFailures);
}

void MainWindow::BrowseSource() {
  const std::string path = ChooseFolderTrimmed();
  if (!path.empty()) store_.RememberFolder(FolderBox::Source, path);
}

void MainWindow::BrowseTarget() {
  const std::string path = ChooseFolderTrimmed();
  if (!path.empty()) store_.RememberFolder(FolderBox::Target, path);
}

// Every way a row is made checks its paths, whatever the dialog let through.
bool MainWindow::TaskRowAccepted(const std::string& source, const std::string& target) {
  const auto refusal = TaskPathRefusal(source, target);
  if (refusal) ShowMessage(*refusal, kMessageIconExclamation, "错误");
  return !refusal;
}

bool MainWindow::OpenTaskDialog() {
  TaskDialog dialog(store_, TheSystemLocations(), taskSource, taskTarget);
  if (!dialog.Run(*this)) return false;
  taskSource = dialog.Source();
  taskTarget = dialog.Target();
  return true;
}

void MainWindow::AddTask() {
  taskSource.clear();
  taskTarget.clear();
  OpenTaskDialog();
  if (taskSource.empty() || taskTarget.empty()) return;
  if (taskSource == taskTarget) {
    ShowMessage("路径有误，请重新设置！", kMessageIconExclamation, "错误");
    return;
  }
  if (!TaskRowAccepted(taskSource, taskTarget)) return;
  const int row = ListViewInsert(controls_.taskList, -1, taskSource);
  ListViewSetText(controls_.taskList, row, kTaskTargetColumn, taskTarget);
}

void MainWindow::EditTask() {
  ListView& list = controls_.taskList;
  const int row = list.Selection();
  if (row < 0 || row >= ListViewCount(list)) return;
  taskSource = ListViewGetText(list, row, kTaskSourceColumn);
  taskTarget = ListViewGetText(list, row, kTaskTargetColumn);
  if (!OpenTaskDialog() || !TaskRowAccepted(taskSource, taskTarget)) return;
  ListViewSetText(list, row, kTaskSourceColumn, taskSource);
  ListViewSetText(list, row, kTaskTargetColumn, taskTarget);
}

void MainWindow::DeleteTask() {
  ListView& list = controls_.taskList;
  const int row = list.Selection();
  if (row < 0 || row >= ListViewCount(list)) return;
  if (ShowMessage("真的要删除么？", kMessageOkCancel | kMessageIconQuestion, "提示") != kButtonOk) return;
  ListViewDelete(list, row);
  ShowMessage("删除完毕！", kMessageIconInformation, "提示");
}

void MainWindow::ClearTasks() {
  if (ShowMessage("真的要清空么？", kMessageOkCancel | kMessageIconQuestion, "提示") != kButtonOk) return;
  ListViewClear(controls_.taskList);
  if (ShowMessage("记录列表也一起清除么？", kMessageOkCancel | kMessageIconQuestion, "提示") == kButtonOk) {
    store_.ClearHistories();
  }
  ShowMessage("清空完毕！", kMessageIconInformation, "提示");
}

void MainWindow::CleanupSwitchClicked() {
  const bool confirmed = ShowMessage("警告：这操作会删除被同步目录的所有文件！请先测试后再使用！！！",
                                     kMessageOkCancel | kMessageIconQuestion, "提示") == kButtonOk;
  controls_.cleanUpSwitch.SetChecked(confirmed);
  store_.SaveCleanUpSwitch();
}

void MainWindow::ShowUsageNotes() { ShowMessage(UsageNotes(), kMessageIconInformation, "使用前注意"); }

void MainWindow::ExitProgram() {
  const char* question =
      engine_.Running() ? "同步任务正在进行，退出将先停止任务。\r\n真的要退出么？" : "真的要退出么？";
  if (ShowMessage(question, kMessageOkCancel | kMessageIconQuestion, "提示") != kButtonOk) return;
  EndProgram(saveAtExit_);
}

namespace {

struct RunningSearch {
  DWORD self;
  HWND found;
};

BOOL CALLBACK FindRunningMainWindow(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<RunningSearch*>(param);
  DWORD process = 0;
  GetWindowThreadProcessId(hwnd, &process);
  if (process != search->self && GetPropW(hwnd, kMainWindowProperty) != nullptr) {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

bool BringRunningMainWindowForward() {
  RunningSearch search{GetCurrentProcessId(), nullptr};
  EnumWindows(FindRunningMainWindow, reinterpret_cast<LPARAM>(&search));
  if (search.found == nullptr) return false;
  DWORD process = 0;
  GetWindowThreadProcessId(search.found, &process);
  AllowSetForegroundWindow(process);
  PostMessageW(search.found, ShowRequestMessage(), 0, 0);
  return true;
}

}  // namespace tarnvel
