// The main-window engine's one owner of the state a run shares: the stop flag, the run's
// totals, the "run in progress" guard and the roots of the job in hand, together with the
// controls it works through and the hooks the layers above provide. Every walker takes the
// engine by reference; nothing of a run lives in globals.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "runtime/values.h"
#include "sync/directory_listing.h"
#include "sync/kept_versions.h"
#include "sync/main_controls.h"
#include "sync/run_report.h"
#include "sync/system_folders.h"
#include "sync/walk_roots.h"

namespace tarnvel {

// The counters of one main-window run. Sizes and byte counts are 64-bit.
struct RunTotals {
  std::uint32_t startTick = 0;       // TickCount() when the run began
  std::int64_t dataTotal = 0;        // bytes of every file examined, copied or not
  std::int64_t currentFileSize = 0;  // the latest progress call's figures
  std::int64_t currentBytesDone = 0;
  std::int64_t previousBytesDone = 0;  // currentBytesDone at the last speed tick
  std::int32_t replacedFiles = 0;      // copies over an existing target file
};

// What the layers above the engine supply. Every hook may be left empty.
struct SyncHooks {
  // Dispatches pending window messages (the stop control's click, the speed timer, repaints).
  std::function<void()> processEvents;
  // Stores the source and target boxes' texts as the run starts them (the settings store).
  std::function<void(const std::string& source, const std::string& target)> storeJobBoxes;
  // Whether the main window is on screen: the completion message is shown only then.
  std::function<bool()> mainWindowVisible;
  // Starts and stops the one-second speed timer; the engine's default uses a thread timer.
  std::function<void(std::function<void()> onTick)> startSpeedTimer;
  std::function<void()> stopSpeedTimer;
  // The portable configuration file; empty means "Tarnvel.ini" in the program's directory.
  std::string portableIniPath;
  // Pending messages are dispatched after an entry at most this often (milliseconds of tick
  // count); 0 dispatches after every entry. Every dispatch brings the coalesced display
  // changes into the window, which under a visible list box costs milliseconds.
  std::uint32_t eventInterval = 100;
  // The folders no clean-up may target; empty means the system's own (TheSystemLocations).
  std::function<SystemLocations()> systemLocations;
};

class SyncEngine {
 public:
  explicit SyncEngine(MainControls& controls, SyncHooks hooks = {});
  SyncEngine(const SyncEngine&) = delete;
  SyncEngine& operator=(const SyncEngine&) = delete;

  MainControls& Controls() { return controls_; }
  SyncHooks& Hooks() { return hooks_; }
  RunTotals& Totals() { return totals_; }
  // The roots of the job in hand, resolved from the boxes once when the job starts, so that an
  // edit of a box during a walk cannot re-aim it.
  const WalkRoots& Roots() const { return roots_; }
  WalkRoots& MutableRoots() { return roots_; }
  void SetRoots(WalkRoots roots) { roots_ = std::move(roots); }

  // What the run could not do; cleared when a run starts.
  RunReport& Report() { return report_; }

  // The stop control: every walker leaves its loop after the entry in hand. May be called
  // from any thread.
  void RequestStop() { stopRequested_.store(1); }
  // The stop control was used, or the job in hand stopped on its own (its report says why).
  bool StopRequested() const { return StopRequestedByUser() || !report_.StopReason().empty(); }
  bool StopRequestedByUser() const { return stopRequested_.load() == 1; }
  void ClearStop() { stopRequested_.store(0); }

  bool Running() const { return running_; }

  // Listings shared between the walks of the job in hand.
  ListingCache& Listings() { return listings_; }

  // The kept versions of the job in hand (off while the retention is 0).
  KeptVersions& Versions() { return versions_; }
  void SetVersions(KeptVersions versions) { versions_ = std::move(versions); }
  // When the run in hand started: its versions' folder is named after it.
  DateTime RunStart() const { return runStart_; }
  void SetRunStart(DateTime start) { runStart_ = start; }

  // A preview walks and shows what a run would do, and changes nothing on disk.
  bool Previewing() const { return previewing_; }
  void SetPreviewing(bool on) { previewing_ = on; }

  // Whether someone can be asked before a clean-up that would remove most of a target: the
  // user who started the run from the visible window. Otherwise such a clean-up is held back.
  bool UserCanConfirm() const { return userCanConfirm_; }
  void SetUserCanConfirm(bool on) { userCanConfirm_ = on; }

  // Dispatches pending messages, at most once per eventInterval.
  void PumpEvents();
  // Dispatches pending messages now (the runner's own points between jobs).
  void PumpEventsNow();

 private:
  friend class RunGuard;
  MainControls& controls_;
  SyncHooks hooks_;
  RunTotals totals_;
  WalkRoots roots_;
  RunReport report_;
  ListingCache listings_;
  KeptVersions versions_;
  DateTime runStart_;
  bool previewing_ = false;
  bool userCanConfirm_ = false;
  std::atomic<int> stopRequested_{0};
  bool running_ = false;
  bool pumpedOnce_ = false;
  std::uint32_t lastPump_ = 0;
};

// Marks a run in progress for its lifetime; a second guard while one lives is refused.
class RunGuard {
 public:
  explicit RunGuard(SyncEngine& engine);
  ~RunGuard();
  RunGuard(const RunGuard&) = delete;
  RunGuard& operator=(const RunGuard&) = delete;
  bool Acquired() const { return acquired_; }

 private:
  SyncEngine& engine_;
  bool acquired_;
};

}  // namespace tarnvel
