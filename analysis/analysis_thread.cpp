#include "analysis/analysis_thread.h"

#include "analysis/job_host.h"

namespace ossel {

AnalysisThread::AnalysisThread(Job job) : job_(std::move(job)) { thread_ = std::thread([this] { Run(); }); }

AnalysisThread::~AnalysisThread() {
  cancelEvent.Set();
  {
    std::lock_guard lock(queueMutex_);
    quit_ = true;
  }
  queueChanged_.notify_all();
  thread_.join();
}

void AnalysisThread::PostThreadMessage(unsigned message) {
  {
    std::lock_guard lock(queueMutex_);
    queue_.push_back(message);
  }
  queueChanged_.notify_all();
}

void AnalysisThread::QueueJob() {
  cancelEvent.Reset();
  PostThreadMessage(kUmAnalyzeDisc);
}

void AnalysisThread::WaitIdle() {
  std::unique_lock lock(queueMutex_);
  queueChanged_.wait(lock, [this] { return (queue_.empty() && !busy_) || quit_; });
}

void AnalysisThread::Run() {
  std::unique_lock lock(queueMutex_);
  for (;;) {
    queueChanged_.wait(lock, [this] { return quit_ || !queue_.empty(); });
    if (quit_) break;
    const unsigned message = queue_.front();
    queue_.pop_front();
    busy_ = true;
    lock.unlock();
    if (message == kUmAnalyzeDisc && job_) job_(*this);
    lock.lock();
    busy_ = false;
    queueChanged_.notify_all();
  }
  // The thread's exit signals the cancel event, like closing does.
  cancelEvent.Set();
}

}  // namespace ossel
