// Real trees in the sandbox for the engine's tests, and an engine over windowless controls.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "sync/main_controls.h"
#include "sync/sync_engine.h"

namespace tarnvel::test {

// Writes a file (parents created) with the given content.
void WriteTextFile(const std::string& path, const std::string& content);
std::string ReadTextFile(const std::string& path);
bool Exists(const std::string& path);
// Last-write time as FILETIME (100 ns since 1601), read and set through the system directly.
std::uint64_t WriteTimeOf(const std::string& path);
void SetWriteTime(const std::string& path, std::uint64_t fileTime);
std::uint32_t RawAttributes(const std::string& path);
void SetRawAttributes(const std::string& path, std::uint32_t attributes);

inline constexpr std::uint64_t kSomeTime = 130000000000000000ull;  // 2012-12-17
inline constexpr std::uint64_t kOneMillisecond = 10000;

// Makes every file and directory below the folder writable again, so that the next run's fresh
// sandbox folder can be removed (a read-only file cannot be deleted).
void ClearAttributesBelow(const std::string& directory);

// Every line of a list box.
std::vector<std::string> Lines(const ListBox& box);

// Compares two trees as the file system holds them, with std::filesystem and the system's
// attribute call: the same relative paths (names beginning with "." left out on both sides),
// the same kinds, file contents byte for byte, last-write times to the millisecond. Returns
// the differences, one line each; empty when the trees agree.
std::vector<std::string> CompareTrees(const std::string& left, const std::string& right);

// Controls and an engine on them, with events dispatched after every entry through `onEvents`.
struct EngineRig {
  EngineRig();
  void SetJob(const std::string& source, const std::string& target, bool cleanUp = false);
  MainControls controls;
  SyncEngine engine;
  std::function<void()> onEvents;
  int eventCount = 0;
};

// A test over one fresh folder with a source tree Src\ and a target tree Dst\ in it, and an
// engine on windowless controls; attributes below the folder are cleared afterwards so the
// next run can remove it.
class SyncTreeTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::string dir, src, dst;
  EngineRig rig;
};

}  // namespace tarnvel::test
