// Where tracks land on a virtual disc, seen through the drive object, and what the sectors there hold.
#include <gtest/gtest.h>

#include <filesystem>

#include "device/isrc.h"
#include "support/disc_images.h"

namespace ossel {
namespace {

using test::CddaBytes;
using test::kFramesPerSector;
using test::Pattern;
using test::Samples;

using Bytes = std::vector<std::uint8_t>;

Bytes Sectors(const Bytes& bytes, int first, int count) {
  return Bytes(bytes.begin() + first * test::kSectorBytes, bytes.begin() + (first + count) * test::kSectorBytes);
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

std::shared_ptr<VirtualDisc> Cue(const test::ImageFolder& folder, const std::string& text) {
  std::string error;
  EXPECT_TRUE(test::WriteText(folder / "disc.cue", text));
  auto disc = VirtualDisc::FromCueSheet(folder / "disc.cue", error);
  EXPECT_TRUE(disc) << error;
  return disc;
}

struct Span {
  std::int32_t start, end;
  bool audio = true;
};

void ExpectTracks(CdDrive& drive, const std::vector<Span>& spans) {
  ASSERT_EQ(drive.trackCount, static_cast<int>(spans.size()));
  for (int n = 1; n <= drive.trackCount; ++n) {
    SCOPED_TRACE(n);
    EXPECT_EQ(drive.TrackStart(n), spans[n - 1].start);
    EXPECT_EQ(drive.TrackEnd(n), spans[n - 1].end);
    EXPECT_EQ(drive.IsAudioTrack(n), spans[n - 1].audio);
  }
}

TEST(VirtualDiscLayout, IndexZeroPregapPostgapInOneBinaryFile) {
  test::ImageFolder folder;
  const Bytes file = CddaBytes(Pattern(2250 * kFramesPerSector));
  ASSERT_TRUE(test::WriteRaw(folder / "a.bin", Pattern(2250 * kFramesPerSector)));
  auto disc = Cue(folder,
                  "CATALOG 0012345678905\n"
                  "FILE \"a.bin\" BINARY\n"
                  "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                  "  TRACK 02 AUDIO\n    INDEX 00 00:10:00\n    INDEX 01 00:12:00\n    POSTGAP 00:00:50\n"
                  "  TRACK 03 AUDIO\n    PREGAP 00:02:00\n    INDEX 01 00:20:00\n    POSTGAP 00:01:00\n");
  ASSERT_TRUE(disc);
  test::DiscDrive d(disc);
  ASSERT_TRUE(d.ready());
  // The postgaps and the pregap of track 3 are silence that the file does not hold.
  ExpectTracks(d.drive(), {{0, 899}, {900, 1699}, {1700, 2524}});
  EXPECT_EQ(disc->Tracks()[1].pregapLba, 750);
  EXPECT_EQ(disc->Tracks()[2].pregapLba, 1550);
  EXPECT_EQ(disc->Catalog(), "0012345678905");
  EXPECT_EQ(d.Read(1490, 220), Join({Sectors(file, 1490, 10), test::SilentSectors(200), Sectors(file, 1500, 10)}));
  EXPECT_EQ(d.Read(2440, 85), Join({Sectors(file, 2240, 10), test::SilentSectors(75)}));
}

TEST(VirtualDiscLayout, FlacFilesBackToBackWithPaddedEnds) {
  test::ImageFolder folder;
  const Samples t1 = Pattern(75 * kFramesPerSector, 2, 1), t2 = Pattern(100000, 2, 2),
                t3 = Pattern(50 * kFramesPerSector + 1, 2, 3);
  const test::SoundFormat flac{SF_FORMAT_FLAC | SF_FORMAT_PCM_16};
  std::filesystem::create_directory(folder / "sub");
  ASSERT_TRUE(test::WriteSound(folder / "t1.flac", t1, flac));
  ASSERT_TRUE(test::WriteSound(folder / "t2.flac", t2, flac));
  ASSERT_TRUE(test::WriteSound(folder / "sub/t3.flac", t3, flac));
  auto disc = Cue(folder,
                  "FILE \"t1.flac\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                  "FILE \"t2.flac\" WAVE\n  TRACK 02 AUDIO\n    INDEX 00 00:00:00\n    INDEX 01 00:00:30\n"
                  "FILE \"sub/t3.flac\" FLAC\n  TRACK 03 AUDIO\n    INDEX 01 00:00:00\n");
  test::DiscDrive d(disc);
  ASSERT_TRUE(d.ready());
  // t2 holds 170.07 sectors and t3 50.002: each ends padded to a whole sector.
  ExpectTracks(d.drive(), {{0, 104}, {105, 245}, {246, 296}});
  EXPECT_EQ(disc->Tracks()[1].pregapLba, 75);
  EXPECT_EQ(d.Read(70, 10), Join({Sectors(CddaBytes(t1), 70, 5), Sectors(CddaBytes(t2), 0, 5)}));
  EXPECT_EQ(d.Read(240, 57), Join({Sectors(CddaBytes(t2), 165, 6), CddaBytes(t3)}));
}

// Sheets made by some rippers put a track's INDEX 00 at the end of the previous file: times count in the file in
// which the index line stands.
TEST(VirtualDiscLayout, GapAtTheEndOfThePreviousFile) {
  test::ImageFolder folder;
  ASSERT_TRUE(test::WriteSound(folder / "a.wav", Pattern(150 * kFramesPerSector, 2, 1)));
  ASSERT_TRUE(test::WriteSound(folder / "b.wav", Pattern(100 * kFramesPerSector, 2, 2)));
  auto disc = Cue(folder,
                  "FILE \"a.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                  "  TRACK 02 AUDIO\n    INDEX 00 00:01:00\n"
                  "FILE \"b.wav\" WAVE\n    INDEX 01 00:00:00\n");
  test::DiscDrive d(disc);
  ASSERT_TRUE(d.ready());
  ExpectTracks(d.drive(), {{0, 149}, {150, 249}});
  EXPECT_EQ(disc->Tracks()[1].pregapLba, 75);
}

// A data track first, in a file whose data sectors hold 2352 or 2048 bytes; the audio after it must be found at
// the right byte offset either way.
TEST(VirtualDiscLayout, MixedDiscWithADataTrack) {
  for (int dataBytes : {2352, 2048}) {
    SCOPED_TRACE(dataBytes);
    test::ImageFolder folder;
    const Samples audio = Pattern(200 * kFramesPerSector, 2, 5);
    const Samples data = Pattern(100 * dataBytes / 4, 2, 6);
    Samples all = data;
    all.insert(all.end(), audio.begin(), audio.end());
    ASSERT_TRUE(test::WriteRaw(folder / "mixed.bin", all));
    auto disc = Cue(folder, "FILE \"mixed.bin\" BINARY\n  TRACK 01 MODE1/" + std::to_string(dataBytes) +
                                "\n    INDEX 01 00:00:00\n"
                                "  TRACK 02 AUDIO\n    PREGAP 00:02:00\n    INDEX 01 00:01:25\n");
    test::DiscDrive d(disc);
    ASSERT_TRUE(d.ready());
    ExpectTracks(d.drive(), {{0, 249, false}, {250, 449}});
    EXPECT_EQ(d.drive().trackTable().entries[0].controlAdr, 0x14);
    EXPECT_EQ(d.drive().trackTable().entries[1].controlAdr, 0x10);
    // Data sectors do not read as CD-DA, not even partly.
    EXPECT_TRUE(d.Read(0, 1).empty());
    EXPECT_TRUE(d.Read(99, 2).empty());
    EXPECT_EQ(d.Read(100, 150), test::SilentSectors(150));
    EXPECT_EQ(d.Read(250, 200), CddaBytes(audio));
  }
}

// The second disc of a set ripped as one keeps the sheet's numbers: the table of contents says tracks 4 to 5, and
// each number finds its own track.
TEST(VirtualDiscLayout, TracksNumberedFromFour) {
  test::ImageFolder folder;
  const Samples audio = Pattern(100 * kFramesPerSector, 2, 4);
  ASSERT_TRUE(test::WriteSound(folder / "cd2.wav", audio));
  auto disc = Cue(folder, "FILE \"cd2.wav\" WAVE\n  TRACK 04 AUDIO\n    ISRC USABC9900004\n    INDEX 01 00:00:00\n"
                          "  TRACK 05 AUDIO\n    ISRC USABC9900005\n    INDEX 01 00:01:00\n");
  test::DiscDrive d(disc);
  ASSERT_TRUE(d.ready());
  CdDrive& drive = d.drive();
  EXPECT_EQ(drive.trackTable().firstTrack, 4);
  EXPECT_EQ(drive.trackTable().lastTrack, 5);
  EXPECT_EQ(drive.trackCount, 2);
  EXPECT_EQ(drive.TrackStart(4), 0);
  EXPECT_EQ(drive.TrackEnd(4), 74);
  EXPECT_EQ(drive.TrackStart(5), 75);
  EXPECT_EQ(drive.TrackEnd(5), 99);
  EXPECT_EQ(drive.TrackStart(1), -1);
  EXPECT_EQ(drive.TrackStart(6), -1);
  std::vector<IsrcRow> rows;
  drive.ReadTrackIsrc(rows, 5);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].code, "USABC9900005");
}

// An Enhanced CD ripped without its data session: the sheet names a data track in a file that is missing or a
// placeholder. The track is in the table as data, reads as nothing, and the audio tracks play as they are.
TEST(VirtualDiscLayout, EnhancedCdWithoutItsDataTrack) {
  struct Case {
    std::string what;
    std::string dataFile;  // what stands where the sheet names the data track's file; empty: nothing
    std::string mode;
    bool told;  // a note says the file is missing
  };
  const Case cases[] = {
      {"the file missing", "", "MODE1/2352", true},
      {"an empty placeholder", "empty", "MODE1/2048", false},
      {"a placeholder of a few bytes", "a dummy", "MODE2/2336", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::ImageFolder folder;
    const Samples one = Pattern(50 * kFramesPerSector, 2, 1), two = Pattern(30 * kFramesPerSector, 2, 2);
    ASSERT_TRUE(test::WriteSound(folder / "01.wav", one));
    ASSERT_TRUE(test::WriteSound(folder / "02.wav", two));
    if (!c.dataFile.empty()) {
      ASSERT_TRUE(test::WriteText(folder / "data.iso", c.dataFile == "empty" ? "" : c.dataFile));
    }
    ASSERT_TRUE(test::WriteText(folder / "disc.cue", "FILE \"01.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                                                     "FILE \"02.wav\" WAVE\n  TRACK 02 AUDIO\n    INDEX 01 00:00:00\n"
                                                     "FILE \"data.iso\" BINARY\n  TRACK 03 " + c.mode +
                                                     "\n    INDEX 01 00:00:00\n"));
    std::string error;
    std::vector<std::string> notes;
    auto disc = VirtualDisc::FromCueSheet(folder / "disc.cue", error, &notes);
    ASSERT_TRUE(disc) << error;
    ASSERT_EQ(notes.size(), c.told ? 1u : 0u);
    if (c.told) {
      EXPECT_NE(notes[0].find("line 7: \"data.iso\" not found"), std::string::npos) << notes[0];
    }
    test::DiscDrive d(disc);
    ASSERT_TRUE(d.ready());
    ExpectTracks(d.drive(), {{0, 49}, {50, 79}, {80, 80, false}});
    EXPECT_EQ(d.drive().trackTable().entries[2].controlAdr, 0x14);
    EXPECT_EQ(d.Read(0, 80), Join({CddaBytes(one), CddaBytes(two)}));
    EXPECT_TRUE(d.Read(80, 1).empty());
  }
}

TEST(VirtualDiscLayout, AudioFilesOneTrackEachFromTheStart) {
  test::ImageFolder folder;
  const Samples a = Pattern(1000, 2, 1), b = Pattern(3 * kFramesPerSector, 2, 2), c = Pattern(600, 1, 3);
  ASSERT_TRUE(test::WriteSound(folder / "a.wav", a));
  ASSERT_TRUE(test::WriteSound(folder / "b.flac", b, {SF_FORMAT_FLAC | SF_FORMAT_PCM_16}));
  ASSERT_TRUE(test::WriteSound(folder / "c.wav", c, {SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1}));
  std::string error;
  auto disc = VirtualDisc::FromAudioFiles({folder / "a.wav", folder / "b.flac", folder / "c.wav"}, error);
  ASSERT_TRUE(disc) << error;
  test::DiscDrive d(disc);
  ASSERT_TRUE(d.ready());
  ExpectTracks(d.drive(), {{0, 1}, {2, 4}, {5, 6}});
  EXPECT_EQ(d.drive().trackTable().entries[0].address[2], 2);  // 00:02:00
  EXPECT_EQ(d.Read(0, 7), Join({CddaBytes(a), CddaBytes(b), CddaBytes(test::Duplicated(c))}));
  EXPECT_EQ(disc->Name(), folder / "a.wav");
  EXPECT_EQ(d.drive().Description(), folder / "a.wav" + " (+2 files)");
}

}  // namespace
}  // namespace ossel
