#include "spectrum/stage_clock.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <vector>

namespace ossel {
namespace stage_clock {

bool enabled = false;

namespace {

using Clock = std::chrono::steady_clock;

// One thread's times. Only its own thread adds to them; StageSeconds reads them from another, hence the atomics
// (relaxed: a total read while the thread works may lag by one stage).
struct ThreadTimes {
  ThreadTimes();
  ~ThreadTimes();
  std::array<std::atomic<std::int64_t>, kAnalysisStages> nanoseconds{};
  AnalysisStage current = AnalysisStage::Other;
  Clock::time_point since = Clock::now();
};

std::mutex registryMutex;
std::vector<ThreadTimes*> live;                          // threads whose times are still running
std::array<std::int64_t, kAnalysisStages> finished{};        // the times of threads that have ended

ThreadTimes::ThreadTimes() {
  std::lock_guard lock(registryMutex);
  live.push_back(this);
}

ThreadTimes::~ThreadTimes() {
  std::lock_guard lock(registryMutex);
  for (int s = 0; s < kAnalysisStages; ++s) finished[s] += nanoseconds[s].load(std::memory_order_relaxed);
  std::erase(live, this);
}

ThreadTimes& ThisThread() {
  thread_local ThreadTimes times;
  return times;
}

}  // namespace

void Charge(AnalysisStage next) {
  ThreadTimes& times = ThisThread();
  const Clock::time_point now = Clock::now();
  auto& slot = times.nanoseconds[static_cast<int>(times.current)];
  slot.store(slot.load(std::memory_order_relaxed) + (now - times.since).count(), std::memory_order_relaxed);
  times.current = next;
  times.since = now;
}

}  // namespace stage_clock

const char* StageName(AnalysisStage stage) {
  static constexpr const char* kNames[kAnalysisStages] = {"reading",     "conditioning", "transform", "logarithms",
                                                      "phase spread", "cutoff scan", "builders",  "other"};
  const int index = static_cast<int>(stage);
  return index >= 0 && index < kAnalysisStages ? kNames[index] : "";
}

void EnableStageClock() { stage_clock::enabled = true; }

std::array<double, kAnalysisStages> StageSeconds() {
  using namespace stage_clock;
  if (enabled) Charge(ThisThread().current);
  std::array<double, kAnalysisStages> seconds{};
  std::lock_guard lock(registryMutex);
  for (int s = 0; s < kAnalysisStages; ++s) {
    std::int64_t total = finished[s];
    for (const ThreadTimes* times : live) total += times->nanoseconds[s].load(std::memory_order_relaxed);
    seconds[s] = static_cast<double>(total) * 1e-9;
  }
  return seconds;
}

}  // namespace ossel
