#include "platform/cdio_backend.h"

namespace ossel {

std::unique_ptr<MmcTransport> OpenCdioTransport(const std::string&) { return nullptr; }
std::unique_ptr<DeviceBackend> MakeMmcBackend(std::unique_ptr<MmcTransport>) { return nullptr; }
std::vector<DriveTable::Drive> EnumeratePhysicalDrives() { return {}; }

}  // namespace ossel
