// A second thread for work that can overlap the caller's own: under Wine most of the time of a
// directory listing is spent waiting for the server, so listing a source directory and its
// target counterpart at the same time takes little more than one listing.
#pragma once

#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace tarnvel {

class SideThread {
 public:
  SideThread() = default;
  ~SideThread() { Stop(); }
  SideThread(const SideThread&) = delete;
  SideThread& operator=(const SideThread&) = delete;

  // Runs `there` on the side thread while `here` runs on the calling thread, and returns when
  // both have finished. The thread starts with the first call; where it cannot be started both
  // run here, `there` first. An exception of either is rethrown here, the caller's first. Not
  // re-entrant, and only one thread may call it.
  void RunAlongside(const std::function<void()>& here, const std::function<void()>& there);

  // Ends the thread (it starts again with the next call).
  void Stop();

 private:
  enum State { kIdle, kPosted, kDone, kQuit };
  void Loop();
  // Waits, briefly spinning and then blocking, until the state is one of the two.
  State AwaitState(State a, State b, std::condition_variable& signal);
  void SetState(State state, std::condition_variable& signal);

  std::mutex mutex_;
  std::condition_variable posted_;
  std::condition_variable done_;
  std::atomic<State> state_{kIdle};
  const std::function<void()>* job_ = nullptr;
  std::exception_ptr failure_;
  std::thread thread_;
};

}  // namespace tarnvel
