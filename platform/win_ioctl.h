// Windows device-control request codes and the record layouts that travel with them.
//
// CdDrive speaks to every backend in these terms: the same codes, the same little-endian byte layouts, so that
// the drive logic above it reads exactly like a program talking to a Windows CD-ROM class driver.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ossel::ioctl {

// Request codes.
inline constexpr std::uint32_t kStorageCheckVerify = 0x2D4800;
inline constexpr std::uint32_t kStorageMediaRemoval = 0x2D4804;
inline constexpr std::uint32_t kStorageEjectMedia = 0x2D4808;
inline constexpr std::uint32_t kStorageLoadMedia = 0x2D480C;
inline constexpr std::uint32_t kCdromReadToc = 0x24000;
inline constexpr std::uint32_t kCdromReadQChannel = 0x2402C;
inline constexpr std::uint32_t kCdromRawRead = 0x2403E;
inline constexpr std::uint32_t kDiskGetDriveGeometry = 0x70000;
inline constexpr std::uint32_t kScsiGetAddress = 0x41018;
inline constexpr std::uint32_t kScsiPassThrough = 0x4D004;

// Short printable name of a request code ("READ_TOC"), for logs and the scriptable backend's errors.
const char* RequestName(std::uint32_t code);

// CD-DA sector geometry.
inline constexpr int kRawSectorBytes = 2352;
inline constexpr int kCookedSectorBytes = 2048;
inline constexpr int kFramesPerSecond = 75;
inline constexpr int kLeadInSectors = 150;  // MSF 00:02:00 is LBA 0
inline constexpr int kMaxTocEntries = 100;

#pragma pack(push, 1)

// CDROM_TOC: answer of kCdromReadToc, 804 bytes.
struct TocEntryRecord {
  std::uint8_t reserved;
  std::uint8_t controlAdr;  // control in the low nibble, ADR in the high nibble
  std::uint8_t trackNumber;
  std::uint8_t reserved1;
  std::uint8_t address[4];  // 0, minute, second, frame
};
struct TocRecord {
  std::uint8_t length[2];  // big-endian length of what follows
  std::uint8_t firstTrack;
  std::uint8_t lastTrack;
  TocEntryRecord entries[kMaxTocEntries];
};
static_assert(sizeof(TocEntryRecord) == 8);
static_assert(sizeof(TocRecord) == 804);

// RAW_READ_INFO: input of kCdromRawRead, 16 bytes.
struct RawReadInfo {
  std::int64_t diskOffset;  // start LBA × 2048
  std::uint32_t sectorCount;
  std::uint32_t trackMode;  // 2 = CDDA
};
static_assert(sizeof(RawReadInfo) == 16);
inline constexpr std::uint32_t kTrackModeCdda = 2;

// CDROM_SUB_Q_DATA_FORMAT: input of kCdromReadQChannel, 2 bytes.
struct SubQDataFormat {
  std::uint8_t format;  // 3 = track ISRC
  std::uint8_t track;
};
inline constexpr std::uint8_t kSubQFormatTrackIsrc = 3;

// SUB_Q_TRACK_ISRC: answer of kCdromReadQChannel for format 3, 24 bytes.
struct SubQTrackIsrc {
  std::uint8_t header[4];
  std::uint8_t formatCode;
  std::uint8_t reserved0;
  std::uint8_t track;
  std::uint8_t reserved1;
  std::uint8_t tcval;  // bit 7: the code is valid
  std::uint8_t code[15];
};
static_assert(sizeof(SubQTrackIsrc) == 24);

// DISK_GEOMETRY: answer of kDiskGetDriveGeometry, 24 bytes.
struct DiskGeometry {
  std::int64_t cylinders;
  std::uint32_t mediaType;
  std::uint32_t tracksPerCylinder;
  std::uint32_t sectorsPerTrack;
  std::uint32_t bytesPerSector;
};
static_assert(sizeof(DiskGeometry) == 24);

// SCSI_ADDRESS: answer of kScsiGetAddress, 8 bytes.
struct ScsiAddress {
  std::uint32_t length;
  std::uint8_t portNumber;
  std::uint8_t pathId;
  std::uint8_t targetId;
  std::uint8_t lun;
};
static_assert(sizeof(ScsiAddress) == 8);

// SCSI_PASS_THROUGH header, 44 bytes; it heads the 592-byte pass-through buffer.
struct ScsiPassThrough {
  std::uint16_t length;
  std::uint8_t scsiStatus;
  std::uint8_t pathId;
  std::uint8_t targetId;
  std::uint8_t lun;
  std::uint8_t cdbLength;
  std::uint8_t senseInfoLength;
  std::uint8_t dataIn;
  std::uint8_t padding[3];
  std::uint32_t dataTransferLength;
  std::uint32_t timeOutValue;
  std::uint32_t dataBufferOffset;
  std::uint32_t senseInfoOffset;
  std::uint8_t cdb[16];
};
static_assert(sizeof(ScsiPassThrough) == 44);

#pragma pack(pop)

// Layout of the 592-byte pass-through buffer.
inline constexpr std::size_t kPassThroughBufferBytes = 592;
inline constexpr std::size_t kPassThroughSenseOffset = 48;
inline constexpr std::size_t kPassThroughSenseBytes = 24;
inline constexpr std::size_t kPassThroughDataOffset = 80;
inline constexpr std::size_t kPassThroughDataBytes = 192;
inline constexpr std::uint32_t kPassThroughInputBytes = 44;
inline constexpr std::uint32_t kPassThroughOutputBytes = 272;
inline constexpr std::uint8_t kScsiDataIn = 1;

// SCSI operation codes carried in the pass-through command block.
inline constexpr std::uint8_t kScsiTestUnitReady = 0x00;
inline constexpr std::uint8_t kScsiInquiry = 0x12;
inline constexpr std::uint8_t kScsiModeSense6 = 0x1A;
inline constexpr std::uint8_t kScsiStartStopUnit = 0x1B;
inline constexpr std::uint8_t kScsiPreventAllowRemoval = 0x1E;
inline constexpr std::uint8_t kScsiReadSubChannel = 0x42;
inline constexpr std::uint8_t kScsiReadTocPmaAtip = 0x43;
inline constexpr std::uint8_t kScsiReadDiscInformation = 0x51;
inline constexpr std::uint8_t kScsiModeSense10 = 0x5A;
inline constexpr std::uint8_t kScsiReadCd = 0xBE;

// MSF helpers: LBA = (M × 60 + S) × 75 + F − 150.
inline constexpr int MsfToLba(int minute, int second, int frame) {
  return (minute * 60 + second) * kFramesPerSecond + frame - kLeadInSectors;
}

}  // namespace ossel::ioctl
