// Ctrl+C (and SIGTERM) for a running analysis: the signal is taken by a watcher thread, which cancels the job the
// way the Cancel command does. The job then cleans up (tray unlocked, finished tracks reported). A second signal
// ends the process at once, for a process stuck in a call that does not return (a drive, a full pipe): its
// temporary files are removed and it exits with 128 plus the signal's number.
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
  // Blocks SIGINT and SIGTERM in this thread and in every thread it starts later; create it first thing. The
  // destructor, on the same thread, unblocks them.
  InterruptWatch();
  ~InterruptWatch();

  // Workers to cancel when a signal arrives; a worker added after the signal is cancelled at once. Once
  // Unwatch(worker) has returned, the watcher no longer touches it.
  void Watch(AnalysisThread* worker);
  void Unwatch(AnalysisThread* worker);
  // Cancels every worker as a signal does, without one (an output that can no longer be written).
  void Stop();
  // A signal arrived, or Stop was called.
  bool Interrupted() const { return stopped_; }
  // The exit status for an interrupted run: 130 for SIGINT, 143 for SIGTERM; 0 when no signal arrived.
  int SignalExitStatus() const { return signal_ ? 128 + signal_.load() : 0; }

 private:
  void CancelAll();

  std::mutex mutex_;
  std::set<AnalysisThread*> workers_;  // guarded by mutex_
  std::atomic<bool> stopped_{false};
  std::atomic<int> signal_{0};  // the first signal's number
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

inline constexpr int kInterruptedExitStatus = 130;

}  // namespace ossel::cli
