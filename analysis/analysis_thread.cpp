#include "analysis/analysis_thread.h"

namespace ossel {

AnalysisThread::AnalysisThread(Job job) : job_(std::move(job)) { thread_ = std::thread([this] { Run(); }); }

AnalysisThread::~AnalysisThread() {
  cancelEvent_.Set();
  {
    std::lock_guard lock(queueMutex_);
    quit_ = true;
  }
  queueChanged_.notify_all();
  thread_.join();
}

void AnalysisThread::QueueJob() {
  cancelEvent_.Reset();
  {
    std::lock_guard lock(queueMutex_);
    ++queued_;
  }
  queueChanged_.notify_all();
}

void AnalysisThread::WaitIdle() {
  std::unique_lock lock(queueMutex_);
  queueChanged_.wait(lock, [this] { return (queued_ == 0 && !busy_) || quit_; });
}

void AnalysisThread::Run() {
  std::unique_lock lock(queueMutex_);
  for (;;) {
    queueChanged_.wait(lock, [this] { return quit_ || queued_ > 0; });
    if (quit_) break;
    --queued_;
    busy_ = true;
    lock.unlock();
    if (job_) job_(*this);
    lock.lock();
    busy_ = false;
    queueChanged_.notify_all();
  }
  // The thread's exit signals the cancel event, like closing does.
  cancelEvent_.Set();
}

}  // namespace ossel
