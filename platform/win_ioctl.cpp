#include "platform/win_ioctl.h"

namespace ossel::ioctl {

const char* RequestName(std::uint32_t code) {
  switch (code) {
    case kStorageCheckVerify: return "CHECK_VERIFY";
    case kStorageMediaRemoval: return "MEDIA_REMOVAL";
    case kStorageEjectMedia: return "EJECT_MEDIA";
    case kStorageLoadMedia: return "LOAD_MEDIA";
    case kCdromReadToc: return "READ_TOC";
    case kCdromReadQChannel: return "READ_Q_CHANNEL";
    case kCdromRawRead: return "RAW_READ";
    case kDiskGetDriveGeometry: return "GET_DRIVE_GEOMETRY";
    case kScsiGetAddress: return "SCSI_GET_ADDRESS";
    case kScsiPassThrough: return "SCSI_PASS_THROUGH";
    default: return "UNKNOWN";
  }
}

}  // namespace ossel::ioctl
