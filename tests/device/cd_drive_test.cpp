#include "device/cd_drive.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "platform/script_backend.h"
#include "support/scripted_drive.h"

namespace ossel {
namespace {

using Answer = ScriptDevice::Answer;

using test::Output;
using test::Refused;
using test::ScriptedDrive;

TEST(CdDriveEnumeration, ListsOnlyCdDrivesFromCInLetterOrder) {
  DriveTable table;
  auto device = ScriptDevice::Create();
  table.Set('A', device->AsDrive());
  table.Set('B', device->AsDrive());
  EXPECT_EQ(CdDrive(table).driveLetters, "");

  table.Set('G', device->AsDrive());
  table.Set('E', device->AsDrive());
  table.Set('D', device->AsDrive());
  DriveTable::Drive removable;
  removable.type = DriveType::Removable;
  table.Set('F', removable);
  EXPECT_EQ(CdDrive(table).driveLetters, "DEG");
}

TEST(CdDriveOpen, RefusesNonCdLettersAndClosesTheOldHandleFirst) {
  ScriptedDrive s;
  EXPECT_FALSE(s.drive.Open('C'));  // fixed disk
  EXPECT_FALSE(s.drive.Open('Q'));  // nothing there
  EXPECT_FALSE(s.drive.IsOpen());

  ASSERT_TRUE(s.drive.Open(s.letter));
  s.device->ClearCalls();
  EXPECT_FALSE(s.drive.Open('C'));
  EXPECT_FALSE(s.drive.IsOpen());
  // Closing unlocked the tray of the old handle.
  auto calls = s.device->Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].code, ioctl::kStorageMediaRemoval);
  EXPECT_EQ(calls[0].input, std::vector<std::uint8_t>{0});
}

TEST(CdDriveRequests, FailWithoutADeviceAndReportNoBytes) {
  ScriptedDrive s;
  std::uint32_t returned = 77;
  std::uint8_t out[8];
  EXPECT_FALSE(s.drive.DeviceControl(ioctl::kCdromReadToc, nullptr, 0, out, sizeof out, &returned));
  EXPECT_EQ(returned, 0u);

  ASSERT_TRUE(s.drive.Open(s.letter));
  s.device->SetAnswer(ioctl::kCdromReadToc, Refused());
  returned = 77;
  EXPECT_FALSE(s.drive.DeviceControl(ioctl::kCdromReadToc, nullptr, 0, out, sizeof out, &returned));
  EXPECT_EQ(returned, 0u);
}

TEST(CdDriveRequests, ARequestThatNeverCompletesTimesOutAndTheNextOneWorks) {
  ScriptedDrive s;
  ASSERT_TRUE(s.drive.Open(s.letter));
  s.drive.timeoutSeconds = 1;
  Answer hang;
  hang.hang = true;
  s.device->Queue(ioctl::kStorageCheckVerify, hang);

  std::uint32_t returned = 5;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(s.drive.DeviceControl(ioctl::kStorageCheckVerify, nullptr, 0, nullptr, 0, &returned));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
  EXPECT_EQ(returned, 0u);

  EXPECT_TRUE(s.drive.DeviceControl(ioctl::kStorageCheckVerify, nullptr, 0, nullptr, 0, &returned));
}

TEST(CdDriveTray, LockAndUnlockSendTheRemovalFlagAndEjectLoadToggleEvenWhenRefused) {
  ScriptedDrive s;
  ASSERT_TRUE(s.drive.Open(s.letter));
  EXPECT_TRUE(s.drive.LockTray());
  EXPECT_TRUE(s.drive.UnlockTray());
  auto calls = s.device->Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].input, std::vector<std::uint8_t>{1});
  EXPECT_EQ(calls[1].input, std::vector<std::uint8_t>{0});

  s.device->SetAnswer(ioctl::kStorageEjectMedia, Refused());
  s.device->SetAnswer(ioctl::kStorageLoadMedia, Refused());
  EXPECT_FALSE(s.drive.EjectTray());
  EXPECT_FALSE(s.drive.trayLoaded);
  EXPECT_FALSE(s.drive.LoadTray());
  EXPECT_TRUE(s.drive.trayLoaded);
}

TEST(TrackTable, TwelveTrackDiscGivesStartsEndsAndCount) {
  ScriptedDrive s;
  std::vector<test::TocTrack> tracks;
  for (int n = 1; n <= 12; ++n) tracks.push_back({n, (n - 1) * 15000});
  ASSERT_TRUE(s.OpenWithToc(tracks, 180000));
  EXPECT_TRUE(s.drive.tocValid);
  EXPECT_TRUE(s.drive.trayLoaded);
  EXPECT_EQ(s.drive.trackCount, 12);
  EXPECT_EQ(s.drive.TrackStart(1), 0);
  EXPECT_EQ(s.drive.TrackEnd(1), 14999);
  EXPECT_EQ(s.drive.TrackStart(12), 165000);
  EXPECT_EQ(s.drive.TrackEnd(12), 179999);
  EXPECT_TRUE(s.drive.IsAudioTrack(12));
  for (int n : {0, 13, -1, 200}) {
    EXPECT_EQ(s.drive.TrackStart(n), -1) << n;
    EXPECT_EQ(s.drive.TrackEnd(n), -1) << n;
    EXPECT_FALSE(s.drive.IsAudioTrack(n)) << n;
  }
}

TEST(TrackTable, QueriesBeforeATableOrAfterAFailedReadAnswerNothing) {
  ScriptedDrive s;
  EXPECT_EQ(s.drive.TrackStart(1), -1);
  EXPECT_FALSE(s.drive.IsAudioTrack(1));

  ASSERT_TRUE(s.OpenWithToc({{1, 0}, {2, 1000}}, 2000));
  s.device->SetAnswer(ioctl::kStorageCheckVerify, Refused());
  EXPECT_FALSE(s.drive.ReadTrackTable());
  EXPECT_FALSE(s.drive.tocValid);
  EXPECT_EQ(s.drive.TrackStart(1), -1);
  EXPECT_EQ(s.drive.trackCount, 2);  // kept from the last good table
}

TEST(TrackTable, MixedDiscWithDataTrackFirst) {
  ScriptedDrive s;
  ASSERT_TRUE(s.OpenWithToc({{1, 0, false}, {2, 20000}, {3, 40000}}, 60000));
  EXPECT_FALSE(s.drive.IsAudioTrack(1));
  EXPECT_TRUE(s.drive.IsAudioTrack(2));
  EXPECT_EQ(s.drive.TrackStart(2), 20000);
  EXPECT_EQ(s.drive.TrackEnd(3), 59999);
}

// The first track is the first entry whatever its number, as a drive answers for the second disc of a set.
TEST(TrackTable, ADiscWhoseTracksStartAtFour) {
  ScriptedDrive s;
  ASSERT_TRUE(s.OpenWithToc({{4, 0}, {5, 1000}, {6, 3000, false}}, 4000));
  EXPECT_EQ(s.drive.trackCount, 3);
  EXPECT_EQ(s.drive.TrackStart(4), 0);
  EXPECT_EQ(s.drive.TrackEnd(4), 999);
  EXPECT_EQ(s.drive.TrackStart(5), 1000);
  EXPECT_EQ(s.drive.TrackEnd(5), 2999);
  EXPECT_TRUE(s.drive.IsAudioTrack(5));
  EXPECT_FALSE(s.drive.IsAudioTrack(6));
  EXPECT_EQ(s.drive.TrackEnd(6), 3999);
  for (int n : {1, 3, 7}) EXPECT_EQ(s.drive.TrackStart(n), -1) << n;
}

TEST(TrackTable, InvertedOrOversizedTablesNeverReadOutsideTheEntries) {
  ScriptedDrive s;
  ASSERT_TRUE(s.OpenWithToc({{1, 0}, {2, 1000}}, 2000));
  ASSERT_EQ(s.drive.trackCount, 2);

  auto toc = test::MakeToc({{1, 0}}, 500);
  toc[2] = 5;  // firstTrack
  toc[3] = 3;  // lastTrack
  s.device->SetAnswer(ioctl::kCdromReadToc, Output(toc));
  EXPECT_TRUE(s.drive.ReadTrackTable());
  EXPECT_EQ(s.drive.trackCount, 2);  // unchanged
  EXPECT_EQ(s.drive.TrackStart(4), -1);

  toc[2] = 0;
  toc[3] = 255;
  s.device->SetAnswer(ioctl::kCdromReadToc, Output(toc));
  EXPECT_TRUE(s.drive.ReadTrackTable());
  EXPECT_EQ(s.drive.TrackStart(0), -1);
  EXPECT_NE(s.drive.TrackEnd(99), -1);  // ends at the 100th entry, the last one there is
  EXPECT_EQ(s.drive.TrackStart(100), -1);
  EXPECT_EQ(s.drive.TrackEnd(100), -1);
  EXPECT_EQ(s.drive.TrackStart(255), -1);
  EXPECT_NE(s.drive.TrackStart(98), -1);
}

TEST(AudioSectors, NeedATableAndFailOnShortTransfersWithTheRestZeroed) {
  ScriptedDrive s;
  std::vector<std::uint8_t> buffer(3 * 2352, 0xEE);
  ASSERT_TRUE(s.drive.Open(s.letter));
  EXPECT_FALSE(s.drive.ReadAudioSectors(0, 3, buffer.data()));
  EXPECT_EQ(buffer[0], 0xEE);  // untouched
  EXPECT_EQ(s.device->CountCalls(ioctl::kCdromRawRead), 0);

  ASSERT_TRUE(s.OpenWithToc({{1, 0}}, 1000));
  Answer shortRead = Output(std::vector<std::uint8_t>(2352, 0x11));
  s.device->Queue(ioctl::kCdromRawRead, shortRead);
  EXPECT_FALSE(s.drive.ReadAudioSectors(10, 3, buffer.data()));
  EXPECT_EQ(buffer[2351], 0x11);
  EXPECT_EQ(buffer[2352], 0);
  EXPECT_EQ(buffer.back(), 0);

  s.device->Queue(ioctl::kCdromRawRead, Output(std::vector<std::uint8_t>(3 * 2352, 0x22)));
  EXPECT_TRUE(s.drive.ReadAudioSectors(10, 3, buffer.data()));
  const auto raw = s.device->Calls().back();
  ioctl::RawReadInfo info;
  ASSERT_EQ(raw.input.size(), sizeof info);
  std::memcpy(&info, raw.input.data(), sizeof info);
  EXPECT_EQ(info.diskOffset, 10 * 2048);
  EXPECT_EQ(info.sectorCount, 3u);
  EXPECT_EQ(info.trackMode, 2u);
  EXPECT_EQ(raw.outputBytes, 3u * 2352);
}

}  // namespace
}  // namespace ossel
