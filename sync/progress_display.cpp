#include "sync/progress_display.h"

#include "runtime/arith.h"
#include "runtime/convert.h"
#include "runtime/datetime.h"
#include "sync/file_info.h"
#include "sync/sync_engine.h"

namespace tarnvel {

int CopyPercent(std::int64_t totalBytes, std::int64_t bytesDone) {
  if (totalBytes <= 0) return 0;
  return static_cast<int>(static_cast<double>(bytesDone) / static_cast<double>(totalBytes) * 100.0);
}

std::string TransferText(std::int64_t bytesDone, std::int64_t totalBytes) {
  return ToText(static_cast<std::int64_t>(bytesDone / 1000)) + "KB /" +
         ToText(static_cast<std::int64_t>(totalBytes / 1000)) + " KB";
}

std::string SpeedText(std::int64_t bytesInLastSecond) {
  const double kilobytes = Round(static_cast<double>(bytesInLastSecond) * 1.2 / 1024.0, 1);
  return ToText(kilobytes) + " k/s";
}

std::string CounterText(const char* prefix, const ListBox& log) {
  return std::string(prefix) + ToText(static_cast<std::int32_t>(ListBoxCount(log))) + "个";
}

void AppendToLog(ListBox& log, const std::string& line) {
  const int index = ListBoxAdd(log, line);
  log.Select(index);
}

int OnCopyProgress(SyncEngine& engine, std::int64_t totalBytes, std::int64_t bytesDone) {
  MainControls& c = engine.Controls();
  c.fileProgress.SetPosition(CopyPercent(totalBytes, bytesDone));
  c.filePercentage.SetText(ToText(static_cast<std::int32_t>(c.fileProgress.Position())) + "%");
  c.transferFigures.SetText(TransferText(bytesDone, totalBytes));
  RunTotals& totals = engine.Totals();
  totals.currentFileSize = totalBytes;
  totals.currentBytesDone = bytesDone;
  engine.PumpEvents();
  return 0;
}

void OnSpeedTick(SyncEngine& engine) {
  RunTotals& totals = engine.Totals();
  MainControls& c = engine.Controls();
  if (totals.previousBytesDone != 0) {
    const std::int64_t delta = totals.currentBytesDone - totals.previousBytesDone;
    if (delta > 0) c.speed.SetText(SpeedText(delta));
  }
  totals.previousBytesDone = totals.currentBytesDone;
  const std::uint32_t elapsed = (TickCount() - totals.startTick) / 1000u;
  c.elapsedTime.SetText(DurationText(static_cast<std::int32_t>(elapsed)));
}

}  // namespace tarnvel
