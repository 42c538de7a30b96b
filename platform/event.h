// A manual-reset event: stays signalled from Set until Reset, and every waiter sees it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace ossel {

class ManualResetEvent {
 public:
  explicit ManualResetEvent(bool signalled = false) : signalled_(signalled) {}

  void Set() {
    {
      std::lock_guard lock(mutex_);
      signalled_ = true;
    }
    changed_.notify_all();
  }
  void Reset() {
    std::lock_guard lock(mutex_);
    signalled_ = false;
  }
  // Tests the event without waiting.
  bool IsSet() const {
    std::lock_guard lock(mutex_);
    return signalled_;
  }
  // Waits until the event is signalled or the time is up; true when signalled.
  template <class Rep, class Period>
  bool WaitFor(std::chrono::duration<Rep, Period> timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return signalled_; });
  }

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  bool signalled_;
};

}  // namespace ossel
