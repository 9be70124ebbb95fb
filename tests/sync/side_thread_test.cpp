// The side thread that lets the engine list a source directory and its target at once.
#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "sync/side_thread.h"

namespace tarnvel {
namespace {

TEST(SideThread, RunsTheOtherHalfOnItsOwnThreadAndReturnsWhenBothAreDone) {
  SideThread side;
  std::thread::id hereId, thereId;
  int here = 0, there = 0;
  for (int round = 1; round <= 500; ++round) {
    side.RunAlongside(
        [&] {
          hereId = std::this_thread::get_id();
          ++here;
        },
        [&] {
          thereId = std::this_thread::get_id();
          ++there;
        });
    ASSERT_EQ(here, round);
    ASSERT_EQ(there, round);
  }
  EXPECT_EQ(hereId, std::this_thread::get_id());
  EXPECT_NE(thereId, std::this_thread::get_id());
}

TEST(SideThread, RethrowsEitherSidesFailureAndStaysUsable) {
  SideThread side;
  bool hereRan = false;
  EXPECT_THROW(side.RunAlongside([&] { hereRan = true; }, [] { throw std::runtime_error("there"); }),
               std::runtime_error);
  EXPECT_TRUE(hereRan);
  bool thereRan = false;
  try {
    side.RunAlongside([] { throw std::logic_error("here"); },
                      [&] {
                        thereRan = true;
                        throw std::runtime_error("there");
                      });
    ADD_FAILURE() << "nothing was rethrown";
  } catch (const std::logic_error&) {
    // The caller's own failure comes first.
  }
  EXPECT_TRUE(thereRan);
  int both = 0;
  side.RunAlongside([&] { ++both; }, [&] { ++both; });
  EXPECT_EQ(both, 2);
}

TEST(SideThread, StartsAgainAfterAStop) {
  SideThread side;
  side.Stop();  // never started: nothing to end
  int runs = 0;
  for (int i = 0; i < 3; ++i) {
    side.RunAlongside([] {}, [&] { ++runs; });
    side.Stop();
  }
  EXPECT_EQ(runs, 3);
}

}  // namespace
}  // namespace tarnvel
