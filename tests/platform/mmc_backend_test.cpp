// The mapping of Windows requests onto MMC commands, checked against a fake transport.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "device/cd_drive.h"
#include "platform/cdio_backend.h"

namespace ossel {
namespace {

struct Command {
  std::vector<std::uint8_t> cdb;
  MmcTransport::Direction direction;
  std::uint32_t dataBytes;
  unsigned timeoutMs;
};

class FakeTransport : public MmcTransport {
 public:
  using Responder = std::function<Status(const Command&, std::uint8_t* data)>;
  FakeTransport(std::vector<Command>& log, Responder responder) : log_(log), responder_(std::move(responder)) {}

  Status Run(const std::uint8_t* cdb, int cdbLength, Direction direction, void* data, std::uint32_t dataBytes,
             unsigned timeoutMs) override {
    Command c{{cdb, cdb + cdbLength}, direction, dataBytes, timeoutMs};
    log_.push_back(c);
    return responder_ ? responder_(c, static_cast<std::uint8_t*>(data)) : Status::Good;
  }
  std::string DevicePath() const override { return "/dev/fake"; }
  std::string VendorProduct() const override { return "FAKE DRIVE"; }

 private:
  std::vector<Command>& log_;
  Responder responder_;
};

struct Fixture {
  std::vector<Command> log;
  FakeTransport::Responder responder;
  DriveTable table;
  char letter;
  std::unique_ptr<CdDrive> drive;

  Fixture() {
    DriveTable::Drive d;
    d.type = DriveType::Cdrom;
    d.open = [this] {
      return MakeMmcBackend(std::make_unique<FakeTransport>(log, [this](const Command& c, std::uint8_t* data) {
        return responder ? responder(c, data) : MmcTransport::Status::Good;
      }));
    };
    letter = table.AddCdDrive(d);
    drive = std::make_unique<CdDrive>(table);
  }
};

TEST(MmcBackend, TrayAndMediumRequestsBecomeTheirCommands) {
  Fixture f;
  ASSERT_TRUE(f.drive->Open(f.letter));
  EXPECT_TRUE(f.drive->LockTray());
  EXPECT_TRUE(f.drive->UnlockTray());
  EXPECT_TRUE(f.drive->EjectTray());
  EXPECT_TRUE(f.drive->LoadTray());
  EXPECT_TRUE(f.drive->DeviceControl(ioctl::kStorageCheckVerify, nullptr, 0, nullptr, 0, nullptr));
  ASSERT_EQ(f.log.size(), 5u);
  EXPECT_EQ(f.log[0].cdb, (std::vector<std::uint8_t>{0x1E, 0, 0, 0, 1, 0}));
  EXPECT_EQ(f.log[1].cdb, (std::vector<std::uint8_t>{0x1E, 0, 0, 0, 0, 0}));
  EXPECT_EQ(f.log[2].cdb, (std::vector<std::uint8_t>{0x1B, 0, 0, 0, 2, 0}));
  EXPECT_EQ(f.log[3].cdb, (std::vector<std::uint8_t>{0x1B, 0, 0, 0, 3, 0}));
  EXPECT_EQ(f.log[4].cdb, (std::vector<std::uint8_t>{0x00, 0, 0, 0, 0, 0}));
  for (const auto& c : f.log) {
    EXPECT_EQ(c.direction, MmcTransport::Direction::None);
    EXPECT_GT(c.timeoutMs, 9000u);  // the drive's 10-second limit is handed down
  }
}

TEST(MmcBackend, ReadTocAsksForMsfAddressesAndKeepsTheDriveLayout) {
  Fixture f;
  f.responder = [](const Command& c, std::uint8_t* data) {
    if (c.cdb[0] != 0x43) return MmcTransport::Status::Good;
    const std::uint8_t answer[] = {0, 18, 1, 1, 0, 0x10, 1, 0, 0, 0, 2, 0, 0, 0x10, 0xAA, 0, 0, 5, 2, 3};
    std::memcpy(data, answer, sizeof answer);
    return MmcTransport::Status::Good;
  };
  ASSERT_TRUE(f.drive->Open(f.letter));
  ASSERT_TRUE(f.drive->ReadTrackTable());
  const Command& toc = f.log.back();
  EXPECT_EQ(toc.cdb.size(), 10u);
  EXPECT_EQ(toc.cdb[1], 0x02);                         // MSF
  EXPECT_EQ(toc.cdb[7] * 256 + toc.cdb[8], 804);      // allocation length
  EXPECT_EQ(f.drive->trackCount, 1);
  EXPECT_EQ(f.drive->TrackStart(1), 0);
  EXPECT_EQ(f.drive->TrackEnd(1), (5 * 60 + 2) * 75 + 3 - 151);
}

TEST(MmcBackend, RawReadBecomesReadCdOfCddaSectors) {
  Fixture f;
  f.responder = [](const Command& c, std::uint8_t* data) {
    if (c.cdb[0] == 0xBE) std::memset(data, 0x5A, c.dataBytes);
    if (c.cdb[0] == 0x43) {
      const std::uint8_t answer[] = {0, 18, 1, 1, 0, 0x10, 1, 0, 0, 0, 2, 0, 0, 0x10, 0xAA, 0, 0, 60, 0, 0};
      std::memcpy(data, answer, sizeof answer);
    }
    return MmcTransport::Status::Good;
  };
  ASSERT_TRUE(f.drive->Open(f.letter));
  ASSERT_TRUE(f.drive->ReadTrackTable());
  std::vector<std::uint8_t> buffer(32 * 2352);
  ASSERT_TRUE(f.drive->ReadAudioSectors(70000, 32, buffer.data()));
  const Command& read = f.log.back();
  ASSERT_EQ(read.cdb.size(), 12u);
  EXPECT_EQ(read.cdb[1], 0x04);
  EXPECT_EQ((read.cdb[2] << 24) | (read.cdb[3] << 16) | (read.cdb[4] << 8) | read.cdb[5], 70000);
  EXPECT_EQ((read.cdb[6] << 16) | (read.cdb[7] << 8) | read.cdb[8], 32);
  EXPECT_EQ(read.cdb[9], 0x10);
  EXPECT_EQ(read.dataBytes, 32u * 2352);
  EXPECT_EQ(buffer.back(), 0x5A);

  f.responder = [](const Command&, std::uint8_t*) { return MmcTransport::Status::CheckCondition; };
  EXPECT_FALSE(f.drive->ReadAudioSectors(70000, 32, buffer.data()));
  EXPECT_EQ(buffer.back(), 0);
}

TEST(MmcBackend, PassThroughReportsCheckConditionInTheStatusByteAndFailsWithoutAnAnswer) {
  Fixture f;
  ASSERT_TRUE(f.drive->Open(f.letter));
  std::uint8_t buffer[ioctl::kPassThroughBufferBytes] = {};
  ioctl::ScsiPassThrough header{};
  header.length = 44;
  header.cdbLength = 6;
  header.dataIn = 1;
  header.dataTransferLength = 192;
  header.dataBufferOffset = 80;
  header.cdb[0] = 0x12;
  header.cdb[4] = 0xC0;
  std::memcpy(buffer, &header, sizeof header);

  f.responder = [](const Command& c, std::uint8_t* data) {
    std::memcpy(data + 8, "VENDOR  ", 8);
    EXPECT_EQ(c.dataBytes, 192u);
    return MmcTransport::Status::Good;
  };
  ASSERT_TRUE(f.drive->DeviceControl(ioctl::kScsiPassThrough, buffer, 44, buffer, 272, nullptr));
  EXPECT_EQ(buffer[2], 0);
  EXPECT_EQ(std::memcmp(buffer + 80 + 8, "VENDOR", 6), 0);
  EXPECT_EQ(f.log.back().cdb, (std::vector<std::uint8_t>{0x12, 0, 0, 0, 0xC0, 0}));

  f.responder = [](const Command&, std::uint8_t*) { return MmcTransport::Status::CheckCondition; };
  ASSERT_TRUE(f.drive->DeviceControl(ioctl::kScsiPassThrough, buffer, 44, buffer, 272, nullptr));
  EXPECT_EQ(buffer[2], 2);

  f.responder = [](const Command&, std::uint8_t*) { return MmcTransport::Status::Failed; };
  EXPECT_FALSE(f.drive->DeviceControl(ioctl::kScsiPassThrough, buffer, 44, buffer, 272, nullptr));
}

TEST(MmcBackend, IsrcGeometryAndAddress) {
  Fixture f;
  f.responder = [](const Command& c, std::uint8_t* data) {
    if (c.cdb[0] == 0x42) {
      data[4] = 3;
      data[8] = 0x80;
      std::memcpy(data + 9, "USS1Z9900001", 12);
    }
    if (c.cdb[0] == 0x25) {
      const std::uint8_t capacity[] = {0, 4, 0x93, 0xDF, 0, 0, 8, 0};
      std::memcpy(data, capacity, sizeof capacity);
    }
    return MmcTransport::Status::Good;
  };
  ASSERT_TRUE(f.drive->Open(f.letter));
  ioctl::SubQDataFormat format{3, 7};
  ioctl::SubQTrackIsrc isrc{};
  ASSERT_TRUE(f.drive->DeviceControl(ioctl::kCdromReadQChannel, &format, 2, &isrc, sizeof isrc, nullptr));
  EXPECT_EQ(f.log.back().cdb[2], 0x40);
  EXPECT_EQ(f.log.back().cdb[3], 3);
  EXPECT_EQ(f.log.back().cdb[6], 7);
  EXPECT_TRUE(isrc.tcval & 0x80);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(isrc.code), 12), "USS1Z9900001");

  ioctl::DiskGeometry geometry{};
  ASSERT_TRUE(f.drive->DeviceControl(ioctl::kDiskGetDriveGeometry, nullptr, 0, &geometry, sizeof geometry, nullptr));
  EXPECT_EQ(geometry.bytesPerSector, 2048u);
  EXPECT_EQ(geometry.cylinders, 0x493DF + 1);

  ioctl::ScsiAddress address{};
  std::uint32_t returned = 0;
  ASSERT_TRUE(f.drive->DeviceControl(ioctl::kScsiGetAddress, nullptr, 0, &address, sizeof address, &returned));
  EXPECT_EQ(returned, 8u);
  EXPECT_EQ(address.length, 8u);
}

}  // namespace
}  // namespace ossel
