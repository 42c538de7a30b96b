// CdDrive::ReadDriveAndDiscInfo: drive identification and capabilities, disc information and ATIP, as rows of the
// information list. The drive is asked with MMC commands carried by SCSI pass-through requests.
#include "device/drive_info.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "device/cd_drive.h"
#include "device/text_format.h"
#include "platform/crt_format.h"
#include "platform/language.h"
#include "platform/win_ioctl.h"

namespace ossel {

namespace {

#pragma pack(push, 1)
// The pass-through buffer: request header, sense area and data area in one block.
struct PassThroughBuffer {
  ioctl::ScsiPassThrough header;
  std::uint8_t unused0[4];
  std::uint8_t sense[ioctl::kPassThroughSenseBytes];
  std::uint8_t unused1[8];
  std::uint8_t data[ioctl::kPassThroughDataBytes];
  std::uint8_t unused2[320];
};
#pragma pack(pop)
static_assert(sizeof(PassThroughBuffer) == ioctl::kPassThroughBufferBytes);
static_assert(offsetof(PassThroughBuffer, sense) == ioctl::kPassThroughSenseOffset);
static_assert(offsetof(PassThroughBuffer, data) == ioctl::kPassThroughDataOffset);

constexpr std::uint32_t kPortTimeoutSeconds = 2000;
constexpr std::uint8_t kAllocationLength = 0xC0;
constexpr std::uint32_t kDefaultBytesPerSector = 2048;  // when the drive gives no geometry

// A series of MMC commands through one buffer. The buffer is zeroed once for the series; each command clears only
// the command block, so the data area keeps whatever the previous command left there.
class CommandSeries {
 public:
  CommandSeries(CdDrive& drive, const ioctl::ScsiAddress& address) : drive_(drive) {
    ioctl::ScsiPassThrough& header = buffer_.header;
    header.length = sizeof header;
    header.pathId = address.pathId;
    header.targetId = address.targetId;
    header.lun = address.lun;
    header.senseInfoLength = ioctl::kPassThroughSenseBytes;
    header.dataIn = ioctl::kScsiDataIn;
    header.dataTransferLength = ioctl::kPassThroughDataBytes;
    header.timeOutValue = kPortTimeoutSeconds;
    header.dataBufferOffset = ioctl::kPassThroughDataOffset;
    header.senseInfoOffset = ioctl::kPassThroughSenseOffset;
  }

  // Sends one command block; true when the request itself succeeded, whatever the drive's status.
  bool Send(std::initializer_list<std::uint8_t> cdb) {
    ioctl::ScsiPassThrough& header = buffer_.header;
    std::memset(header.cdb, 0, sizeof header.cdb);
    header.cdbLength = static_cast<std::uint8_t>(cdb.size());
    std::copy(cdb.begin(), cdb.end(), header.cdb);
    return drive_.DeviceControl(ioctl::kScsiPassThrough, &buffer_, ioctl::kPassThroughInputBytes, &buffer_,
                                ioctl::kPassThroughOutputBytes, nullptr);
  }

  bool StatusGood() const { return buffer_.header.scsiStatus == 0; }
  const std::uint8_t* data() const { return buffer_.data; }

 private:
  CdDrive& drive_;
  PassThroughBuffer buffer_{};
};

constexpr const char* kDiscStatus[4] = {OSSEL_TEXT("DriveInfo", "空的"), OSSEL_TEXT("DriveInfo", "不完全的, 可以附加"),
                                         OSSEL_TEXT("DriveInfo", "完全的"), OSSEL_TEXT("DriveInfo", "完全的")};
constexpr const char* kLastSessionState[4] = {OSSEL_TEXT("DriveInfo", "空的"), OSSEL_TEXT("DriveInfo", "不完全的, 不固定"),
                                               OSSEL_TEXT("DriveInfo", "完全的"), OSSEL_TEXT("DriveInfo", "完全的")};
constexpr const char* kYesNo[2] = {OSSEL_TEXT("DriveInfo", "否"), OSSEL_TEXT("DriveInfo", "是")};
using SpeedTable = const char* const[16];
constexpr SpeedTable kSpeeds1 = {"1X", "2X", "4X", "6X", "8X", "10X", "12X", "16X", "20X",
                                 "",   "",   "",   "",   "",   "",    ""};
constexpr SpeedTable kSpeeds2 = {"1X",  "2X",  "4X",  "6X",  "8X", "10X", "12X", "16X",
                                 "20X", "24X", "32X", "40X", "48X", "",   "",    ""};
constexpr const char* kRecordableSubType[8] = {
    "Normal Recordable (CLV) media",
    "High speed Recordable (CAV) media",
    "Medium Type A, low Beta category (A-)",
    "Medium Type A, high Beta category (A+)",
    "Medium Type B, low Beta category (B-)",
    "Medium Type B, high Beta category (B+)",
    "Medium Type C, low Beta category (C-)",
    "Medium Type C, high Beta category (C+)",
};
constexpr const char* kRewritableSubType[8] = {
    "Normal Rewritable (CLV) media",
    "High speed Rewritable (CAV) media",
    "Ultra High speed Rewritable media",
    "Medium Type A, high Beta category (A+)",
    "Medium Type B, low Beta category (B-)",
    "Medium Type B, high Beta category (B+)",
    "Medium Type C, low Beta category (C-)",
    "Medium Type C, high Beta category (C+)",
};
constexpr const char* kLongStrategy = OSSEL_TEXT("DriveInfo", "Long strategy type (菁蓝, AZO)");
constexpr const char* kShortStrategy = OSSEL_TEXT("DriveInfo", "Short strategy type (酞菁染料)");

void AppendRow(std::vector<InfoRow>& rows, const char* label, std::string value) {
  rows.push_back(InfoRow{label, std::move(value)});
}

void AppendHeader(std::vector<InfoRow>& rows, const char* title) { AppendRow(rows, "", title); }

// A list of media names with its closing "/" removed.
std::string ModesText(std::string text) {
  if (!text.empty()) text.pop_back();
  return text;
}

// P is the capabilities page; CD-DA reading counts only for a drive that also reads CD-R or CD-RW.
std::string ReadModesText(const std::uint8_t* p) {
  std::string text;
  if (p[2] & 0x03) {
    if (p[2] & 0x01) text += "CD-R/";
    if (p[5] & 0x01) text += "CD-DA/";
    if (p[2] & 0x02) text += "CD-RW/";
  }
  if (p[2] & 0x38) {
    if (p[2] & 0x08) text += "DVD-ROM/";
    if (p[2] & 0x10) text += "DVD-R/";
    if (p[2] & 0x20) text += "DVD-RAM/";
  }
  return ModesText(std::move(text));
}

std::string WriteModesText(const std::uint8_t* p) {
  std::string text;
  if (p[3] & 0x03) {
    if (p[3] & 0x01) text += "CD-R/";
    if (p[3] & 0x02) text += "CD-RW/";
  }
  if (p[3] & 0x30) {
    if (p[3] & 0x10) text += "DVD-R/";
    if (p[3] & 0x20) text += "DVD-RAM/";
  }
  return ModesText(std::move(text));
}

// A speed in kB/s as a multiple of CD speed (175 kB/s), rounded down.
std::string SpeedText(std::uint8_t high, std::uint8_t low) { return FormatText("%2dX", (high * 256 + low) / 175); }

std::string CapacityText(std::uint32_t bytes, int minute, int second, int frame) {
  return "(" + FormatFixed(bytes / 1048576.0, 2) + FormatText(" Mb) %02d:%02d:%02d", minute, second, frame);
}

// INQUIRY: vendor, product, revision and the vendor-specific text.
void AppendIdentification(CommandSeries& scsi, std::vector<InfoRow>& rows) {
  if (!scsi.Send({ioctl::kScsiInquiry, 0, 0, 0, kAllocationLength, 0}) || !scsi.StatusGood()) return;
  const std::uint8_t* d = scsi.data();
  AppendHeader(rows, Translate("DriveInfo", "设备信息"));
  AppendRow(rows, Translate("DriveInfo", "厂家识别码"), FieldText(d + 8, 8));
  AppendRow(rows, Translate("DriveInfo", "产品识别码"), FieldText(d + 16, 16));
  AppendRow(rows, Translate("DriveInfo", "产品修订版"), FieldText(d + 32, 4));
  AppendRow(rows, Translate("DriveInfo", "厂家名称"), FieldText(d + 36, 20));
}

// MODE SENSE(6) of the capabilities page, block descriptors disabled. The drive's status is not looked at.
void AppendCapabilities(CommandSeries& scsi, std::vector<InfoRow>& rows) {
  if (!scsi.Send({ioctl::kScsiModeSense6, 0x08, 0x2A, 0, kAllocationLength, 0})) return;
  const std::uint8_t* p = scsi.data() + 4;  // after the mode parameter header
  AppendRow(rows, Translate("DriveInfo", "读取模式"), ReadModesText(p));
  AppendRow(rows, Translate("DriveInfo", "写入模式"), WriteModesText(p));
  AppendRow(rows, Translate("DriveInfo", "读取速率"), SpeedText(p[8], p[9]));
  AppendRow(rows, Translate("DriveInfo", "写入速率"), SpeedText(p[18], p[19]));
  AppendRow(rows, Translate("DriveInfo", "缓冲区大小"), FormatText("%d Kb", p[12] * 256 + p[13]));
}

// The data capacity: the last sector of the last track, as bytes and as minutes, seconds and frames.
void AppendDataCapacity(const CdDrive& drive, std::uint32_t bytesPerSector, std::vector<InfoRow>& rows) {
  if (!drive.tocValid) return;
  const std::int32_t end = drive.TrackEnd(drive.trackTable().lastTrack);
  if (end < 0) return;  // a table without a usable last track
  const std::uint32_t bytes = bytesPerSector * static_cast<std::uint32_t>(end);
  AppendRow(rows, Translate("DriveInfo", "数据容量"), CapacityText(bytes, end / 4500, end % 4500 / 75, end % 75));
}

// The ATIP of a recordable disc: speeds, nominal capacity, dye strategy, sub-type and the media manufacturer.
void AppendAtip(CommandSeries& scsi, std::uint32_t bytesPerSector, std::vector<InfoRow>& rows) {
  if (!scsi.Send({ioctl::kScsiReadTocPmaAtip, 0, 0x04, 0, 0, 0, 0, 0, kAllocationLength, 0}) || !scsi.StatusGood()) {
    return;
  }
  const std::uint8_t* a = scsi.data();
  AppendHeader(rows, Translate("DriveInfo", "ATIP 信息"));
  if (a[4] & 0x07) AppendRow(rows, Translate("DriveInfo", "参照速率"), kSpeeds1[a[4] & 0x07]);

  const int subType = (a[6] >> 3) & 0x07;
  auto appendSpeeds = [&rows](std::uint8_t v, const SpeedTable& speeds) {
    if (v >> 4) AppendRow(rows, Translate("DriveInfo", "最低记录速度"), speeds[v >> 4]);
    if (v & 0x0F) AppendRow(rows, Translate("DriveInfo", "最高记录速度"), speeds[v & 0x0F]);
  };
  if (subType == 0 && (a[6] & 0x04)) {
    appendSpeeds(a[16], kSpeeds1);
  } else if (a[6] & 0x02) {
    appendSpeeds(a[20], kSpeeds2);
  }

  if (a[12] != 0) {
    const std::uint32_t sectors = (a[12] * 60u + a[13]) * 75u + a[14];
    AppendRow(rows, "Nominal Capacity", CapacityText(bytesPerSector * sectors, a[12], a[13], a[14]));
  }

  const int minute = a[8], second = a[9], frame = a[10];
  if (minute >= 80 && minute <= 99) AppendRow(rows, Translate("DriveInfo", "唱片类型"), Translate("DriveInfo", frame % 10 >= 5 ? kShortStrategy : kLongStrategy));
  AppendRow(rows, Translate("DriveInfo", "唱片图表类型"), (a[6] & 0x40) ? kRewritableSubType[subType] : kRecordableSubType[subType]);
  const std::int32_t key = (minute * 60 + second) * 75 + frame - frame % 10;
  AppendRow(rows, Translate("DriveInfo", "制造商"), std::string(ManufacturerName(key)));
  AppendRow(rows, Translate("DriveInfo", "制造商 (MSF)"), FormatText("%02d:%02d:%02d", minute, second, frame));
}

// READ DISC INFORMATION and, for a disc that does not report the CD-DA/CD-ROM type, its ATIP.
void AppendDiscInformation(CdDrive& drive, CommandSeries& scsi, std::vector<InfoRow>& rows) {
  if (!scsi.Send({ioctl::kScsiReadDiscInformation, 0, 0, 0, 0, 0, 0, 0, kAllocationLength, 0})) return;
  const std::uint8_t* d = scsi.data();
  const std::uint8_t discType = d[8];
  const std::uint8_t status = d[2];
  const std::uint8_t flags = d[7];
  AppendHeader(rows, Translate("DriveInfo", "唱片信息"));
  AppendRow(rows, Translate("DriveInfo", "唱片类型"), std::string(DiscTypeName(discType)));

  ioctl::DiskGeometry geometry{};
  std::uint32_t bytesPerSector = kDefaultBytesPerSector;
  if (drive.DeviceControl(ioctl::kDiskGetDriveGeometry, nullptr, 0, &geometry, sizeof geometry, nullptr)) {
    bytesPerSector = geometry.bytesPerSector;
    AppendDataCapacity(drive, bytesPerSector, rows);
  }
  AppendRow(rows, Translate("DriveInfo", "唱片状态"), Translate("DriveInfo", kDiscStatus[status & 0x03]));
  AppendRow(rows, Translate("DriveInfo", "最后期间状态"), Translate("DriveInfo", kLastSessionState[(status >> 2) & 0x03]));
  AppendRow(rows, Translate("DriveInfo", "是可擦写"), Translate("DriveInfo", kYesNo[(status >> 4) & 0x01]));
  AppendRow(rows, Translate("DriveInfo", "无限制使用"), Translate("DriveInfo", kYesNo[(flags >> 5) & 0x01]));

  if (discType != 0) AppendAtip(scsi, bytesPerSector, rows);
}

}  // namespace

std::string_view DiscTypeName(std::uint8_t type) {
  switch (type) {
    case 0x00: return "CD-DA/CD-ROM";
    case 0x10: return "CD-I";
    case 0x20: return "CD-ROM XA";
    case 0xFF: return Translate("DriveInfo", "未定义的");
    default: return Translate("DriveInfo", "未知的");
  }
}

bool CdDrive::ReadDriveAndDiscInfo(std::vector<InfoRow>& rows) {
  ioctl::ScsiAddress address{};
  address.length = sizeof address;
  if (!DeviceControl(ioctl::kScsiGetAddress, nullptr, 0, &address, sizeof address, nullptr)) return false;

  CommandSeries scsi(*this, address);
  AppendIdentification(scsi, rows);
  AppendCapabilities(scsi, rows);
  AppendDiscInformation(*this, scsi, rows);
  return true;
}

}  // namespace ossel
