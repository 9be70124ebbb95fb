#include <windows.h>

#include "ui/update_window.h"

#include <cstdlib>
#include <utility>

#include "runtime/dialogs.h"
#include "runtime/encoding.h"
#include "runtime/files.h"
#include "runtime/programs.h"
#include "runtime/registry.h"
#include "runtime/text.h"
#include "ui/tray.h"
#include "update/downloader.h"
#include "update/http_request.h"
#include "update/signature.h"
#include "update/update_texts.h"

#ifndef TARNVEL_UPDATE_URL
#define TARNVEL_UPDATE_URL "http://update.kelvotra.com/NEW/Tarnvel.rar"
#endif
#ifndef TARNVEL_UPDATE_PAGE
#define TARNVEL_UPDATE_PAGE "http://update.kelvotra.com/NEW/version.htm"
#endif

namespace tarnvel {

namespace {

// The update icon's mouse events. (A number above 0xFFFF is no window message at all.)
constexpr unsigned kUpdateTrayMessage = WM_APP + 0x121;
constexpr int kMenuShow = 1;
constexpr int kMenuAbort = 2;
constexpr int kMenuClose = 3;
constexpr int kIdProgress = 100;
constexpr int kIdPercent = 101;
constexpr int kIdStatus = 102;

std::string EnvironmentText(const wchar_t* name) {
  wchar_t buffer[2048];
  const DWORD length = GetEnvironmentVariableW(name, buffer, 2048);
  if (length == 0 || length >= 2048) return "";
  return WideToUtf8(std::wstring(buffer, length));
}

// Dispatches window messages for the given time: the update window's pauses.
void PauseDispatching(DWORD milliseconds) {
  const ULONGLONG end = GetTickCount64() + milliseconds;
  for (;;) {
    ProcessEvents();
    const ULONGLONG now = GetTickCount64();
    if (now >= end) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
  }
}

bool StatusIsOk(const std::string& headers) {
  const std::size_t space = headers.find(' ');
  return headers.rfind("HTTP/", 0) == 0 && space != std::string::npos &&
         headers.compare(space + 1, 3, "200") == 0;
}

std::string SystemFolder() {
  wchar_t buffer[MAX_PATH];
  const UINT length = GetSystemDirectoryW(buffer, MAX_PATH);
  return length == 0 || length >= MAX_PATH ? std::string() : WideToUtf8(std::wstring(buffer, length));
}

void RunBatchHidden(const std::string& batchPath, const std::string& commandLine) {
  const auto folder = Utf8ToWideExact(batchPath.substr(0, batchPath.rfind('\\') + 1));
  auto line = Utf8ToWideExact(commandLine);
  if (!line || !folder) return;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION started{};
  if (CreateProcessW(nullptr, line->data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                     folder->c_str(), &startup, &started)) {
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
  }
}

}  // namespace

std::string UpdateFileUrl() {
  const std::string given = EnvironmentText(L"TARNVEL_UPDATE_URL");
  return given.empty() ? std::string(TARNVEL_UPDATE_URL) : given;
}

std::string UpdatePageUrl() {
  const std::string given = EnvironmentText(L"TARNVEL_UPDATE_PAGE");
  return given.empty() ? std::string(TARNVEL_UPDATE_PAGE) : given;
}

// The small window in the lower right corner: progress bar, percent, status, and the icon in
// the notification area with its menu.
class UpdateWindow : public Window {
 public:
  explicit UpdateWindow(UpdateSession& session) : session_(session) {}

  ProgressBar progress;
  Label percent;
  Label status;
  unsigned taskbarCreated = 0;

 protected:
  WindowLayout Layout() const override {
    WindowLayout layout;
    layout.title = "在线更新";
    layout.width = 320;
    layout.height = 170;
    layout.left = ScreenWidth() - 320 - 20;
    layout.top = ScreenHeight() - 170 - 50;
    layout.minimizeBox = false;
    return layout;
  }

  void OnCreate() override {
    progress.SetRange(0, 100);
    progress.SetBounds({12, 12, 240, 18});
    percent.SetBounds({260, 13, 44, 18});
    percent.SetText("0%");
    status.SetBounds({12, 40, 292, 90});
    AddControl(progress, kIdProgress);
    AddControl(percent, kIdPercent);
    AddControl(status, kIdStatus);
    session_.WindowCreated();
  }

  // The close box hides the window: the update goes on in the notification area.
  void OnClose() override { SetVisible(false); }

  void OnDestroy() override { SetTrayIcon(*this, false); }

  bool OnMessage(unsigned message, std::uintptr_t wparam, std::intptr_t lparam,
                 std::intptr_t& result) override {
    if (message == kUpdateTrayMessage) {
      session_.TrayEvent(lparam);
      result = 0;
      return true;
    }
    if (taskbarCreated != 0 && message == taskbarCreated) {
      session_.TaskbarCreated();
      result = 0;
      return true;
    }
    return false;
  }

 private:
  UpdateSession& session_;
};

UpdateSession::UpdateSession() = default;
UpdateSession::~UpdateSession() = default;

UpdateSession& ProcessUpdate() {
  static UpdateSession session;
  return session;
}

bool UpdateSession::WindowOpen() const { return window_ && IsCreated(*window_) && !windowClosed_; }

std::string UpdateSession::ProgramDirectory() const {
  return hooks_.programDirectory.empty() ? RunDirectory() : hooks_.programDirectory;
}

std::string UpdateSession::ProgramName() const {
  return hooks_.programName.empty() ? ExecutableName() : hooks_.programName;
}

std::string UpdateSession::InProgramDirectory(const std::string& name) const {
  std::string directory = ProgramDirectory();
  if (directory.empty() || directory.back() != '\\') directory += '\\';
  return directory + name;
}

bool UpdateSession::Start(const std::string& url, const UpdateOptions& options) {
  if (downloading_) return false;
  CloseWindow();
  updateUrl_ = url;
  fullUrl_ = CompleteUpdateUrl(url);
  options_ = options;
  remoteLength_ = 0;
  rarPath_.clear();
  probeAnswered_ = false;
  closeAfterDownload_ = false;
  const auto target = ProbeTargetOf(fullUrl_);
  if (!target) {
    // No host or no file after it: there is nothing to ask for.
    Refuse("更新地址无效：" + url);
    return false;
  }
  // Windows of an earlier update are gone by now (CloseWindow destroyed them); their objects
  // go with the new one.
  window_ = std::make_unique<UpdateWindow>(*this);
  windowClosed_ = false;
  if (!LoadWindow(*window_)) return false;
  if (!WindowOpen()) return false;  // compare mode without its tools closed it at once

  if (target->secure) {
    // The probe is plain text on a socket; over TLS the system's Internet client asks instead.
    std::string headers, error;
    HttpRequest(fullUrl_, "GET", "", "", "", "Range: bytes=0-0\r\n", "", 30, &headers, &error);
    const std::size_t range = headers.find("Content-Range:");
    const std::size_t slash = range == std::string::npos ? range : headers.find('/', range);
    if (slash != std::string::npos) {
      remoteLength_ = std::atoll(headers.c_str() + slash + 1);
    } else {
      ParseProbeResponse(headers, remoteLength_);
    }
    if (!error.empty()) {
      ShowMessage("连接服务器失败。", kMessageIconStop, "错误信息");
      lastNotice_ = "连接服务器失败。";
      return true;
    }
    probeAnswered_ = true;
    ProbeAnswered();
    return true;
  }

  socket_ = std::make_unique<ClientSocket>();
  socket_->OnData([this] { ProbeArrived(); });
  socket_->OnClose([this] { ProbeClosed(); });
  if (!SocketConnect(*socket_, target->host, target->port) ||
      !SocketSend(*socket_, ProbeRequestText(fullUrl_, *target))) {
    lastNotice_ = "连接服务器失败。";
    ShowMessage("连接服务器失败。", kMessageIconStop, "错误信息");
  }
  return true;
}

void UpdateSession::WindowCreated() {
  UpdateWindow& w = *window_;
  w.taskbarCreated = AddTrayIcon(w, "在线更新", kUpdateTrayMessage);
  trayShown_ = true;
  PauseDispatching(10);
  if (options_.notifyMode == 2) {
    ShowBalloon("提示", "感谢你使用软件，此操作可以更新到最新软件。", 1);
    PauseDispatching(2000);
  }
  rarPath_ = RarPathFromIconValue(RegReadText(kRegClassesRoot, "WinRAR\\DefaultIcon\\"));
  if (options_.checkMode == 0) {
    const std::string cmd = SystemFolder() + "\\cmd.exe";
    if (!FileExists(cmd) || !FileExists(rarPath_)) {
      lastNotice_ = "你的系统无法支持本程序自动更新功能，请到本站直接下载！";
      ShowMessage(lastNotice_, kMessageIconExclamation, "错误");
      CloseWindow();
    }
  }
}

void UpdateSession::ProbeArrived() {
  if (probeAnswered_ || !socket_) return;
  probeAnswered_ = true;
  const ByteString data = SocketData(*socket_);
  ParseProbeResponse(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()),
                     remoteLength_);
  SocketClose(*socket_);
  ProbeAnswered();
}

void UpdateSession::ProbeClosed() {
  // The server closed without a word: as an answer without a length.
  if (probeAnswered_) return;
  probeAnswered_ = true;
  ProbeAnswered();
}

void UpdateSession::ProbeAnswered() {
  if (!WindowOpen()) return;
  if (options_.checkMode == 0) {
    CompareModeAnswer();
  } else {
    DirectModeAnswer();
  }
}

void UpdateSession::CompareModeAnswer() {
  // The size reference: an archive of the running program, made only to be measured.
  const std::string archive = InProgramDirectory("update.rar");
  const std::string program = InProgramDirectory(ProgramName());
  DeleteFileAt(archive);
  RunProgram("\"" + rarPath_ + "\" a -m3 \"" + archive + "\" \"" + program + "\"", true, 1);
  const std::int64_t reference = FileSize64(archive);
  DeleteFileAt(archive);
  if (reference >= 0 && SizeShowsNewVersion(reference, remoteLength_)) {
    Beep();
    if (options_.labelOnly == 1) {
      if (options_.statusLabel != nullptr) options_.statusLabel->SetText("发现新版本");
      CloseWindow();
      return;
    }
    if (ShowMessage("发现最新版本！是否立即更新？", 0x1064, "询问") != kButtonYes) {
      CloseWindow();
      return;
    }
    Announce("发现最新版本！", 1);
    window_->SetVisible(true);
    Download(archive);
    return;
  }
  if (options_.notifyMode != 0) {
    if (remoteLength_ == 1308) {
      Announce("服务器连接失败", 3);
    } else {
      Announce("已经是最新版本了", 2);
    }
  }
  CloseWindow();
}

void UpdateSession::DirectModeAnswer() {
  window_->SetVisible(false);
  Announce("发现最新版本！", 1);
  const bool exeUrl = FindText(updateUrl_, "exe") > 0;
  bool download = false;
  if (options_.autoInstall == 1) {
    download = exeUrl;
  } else if (exeUrl) {
    download =
        ShowMessage("需要自动更新请 [确认]\r\n\r\n需要手动更新请 [取消]。\r\n", 0x21, "请选择") == kButtonOk;
    if (download) window_->SetVisible(true);
  }
  if (download) {
    Download(InProgramDirectory("update.exe.tmp"));
  } else {
    OpenInBrowser();
  }
}

void UpdateSession::OpenInBrowser() {
  const std::string url = ReplaceSubtext(fullUrl_, ".exe", ".rar");
  if (hooks_.openBrowser) {
    hooks_.openBrowser(url);
  } else if (url.find('"') == std::string::npos) {
    RunProgram("explorer.exe \"" + url + "\"", false, 2);
  }
  CloseWindow();
}

void UpdateSession::Download(const std::string& localPath) {
  const ByteString key = hooks_.keyGiven ? hooks_.publicKey : BuiltInUpdateKey();
  if (key.empty()) {
    Refuse(SignatureCheckMessage(SignatureCheck::NoKey));
    return;
  }
  // The signature first: without one nothing is worth downloading.
  std::string headers, error;
  const ByteString signature =
      HttpRequest(SignatureUrlOf(fullUrl_), "GET", "", "", "", "", "", 30, &headers, &error);
  if (!error.empty() || !StatusIsOk(headers) || signature.empty()) {
    Refuse(SignatureCheckMessage(SignatureCheck::Missing));
    return;
  }
  downloading_ = true;
  downloadPath_ = localPath;
  const bool complete = DownloadFile(
      fullUrl_, localPath,
      [this](const std::string&, std::int64_t total, int speed, int percent) {
        Progress(total, speed, percent);
      },
      [this](const std::string&, int, const std::string& message, int) { Finished(message); });
  downloading_ = false;
  if (closeAfterDownload_ || !WindowOpen()) {
    CloseWindow();
    return;
  }
  if (!complete) return;  // the finish handler told the user; a partial file is resumed next time
  // Hidden while it was incomplete; the batch's commands pass hidden files by.
  SetAttributes(localPath, kAttrArchive);
  const SignatureCheck check = VerifyUpdateSignature(ReadWholeFile(localPath), signature, key);
  if (check != SignatureCheck::Good) {
    DeleteFileAt(localPath);
    Refuse(SignatureCheckMessage(check));
    return;
  }
  if (!Install(localPath)) DeleteFileAt(localPath);
}

bool UpdateSession::Install(const std::string& localPath) {
  InstallPlace place{ProgramDirectory(), ProgramName(),
                     hooks_.processId != 0 ? hooks_.processId : GetCurrentProcessId()};
  if (!IsPlainFileName(place.programName)) {
    Refuse("程序文件名无法用于更新：" + place.programName);
    return false;
  }
  InstallBatch batch;
  if (options_.checkMode == 0) {
    const std::string member =
        FirstMemberName(RarMemberNames(ReadWholeFile(localPath), [] { ProcessEvents(); }));
    if (!IsPlainFileName(member)) {
      Refuse("更新文件中没有可用的程序文件，更新已取消。");
      return false;
    }
    batch = ArchiveInstallBatch(place, rarPath_, member);
  } else {
    batch = DirectInstallBatch(place);
  }
  const std::string batchPath = InProgramDirectory("update.bat");
  const auto* data = reinterpret_cast<const std::uint8_t*>(batch.text.data());
  if (!WriteWholeFile(batchPath, {std::span<const std::uint8_t>(data, batch.text.size())})) {
    Refuse("无法写入更新批处理文件：" + batchPath);
    return false;
  }
  SetAttributes(batchPath, kAttrHidden);
  if (hooks_.beforeEnd) hooks_.beforeEnd();
  const std::string command = InstallBatchCommand(batch);
  if (hooks_.runBatch) {
    hooks_.runBatch(batchPath, command);
  } else {
    RunBatchHidden(batchPath, command);
  }
  CloseWindow();
  if (hooks_.endProgram) {
    hooks_.endProgram();
  } else {
    ExitProcess(0);
  }
  return true;
}

void UpdateSession::Progress(std::int64_t totalBytes, int kilobytesPerSecond, int percent) {
  if (!window_) return;
  window_->progress.SetPosition(percent);
  window_->percent.SetText(std::to_string(percent) + "%");
  window_->status.SetText(UpdateStatusText(totalBytes, kilobytesPerSecond, percent));
  if (options_.statusLabel != nullptr) options_.statusLabel->SetText(window_->status.Text());
  if (downloading_) SetAttributes(downloadPath_, kAttrHidden);
}

void UpdateSession::Finished(const std::string& message) {
  if (!message.empty() && message[0] == 'N') {
    closeAfterDownload_ = true;
    return;
  }
  if (options_.notifyMode == 1) {
    lastNotice_ = message;
    ShowMessage(message);
  } else if (options_.notifyMode == 2) {
    lastNotice_ = message;
    ShowBalloon("提示", message, 1);
  }
}

void UpdateSession::Announce(const std::string& text, int balloonKind) {
  if (options_.notifyMode == 1) {
    lastNotice_ = text;
    ShowMessage(text, 0, "提示");
  } else if (options_.notifyMode == 2) {
    lastNotice_ = text;
    ShowBalloon("提示", text, balloonKind);
  }
}

// A refused update is always said, whatever the notification mode: the user asked for it.
void UpdateSession::Refuse(const std::string& text) {
  lastNotice_ = text;
  if (options_.statusLabel != nullptr) options_.statusLabel->SetText(text);
  CloseWindow();
  ShowMessage(text, kMessageIconStop, "错误");
}

void UpdateSession::TrayEvent(std::intptr_t mouseMessage) {
  if (!window_) return;
  if (mouseMessage == WM_LBUTTONDOWN && options_.notifyMode == 2) {
    ShowBalloon("更新中..", window_->percent.Text(), 1);
  } else if (mouseMessage == WM_RBUTTONDOWN) {
    const Menu menu = {{kMenuShow, window_->Visible() ? "隐藏窗口(&H)" : "显示窗口(&S)"},
                       {kMenuAbort, "中止下载(&A)", downloading_},
                       {0, ""},
                       {kMenuClose, "关闭(&C)"}};
    switch (PopupMenu(*window_, menu)) {
      case kMenuShow:
        window_->SetVisible(!window_->Visible());
        break;
      case kMenuAbort:
        AbortDownload();
        break;
      case kMenuClose:
        Close();
        break;
      default:
        break;
    }
  } else if (mouseMessage == WM_LBUTTONDBLCLK && options_.notifyMode == 2) {
    if (window_->Visible()) {
      window_->SetVisible(false);
    } else {
      window_->SetVisible(true);
      ShowWindow(static_cast<HWND>(window_->Handle()), SW_RESTORE);
    }
  }
}

void UpdateSession::TaskbarCreated() {
  if (!window_ || !trayShown_) return;
  SetTrayIcon(*window_, false);
  window_->taskbarCreated = AddTrayIcon(*window_, "在线更新", kUpdateTrayMessage);
}

void UpdateSession::AbortDownload() {
  if (downloading_) ProcessDownloader().Abort();
}

void UpdateSession::Close() {
  if (downloading_) {
    closeAfterDownload_ = true;
    ProcessDownloader().Abort();
    return;
  }
  CloseWindow();
}

void UpdateSession::CloseWindow() {
  if (socket_) SocketClose(*socket_);
  if (window_ && IsCreated(*window_)) {
    if (trayShown_) SetTrayIcon(*window_, false);
    window_->SetVisible(false);
    DestroyWindow(*window_);
  }
  trayShown_ = false;
  windowClosed_ = true;
}

bool StartUpdate(const std::string& url, int notifyMode, int checkMode, Control* statusLabel, int labelOnly,
                 int autoInstall) {
  return ProcessUpdate().Start(url, {notifyMode, checkMode, statusLabel, labelOnly, autoInstall});
}

namespace {

std::string FetchLatestVersion(const std::string& pageUrl) {
  std::string headers, error;
  const ByteString page =
      HttpRequest(CompleteUpdateUrl(pageUrl), "GET", "", "", "", "", "", 30, &headers, &error);
  if (!error.empty() || !StatusIsOk(headers)) return "";
  return LatestVersionFromPage(std::string_view(reinterpret_cast<const char*>(page.data()), page.size()));
}

}  // namespace

std::string CheckForUpdate(Window& mainWindow, Label& updateLabel, const std::string& pageUrl,
                           const std::string& updateUrl) {
  const std::string latest = FetchLatestVersion(pageUrl);
  ProcessUpdate().latestVersion = latest;
  updateLabel.SetText(UpdateLabelText(latest));
  if (!VersionIsOffered(latest)) return latest;
  mainWindow.SetVisible(false);
  if (ShowMessage("发现新版本,请更新到 V:" + latest, kMessageOkCancel, "提示") == kButtonOk) {
    // The update ends the program itself once its installer runs.
    StartUpdate(updateUrl, 2);
  } else {
    mainWindow.SetVisible(true);
  }
  return latest;
}

bool UpdateToPublishedVersion(const std::string& pageUrl, const std::string& updateUrl) {
  std::string& latest = ProcessUpdate().latestVersion;
  if (latest.empty()) latest = FetchLatestVersion(pageUrl);
  if (!VersionTextDiffers(latest)) return false;
  return StartUpdate(updateUrl, 2);
}

}  // namespace tarnvel
