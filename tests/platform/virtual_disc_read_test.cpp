// Raw reads of a virtual disc return exactly the samples of its files, converted to 16-bit stereo.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <thread>

#include "platform/win_ioctl.h"
#include "support/disc_images.h"

namespace ossel {
namespace {

using test::CddaBytes;
using test::kFramesPerSector;
using test::Samples;

std::shared_ptr<VirtualDisc> FromFiles(const std::vector<std::string>& paths) {
  std::string error;
  auto disc = VirtualDisc::FromAudioFiles(paths, error);
  EXPECT_TRUE(disc) << error;
  return disc;
}

std::vector<std::uint8_t> ReadAll(const VirtualDisc& disc, int track) {
  const auto& tracks = disc.Tracks();
  const std::int32_t start = tracks[static_cast<std::size_t>(track - 1)].startLba;
  const std::int32_t end = track < static_cast<int>(tracks.size()) ? tracks[track].startLba : disc.LeadOutLba();
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(end - start) * test::kSectorBytes);
  EXPECT_TRUE(disc.ReadSectors(start, end - start, bytes.data()));
  return bytes;
}

TEST(VirtualDiscRead, BinaryAndMotorolaFilesGiveTheSameSamples) {
  test::ImageFolder folder;
  const Samples samples = test::Pattern(20 * kFramesPerSector);
  ASSERT_TRUE(test::WriteRaw(folder / "le.bin", samples, false));
  ASSERT_TRUE(test::WriteRaw(folder / "be.bin", samples, true));
  ASSERT_TRUE(test::WriteText(folder / "disc.cue",
                              "FILE \"le.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                              "FILE \"be.bin\" MOTOROLA\n  TRACK 02 AUDIO\n    INDEX 01 00:00:00\n"));
  std::string error;
  auto disc = VirtualDisc::FromCueSheet(folder / "disc.cue", error);
  ASSERT_TRUE(disc) << error;
  EXPECT_EQ(ReadAll(*disc, 1), CddaBytes(samples));
  EXPECT_EQ(ReadAll(*disc, 2), CddaBytes(samples));
}

TEST(VirtualDiscRead, OtherEncodingsBecomeSixteenBitStereo) {
  test::ImageFolder folder;
  // 24 bits: the top 16 bits are kept, whatever lies below them.
  const Samples top = {1, -5, 32767, -32768, 1234, -1234};
  std::vector<std::int32_t> wide;
  for (std::int16_t s : top) wide.push_back(static_cast<std::int32_t>(static_cast<std::uint32_t>(s) << 16) | 0xAB00);
  ASSERT_TRUE(test::WriteSoundInt(folder / "24.wav", wide, {SF_FORMAT_WAV | SF_FORMAT_PCM_24}));
  // Floating point: full scale is 1.0; beyond it clips instead of wrapping round.
  ASSERT_TRUE(test::WriteSoundFloat(folder / "float.wav", {0.5f, -0.5f, 1.5f, -1.5f, 1.0f, -1.0f, 0.25f, 0.0f},
                                    {SF_FORMAT_WAV | SF_FORMAT_FLOAT}));
  // AIFF stores big-endian; mono plays on both channels.
  const Samples mono = test::Pattern(kFramesPerSector + 10, 1, 4);
  ASSERT_TRUE(test::WriteSound(folder / "mono.aiff", mono, {SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 1}));

  auto disc = FromFiles({folder / "24.wav", folder / "float.wav", folder / "mono.aiff"});
  ASSERT_TRUE(disc);
  EXPECT_EQ(ReadAll(*disc, 1), CddaBytes(top));
  EXPECT_EQ(ReadAll(*disc, 2), CddaBytes({16384, -16384, 32767, -32768, 32767, -32768, 8192, 0}));
  EXPECT_EQ(ReadAll(*disc, 3), CddaBytes(test::Duplicated(mono)));
}

TEST(VirtualDiscRead, NothingOutsideTheDisc) {
  test::ImageFolder folder;
  ASSERT_TRUE(test::WriteSound(folder / "a.wav", test::Pattern(10 * kFramesPerSector)));
  auto disc = FromFiles({folder / "a.wav"});
  ASSERT_TRUE(disc);
  test::DiscDrive d(disc);
  ASSERT_TRUE(d.ready());
  EXPECT_EQ(d.Read(9, 1).size(), 2352u);
  EXPECT_TRUE(d.Read(9, 2).empty());
  EXPECT_TRUE(d.Read(10, 1).empty());
  EXPECT_TRUE(d.Read(-1, 1).empty());

  // A buffer smaller than the sectors asked for: the request fails and reports nothing transferred.
  ioctl::RawReadInfo info{0, 2, ioctl::kTrackModeCdda};
  std::vector<std::uint8_t> small(2 * 2352 - 1);
  std::uint32_t returned = 99;
  EXPECT_FALSE(d.drive().DeviceControl(ioctl::kCdromRawRead, &info, sizeof info, small.data(),
                                       static_cast<std::uint32_t>(small.size()), &returned));
  EXPECT_EQ(returned, 0u);
}

// Reads in any order, and from two threads at once, give what one sequential pass gives.
TEST(VirtualDiscRead, JumpsAndConcurrentReadersSeeTheSameSectors) {
  test::ImageFolder folder;
  const test::SoundFormat flac{SF_FORMAT_FLAC | SF_FORMAT_PCM_16};
  ASSERT_TRUE(test::WriteSound(folder / "a.flac", test::Noise(300 * kFramesPerSector, 1), flac));
  ASSERT_TRUE(test::WriteSound(folder / "b.flac", test::Noise(300 * kFramesPerSector, 2), flac));
  auto disc = FromFiles({folder / "a.flac", folder / "b.flac"});
  ASSERT_TRUE(disc);
  const std::vector<std::uint8_t> all = [&] {
    std::vector<std::uint8_t> bytes(600 * test::kSectorBytes);
    EXPECT_TRUE(disc->ReadSectors(0, 600, bytes.data()));
    return bytes;
  }();
  auto expectSector = [&](std::int32_t lba) {
    std::vector<std::uint8_t> one(test::kSectorBytes);
    return disc->ReadSectors(lba, 1, one.data()) &&
           std::equal(one.begin(), one.end(), all.begin() + lba * test::kSectorBytes);
  };

  std::vector<std::int32_t> order(600);
  for (std::int32_t i = 0; i < 600; ++i) order[static_cast<std::size_t>(i)] = i;
  std::shuffle(order.begin(), order.end(), std::mt19937(7));
  for (std::int32_t lba : order) ASSERT_TRUE(expectSector(lba)) << lba;

  bool firstOk = true, secondOk = true;
  std::thread first([&] { for (std::int32_t lba = 0; lba < 600; ++lba) firstOk = firstOk && expectSector(lba); });
  std::thread second([&] { for (std::int32_t lba = 599; lba >= 0; --lba) secondOk = secondOk && expectSector(lba); });
  first.join();
  second.join();
  EXPECT_TRUE(firstOk);
  EXPECT_TRUE(secondOk);
}

}  // namespace
}  // namespace ossel
