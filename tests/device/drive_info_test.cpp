#include "device/drive_info.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "device/cd_drive.h"
#include "platform/script_backend.h"
#include "support/toc.h"

namespace ossel {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Answer = ScriptDevice::Answer;

// What the drive does with one MMC command: the bytes it puts at the start of the data area (fewer than asked for
// is a short transfer) and its status, or a refused request.
struct MmcReply {
  Bytes data;
  std::uint8_t status = 0;
  bool refused = false;
};

void Put16(Bytes& b, std::size_t at, int value) {
  b[at] = static_cast<std::uint8_t>(value >> 8);
  b[at + 1] = static_cast<std::uint8_t>(value);
}

template <typename Record>
Bytes BytesOf(const Record& record) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&record);
  return Bytes(bytes, bytes + sizeof record);
}

void PutText(Bytes& b, std::size_t at, const std::string& text) { std::copy(text.begin(), text.end(), b.begin() + at); }

Bytes Inquiry(const std::string& vendor, const std::string& product, const std::string& revision,
              const std::string& specific) {
  Bytes b(96, 0);
  b[0] = 0x05;  // CD/DVD device
  PutText(b, 8, vendor);
  PutText(b, 16, product);
  PutText(b, 32, revision);
  PutText(b, 36, specific);
  return b;
}

struct Capabilities {
  std::uint8_t readBits = 0;   // page byte 2
  std::uint8_t writeBits = 0;  // page byte 3
  std::uint8_t audioBits = 0;  // page byte 5
  int readKBs = 0;
  int writeKBs = 0;
  int bufferKB = 0;
};

// MODE SENSE(6) answer: 4-byte header, then the capabilities page.
Bytes ModeSense(const Capabilities& c) {
  Bytes b(4 + 22, 0);
  b[4] = 0x2A;
  b[5] = 20;
  b[4 + 2] = c.readBits;
  b[4 + 3] = c.writeBits;
  b[4 + 5] = c.audioBits;
  Put16(b, 4 + 8, c.readKBs);
  Put16(b, 4 + 12, c.bufferKB);
  Put16(b, 4 + 18, c.writeKBs);
  return b;
}

Bytes DiscInfo(std::uint8_t discType, std::uint8_t statusByte, std::uint8_t byte7) {
  Bytes b(34, 0);
  Put16(b, 0, 32);
  b[2] = statusByte;
  b[7] = byte7;
  b[8] = discType;
  return b;
}

struct Atip {
  std::uint8_t byte4 = 0;  // reference speed in bits 0–2
  std::uint8_t byte6 = 0;  // rewritable, sub-type, A1 and A2 valid
  int leadIn[3] = {97, 24, 0};
  int leadOut[3] = {0, 0, 0};
  std::uint8_t a1 = 0;
  std::uint8_t a2 = 0;
};

Bytes AtipData(const Atip& a) {
  Bytes b(28, 0);
  Put16(b, 0, 26);
  b[4] = a.byte4;
  b[6] = a.byte6;
  for (int i = 0; i < 3; ++i) {
    b[8 + i] = static_cast<std::uint8_t>(a.leadIn[i]);
    b[12 + i] = static_cast<std::uint8_t>(a.leadOut[i]);
  }
  b[16] = a.a1;
  b[20] = a.a2;
  return b;
}

// A drive answering pass-through commands by operation code; commands without a reply are refused. Every other
// request succeeds, except the address and geometry requests, which can be switched off.
class ScriptedDrive {
 public:
  ScriptedDrive() {
    device_->SetHandler([this](const DeviceRequest& r) { return Handle(r); });
    EXPECT_TRUE(drive.Open(letter_));
  }

  void SetToc(const std::vector<test::TocTrack>& tracks, std::int32_t leadOut) {
    Answer a;
    a.output = test::MakeToc(tracks, leadOut);
    device_->SetAnswer(ioctl::kCdromReadToc, a);
    EXPECT_TRUE(drive.ReadTrackTable());
  }

  std::vector<InfoRow> Read(bool expected = true) {
    std::vector<InfoRow> rows;
    EXPECT_EQ(drive.ReadDriveAndDiscInfo(rows), expected);
    return rows;
  }

  int PassThroughCount() const { return device_->CountCalls(ioctl::kScsiPassThrough); }
  std::vector<ScriptDevice::Call> Calls() const { return device_->Calls(); }

  std::map<std::uint8_t, MmcReply> replies;  // by operation code
  std::vector<Bytes> commandBlocks;          // CdbLength bytes of each command, in order
  std::vector<ioctl::ScsiPassThrough> headers;
  bool hasAddress = true;
  ioctl::ScsiAddress address{8, 0, 1, 2, 3};
  bool hasGeometry = true;
  std::uint32_t bytesPerSector = 2048;

 private:
  Answer Handle(const DeviceRequest& r) {
    Answer answer;
    if (r.code == ioctl::kScsiPassThrough) return PassThrough(r);
    if (r.code == ioctl::kScsiGetAddress) {
      answer.status = hasAddress ? IoStatus::Done : IoStatus::Failed;
      answer.output = BytesOf(address);
    } else if (r.code == ioctl::kDiskGetDriveGeometry) {
      ioctl::DiskGeometry geometry{};
      geometry.bytesPerSector = bytesPerSector;
      answer.status = hasGeometry ? IoStatus::Done : IoStatus::Failed;
      answer.output = BytesOf(geometry);
    }
    return answer;
  }

  // Answers with the header and the reply's data; the rest of the caller's buffer stays as it was.
  Answer PassThrough(const DeviceRequest& r) {
    Answer answer;
    ioctl::ScsiPassThrough header;
    std::memcpy(&header, r.input, sizeof header);
    headers.push_back(header);
    commandBlocks.emplace_back(header.cdb, header.cdb + header.cdbLength);
    auto reply = replies.find(header.cdb[0]);
    if (reply == replies.end() || reply->second.refused) {
      answer.status = IoStatus::Failed;
      return answer;
    }
    header.scsiStatus = reply->second.status;
    const auto* buffer = static_cast<const std::uint8_t*>(r.output);
    answer.output.assign(buffer, buffer + ioctl::kPassThroughDataOffset);
    std::memcpy(answer.output.data(), &header, sizeof header);
    answer.output.insert(answer.output.end(), reply->second.data.begin(), reply->second.data.end());
    return answer;
  }

  DriveTable table_;
  std::shared_ptr<ScriptDevice> device_ = ScriptDevice::Create();
  char letter_ = table_.AddCdDrive(device_->AsDrive());

 public:
  CdDrive drive{table_};
};

std::vector<std::string> Texts(const std::vector<InfoRow>& rows) {
  std::vector<std::string> texts;
  for (const InfoRow& row : rows) texts.push_back(row.label + " | " + row.value);
  return texts;
}

std::vector<std::string> ValuesOf(const std::vector<InfoRow>& rows, const std::string& label) {
  std::vector<std::string> values;
  for (const InfoRow& row : rows)
    if (row.label == label) values.push_back(row.value);
  return values;
}

std::string ValueOf(const std::vector<InfoRow>& rows, const std::string& label) {
  std::vector<std::string> values = ValuesOf(rows, label);
  return values.size() == 1 ? values[0] : "<" + std::to_string(values.size()) + " rows>";
}

const std::string kLongStrategy = "Long strategy type (菁蓝, AZO)";
const std::string kShortStrategy = "Short strategy type (酞菁染料)";

TEST(DriveInfo, RecordableDiscInABurnerGivesTheWholeRowList) {
  ScriptedDrive s;
  s.SetToc({{1, 0}, {2, 20000}, {3, 150000, false}}, 300000);
  const std::string dateThenNul("2003/06/11\0x", 12);
  s.replies[ioctl::kScsiInquiry] = {Inquiry("OSSELTEK", "CDRW-5232A      ", "1.07", dateThenNul), 0};
  s.replies[ioctl::kScsiModeSense6] = {ModeSense({0x03, 0x03, 0x01, 9100, 8467, 2048}), 0};
  s.replies[ioctl::kScsiReadDiscInformation] = {DiscInfo(0x20, 0x05, 0x20), 0};
  Atip atip;
  atip.byte4 = 0x04;
  atip.byte6 = 0x04;
  atip.a1 = 0x17;
  atip.leadIn[2] = 1;
  atip.leadOut[0] = 79, atip.leadOut[1] = 59, atip.leadOut[2] = 74;
  s.replies[ioctl::kScsiReadTocPmaAtip] = {AtipData(atip), 0};

  const std::vector<std::string> expected = {
      " | 设备信息",
      "厂家识别码 | OSSELTEK",
      "产品识别码 | CDRW-5232A      ",
      "产品修订版 | 1.07",
      "厂家名称 | 2003/06/11",
      "读取模式 | CD-R/CD-DA/CD-RW",
      "写入模式 | CD-R/CD-RW",
      "读取速率 | 52X",
      "写入速率 | 48X",
      "缓冲区大小 | 2048 Kb",
      " | 唱片信息",
      "唱片类型 | CD-ROM XA",
      "数据容量 | (585.94 Mb) 66:39:74",
      "唱片状态 | 不完全的, 可以附加",
      "最后期间状态 | 不完全的, 不固定",
      "是可擦写 | 否",
      "无限制使用 | 是",
      " | ATIP 信息",
      "参照速率 | 8X",
      "最低记录速度 | 2X",
      "最高记录速度 | 16X",
      "Nominal Capacity | (703.12 Mb) 79:59:74",
      "唱片类型 | " + kLongStrategy,
      "唱片图表类型 | Normal Recordable (CLV) media",
      "制造商 | Taiyo Yuden Company Limited",
      "制造商 (MSF) | 97:24:01",
  };
  EXPECT_EQ(Texts(s.Read()), expected);
}

TEST(DriveInfo, CommandsTravelInOneZeroedBufferWithTheDriveAddress) {
  ScriptedDrive s;
  s.replies[ioctl::kScsiInquiry] = {Inquiry("A", "B", "C", "D"), 0};
  s.replies[ioctl::kScsiModeSense6] = {ModeSense({}), 0};
  s.replies[ioctl::kScsiReadDiscInformation] = {DiscInfo(0xFF, 0, 0), 0};
  s.replies[ioctl::kScsiReadTocPmaAtip] = {AtipData({}), 0};
  s.Read();

  const std::vector<Bytes> expected = {
      {0x12, 0, 0, 0, 0xC0, 0},
      {0x1A, 0x08, 0x2A, 0, 0xC0, 0},
      {0x51, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0},
      {0x43, 0, 0x04, 0, 0, 0, 0, 0, 0xC0, 0},
  };
  EXPECT_EQ(s.commandBlocks, expected);
  for (const ioctl::ScsiPassThrough& h : s.headers) {
    EXPECT_EQ(h.length, 44);
    EXPECT_EQ(h.pathId, 1);
    EXPECT_EQ(h.targetId, 2);
    EXPECT_EQ(h.lun, 3);
    EXPECT_EQ(h.senseInfoLength, 24);
    EXPECT_EQ(h.dataIn, 1);
    EXPECT_EQ(h.dataTransferLength, 192u);
    EXPECT_EQ(h.timeOutValue, 2000u);
    EXPECT_EQ(h.dataBufferOffset, 80u);
    EXPECT_EQ(h.senseInfoOffset, 48u);
    // The rest of the command block stays zero.
    EXPECT_TRUE(std::all_of(h.cdb + h.cdbLength, h.cdb + 16, [](std::uint8_t b) { return b == 0; }));
  }
  for (const ScriptDevice::Call& call : s.Calls()) {
    if (call.code != ioctl::kScsiPassThrough) continue;
    EXPECT_EQ(call.input.size(), 44u);
    EXPECT_EQ(call.outputBytes, 272u);
  }
}

TEST(DriveInfo, NoAddressMeansNoRowsAndNoCommands) {
  ScriptedDrive s;
  s.hasAddress = false;
  s.replies[ioctl::kScsiInquiry] = {Inquiry("A", "B", "C", "D"), 0};
  EXPECT_TRUE(s.Read(false).empty());
  EXPECT_EQ(s.PassThroughCount(), 0);
}

TEST(DriveInfo, IdentificationFieldsAreCutAtTheirWidthOrANul) {
  ScriptedDrive s;
  Bytes inquiry = Inquiry("ABC", "0123456789ABCDEFtoo long", "", "");
  PutText(inquiry, 32, "REV9");  // revision runs straight into the vendor-specific area
  PutText(inquiry, 36, " twenty characters  and more");
  s.replies[ioctl::kScsiInquiry] = {inquiry, 0};
  std::vector<InfoRow> rows = s.Read();
  EXPECT_EQ(ValueOf(rows, "厂家识别码"), "ABC");
  EXPECT_EQ(ValueOf(rows, "产品识别码"), "0123456789ABCDEF");
  EXPECT_EQ(ValueOf(rows, "产品修订版"), "REV9");
  EXPECT_EQ(ValueOf(rows, "厂家名称"), " twenty characters  ");
}

TEST(DriveInfo, IdentificationNeedsAGoodStatusButCapabilitiesDoNot) {
  for (bool refused : {false, true}) {
    ScriptedDrive s;
    s.replies[ioctl::kScsiInquiry] = {Inquiry("A", "B", "C", "D"), 0x02, refused};
    s.replies[ioctl::kScsiModeSense6] = {ModeSense({0x01, 0, 0, 7056, 1411, 512}), 0x02};
    std::vector<InfoRow> rows = s.Read();
    ASSERT_EQ(rows.size(), 5u) << "refused " << refused;
    EXPECT_EQ(rows[0].label, "读取模式");
    EXPECT_EQ(rows[0].value, "CD-R");
  }
  ScriptedDrive noPage;
  noPage.replies[ioctl::kScsiInquiry] = {Inquiry("A", "B", "C", "D"), 0};
  noPage.replies[ioctl::kScsiModeSense6] = {{}, 0, true};
  EXPECT_EQ(noPage.Read().size(), 5u);  // identification only
}

TEST(DriveInfo, CapabilityRows) {
  struct Case {
    Capabilities caps;
    std::vector<std::string> values;  // read modes, write modes, read speed, write speed, buffer
  };
  const Case cases[] = {
      {{0x3B, 0x33, 0x01, 7056, 1411, 2048},
       {"CD-R/CD-DA/CD-RW/DVD-ROM/DVD-R/DVD-RAM", "CD-R/CD-RW/DVD-R/DVD-RAM", "40X", " 8X", "2048 Kb"}},
      // CD-DA only shows beside CD-R or CD-RW; speeds are whole multiples of 175 kB/s, two wide.
      {{0x08, 0x00, 0x01, 174, 175, 0}, {"DVD-ROM", "", " 0X", " 1X", "0 Kb"}},
      {{0x02, 0x10, 0x01, 65535, 349, 65535}, {"CD-DA/CD-RW", "DVD-R", "374X", " 1X", "65535 Kb"}},
      {{0x01, 0x02, 0x00, 1400, 1399, 512}, {"CD-R", "CD-RW", " 8X", " 7X", "512 Kb"}},
      {{0xC4, 0xCC, 0xFF, 0, 0, 0}, {"", "", " 0X", " 0X", "0 Kb"}},  // bits that name nothing
  };
  for (const Case& c : cases) {
    ScriptedDrive s;
    s.replies[ioctl::kScsiModeSense6] = {ModeSense(c.caps), 0};
    std::vector<InfoRow> rows = s.Read();
    std::vector<std::string> values;
    for (const char* label : {"读取模式", "写入模式", "读取速率", "写入速率", "缓冲区大小"})
      values.push_back(ValueOf(rows, label));
    EXPECT_EQ(values, c.values);
  }
}

TEST(DriveInfo, ShortAnswersLeaveThePreviousCommandsData) {
  // Nothing came back before: the rows show the zeroed buffer.
  ScriptedDrive fresh;
  fresh.replies[ioctl::kScsiModeSense6] = {{}, 0};
  EXPECT_EQ(Texts(fresh.Read()), (std::vector<std::string>{"读取模式 | ", "写入模式 | ", "读取速率 |  0X",
                                                           "写入速率 |  0X", "缓冲区大小 | 0 Kb"}));

  // A mode page cut after its byte 3 keeps the inquiry bytes behind it; a bare disc-information answer reads the
  // mode page's bytes as its own.
  ScriptedDrive s;
  Bytes inquiry = Inquiry("A", "B", "C", "D");
  inquiry[9] = 0x01;                    // page byte 5
  Put16(inquiry, 12, 3528);             // page bytes 8–9
  s.replies[ioctl::kScsiInquiry] = {inquiry, 0};
  Bytes page = ModeSense({0x01, 0x00, 0x00});
  page.resize(8);
  s.replies[ioctl::kScsiModeSense6] = {page, 0};
  s.replies[ioctl::kScsiReadDiscInformation] = {{}, 0};
  std::vector<InfoRow> rows = s.Read();
  EXPECT_EQ(ValueOf(rows, "读取模式"), "CD-R/CD-DA");
  EXPECT_EQ(ValueOf(rows, "读取速率"), "20X");
  EXPECT_EQ(ValuesOf(rows, "唱片类型").front(), "未知的");  // data byte 8 is still the inquiry's 'A'
}

TEST(DriveInfo, DiscTypesAndStatus) {
  EXPECT_EQ(DiscTypeName(0x00), "CD-DA/CD-ROM");
  EXPECT_EQ(DiscTypeName(0x10), "CD-I");
  EXPECT_EQ(DiscTypeName(0x20), "CD-ROM XA");
  EXPECT_EQ(DiscTypeName(0xFF), "未定义的");
  EXPECT_EQ(DiscTypeName(0x30), "未知的");

  ScriptedDrive s;
  s.replies[ioctl::kScsiReadDiscInformation] = {DiscInfo(0x00, 0x1E, 0x00), 0x02};  // status not looked at
  std::vector<InfoRow> rows = s.Read();
  EXPECT_EQ(Texts(rows), (std::vector<std::string>{" | 唱片信息", "唱片类型 | CD-DA/CD-ROM", "唱片状态 | 完全的",
                                                   "最后期间状态 | 完全的", "是可擦写 | 是", "无限制使用 | 否"}));
  EXPECT_EQ(s.PassThroughCount(), 3);  // a pressed CD is not asked for its ATIP

  ScriptedDrive empty;
  empty.replies[ioctl::kScsiReadDiscInformation] = {DiscInfo(0x10, 0x00, 0xDF), 0};
  rows = empty.Read();
  EXPECT_EQ(ValueOf(rows, "唱片状态"), "空的");
  EXPECT_EQ(ValueOf(rows, "最后期间状态"), "空的");
  EXPECT_EQ(ValueOf(rows, "是可擦写"), "否");
  EXPECT_EQ(ValueOf(rows, "无限制使用"), "否");

  ScriptedDrive refused;
  refused.replies[ioctl::kScsiReadTocPmaAtip] = {AtipData({}), 0};
  EXPECT_TRUE(refused.Read().empty());
  EXPECT_EQ(refused.PassThroughCount(), 3);

  // Discs without an ATIP refuse the command or report a bad status: no section.
  ScriptedDrive noAtip;
  noAtip.replies[ioctl::kScsiReadDiscInformation] = {DiscInfo(0xFF, 0x00, 0x00), 0};
  EXPECT_EQ(noAtip.Read().back().label, "无限制使用");
  EXPECT_EQ(noAtip.PassThroughCount(), 4);
  noAtip.replies[ioctl::kScsiReadTocPmaAtip] = {AtipData({}), 0x02};
  EXPECT_EQ(noAtip.Read().back().label, "无限制使用");
}

TEST(DriveInfo, DataCapacityNeedsGeometryAndATrackTable) {
  ScriptedDrive s;
  s.replies[ioctl::kScsiReadDiscInformation] = {DiscInfo(0x00, 0x0E, 0x20), 0};
  EXPECT_EQ(ValuesOf(s.Read(), "数据容量").size(), 0u);  // no table read yet

  std::vector<test::TocTrack> tracks;
  for (int n = 1; n <= 12; ++n) tracks.push_back({n, (n - 1) * 20000});
  s.SetToc(tracks, 300000);
  EXPECT_EQ(ValueOf(s.Read(), "数据容量"), "(585.94 Mb) 66:39:74");
  s.bytesPerSector = 16384;  // the byte count is a 32-bit product and wraps
  EXPECT_EQ(ValueOf(s.Read(), "数据容量"), "(591.48 Mb) 66:39:74");
  s.hasGeometry = false;
  std::vector<InfoRow> rows = s.Read();
  EXPECT_EQ(ValuesOf(rows, "数据容量").size(), 0u);
  EXPECT_EQ(ValueOf(rows, "唱片状态"), "完全的");

  s.hasGeometry = true;
  s.bytesPerSector = 2048;
  s.SetToc({{1, 0}}, 1000);
  EXPECT_EQ(ValueOf(s.Read(), "数据容量"), "(1.95 Mb) 00:13:24");
  s.SetToc({}, 0);  // a table without tracks has no last track to end the data at
  EXPECT_EQ(ValuesOf(s.Read(), "数据容量").size(), 0u);
}

// Rows of the ATIP section for a recordable disc (type FFh) with the given ATIP.
std::vector<InfoRow> AtipRows(const Atip& atip, std::uint8_t status = 0, std::uint32_t bytesPerSector = 2048,
                              bool geometry = true) {
  ScriptedDrive s;
  s.bytesPerSector = bytesPerSector;
  s.hasGeometry = geometry;
  s.replies[ioctl::kScsiReadDiscInformation] = {DiscInfo(0xFF, 0x00, 0x00), 0};
  s.replies[ioctl::kScsiReadTocPmaAtip] = {AtipData(atip), status};
  std::vector<InfoRow> rows = s.Read();
  auto header = std::find_if(rows.begin(), rows.end(), [](const InfoRow& r) { return r.value == "ATIP 信息"; });
  return std::vector<InfoRow>(header, rows.end());
}

Atip LeadIn(int minute, int second, int frame) {
  Atip a;
  a.leadIn[0] = minute, a.leadIn[1] = second, a.leadIn[2] = frame;
  return a;
}

TEST(DriveInfoAtip, ManufacturerByLeadInRoundedDownToTenFrames) {
  struct Case {
    int m, s, f;
    const char* name;
    const char* msf;
  };
  const Case cases[] = {
      {97, 24, 1, "Taiyo Yuden Company Limited", "97:24:01"},
      {97, 24, 9, "Taiyo Yuden Company Limited", "97:24:09"},
      {97, 24, 10, "SONY Corporation", "97:24:10"},
      {97, 25, 15, "Unknown", "97:25:15"},
      {97, 25, 5, "MPO", "97:25:05"},
      {96, 40, 0, "SKC Co., Ltd.", "96:40:00"},
      {0, 0, 0, "Unknown", "00:00:00"},
  };
  for (const Case& c : cases) {
    std::vector<InfoRow> rows = AtipRows(LeadIn(c.m, c.s, c.f));
    EXPECT_EQ(ValueOf(rows, "制造商"), c.name) << c.msf;
    EXPECT_EQ(ValueOf(rows, "制造商 (MSF)"), c.msf);
  }
}

TEST(DriveInfoAtip, StrategyFromTheLeadInFrameForMinutes80To99) {
  EXPECT_EQ(ValuesOf(AtipRows(LeadIn(97, 27, 66)), "唱片类型"), std::vector<std::string>{kShortStrategy});
  EXPECT_EQ(ValuesOf(AtipRows(LeadIn(97, 27, 62)), "唱片类型"), std::vector<std::string>{kLongStrategy});
  EXPECT_EQ(ValuesOf(AtipRows(LeadIn(80, 0, 5)), "唱片类型"), std::vector<std::string>{kShortStrategy});
  EXPECT_EQ(ValuesOf(AtipRows(LeadIn(99, 0, 4)), "唱片类型"), std::vector<std::string>{kLongStrategy});
  EXPECT_TRUE(ValuesOf(AtipRows(LeadIn(79, 27, 66)), "唱片类型").empty());
  EXPECT_TRUE(ValuesOf(AtipRows(LeadIn(100, 27, 66)), "唱片类型").empty());
}

TEST(DriveInfoAtip, SubTypeAndRecordingSpeeds) {
  Atip a;
  a.a1 = 0x27;
  a.a2 = 0x9C;

  a.byte6 = 0x44;  // rewritable, sub-type 0, A1 valid
  std::vector<InfoRow> rows = AtipRows(a);
  EXPECT_EQ(ValueOf(rows, "唱片图表类型"), "Normal Rewritable (CLV) media");
  EXPECT_EQ(ValueOf(rows, "最低记录速度"), "4X");
  EXPECT_EQ(ValueOf(rows, "最高记录速度"), "16X");

  a.byte6 = 0x56;  // rewritable, sub-type 2, A1 and A2 valid: a sub-type skips A1
  rows = AtipRows(a);
  EXPECT_EQ(ValueOf(rows, "唱片图表类型"), "Ultra High speed Rewritable media");
  EXPECT_EQ(ValueOf(rows, "最低记录速度"), "24X");
  EXPECT_EQ(ValueOf(rows, "最高记录速度"), "48X");

  a.byte6 = 0x54;  // sub-type 2, A2 not valid
  rows = AtipRows(a);
  EXPECT_TRUE(ValuesOf(rows, "最低记录速度").empty());
  EXPECT_TRUE(ValuesOf(rows, "最高记录速度").empty());

  a.byte6 = 0x38;  // recordable, sub-type 7
  EXPECT_EQ(ValueOf(AtipRows(a), "唱片图表类型"), "Medium Type C, high Beta category (C+)");
  a.byte6 = 0x08;
  EXPECT_EQ(ValueOf(AtipRows(a), "唱片图表类型"), "High speed Recordable (CAV) media");

  a.byte6 = 0x04;  // recordable, A1 valid; a zero nibble gives no row, a nibble past the table an empty value
  a.a1 = 0x90;
  rows = AtipRows(a);
  EXPECT_EQ(ValueOf(rows, "最低记录速度"), "");
  EXPECT_TRUE(ValuesOf(rows, "最高记录速度").empty());
  a.byte6 = 0x02;  // A2 only, table 2
  a.a2 = 0x0D;
  rows = AtipRows(a);
  EXPECT_TRUE(ValuesOf(rows, "最低记录速度").empty());
  EXPECT_EQ(ValueOf(rows, "最高记录速度"), "");
}

TEST(DriveInfoAtip, ReferenceSpeedAndNominalCapacity) {
  Atip a;
  EXPECT_TRUE(ValuesOf(AtipRows(a), "参照速率").empty());
  EXPECT_TRUE(ValuesOf(AtipRows(a), "Nominal Capacity").empty());  // lead-out minute 0
  a.byte4 = 0xF5;  // only bits 0–2 count
  a.leadOut[0] = 79, a.leadOut[1] = 59, a.leadOut[2] = 74;
  std::vector<InfoRow> rows = AtipRows(a, 0, 2352);
  EXPECT_EQ(ValueOf(rows, "参照速率"), "10X");
  EXPECT_EQ(ValueOf(rows, "Nominal Capacity"), "(807.49 Mb) 79:59:74");
  a.byte4 = 0x07;
  rows = AtipRows(a, 0, 2352, false);  // no geometry: 2048-byte sectors
  EXPECT_EQ(ValueOf(rows, "参照速率"), "16X");
  EXPECT_EQ(ValueOf(rows, "Nominal Capacity"), "(703.12 Mb) 79:59:74");
}

TEST(ManufacturerTable, TranscribedWhole) {
  std::span<const ManufacturerEntry> table = ManufacturerTable();
  ASSERT_EQ(table.size(), 111u);
  EXPECT_EQ(table.front().key, 435000);
  EXPECT_STREQ(table.front().name, "SKC Co., Ltd.");
  EXPECT_EQ(table.back().key, 440375);
  EXPECT_STREQ(table.back().name, "Hile Optical Disc Technology Corp.");
  EXPECT_EQ(ManufacturerName(437910), "TAROKO INTERNATIONAL CO.,LTD.");  // 97:18:60
  EXPECT_EQ(ManufacturerName(438620), "Multi Media Masters & Machinary SA");
  EXPECT_EQ(ManufacturerName(438760), "CDA Datentrager Albrechts GmbH");
  EXPECT_EQ(ManufacturerName(440235), "Matsushita Electric Industrial Co., Ltd.");
  EXPECT_EQ(ManufacturerName(438301), "Unknown");
  EXPECT_EQ(ManufacturerName(-1), "Unknown");
  for (std::size_t i = 0; i < table.size(); ++i) {
    const int minute = table[i].key / 4500;
    EXPECT_TRUE(minute == 96 || minute == 97) << table[i].key;
    EXPECT_EQ(table[i].key % 75 % 10, 0) << table[i].key;  // reachable by a rounded key
    if (i > 0) {
      EXPECT_LT(table[i - 1].key, table[i].key);
    }
    EXPECT_EQ(ManufacturerName(table[i].key), table[i].name);
  }
}

}  // namespace
}  // namespace ossel
