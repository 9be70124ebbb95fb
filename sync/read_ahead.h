// Target listings read ahead of the walk. The walk names the target directories it will enter
// next, and a thread of their own lists them in that order while the walk lists the source side
// itself: each tree is then listed by one thread without waiting for the other, level by level.
//
// A listing read ahead is only as good as the moment it was read. The walk therefore keeps to
// two rules, and this class holds it to them:
//  - it changes a directory's content only after it has taken that directory's listing, and it
//    names only directories it will enter: one it moves or removes whole is entered first (a
//    directory being listed is held open, and the system refuses to move it);
//  - a change it makes to a named directory itself before entering it (a new spelling) is
//    reported through Changed, which drops whatever was read of it, or is being read.
// What the walk has not taken is dropped when the walk ends (Drop): a listing never outlives the
// walk that named it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sync/directory_listing.h"

namespace tarnvel {

// A lock held for a few map operations. Under Wine a blocking mutex or condition variable goes
// through the server with every wait and wake-up, the server the listings wait for; a thread
// here yields briefly and then sleeps, which Wine does without the server.
class SpinLock {
 public:
  void lock();
  void unlock() { held_.store(false, std::memory_order_release); }

 private:
  std::atomic<bool> held_{false};
};

class ReadAhead {
 public:
  using Lister = std::function<DirectoryListing(const std::string& directory)>;
  static constexpr std::size_t kDefaultBudget = 16u << 20;

  explicit ReadAhead(Lister lister = &DirectoryListing::Of);
  ~ReadAhead();
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // The listings read and not yet taken hold at most about this many bytes; the reading pauses
  // there until the walk takes some.
  void SetBudget(std::size_t bytes);

  // The directories the walk will enter next, in the order it will enter them; they are read
  // before anything named earlier (the walk goes depth first). One named already is not
  // named twice.
  void Expect(const std::vector<std::string>& directories);

  // Whether the directory's listing comes from here: true when it is being read or has been
  // read (Collect then gives it). A directory named but not reached yet is struck off (false):
  // the caller lists it at once rather than wait its turn.
  bool Claim(const std::string& directory);
  // The claimed directory's listing, waiting while it is being read. One that Changed made
  // stale is listed again here.
  DirectoryListing Collect(const std::string& directory);

  // The walk has changed the entry at `path` (renamed, made, removed or replaced it): nothing
  // read of it or below it before now is given out.
  void Changed(const std::string& path);

  // Forgets everything named and read; a listing being read is waited for and dropped.
  void Drop();
  // Drop, and the thread ends (it starts again with the next Expect).
  void Stop();

  // Listings read here, and taken by the walk.
  std::uint64_t ListingsRead() const;
  std::uint64_t ListingsTaken() const;

 private:
  enum class State { kNamed, kReading, kRead };
  struct Entry {
    State state = State::kNamed;
    std::string directory;  // as the walk named it
    std::uint64_t ticket = 0;
    bool stale = false;
    DirectoryListing listing;
    std::size_t bytes = 0;
  };
  using Entries = std::map<std::string, Entry>;  // by Key: ordered, so a subtree is one range

  static std::string Key(const std::string& path);
  void Read();
  Entries::iterator EraseLocked(Entries::iterator it);
  void DropLocked(std::unique_lock<SpinLock>& lock);

  Lister lister_;
  mutable SpinLock lock_;
  Entries entries_;
  std::deque<std::pair<std::string, std::uint64_t>> queue_;  // key and ticket, next first
  std::thread thread_;
  std::size_t bytes_ = 0;
  std::size_t budget_ = kDefaultBudget;
  std::uint64_t tickets_ = 0;
  std::uint64_t read_ = 0;
  std::uint64_t taken_ = 0;
  bool reading_ = false;
  bool quit_ = false;
  std::atomic<bool> walkWaits_{false};
  void* readDone_ = nullptr;  // an event, set when a reading ends while the walk waits
};

}  // namespace tarnvel
