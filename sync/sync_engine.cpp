#include "sync/sync_engine.h"

#include "runtime/datetime.h"
#include "sync/progress_display.h"

namespace tarnvel {

SyncEngine::SyncEngine(MainControls& controls, SyncHooks hooks) : controls_(controls), hooks_(std::move(hooks)) {
  report_.onFailure = [this](const std::string& line) { AppendToLog(controls_.failuresLog, line); };
}

void SyncEngine::PumpEvents() {
  const std::uint32_t now = TickCount();
  if (pumpedOnce_ && hooks_.eventInterval != 0 && now - lastPump_ < hooks_.eventInterval) return;
  PumpEventsNow();
}

void SyncEngine::PumpEventsNow() {
  pumpedOnce_ = true;
  lastPump_ = TickCount();
  if (hooks_.processEvents) hooks_.processEvents();
}

RunGuard::RunGuard(SyncEngine& engine) : engine_(engine), acquired_(!engine.running_) {
  if (acquired_) engine_.running_ = true;
}

RunGuard::~RunGuard() {
  if (acquired_) engine_.running_ = false;
}

}  // namespace tarnvel
