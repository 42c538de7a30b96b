// A backend whose answers a test writes: canned answers per request code, refused requests, short transfers and
// requests that never complete.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/device_backend.h"
#include "platform/drive_table.h"

namespace ossel {

class ScriptDevice : public std::enable_shared_from_this<ScriptDevice> {
 public:
  struct Answer {
    IoStatus status = IoStatus::Done;
    std::vector<std::uint8_t> output;          // copied to the request's output
    std::optional<std::uint32_t> transferred;  // bytes reported and copied; default: all of `output` that fits
    bool hang = false;                         // never completes: times out at the deadline
  };

  struct Call {
    std::uint32_t code;
    std::vector<std::uint8_t> input;
    std::uint32_t outputBytes;
  };

  // Computes an answer from the request; consulted when no queued or canned answer exists for its code.
  using Handler = std::function<Answer(const DeviceRequest&)>;

  static std::shared_ptr<ScriptDevice> Create();

  // The answer given every time to `code` (until replaced).
  void SetAnswer(std::uint32_t code, Answer answer);
  // A one-shot answer, used before the canned one; several queue up in order.
  void Queue(std::uint32_t code, Answer answer);
  void SetHandler(Handler handler);
  // Requests with no answer at all succeed with no output (true) or fail (false, the default).
  void SetDefaultSuccess(bool succeed);

  std::vector<Call> Calls() const;
  int CountCalls(std::uint32_t code) const;
  void ClearCalls();

  // A backend that forwards to this device, for a DriveTable entry.
  std::unique_ptr<DeviceBackend> OpenBackend(std::string description = "script");
  DriveTable::Drive AsDrive(std::string description = "script");

  IoStatus Control(const DeviceRequest& request, std::uint32_t& transferred, IoDeadline deadline);

 private:
  ScriptDevice() = default;

  mutable std::mutex mutex_;
  std::condition_variable never_;
  std::map<std::uint32_t, Answer> canned_;
  std::map<std::uint32_t, std::deque<Answer>> queued_;
  Handler handler_;
  bool defaultSuccess_ = false;
  std::vector<Call> calls_;
};

}  // namespace ossel
