// The virtual disc answers a drive's requests: table of contents, ISRC, tray, and SCSI pass-through.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "device/drive_info.h"
#include "device/isrc.h"
#include "platform/win_ioctl.h"
#include "support/disc_images.h"

namespace ossel {
namespace {

using test::kFramesPerSector;

// Track 1 data with 100 sectors, track 2 audio with 200 sectors and an ISRC.
std::shared_ptr<VirtualDisc> MixedDisc(const test::ImageFolder& folder) {
  EXPECT_TRUE(test::WriteRaw(folder / "disc.bin", test::Pattern(300 * kFramesPerSector)));
  EXPECT_TRUE(test::WriteText(folder / "disc.cue",
                              "FILE \"disc.bin\" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n"
                              "  TRACK 02 AUDIO\n    ISRC USS1Z9900001\n    INDEX 01 00:01:25\n"));
  std::string error;
  auto disc = VirtualDisc::FromCueSheet(folder / "disc.cue", error);
  EXPECT_TRUE(disc) << error;
  return disc;
}

TEST(VirtualDiscRequests, TableOfContentsRecord) {
  test::ImageFolder folder;
  test::DiscDrive d(MixedDisc(folder));
  ASSERT_TRUE(d.ready());
  ioctl::TocRecord toc{};
  std::uint32_t returned = 0;
  ASSERT_TRUE(d.drive().DeviceControl(ioctl::kCdromReadToc, nullptr, 0, &toc, sizeof toc, &returned));
  EXPECT_EQ(returned, 4u + 8 * 3);
  EXPECT_EQ(toc.length[0], 0);
  EXPECT_EQ(toc.length[1], 2 + 8 * 3);
  EXPECT_EQ(toc.firstTrack, 1);
  EXPECT_EQ(toc.lastTrack, 2);
  EXPECT_EQ(toc.entries[0].controlAdr, 0x14);
  EXPECT_EQ(toc.entries[1].controlAdr, 0x10);
  EXPECT_EQ(toc.entries[1].trackNumber, 2);
  EXPECT_EQ(toc.entries[2].trackNumber, 0xAA);
  const std::uint8_t leadOut[4] = {0, 0, 6, 0};  // LBA 300 is 00:06:00
  EXPECT_EQ(std::memcmp(toc.entries[2].address, leadOut, 4), 0);

  std::vector<std::uint8_t> small(100);
  EXPECT_FALSE(d.drive().DeviceControl(ioctl::kCdromReadToc, nullptr, 0, small.data(), 100, nullptr));
}

TEST(VirtualDiscRequests, IsrcOnlyWhereTheSheetHasOne) {
  test::ImageFolder folder;
  test::DiscDrive d(MixedDisc(folder));
  ASSERT_TRUE(d.ready());
  auto ask = [&](std::uint8_t track, ioctl::SubQTrackIsrc& answer) {
    const ioctl::SubQDataFormat format{ioctl::kSubQFormatTrackIsrc, track};
    return d.drive().DeviceControl(ioctl::kCdromReadQChannel, &format, sizeof format, &answer, sizeof answer, nullptr);
  };
  ioctl::SubQTrackIsrc answer{};
  ASSERT_TRUE(ask(1, answer));
  EXPECT_EQ(answer.tcval & 0x80, 0);
  ASSERT_TRUE(ask(2, answer));
  EXPECT_EQ(answer.tcval & 0x80, 0x80);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(answer.code), 12), "USS1Z9900001");
  EXPECT_FALSE(ask(3, answer));

  std::vector<IsrcRow> rows;
  d.drive().ReadTrackIsrc(rows, 1);
  d.drive().ReadTrackIsrc(rows, 2);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].code, "USS1Z9900001");
  EXPECT_EQ(rows[0].year, "1999");
}

// The tray state belongs to the disc: every drive object opened on it sees an eject.
TEST(VirtualDiscRequests, EjectedDiscAnswersNothingUntilLoaded) {
  test::ImageFolder folder;
  auto disc = MixedDisc(folder);
  test::DiscDrive d(disc);
  ASSERT_TRUE(d.ready());
  CdDrive other(d.table());
  ASSERT_TRUE(other.Open(d.letter()));
  EXPECT_TRUE(d.drive().LockTray());
  EXPECT_TRUE(d.drive().UnlockTray());

  EXPECT_TRUE(d.drive().EjectTray());
  EXPECT_FALSE(disc->loaded());
  EXPECT_FALSE(other.DeviceControl(ioctl::kStorageCheckVerify, nullptr, 0, nullptr, 0, nullptr));
  EXPECT_TRUE(d.Read(100, 1).empty());  // the table is still held, but the disc is gone
  ioctl::TocRecord toc{};
  EXPECT_FALSE(other.DeviceControl(ioctl::kCdromReadToc, nullptr, 0, &toc, sizeof toc, nullptr));

  EXPECT_TRUE(other.ReadTrackTable());  // which loads the tray first
  EXPECT_TRUE(disc->loaded());
  EXPECT_EQ(d.Read(100, 1).size(), 2352u);
}

std::string Value(const std::vector<InfoRow>& rows, const std::string& label) {
  auto row = std::find_if(rows.begin(), rows.end(), [&](const InfoRow& r) { return r.label == label; });
  return row == rows.end() ? "(absent)" : row->value;
}

bool HasSection(const std::vector<InfoRow>& rows, const std::string& title) {
  return std::any_of(rows.begin(), rows.end(), [&](const InfoRow& r) { return r.label.empty() && r.value == title; });
}

// A plain reader with a pressed audio disc: identification, capabilities and disc information, no ATIP.
TEST(VirtualDiscRequests, PassThroughIdentifiesAPlainReaderWithAPressedDisc) {
  test::ImageFolder folder;
  auto disc = MixedDisc(folder);
  test::DiscDrive d(disc);
  ASSERT_TRUE(d.ready());
  std::vector<InfoRow> rows;
  ASSERT_TRUE(d.drive().ReadDriveAndDiscInfo(rows));
  EXPECT_EQ(Value(rows, "厂家识别码"), "OSSEL   ");
  EXPECT_EQ(Value(rows, "产品识别码"), "VIRTUAL CD-ROM  ");
  EXPECT_EQ(Value(rows, "产品修订版"), "1.0 ");
  EXPECT_EQ(Value(rows, "厂家名称"), "Virtual audio disc  ");
  EXPECT_EQ(Value(rows, "读取模式"), "CD-R/CD-DA/CD-RW");
  EXPECT_EQ(Value(rows, "写入模式"), "");
  EXPECT_EQ(Value(rows, "读取速率"), "40X");
  EXPECT_EQ(Value(rows, "缓冲区大小"), "2048 Kb");
  EXPECT_EQ(Value(rows, "唱片类型"), "CD-DA/CD-ROM");
  EXPECT_EQ(Value(rows, "唱片状态"), "完全的");
  EXPECT_EQ(Value(rows, "最后期间状态"), "完全的");
  EXPECT_EQ(Value(rows, "是可擦写"), "否");
  EXPECT_NE(Value(rows, "数据容量"), "(absent)");
  EXPECT_FALSE(HasSection(rows, "ATIP 信息"));

  // Without a disc the drive still identifies itself, but has no disc information.
  disc->SetLoaded(false);
  rows.clear();
  ASSERT_TRUE(d.drive().ReadDriveAndDiscInfo(rows));
  EXPECT_TRUE(HasSection(rows, "设备信息"));
  EXPECT_FALSE(HasSection(rows, "唱片信息"));
}

// One buffer for input and output, as the pass-through request is sent; a refused command reports its sense.
TEST(VirtualDiscRequests, PassThroughBufferLayout) {
  test::ImageFolder folder;
  test::DiscDrive d(MixedDisc(folder));
  ASSERT_TRUE(d.ready());
  std::uint8_t buffer[ioctl::kPassThroughBufferBytes] = {};
  auto send = [&](std::initializer_list<std::uint8_t> cdb) {
    ioctl::ScsiPassThrough header{};
    header.length = sizeof header;
    header.cdbLength = static_cast<std::uint8_t>(cdb.size());
    header.senseInfoLength = ioctl::kPassThroughSenseBytes;
    header.dataIn = ioctl::kScsiDataIn;
    header.dataTransferLength = ioctl::kPassThroughDataBytes;
    header.dataBufferOffset = ioctl::kPassThroughDataOffset;
    header.senseInfoOffset = ioctl::kPassThroughSenseOffset;
    std::copy(cdb.begin(), cdb.end(), header.cdb);
    std::memcpy(buffer, &header, sizeof header);
    return d.drive().DeviceControl(ioctl::kScsiPassThrough, buffer, ioctl::kPassThroughInputBytes, buffer,
                                   ioctl::kPassThroughOutputBytes, nullptr);
  };
  ASSERT_TRUE(send({ioctl::kScsiInquiry, 0, 0, 0, 0xC0, 0}));
  EXPECT_EQ(buffer[2], 0);  // ScsiStatus: good
  EXPECT_EQ(buffer[ioctl::kPassThroughDataOffset], 0x05);  // a CD/DVD device
  EXPECT_EQ(std::memcmp(buffer + ioctl::kPassThroughDataOffset + 8, "OSSEL   VIRTUAL CD-ROM  1.0 ", 28), 0);

  ASSERT_TRUE(send({ioctl::kScsiReadTocPmaAtip, 0, 0x04, 0, 0, 0, 0, 0, 0xC0, 0}));  // a pressed disc has no ATIP
  EXPECT_EQ(buffer[2], 0x02);                                            // CHECK CONDITION
  EXPECT_EQ(buffer[ioctl::kPassThroughSenseOffset + 2], 0x05);           // ILLEGAL REQUEST
}

}  // namespace
}  // namespace ossel
