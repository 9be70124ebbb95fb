// The target listings read ahead of the walk, over real folders and a lister the test can hold
// in the middle of a listing.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sync/read_ahead.h"
#include "tests/support/sandbox.h"

namespace tarnvel {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Names(const DirectoryListing& listing) {
  std::vector<std::string> names;
  for (const DirectoryEntry& entry : listing.Entries()) names.push_back(entry.name);
  std::sort(names.begin(), names.end());
  return names;
}

// Waits (up to ten seconds) until the condition holds.
template <class Condition>
bool Eventually(Condition condition) {
  for (int i = 0; i < 1000 && !condition(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return condition();
}

class ReadAheadWin : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = test::FreshTestDir();
    for (const char* name : {"a", "a\\x", "ab", "b", "c"}) {
      fs::create_directories(dir_ + name);
      std::ofstream(dir_ + name + "\\f.txt") << name;
    }
  }

  std::string Dir(const std::string& name) const { return dir_ + name + "\\"; }

  // Lists for real; a listing of the held directory, once taken, waits until it is let go.
  DirectoryListing List(const std::string& directory) {
    DirectoryListing listing = DirectoryListing::Of(directory);
    {
      std::lock_guard lock(mutex_);
      calls_.push_back(fs::path(directory).parent_path().filename().string());
    }
    if (directory == held_) {
      holding_ = true;
      while (!letGo_) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return listing;
  }

  std::vector<std::string> Calls() {
    std::lock_guard lock(mutex_);
    return calls_;
  }

  std::string dir_;
  std::string held_;
  std::atomic<bool> holding_{false};
  std::atomic<bool> letGo_{false};
  std::mutex mutex_;
  std::vector<std::string> calls_;
  ReadAhead ahead_{[this](const std::string& directory) { return List(directory); }};
};

// Named later, read first (the walk goes depth first); each is given out once, from its one
// listing.
TEST_F(ReadAheadWin, ReadsWhatWasNamedLastFirstAndGivesEachOutOnce) {
  held_ = Dir("b");
  ahead_.Expect({Dir("a"), Dir("b")});
  ASSERT_TRUE(Eventually([&] { return holding_.load(); }));
  ahead_.Expect({Dir("c"), Dir("a")});  // "a" is named already
  letGo_ = true;
  ASSERT_TRUE(Eventually([&] { return ahead_.ListingsRead() == 3; }));
  EXPECT_EQ(Calls(), (std::vector<std::string>{"a", "b", "c"}));
  for (const char* name : {"c", "a", "b"}) {
    ASSERT_TRUE(ahead_.Claim(Dir(name))) << name;
    const std::vector<std::string> expected =
        name == std::string("a") ? std::vector<std::string>{"f.txt", "x"} : std::vector<std::string>{"f.txt"};
    EXPECT_EQ(Names(ahead_.Collect(Dir(name))), expected) << name;
    EXPECT_FALSE(ahead_.Claim(Dir(name))) << name << " is given out once";
  }
  EXPECT_EQ(ahead_.ListingsTaken(), 3u);
  EXPECT_EQ(Calls().size(), 3u);
}

// A name the reading has not reached is struck off, and the walk lists it itself; the one
// being read is waited for.
TEST_F(ReadAheadWin, ANameNotReachedIsStruckOffAndOneBeingReadIsWaitedFor) {
  held_ = Dir("a");
  ahead_.Expect({Dir("a"), Dir("b")});
  ASSERT_TRUE(Eventually([&] { return holding_.load(); }));
  EXPECT_FALSE(ahead_.Claim(Dir("b")));
  EXPECT_TRUE(ahead_.Claim(Dir("a")));
  std::thread later([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    letGo_ = true;
  });
  EXPECT_EQ(Names(ahead_.Collect(Dir("a"))), (std::vector<std::string>{"f.txt", "x"}));
  later.join();
  ahead_.Drop();
  EXPECT_EQ(Calls(), std::vector<std::string>{"a"}) << "the struck-off name is never read here";
}

// What was read, or was being read, before the walk changed a folder is never given out: the
// folder's listing and those below it are read again; a neighbour whose name only begins the
// same stays.
TEST_F(ReadAheadWin, NothingReadBeforeAChangeIsGivenOut) {
  ahead_.Expect({Dir("a\\x"), Dir("ab")});
  ASSERT_TRUE(Eventually([&] { return ahead_.ListingsRead() == 2; }));
  held_ = Dir("a");
  ahead_.Expect({Dir("a")});
  ASSERT_TRUE(Eventually([&] { return holding_.load(); }));
  std::ofstream(dir_ + "a\\new.txt") << "made by the walk";
  std::ofstream(dir_ + "a\\x\\new.txt") << "made by the walk";
  ahead_.Changed(dir_ + "a");
  letGo_ = true;
  ASSERT_TRUE(Eventually([&] { return ahead_.ListingsRead() == 3; }));

  ASSERT_TRUE(ahead_.Claim(Dir("a")));
  EXPECT_EQ(Names(ahead_.Collect(Dir("a"))), (std::vector<std::string>{"f.txt", "new.txt", "x"}));
  EXPECT_FALSE(ahead_.Claim(Dir("a\\x"))) << "read before the change: dropped";
  ASSERT_TRUE(ahead_.Claim(Dir("ab")));
  EXPECT_EQ(Names(ahead_.Collect(Dir("ab"))), std::vector<std::string>{"f.txt"});
}

// The reading pauses while what it holds is over the budget, and goes on once the walk takes
// it; Drop forgets what is left.
TEST_F(ReadAheadWin, TheBudgetPausesTheReadingAndDropForgetsTheRest) {
  ahead_.SetBudget(0);
  ahead_.Expect({Dir("a"), Dir("b"), Dir("c")});
  ASSERT_TRUE(Eventually([&] { return ahead_.ListingsRead() == 1; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(ahead_.ListingsRead(), 1u);
  ASSERT_TRUE(ahead_.Claim(Dir("a")));
  ahead_.Collect(Dir("a"));
  ASSERT_TRUE(Eventually([&] { return ahead_.ListingsRead() == 2; }));
  ahead_.Drop();
  EXPECT_FALSE(ahead_.Claim(Dir("b")));
  EXPECT_FALSE(ahead_.Claim(Dir("c")));
}

}  // namespace
}  // namespace tarnvel
