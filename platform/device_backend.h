// The seam between CdDrive and whatever answers its requests: a physical drive, a virtual disc, or a test script.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace ossel {

// One device-control request, shaped like a Windows DeviceIoControl call.
struct DeviceRequest {
  std::uint32_t code = 0;
  const void* input = nullptr;
  std::uint32_t inputBytes = 0;
  void* output = nullptr;
  std::uint32_t outputBytes = 0;
};

enum class IoStatus {
  Done,      // completed; `transferred` bytes of output are valid
  Failed,    // refused or failed by the device
  TimedOut,  // did not complete before the deadline and was cancelled
};

using IoDeadline = std::chrono::steady_clock::time_point;

// A backend answers requests in the Windows record layouts of win_ioctl.h.
//
// Contract: Control returns no later than (about) the deadline; once it has returned it never touches the request's
// buffers again. A request that cannot complete in time is cancelled by the backend itself and reports TimedOut.
// Calls are serialised by the caller (CdDrive's lock); a backend need not be thread-safe.
class DeviceBackend {
 public:
  virtual ~DeviceBackend() = default;

  virtual IoStatus Control(const DeviceRequest& request, std::uint32_t& transferred, IoDeadline deadline) = 0;

  // What this device is, for listings: the device path or the image file.
  virtual std::string Description() const = 0;
  // Vendor and product where known, else empty.
  virtual std::string VendorProduct() const { return {}; }
};

}  // namespace ossel
