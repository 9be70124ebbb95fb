// The on-line update: the version check, and the update window that probes the server for the
// update file's size, downloads the file, checks its signature and hands it to the installer
// batch, which replaces the program file and starts the new program.
//
//   StartUpdate(UpdateFileUrl(), 2);  // balloons; direct mode
//
// One UpdateSession owns the state of the process's update (a new StartUpdate replaces it);
// everything runs on the user-interface thread, driven by the window's and the socket's events.
// Nothing is installed unless its detached signature (the file's URL + ".sig") checks with the
// program's built-in key, and every file of an update lies in the program's own directory.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "runtime/controls.h"
#include "runtime/socket.h"
#include "runtime/values.h"
#include "runtime/window.h"

namespace tarnvel {

// The update file's URL and the server's configuration page: the build's settings, unless the
// environment variables TARNVEL_UPDATE_URL / TARNVEL_UPDATE_PAGE name others (a test's server;
// harmless, since only a file signed with the built-in key is ever installed).
std::string UpdateFileUrl();
std::string UpdatePageUrl();

// The arguments of StartUpdate after the URL.
struct UpdateOptions {
  int notifyMode = 0;              // 0 silent, 1 message boxes, 2 balloons
  int checkMode = 1;               // 0 compare sizes first, 1 offer directly
  Control* statusLabel = nullptr;  // mirrors the download's status text
  int labelOnly = 0;               // compare mode: only set statusLabel to "发现新版本"
  int autoInstall = 1;             // a URL with "exe" is fetched and installed without asking
};

// What the session does outside its window; tests replace these.
struct UpdateHooks {
  std::string programDirectory;  // "" = the running program's
  std::string programName;       // "" = the running program's
  unsigned long processId = 0;   // 0 = this process
  bool keyGiven = false;         // false = the built-in key
  ByteString publicKey;
  // Runs the written batch (hidden, no wait) with the command line given, from the batch's
  // folder. Default: the command interpreter.
  std::function<void(const std::string& batchPath, const std::string& commandLine)> runBatch;
  // Opens the browser on a URL. Default: "explorer.exe" with the URL.
  std::function<void(const std::string& url)> openBrowser;
  // Called once the batch runs: saves what must be saved. Default: nothing.
  std::function<void()> beforeEnd;
  // Ends the program. Default: ExitProcess(0).
  std::function<void()> endProgram;
  // Whether a run of the program is in progress: an install that becomes ready then waits
  // until RunReturned, so that no backup is cut off. Default: none ever is.
  std::function<bool()> runInProgress;
};

class UpdateWindow;

class UpdateSession {
 public:
  UpdateSession();
  ~UpdateSession();
  UpdateSession(const UpdateSession&) = delete;
  UpdateSession& operator=(const UpdateSession&) = delete;

  // Stores the state, opens the update window and sends the probe (or, for an "https://" URL,
  // asks for the size over the system's Internet client). Returns at once. False when nothing
  // was started: a download is in progress, or the URL names no host and file.
  bool Start(const std::string& url, const UpdateOptions& options);

  // The pop-up menu's commands: abort a running download; close the window (a running download
  // is aborted first; an install that waits for a run is called off and its file deleted).
  void AbortDownload();
  void Close();
  // The program's run has returned: an install that was waiting for it proceeds now (and ends
  // the program). Nothing happens while a run is still in progress.
  void RunReturned();
  bool InstallWaiting() const { return !waitingInstall_.empty(); }

  UpdateHooks& Hooks() { return hooks_; }
  bool WindowOpen() const;
  bool Downloading() const { return downloading_; }
  UpdateWindow* Window() const { return window_.get(); }

  // The state as the handlers use it.
  const std::string& UpdateUrl() const { return updateUrl_; }
  const UpdateOptions& Options() const { return options_; }
  std::int64_t RemoteLength() const { return remoteLength_; }
  const std::string& RarPath() const { return rarPath_; }
  std::string latestVersion;  // the server's version text, as the last check found it
  // The last thing the session told the user (a message or a balloon), for the tests.
  const std::string& LastNotice() const { return lastNotice_; }

  // The socket's and the downloader's events.
  void ProbeArrived();
  void ProbeClosed();
  void Progress(std::int64_t totalBytes, int kilobytesPerSecond, int percent);
  void Finished(const std::string& message);
  // The tray icon's mouse events (the mouse message) and the taskbar's re-creation.
  void TrayEvent(std::intptr_t mouseMessage);
  void TaskbarCreated();

 private:
  friend class UpdateWindow;
  void WindowCreated();
  void ProbeAnswered();
  void CompareModeAnswer();
  void DirectModeAnswer();
  void OpenInBrowser();
  void Download(const std::string& localPath);
  bool Install(const std::string& localPath);
  void Announce(const std::string& text, int balloonKind);
  void Refuse(const std::string& text);
  bool RunInProgress() const;
  void CloseWindow();
  std::string ProgramDirectory() const;
  std::string ProgramName() const;
  std::string InProgramDirectory(const std::string& name) const;

  UpdateHooks hooks_;
  UpdateOptions options_;
  std::string updateUrl_;  // as handed in
  std::string fullUrl_;    // with its scheme
  std::int64_t remoteLength_ = 0;
  std::string rarPath_;
  std::string downloadPath_;
  std::string waitingInstall_;  // a verified download that waits for the run to return
  std::string lastNotice_;
  bool probeAnswered_ = false;
  bool downloading_ = false;
  bool closeAfterDownload_ = false;
  bool trayShown_ = false;
  bool windowClosed_ = true;
  std::unique_ptr<UpdateWindow> window_;
  std::unique_ptr<ClientSocket> socket_;
};

// The process's update.
UpdateSession& ProcessUpdate();

// Starts the process's update; see UpdateSession::Start.
bool StartUpdate(const std::string& url, int notifyMode = 0, int checkMode = 1,
                 Control* statusLabel = nullptr, int labelOnly = 0, int autoInstall = 1);

// The version check: fetches the configuration page, shows "这里更新到 V:" and the version on
// `updateLabel`, and when the published version differs in number from the program's, hides
// `mainWindow` and asks; on OK starts the update with balloons, on Cancel shows the window again.
// Returns the published version ("" when the page could not be had).
std::string CheckForUpdate(Window& mainWindow, Label& updateLabel, const std::string& pageUrl,
                           const std::string& updateUrl);

// The update command that compares texts: fetches the version when none is known yet and starts
// the update with balloons when the published text differs from the program's.
bool UpdateToPublishedVersion(const std::string& pageUrl, const std::string& updateUrl);

}  // namespace tarnvel
