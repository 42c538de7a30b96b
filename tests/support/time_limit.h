// Work that could block forever on a FIFO, run with a time limit so that a hang fails the test instead of holding
// the run.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <string>
#include <utility>

namespace ossel::test {

// Runs `work` on a thread of its own and waits up to `seconds` for it. False when it did not finish in time: the
// FIFO `fifo` it may wait on is then opened for writing and closed, which ends a reader's wait (with an empty
// read), and the work is waited for to the end.
template <typename Work>
bool FinishesWithin(int seconds, const std::string& fifo, Work&& work) {
  std::future<void> done = std::async(std::launch::async, std::forward<Work>(work));
  if (done.wait_for(std::chrono::seconds(seconds)) == std::future_status::ready) return true;
  while (done.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
    const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (writer >= 0) ::close(writer);
  }
  return false;
}

}  // namespace ossel::test
