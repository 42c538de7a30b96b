#include "cli/interrupt.h"

#include <signal.h>
#include <time.h>

#include "analysis/analysis_thread.h"

namespace ossel::cli {

namespace {
sigset_t InterruptSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}
}  // namespace

InterruptWatch::InterruptWatch() {
  const sigset_t set = InterruptSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  thread_ = std::thread([this, set] {
    const timespec tick{0, 100 * 1000 * 1000};
    while (!stop_) {
      if (sigtimedwait(&set, nullptr, &tick) < 0) continue;
      interrupted_ = true;
      std::lock_guard lock(mutex_);
      for (AnalysisThread* worker : workers_) worker->Cancel();
    }
  });
}

InterruptWatch::~InterruptWatch() {
  stop_ = true;
  thread_.join();
}

void InterruptWatch::Watch(AnalysisThread* worker) {
  std::lock_guard lock(mutex_);
  workers_.insert(worker);
  if (interrupted_) worker->Cancel();
}

void InterruptWatch::Unwatch(AnalysisThread* worker) {
  std::lock_guard lock(mutex_);
  workers_.erase(worker);
}

}  // namespace ossel::cli
