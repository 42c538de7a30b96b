// Physical drives through libcdio: each Windows request is carried out as the MMC command that does its work.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/device_backend.h"
#include "platform/drive_table.h"

namespace ossel {

// The few calls the backend makes into libcdio, behind an interface so the mapping can be tested without a drive.
class MmcTransport {
 public:
  enum class Direction { None, Read, Write };
  enum class Status {
    Good,            // the command completed with GOOD status
    CheckCondition,  // the drive answered, with CHECK CONDITION (sense data available)
    Failed,          // no answer: transport error, time-out, no device
  };
  virtual ~MmcTransport() = default;
  // Runs one MMC command of `cdbLength` bytes (6, 10 or 12); gives up after `timeoutMs`.
  virtual Status Run(const std::uint8_t* cdb, int cdbLength, Direction direction, void* data,
                     std::uint32_t dataBytes, unsigned timeoutMs) = 0;
  virtual std::string DevicePath() const = 0;
  virtual std::string VendorProduct() const = 0;
};

// The libcdio transport for the drive at `devicePath`; null when it cannot be opened.
std::unique_ptr<MmcTransport> OpenCdioTransport(const std::string& devicePath);

// A backend that maps every request onto MMC commands run through `transport`.
std::unique_ptr<DeviceBackend> MakeMmcBackend(std::unique_ptr<MmcTransport> transport);

// The machine's optical drives in device order, as DriveTable entries that open a libcdio backend.
std::vector<DriveTable::Drive> EnumeratePhysicalDrives();

}  // namespace ossel
