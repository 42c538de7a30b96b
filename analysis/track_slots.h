// How many tracks may be read at once across the jobs of several discs that run side by side (the command line's
// library runs): each track takes a slot while it is read and gives it back when it is done.
#pragma once

#include <condition_variable>
#include <mutex>

namespace ossel {

class TrackSlots {
 public:
  explicit TrackSlots(int count) : free_(count < 1 ? 1 : count) {}

  // Waits for a free slot.
  void Acquire() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return free_ > 0; });
    --free_;
  }
  bool TryAcquire() {
    std::lock_guard lock(mutex_);
    if (free_ == 0) return false;
    --free_;
    return true;
  }
  void Release() {
    {
      std::lock_guard lock(mutex_);
      ++free_;
    }
    changed_.notify_one();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int free_;
};

}  // namespace ossel
