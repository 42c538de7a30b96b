// A virtual disc is refused, with an error naming the file at fault, whenever its sheet or a file is unusable.
#include <gtest/gtest.h>

#include "support/disc_images.h"

namespace ossel {
namespace {

using test::kFramesPerSector;

constexpr char kTrack1[] = "FILE \"good.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n";
// The scan takes the name as it is; the cue parser would stop reading at the NUL.
constexpr char kNulInName[] = "FILE \"go\0od.wav\" WAVE\n  TRACK 02 AUDIO\n    INDEX 01 00:00:00\n";

TEST(VirtualDiscErrors, BrokenCueSheets) {
  struct Case {
    std::string sheet;
    std::string fault;
  };
  const Case cases[] = {
      {"FILE \"good.wav\" WAVE\n  TRACK 01 AUDIO\n    INDX 01 00:00:00\n", "line 3: unknown command 'INDX'"},
      {"FILE \"good.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:61:00\n", "line 3: impossible time 00:61:00"},
      {"FILE \"good.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:75\n", "line 3: impossible time 00:00:75"},
      {"FILE \"good.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 0:2\n", "is not a time"},
      {"REM nothing but a file\nFILE \"good.wav\" WAVE\n", "no track"},
      {"", "empty"},
      {"FILE \"good.wav WAVE\n", "line 1: unmatched quote"},
      {std::string(kTrack1) + std::string(kNulInName, sizeof kNulInName - 1), "line 4: a NUL byte"},
      {"FILE \"good.wav\" OGG\n", "unknown file type 'OGG'"},
      {"FILE \"good.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 00 00:00:00\n", "has no INDEX 01"},
      {std::string(kTrack1) + "  TRACK 03 AUDIO\n    INDEX 01 00:01:00\n", "line 4: TRACK 03 where track 2 belongs"},
      {std::string(kTrack1) + "  TRACK 02 AUDIO\n    INDEX 02 00:01:00\n", "out of order"},
      {"FILE \"good.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:01:00\n  TRACK 02 AUDIO\n    INDEX 01 00:00:10\n",
       "lies before the previous index"},
      {"FILE \"good.wav\" WAVE\n  TRACK 01 AUDIO\n    ISRC US-S1Z-99\n    INDEX 01 00:00:00\n", "ISRC must be"},
      {"FILE \"good.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n    PREGAP 00:02:00\n", "PREGAP after"},
      {"FILE \"good.wav\" WAVE\n  TRACK 01 AUDIO\n    PREGAP 99:59:00\n    INDEX 01 00:00:00\n",
       "longer than a disc can address"},
  };
  test::ImageFolder folder;
  ASSERT_TRUE(test::WriteSound(folder / "good.wav", test::Pattern(100 * kFramesPerSector)));
  const std::string cue = folder / "disc.cue";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sheet);
    ASSERT_TRUE(test::WriteText(cue, c.sheet));
    std::string error;
    EXPECT_FALSE(VirtualDisc::FromCueSheet(cue, error));
    EXPECT_NE(error.find(cue + ": "), std::string::npos) << error;
    EXPECT_NE(error.find(c.fault), std::string::npos) << error;
  }
}

// Faults of the files a sheet names are reported against those files.
TEST(VirtualDiscErrors, FilesThatDoNotFitTheSheet) {
  struct Case {
    std::string sheet;
    std::string file;
    std::string fault;
  };
  const Case cases[] = {
      {"FILE \"missing.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n", "missing.wav", "file not found"},
      {"FILE \"odd.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n", "odd.bin", "not what the cue sheet needs"},
      {"FILE \"good.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 01 00:02:00\n",
       "good.wav", "too short for the cue sheet"},
  };
  test::ImageFolder folder;
  ASSERT_TRUE(test::WriteSound(folder / "good.wav", test::Pattern(100 * kFramesPerSector)));
  ASSERT_TRUE(test::WriteRaw(folder / "odd.bin", test::Pattern(10 * kFramesPerSector + 25)));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sheet);
    ASSERT_TRUE(test::WriteText(folder / "disc.cue", c.sheet));
    std::string error;
    EXPECT_FALSE(VirtualDisc::FromCueSheet(folder / "disc.cue", error));
    EXPECT_EQ(error.rfind(folder / c.file + ": ", 0), 0u) << error;
    EXPECT_NE(error.find(c.fault), std::string::npos) << error;
  }
}

// Damaged audio is refused, never turned into a shorter or silent track.
TEST(VirtualDiscErrors, DamagedOrUnsuitableAudioFiles) {
  test::ImageFolder folder;
  const test::Samples noise = test::Noise(5 * 44100, 3);
  const test::SoundFormat flac{SF_FORMAT_FLAC | SF_FORMAT_PCM_16};
  ASSERT_TRUE(test::WriteSound(folder / "good.wav", noise));
  ASSERT_TRUE(test::WriteSound(folder / "cut.wav", noise));
  ASSERT_TRUE(test::Truncate(folder / "cut.wav", 44 + 100000));
  ASSERT_TRUE(test::WriteSound(folder / "cut.aiff", noise, {SF_FORMAT_AIFF | SF_FORMAT_PCM_16}));
  ASSERT_TRUE(test::Truncate(folder / "cut.aiff", 100000));
  ASSERT_TRUE(test::WriteSound(folder / "scribbled.flac", noise, flac));
  ASSERT_TRUE(test::Scribble(folder / "scribbled.flac", 400000, 16));
  ASSERT_TRUE(test::WriteSound(folder / "cut.flac", noise, flac));
  ASSERT_TRUE(test::Truncate(folder / "cut.flac", 400000));
  ASSERT_TRUE(test::WriteText(folder / "empty.wav", ""));
  ASSERT_TRUE(test::WriteText(folder / "text.wav", "not audio at all\n"));
  const int wav = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  ASSERT_TRUE(test::WriteSound(folder / "48k.wav", test::Tone(4800, 440), {wav, 2, 48000}));
  ASSERT_TRUE(test::WriteSound(folder / "surround.wav", test::Tone(100, 440, 6), {wav, 6}));

  const std::pair<std::string, std::string> cases[] = {
      {"cut.wav", "damaged"},      {"cut.aiff", "damaged"},         {"scribbled.flac", "damaged"},
      {"cut.flac", "damaged"},     {"empty.wav", "empty"},          {"text.wav", "cannot decode"},
      {"48k.wav", "48000 Hz"},     {"surround.wav", "6 channels"}, {"nowhere.wav", "not found"},
  };
  for (const auto& [file, fault] : cases) {
    SCOPED_TRACE(file);
    std::string error;
    EXPECT_FALSE(VirtualDisc::FromAudioFiles({folder / "good.wav", folder / file}, error));
    EXPECT_EQ(error.rfind(folder / file + ": ", 0), 0u) << error;
    EXPECT_NE(error.find(fault), std::string::npos) << error;
  }
}

TEST(VirtualDiscErrors, TooManyFilesForOneDisc) {
  std::string error;
  EXPECT_FALSE(VirtualDisc::FromAudioFiles(std::vector<std::string>(100, "a.wav"), error));
  EXPECT_NE(error.find("at most 99 tracks"), std::string::npos) << error;
  EXPECT_FALSE(VirtualDisc::FromAudioFiles({}, error));
}

}  // namespace
}  // namespace ossel
