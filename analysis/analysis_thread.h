// The analysis worker: one thread that waits for UM_ANALYZE_DISC and runs the analyze-disc job.
//
// The job lock is held by the worker for the whole of a job; user commands try it and give up at once, the drive
// change and closing wait for it. The cancel event (manual reset) asks a running job to stop before its next read.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/event.h"

namespace ossel {

class AnalysisThread {
 public:
  // `job` runs on the worker for every UM_ANALYZE_DISC; it is handed this object.
  using Job = std::function<void(AnalysisThread&)>;

  // Starts the thread at once.
  explicit AnalysisThread(Job job);
  // Signals the cancel event, lets a running job end, and stops the thread before the object goes away.
  ~AnalysisThread();
  AnalysisThread(const AnalysisThread&) = delete;
  AnalysisThread& operator=(const AnalysisThread&) = delete;

  // Posts a thread message; UM_ANALYZE_DISC is the only one the worker acts on.
  void PostThreadMessage(unsigned message);
  // Resets the cancel event and posts UM_ANALYZE_DISC (the panel holds the job lock while it does this).
  void QueueJob();
  // Signals the cancel event; nothing waits.
  void Cancel() { cancelEvent.Set(); }
  // Waits until the worker has handled every message posted so far (for tests and the command line).
  void WaitIdle();

  std::recursive_mutex jobLock;
  // Set by the window's closing while it holds the job lock: a job queued before then starts no work after it.
  std::atomic<bool> closing{false};
  std::atomic<int> currentTrack{-1};
  ManualResetEvent cancelEvent;
  std::atomic<int> readErrorTotal{0};

 private:
  void Run();

  Job job_;
  std::mutex queueMutex_;
  std::condition_variable queueChanged_;
  std::deque<unsigned> queue_;
  bool busy_ = false;
  bool quit_ = false;
  std::thread thread_;
};

}  // namespace ossel
