// Ctrl+C (and SIGTERM) for a running analysis: the signal is taken by a watcher thread, which cancels the job the
// way the Cancel command does. The job then cleans up (tray unlocked, finished tracks reported).
#pragma once

#include <atomic>
#include <mutex>
#include <thread>

namespace ossel {
class AnalysisThread;
}

namespace ossel::cli {

class InterruptWatch {
 public:
  // Blocks SIGINT and SIGTERM in this thread and in every thread it starts later; create it first thing.
  InterruptWatch();
  ~InterruptWatch();

  // The worker to cancel when a signal arrives (null for none). Once Watch(nullptr) has returned, the watcher no
  // longer touches the worker it had.
  void Watch(AnalysisThread* worker);
  bool Interrupted() const { return interrupted_; }

 private:
  std::mutex mutex_;
  AnalysisThread* worker_ = nullptr;  // guarded by mutex_
  std::atomic<bool> interrupted_{false};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

inline constexpr int kInterruptedExitStatus = 130;

}  // namespace ossel::cli
