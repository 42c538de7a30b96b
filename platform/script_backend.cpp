#include "platform/script_backend.h"

#include <algorithm>
#include <cstring>

namespace ossel {

namespace {

class ScriptBackend final : public DeviceBackend {
 public:
  ScriptBackend(std::shared_ptr<ScriptDevice> device, std::string description)
      : device_(std::move(device)), description_(std::move(description)) {}

  IoStatus Control(const DeviceRequest& request, std::uint32_t& transferred, IoDeadline deadline) override {
    return device_->Control(request, transferred, deadline);
  }
  std::string Description() const override { return description_; }

 private:
  std::shared_ptr<ScriptDevice> device_;
  std::string description_;
};

}  // namespace

std::shared_ptr<ScriptDevice> ScriptDevice::Create() { return std::shared_ptr<ScriptDevice>(new ScriptDevice()); }

void ScriptDevice::SetAnswer(std::uint32_t code, Answer answer) {
  std::lock_guard lock(mutex_);
  canned_[code] = std::move(answer);
}

void ScriptDevice::Queue(std::uint32_t code, Answer answer) {
  std::lock_guard lock(mutex_);
  queued_[code].push_back(std::move(answer));
}

void ScriptDevice::SetHandler(Handler handler) {
  std::lock_guard lock(mutex_);
  handler_ = std::move(handler);
}

void ScriptDevice::SetDefaultSuccess(bool succeed) {
  std::lock_guard lock(mutex_);
  defaultSuccess_ = succeed;
}

std::vector<ScriptDevice::Call> ScriptDevice::Calls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

int ScriptDevice::CountCalls(std::uint32_t code) const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(std::count_if(calls_.begin(), calls_.end(), [&](const Call& c) { return c.code == code; }));
}

void ScriptDevice::ClearCalls() {
  std::lock_guard lock(mutex_);
  calls_.clear();
}

std::unique_ptr<DeviceBackend> ScriptDevice::OpenBackend(std::string description) {
  return std::make_unique<ScriptBackend>(shared_from_this(), std::move(description));
}

DriveTable::Drive ScriptDevice::AsDrive(std::string description) {
  DriveTable::Drive drive;
  drive.type = DriveType::Cdrom;
  drive.description = description;
  auto self = shared_from_this();
  drive.open = [self, description] { return self->OpenBackend(description); };
  return drive;
}

IoStatus ScriptDevice::Control(const DeviceRequest& request, std::uint32_t& transferred, IoDeadline deadline) {
  transferred = 0;
  std::unique_lock lock(mutex_);
  Call call{request.code, {}, request.outputBytes};
  if (request.input && request.inputBytes) {
    const auto* in = static_cast<const std::uint8_t*>(request.input);
    call.input.assign(in, in + request.inputBytes);
  }
  calls_.push_back(std::move(call));

  Answer answer;
  if (auto q = queued_.find(request.code); q != queued_.end() && !q->second.empty()) {
    answer = std::move(q->second.front());
    q->second.pop_front();
  } else if (auto c = canned_.find(request.code); c != canned_.end()) {
    answer = c->second;
  } else if (handler_) {
    Handler handler = handler_;
    lock.unlock();
    answer = handler(request);
    lock.lock();
  } else {
    answer.status = defaultSuccess_ ? IoStatus::Done : IoStatus::Failed;
  }

  if (answer.hang) {
    never_.wait_until(lock, deadline, [] { return false; });
    return IoStatus::TimedOut;
  }
  if (answer.status != IoStatus::Done) return answer.status;

  std::uint32_t n = answer.transferred.value_or(static_cast<std::uint32_t>(answer.output.size()));
  n = std::min(n, request.outputBytes);
  const std::uint32_t copy = std::min<std::uint32_t>(n, static_cast<std::uint32_t>(answer.output.size()));
  if (copy > 0 && request.output) std::memcpy(request.output, answer.output.data(), copy);
  transferred = n;
  return IoStatus::Done;
}

}  // namespace ossel
