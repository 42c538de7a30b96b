#include "platform/cdio_backend.h"

#include <cdio/cdio.h>
#include <cdio/logging.h>
#include <cdio/mmc.h>

#include <algorithm>
#include <cstring>

#include "platform/win_ioctl.h"

namespace ossel {

namespace {

using Status = MmcTransport::Status;
using Direction = MmcTransport::Direction;

void PutBe16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 8);
  p[1] = static_cast<std::uint8_t>(v);
}
void PutBe24(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 16);
  PutBe16(p + 1, v);
}
void PutBe32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 24);
  PutBe24(p + 1, v);
}
std::uint32_t Be32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

// Carries out each Windows request as the MMC command that does its work.
class MmcBackend final : public DeviceBackend {
 public:
  explicit MmcBackend(std::unique_ptr<MmcTransport> transport) : transport_(std::move(transport)) {}

  std::string Description() const override { return transport_->DevicePath(); }
  std::string VendorProduct() const override { return transport_->VendorProduct(); }

  IoStatus Control(const DeviceRequest& r, std::uint32_t& transferred, IoDeadline deadline) override {
    transferred = 0;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return IoStatus::TimedOut;
    timeoutMs_ = static_cast<unsigned>(left.count());
    switch (r.code) {
      case ioctl::kStorageCheckVerify: return NoData({ioctl::kScsiTestUnitReady, 0, 0, 0, 0, 0}, 6);
      case ioctl::kStorageMediaRemoval: {
        if (r.inputBytes < 1 || !r.input) return IoStatus::Failed;
        const std::uint8_t prevent = *static_cast<const std::uint8_t*>(r.input) & 1;
        return NoData({ioctl::kScsiPreventAllowRemoval, 0, 0, 0, prevent, 0}, 6);
      }
      case ioctl::kStorageEjectMedia: return NoData({ioctl::kScsiStartStopUnit, 0, 0, 0, 0x02, 0}, 6);
      case ioctl::kStorageLoadMedia: return NoData({ioctl::kScsiStartStopUnit, 0, 0, 0, 0x03, 0}, 6);
      case ioctl::kCdromReadToc: return ReadToc(r, transferred);
      case ioctl::kCdromRawRead: return RawRead(r, transferred);
      case ioctl::kCdromReadQChannel: return ReadIsrc(r, transferred);
      case ioctl::kDiskGetDriveGeometry: return Geometry(r, transferred);
      case ioctl::kScsiGetAddress: return Address(r, transferred);
      case ioctl::kScsiPassThrough: return PassThrough(r, transferred);
      default: return IoStatus::Failed;
    }
  }

 private:
  Status Run(const std::uint8_t* cdb, int length, Direction direction, void* data, std::uint32_t bytes) const {
    return transport_->Run(cdb, length, direction, data, bytes, timeoutMs_);
  }

  IoStatus NoData(std::initializer_list<std::uint8_t> cdb, int length) {
    std::uint8_t bytes[12] = {};
    std::copy(cdb.begin(), cdb.end(), bytes);
    return Run(bytes, length, Direction::None, nullptr, 0) == Status::Good ? IoStatus::Done : IoStatus::Failed;
  }

  // READ TOC format 0 with MSF addresses answers in the layout of CDROM_TOC.
  IoStatus ReadToc(const DeviceRequest& r, std::uint32_t& transferred) {
    if (!r.output || r.outputBytes < 4) return IoStatus::Failed;
    const std::uint32_t want = std::min<std::uint32_t>(r.outputBytes, sizeof(ioctl::TocRecord));
    std::uint8_t cdb[10] = {ioctl::kScsiReadTocPmaAtip, 0x02, 0, 0, 0, 0, 0, 0, 0, 0};
    PutBe16(cdb + 7, want);
    auto* out = static_cast<std::uint8_t*>(r.output);
    std::memset(out, 0, want);
    if (Run(cdb, 10, Direction::Read, out, want) != Status::Good) return IoStatus::Failed;
    const std::uint32_t reported = (std::uint32_t{out[0]} << 8 | out[1]) + 2;
    transferred = std::min(reported, want);
    return IoStatus::Done;
  }

  // READ CD of CD-DA sectors, user data only (2352 bytes a sector).
  IoStatus RawRead(const DeviceRequest& r, std::uint32_t& transferred) {
    if (!r.input || r.inputBytes < sizeof(ioctl::RawReadInfo) || !r.output) return IoStatus::Failed;
    ioctl::RawReadInfo info;
    std::memcpy(&info, r.input, sizeof info);
    if (info.diskOffset < 0 || info.sectorCount == 0) return IoStatus::Failed;
    const std::uint64_t bytes = std::uint64_t{info.sectorCount} * ioctl::kRawSectorBytes;
    if (bytes > r.outputBytes) return IoStatus::Failed;
    std::uint8_t cdb[12] = {ioctl::kScsiReadCd, 0x04};  // expected sector type: CD-DA
    PutBe32(cdb + 2, static_cast<std::uint32_t>(info.diskOffset / ioctl::kCookedSectorBytes));
    PutBe24(cdb + 6, info.sectorCount);
    cdb[9] = 0x10;  // user data
    if (Run(cdb, 12, Direction::Read, r.output, static_cast<std::uint32_t>(bytes)) != Status::Good)
      return IoStatus::Failed;
    transferred = static_cast<std::uint32_t>(bytes);
    return IoStatus::Done;
  }

  // READ SUB-CHANNEL, Q data, ISRC format: the answer has the layout of SUB_Q_TRACK_ISRC.
  IoStatus ReadIsrc(const DeviceRequest& r, std::uint32_t& transferred) {
    if (!r.input || r.inputBytes < sizeof(ioctl::SubQDataFormat) || !r.output) return IoStatus::Failed;
    ioctl::SubQDataFormat format;
    std::memcpy(&format, r.input, sizeof format);
    if (format.format != ioctl::kSubQFormatTrackIsrc) return IoStatus::Failed;
    const std::uint32_t want = std::min<std::uint32_t>(r.outputBytes, sizeof(ioctl::SubQTrackIsrc));
    std::uint8_t cdb[10] = {ioctl::kScsiReadSubChannel, 0, 0x40, ioctl::kSubQFormatTrackIsrc, 0, 0, format.track};
    PutBe16(cdb + 7, want);
    std::memset(r.output, 0, want);
    if (Run(cdb, 10, Direction::Read, r.output, want) != Status::Good) return IoStatus::Failed;
    transferred = want;
    return IoStatus::Done;
  }

  // READ CAPACITY gives the size of the medium; the rest of the geometry is what Windows reports for a CD.
  IoStatus Geometry(const DeviceRequest& r, std::uint32_t& transferred) {
    if (!r.output || r.outputBytes < sizeof(ioctl::DiskGeometry)) return IoStatus::Failed;
    std::uint8_t cdb[10] = {0x25};
    std::uint8_t answer[8] = {};
    if (Run(cdb, 10, Direction::Read, answer, sizeof answer) != Status::Good) return IoStatus::Failed;
    ioctl::DiskGeometry geometry{};
    geometry.cylinders = std::int64_t{Be32(answer)} + 1;
    geometry.mediaType = 11;  // RemovableMedia
    geometry.tracksPerCylinder = 1;
    geometry.sectorsPerTrack = 1;
    geometry.bytesPerSector = Be32(answer + 4);
    std::memcpy(r.output, &geometry, sizeof geometry);
    transferred = sizeof geometry;
    return IoStatus::Done;
  }

  // The generic SCSI layer addresses devices by path; one drive per device path, at 0/0/0.
  IoStatus Address(const DeviceRequest& r, std::uint32_t& transferred) {
    if (!r.output || r.outputBytes < sizeof(ioctl::ScsiAddress)) return IoStatus::Failed;
    ioctl::ScsiAddress address{};
    address.length = sizeof address;
    std::memcpy(r.output, &address, sizeof address);
    transferred = sizeof address;
    return IoStatus::Done;
  }

  // SCSI_PASS_THROUGH: header in the input, the data area at DataBufferOffset of the output.
  IoStatus PassThrough(const DeviceRequest& r, std::uint32_t& transferred) {
    if (!r.input || r.inputBytes < sizeof(ioctl::ScsiPassThrough) || !r.output ||
        r.outputBytes < sizeof(ioctl::ScsiPassThrough))
      return IoStatus::Failed;
    ioctl::ScsiPassThrough header;
    std::memcpy(&header, r.input, sizeof header);
    if (header.cdbLength == 0 || header.cdbLength > 12) return IoStatus::Failed;
    const std::uint64_t end = std::uint64_t{header.dataBufferOffset} + header.dataTransferLength;
    if (header.dataTransferLength > 0 && end > r.outputBytes) return IoStatus::Failed;
    auto* out = static_cast<std::uint8_t*>(r.output);
    void* data = header.dataTransferLength ? out + header.dataBufferOffset : nullptr;
    const Direction direction = header.dataTransferLength == 0 ? Direction::None
                                : header.dataIn == ioctl::kScsiDataIn ? Direction::Read
                                                                      : Direction::Write;
    const Status status = Run(header.cdb, header.cdbLength, direction, data, header.dataTransferLength);
    if (status == Status::Failed) return IoStatus::Failed;
    header.scsiStatus = status == Status::Good ? 0x00 : 0x02;  // GOOD or CHECK CONDITION
    std::memcpy(out, &header, sizeof header);
    transferred = std::min<std::uint32_t>(r.outputBytes, static_cast<std::uint32_t>(end));
    return IoStatus::Done;
  }

  std::unique_ptr<MmcTransport> transport_;
  unsigned timeoutMs_ = 10000;
};

class CdioTransport final : public MmcTransport {
 public:
  CdioTransport(CdIo_t* cdio, std::string path) : cdio_(cdio), path_(std::move(path)) {}
  ~CdioTransport() override { cdio_destroy(cdio_); }

  Status Run(const std::uint8_t* cdb, int cdbLength, Direction direction, void* data, std::uint32_t dataBytes,
             unsigned timeoutMs) override {
    mmc_cdb_t command{};
    std::memcpy(command.field, cdb, static_cast<std::size_t>(std::min(cdbLength, MAX_CDB_LEN)));
    const cdio_mmc_direction_t dir = direction == Direction::Read    ? SCSI_MMC_DATA_READ
                                     : direction == Direction::Write ? SCSI_MMC_DATA_WRITE
                                                                     : SCSI_MMC_DATA_NONE;
    const driver_return_code_t rc =
        mmc_run_cmd_len(cdio_, timeoutMs, &command, static_cast<unsigned>(cdbLength), dir, dataBytes, data);
    if (rc == DRIVER_OP_SUCCESS) return Status::Good;
    cdio_mmc_request_sense_t* sense = nullptr;
    const int senseBytes = mmc_last_cmd_sense(cdio_, &sense);
    if (sense) cdio_free(sense);
    return senseBytes > 0 ? Status::CheckCondition : Status::Failed;
  }

  std::string DevicePath() const override { return path_; }

  std::string VendorProduct() const override {
    cdio_hwinfo_t info{};
    if (!cdio_get_hwinfo(cdio_, &info)) return {};
    std::string text = std::string(info.psz_vendor) + " " + info.psz_model;
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
  }

 private:
  CdIo_t* cdio_;
  std::string path_;
};

}  // namespace

std::unique_ptr<MmcTransport> OpenCdioTransport(const std::string& devicePath) {
  CdIo_t* cdio = cdio_open(devicePath.c_str(), DRIVER_DEVICE);
  if (!cdio) return nullptr;
  return std::make_unique<CdioTransport>(cdio, devicePath);
}

std::unique_ptr<DeviceBackend> MakeMmcBackend(std::unique_ptr<MmcTransport> transport) {
  if (!transport) return nullptr;
  return std::make_unique<MmcBackend>(std::move(transport));
}

std::vector<DriveTable::Drive> EnumeratePhysicalDrives() {
  std::vector<DriveTable::Drive> drives;
  cdio_loglevel_default = CDIO_LOG_ERROR;  // no chatter on machines without drives
  char** devices = cdio_get_devices(DRIVER_DEVICE);
  if (!devices) return drives;
  for (char** d = devices; *d; ++d) {
    DriveTable::Drive drive;
    drive.type = DriveType::Cdrom;
    drive.description = *d;
    if (auto transport = OpenCdioTransport(*d)) drive.vendorProduct = transport->VendorProduct();
    const std::string path = *d;
    drive.open = [path] { return MakeMmcBackend(OpenCdioTransport(path)); };
    drives.push_back(std::move(drive));
  }
  cdio_free_device_list(devices);
  return drives;
}

}  // namespace ossel
