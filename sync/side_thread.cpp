#include "sync/side_thread.h"

#include <system_error>
#include <utility>

namespace tarnvel {
namespace {

// A listing pair is a fraction of a millisecond apart from the next one, so a short spin finds
// the work without the cost of a sleep and a wake-up; a longer pause (a file being copied)
// blocks.
constexpr int kSpins = 2000;

}  // namespace

void SideThread::RunAlongside(const std::function<void()>& here, const std::function<void()>& there) {
  if (!thread_.joinable()) {
    try {
      state_.store(kIdle);
      thread_ = std::thread(&SideThread::Loop, this);
    } catch (const std::system_error&) {
      there();
      here();
      return;
    }
  }
  job_ = &there;
  failure_ = nullptr;
  SetState(kPosted, posted_);
  std::exception_ptr mine;
  try {
    here();
  } catch (...) {
    mine = std::current_exception();
  }
  AwaitState(kDone, kDone, done_);
  state_.store(kIdle);
  job_ = nullptr;
  if (mine) std::rethrow_exception(mine);
  if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

void SideThread::Stop() {
  if (!thread_.joinable()) return;
  SetState(kQuit, posted_);
  thread_.join();
  state_.store(kIdle);
}

void SideThread::Loop() {
  for (;;) {
    if (AwaitState(kPosted, kQuit, posted_) == kQuit) return;
    try {
      (*job_)();
    } catch (...) {
      failure_ = std::current_exception();
    }
    SetState(kDone, done_);
  }
}

SideThread::State SideThread::AwaitState(State a, State b, std::condition_variable& signal) {
  for (int i = 0; i < kSpins; ++i) {
    const State s = state_.load();
    if (s == a || s == b) return s;
    std::this_thread::yield();
  }
  State seen = kIdle;
  std::unique_lock lock(mutex_);
  signal.wait(lock, [&] {
    seen = state_.load();
    return seen == a || seen == b;
  });
  return seen;
}

void SideThread::SetState(State state, std::condition_variable& signal) {
  {
    // Under the lock, so that a waiter between its test and its sleep cannot miss the change.
    std::lock_guard lock(mutex_);
    state_.store(state);
  }
  signal.notify_one();
}

}  // namespace tarnvel
