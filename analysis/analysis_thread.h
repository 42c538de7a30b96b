// The analysis worker: one thread that runs the analyze-disc job each time one is queued (the window's
// UM_ANALYZE_DISC thread message).
//
// The job lock is held by the worker for the whole of a job; user commands try it and give up at once, the drive
// change and closing wait for it. The cancel event (manual reset) asks a running job to stop before its next read.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/event.h"

namespace ossel {

class AnalysisThread {
 public:
  // `job` runs on the worker for every queued job; it is handed this object.
  using Job = std::function<void(AnalysisThread&)>;
  using JobLock = std::unique_lock<std::recursive_mutex>;

  // Starts the thread at once.
  explicit AnalysisThread(Job job);
  // Signals the cancel event, lets a running job end, and stops the thread before the object goes away.
  ~AnalysisThread();
  AnalysisThread(const AnalysisThread&) = delete;
  AnalysisThread& operator=(const AnalysisThread&) = delete;

  // Resets the cancel event and queues a job (the panel holds the job lock while it does this).
  void QueueJob();
  // Signals the cancel event; nothing waits.
  void Cancel() { cancelEvent_.Set(); }
  // Waits until the worker has run every job queued so far (for tests and the command line).
  void WaitIdle();

  // The job lock, held or not: owns_lock() is false while someone else (a running job) holds it.
  JobLock TryJobLock() { return JobLock(jobLock_, std::try_to_lock); }
  // The job lock, waited for: only the job itself, which nothing on the worker thread holds up.
  JobLock LockJob() { return JobLock(jobLock_); }

  // Set by the window's closing while it holds the job lock: a job queued before then starts no work after it.
  void SetClosing() { closing_ = true; }
  bool Closing() const { return closing_; }

  const ManualResetEvent& cancelEvent() const { return cancelEvent_; }
  bool CancelRequested() const { return cancelEvent_.IsSet(); }

  // The row in work, -1 with no job.
  int CurrentTrack() const { return currentTrack_; }
  void SetCurrentTrack(int row) { currentTrack_ = row; }
  // The failed reads of the running (or last) job, all tracks together.
  int ReadErrorTotal() const { return readErrorTotal_; }
  void CountReadErrors(int failed) { readErrorTotal_ += failed; }
  void ResetReadErrors() { readErrorTotal_ = 0; }

 private:
  void Run();

  Job job_;
  std::recursive_mutex jobLock_;
  std::atomic<bool> closing_{false};
  std::atomic<int> currentTrack_{-1};
  std::atomic<int> readErrorTotal_{0};
  ManualResetEvent cancelEvent_;

  std::mutex queueMutex_;
  std::condition_variable queueChanged_;
  int queued_ = 0;  // jobs waiting to run
  bool busy_ = false;
  bool quit_ = false;
  std::thread thread_;
};

}  // namespace ossel
