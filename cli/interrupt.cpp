#include "cli/interrupt.h"

#include <signal.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include "analysis/analysis_thread.h"
#include "cli/output_file.h"

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
      const int signal = sigtimedwait(&set, nullptr, &tick);
      if (signal < 0 || stop_) continue;  // the tick, or the watch ending
      int none = 0;
      if (!signal_.compare_exchange_strong(none, signal)) {
        // The second signal: the first one's cancel has not brought the process to its end.
        RemoveTemporaryFiles();
        static const char kEnd[] = "\r\033[K";
        if (isatty(STDERR_FILENO)) (void)!::write(STDERR_FILENO, kEnd, sizeof kEnd - 1);
        // Straight to the kernel: nothing in the process (a library's exit hook, a tool's interception of _exit)
        // may wait for the thread that is stuck.
        ::syscall(SYS_exit_group, 128 + signal);
      }
      CancelAll();
    }
  });
}

InterruptWatch::~InterruptWatch() {
  stop_ = true;
  // Woken now rather than at its next tick, which would be most of a run that takes its discs from the result cache.
  // The signal is the watcher's own: it dies with the thread if the thread does not take it.
  pthread_kill(thread_.native_handle(), SIGTERM);
  thread_.join();
  // From now on a signal ends the process as it would without the watch.
  const sigset_t set = InterruptSignals();
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

void InterruptWatch::Watch(AnalysisThread* worker) {
  std::lock_guard lock(mutex_);
  workers_.insert(worker);
  if (stopped_) worker->Cancel();
}

void InterruptWatch::Unwatch(AnalysisThread* worker) {
  std::lock_guard lock(mutex_);
  workers_.erase(worker);
}

void InterruptWatch::Stop() { CancelAll(); }

void InterruptWatch::CancelAll() {
  std::lock_guard lock(mutex_);
  stopped_ = true;
  for (AnalysisThread* worker : workers_) worker->Cancel();
}

}  // namespace ossel::cli
