// Ctrl+C (and SIGTERM) for a running analysis: the signal is taken by a watcher thread, which cancels the job the
// way the Cancel command does. The job then cleans up (tray unlocked, finished tracks reported).
#pragma once

#include <atomic>
#include <mutex>
#include <set>
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

  // Workers to cancel when a signal arrives; a worker added after the signal is cancelled at once. Once
  // Unwatch(worker) has returned, the watcher no longer touches it.
  void Watch(AnalysisThread* worker);
  void Unwatch(AnalysisThread* worker);
  bool Interrupted() const { return interrupted_; }

 private:
  std::mutex mutex_;
  std::set<AnalysisThread*> workers_;  // guarded by mutex_
  std::atomic<bool> interrupted_{false};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

inline constexpr int kInterruptedExitStatus = 130;

}  // namespace ossel::cli
