#include <windows.h>

#include "sync/read_ahead.h"

#include <chrono>
#include <system_error>
#include <utility>

#include "sync/path_helpers.h"

namespace tarnvel {
namespace {

// A lock is held for a few map operations: a waiter yields this many times before it sleeps.
constexpr int kSpins = 100;
// A reader with nothing to read sleeps this long between looks, never yielding in a loop: that
// would take the processor from the walk and the server.
constexpr auto kIdlePause = std::chrono::milliseconds(1);

}  // namespace

void SpinLock::lock() {
  for (int round = 0; held_.exchange(true, std::memory_order_acquire); ++round) {
    if (round < kSpins) {
      std::this_thread::yield();
    } else {
      std::this_thread::sleep_for(kIdlePause);
    }
  }
}

ReadAhead::ReadAhead(Lister lister)
    : lister_(std::move(lister)), readDone_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

ReadAhead::~ReadAhead() {
  Stop();
  if (readDone_ != nullptr) CloseHandle(readDone_);
}

void ReadAhead::SetBudget(std::size_t bytes) {
  std::lock_guard lock(lock_);
  budget_ = bytes;
}

std::string ReadAhead::Key(const std::string& path) { return NormalisePath(path) + "\\"; }

void ReadAhead::Expect(const std::vector<std::string>& directories) {
  if (directories.empty()) return;
  std::lock_guard lock(lock_);
  if (!thread_.joinable()) {
    try {
      thread_ = std::thread(&ReadAhead::Read, this);
    } catch (const std::system_error&) {
      return;  // the walk lists everything itself
    }
  }
  // In front, last first, so that the first named is read first.
  for (auto it = directories.rbegin(); it != directories.rend(); ++it) {
    std::string key = Key(*it);
    if (entries_.count(key) != 0) continue;
    Entry entry;
    entry.directory = *it;
    entry.ticket = ++tickets_;
    queue_.emplace_front(key, entry.ticket);
    entries_.emplace(std::move(key), std::move(entry));
  }
}

bool ReadAhead::Claim(const std::string& directory) {
  std::lock_guard lock(lock_);
  if (entries_.empty()) return false;
  const auto it = entries_.find(Key(directory));
  if (it == entries_.end()) return false;
  if (it->second.state != State::kNamed) return true;
  EraseLocked(it);  // its place in the queue is passed over: no entry holds its ticket
  return false;
}

DirectoryListing ReadAhead::Collect(const std::string& directory) {
  const std::string key = Key(directory);
  std::unique_lock lock(lock_);
  auto it = entries_.find(key);
  // The walk has caught up with the reading: it waits on an event, leaving the processor to it.
  for (int round = 0; it != entries_.end() && it->second.state == State::kReading; ++round) {
    lock.unlock();
    if (round < kSpins / 10) {
      std::this_thread::yield();
    } else {
      walkWaits_.store(true);
      WaitForSingleObject(readDone_, 1);
      walkWaits_.store(false);
    }
    lock.lock();
    it = entries_.find(key);
  }
  if (it == entries_.end() || it->second.state != State::kRead || it->second.stale) {
    if (it != entries_.end()) EraseLocked(it);
    lock.unlock();
    return lister_(directory);
  }
  DirectoryListing listing = std::move(it->second.listing);
  EraseLocked(it);
  ++taken_;
  return listing;
}

void ReadAhead::Changed(const std::string& path) {
  const std::string prefix = Key(path);
  std::lock_guard lock(lock_);
  auto it = entries_.lower_bound(prefix);
  while (it != entries_.end() && it->first.compare(0, prefix.size(), prefix) == 0) {
    if (it->second.state == State::kRead) {
      it = EraseLocked(it);
    } else {
      // Being read: read before the change ended, so never given out. Not read yet: it will be
      // read as the change left it.
      if (it->second.state == State::kReading) it->second.stale = true;
      ++it;
    }
  }
}

void ReadAhead::Drop() {
  std::unique_lock lock(lock_);
  DropLocked(lock);
}

void ReadAhead::Stop() {
  std::unique_lock lock(lock_);
  if (!thread_.joinable()) return;
  DropLocked(lock);
  quit_ = true;
  lock.unlock();
  thread_.join();
  lock.lock();
  quit_ = false;
}

std::uint64_t ReadAhead::ListingsRead() const {
  std::lock_guard lock(lock_);
  return read_;
}

std::uint64_t ReadAhead::ListingsTaken() const {
  std::lock_guard lock(lock_);
  return taken_;
}

ReadAhead::Entries::iterator ReadAhead::EraseLocked(Entries::iterator it) {
  bytes_ -= it->second.bytes;
  return entries_.erase(it);
}

void ReadAhead::DropLocked(std::unique_lock<SpinLock>& lock) {
  while (reading_) {
    lock.unlock();
    std::this_thread::sleep_for(kIdlePause);
    lock.lock();
  }
  entries_.clear();
  queue_.clear();
  bytes_ = 0;
}

void ReadAhead::Read() {
  std::unique_lock lock(lock_);
  for (;;) {
    if (quit_) return;
    if (queue_.empty() || bytes_ > budget_) {
      lock.unlock();
      std::this_thread::sleep_for(kIdlePause);
      lock.lock();
      continue;
    }
    const auto [key, ticket] = queue_.front();
    queue_.pop_front();
    const auto it = entries_.find(key);
    if (it == entries_.end() || it->second.ticket != ticket || it->second.state != State::kNamed) continue;
    it->second.state = State::kReading;
    const std::string directory = it->second.directory;
    reading_ = true;
    lock.unlock();
    DirectoryListing listing = lister_(directory);
    lock.lock();
    reading_ = false;
    ++read_;
    // Still there: Claim, Collect, Changed and Drop never remove an entry being read.
    Entry& entry = entries_.at(key);
    entry.bytes = listing.Bytes();
    entry.listing = std::move(listing);
    entry.state = State::kRead;
    bytes_ += entry.bytes;
    if (walkWaits_.load()) SetEvent(readDone_);
  }
}

}  // namespace tarnvel
