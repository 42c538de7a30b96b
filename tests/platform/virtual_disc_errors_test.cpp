// A virtual disc is refused, with an error naming the file at fault, whenever its sheet or a file is unusable.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#include "support/disc_images.h"
#include "support/time_limit.h"

namespace ossel {
namespace {

using test::kFramesPerSector;

constexpr char kTrack1[] = "FILE \"good.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n";
// The scan takes the name as it is; the cue parser would stop reading at the NUL.
constexpr char kNulInName[] = "FILE \"go\0od.wav\" WAVE\n  TRACK 02 AUDIO\n    INDEX 01 00:00:00\n";
constexpr char kNulFirst[] = "\0TRACK 02 AUDIO\n    INDEX 01 00:00:01\n";

// Ninety-nine tracks, one sector each, and a hundredth.
std::string HundredTracks() {
  std::string sheet = "FILE \"good.wav\" WAVE\n";
  for (int i = 1; i <= 100; ++i) {
    char track[64];
    std::snprintf(track, sizeof track, "  TRACK %02d AUDIO\n    INDEX 01 00:%02d:%02d\n", i, i / 75, i % 75);
    sheet += track;
  }
  return sheet;
}

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
      {std::string(kTrack1) + std::string(kNulFirst, sizeof kNulFirst - 1), "line 4: a NUL byte"},
      {std::string(kTrack1) + "\x1B]0;x\x07 01\n", "line 4: unknown command '\\x1B]0;x\\x07'"},
      {std::string(kTrack1) + "TITR\xC2\x9B\xE9 x\n", "line 4: unknown command 'TITR\\xC2\\x9B\\xE9'"},
      {"FILE \"good.wav\" WA\x7FVE\n", "line 1: unknown file type 'WA\\x7FVE'"},
      {"FILE \"good.wav\" WAVE\r  TRACK 01 AUDIO\r    INDEX 01 00:00:00\r", "its line ends are CR only"},
      {"FILE \"good.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00 INDEX 02 00:00:10 INDEX 03 00:00:20\n",
       "line 3: INDEX takes a number and a time; the line has more after them: 'INDEX'"},
      {"FILE \"good.wav\" WAVE\n  TRACK 01 AUDIO 02\n    INDEX 01 00:00:00\n",
       "line 2: TRACK takes a number and a mode; the line has more after them: '02'"},
      {"FILE my good.wav WAVE\n", "line 1: FILE takes a name and a type; the line has more after them: 'WAVE'"},
      {"FILE \"good.wav\" WAVE\n  TRACK 01 AUDIO\n    PREGAP 00:02:00 00:01:00\n",
       "line 3: PREGAP takes a time; the line has more after it: '00:01:00'"},
      {"FILE \"good.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01\n", "line 3: INDEX needs a number and a time"},
      {HundredTracks(), "line 200: TRACK 100: a disc holds at most 99 tracks"},
      {"FILE \"good.wav\" WAVE\n  TRACK 001 AUDIO\n", "line 2: TRACK 001: a track number is one or two digits"},
      {"FILE \"good.wav\" OGG\n", "unknown file type 'OGG'"},
      {"FILE \"good.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 00 00:00:00\n", "has no INDEX 01"},
      {std::string(kTrack1) + "  TRACK 03 AUDIO\n    INDEX 01 00:01:00\n", "line 4: TRACK 03 where track 2 belongs"},
      {"FILE \"good.wav\" WAVE\n  TRACK 00 AUDIO\n    INDEX 01 00:00:00\n", "line 2: TRACK 00 where track 1 belongs"},
      {"FILE \"good.wav\" WAVE\n  TRACK 98 AUDIO\n    INDEX 01 00:00:00\n  TRACK 99 AUDIO\n    INDEX 01 00:00:10\n"
       "  TRACK 100 AUDIO\n    INDEX 01 00:00:20\n",
       "line 6: TRACK 100: a disc holds at most 99 tracks"},
      {"FILE \"good.wav\" WAVE\n  TRACK 04 AUDIO\n    INDEX 01 00:00:00\n  TRACK 04 AUDIO\n    INDEX 01 00:00:10\n",
       "line 4: TRACK 04 where track 5 belongs"},
      {std::string(kTrack1) + "  TRACK 02 AUDIO\n    INDEX 02 00:01:00\n", "out of order"},
      {"FILE \"good.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:01:00\n  TRACK 02 AUDIO\n    INDEX 01 00:00:10\n",
       "lies before the previous index"},
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
    EXPECT_EQ(std::find_if(error.begin(), error.end(), [](unsigned char b) { return b < 0x20 || b == 0x7F; }),
              error.end())
        << "a control byte in: " << error;
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
      // Data tracks need no file only where no audio lies in it.
      {"FILE \"image.bin\" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n"
       "    INDEX 01 00:10:00\n",
       "image.bin", "file not found"},
      {"FILE \"good.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\nFILE \"data.bin\" BINARY\n"
       "  TRACK 02 MODE1/2352\n    INDEX 01 00:00:02\n",
       "data.bin", "file not found"},
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

// A FIFO where a sheet or a sound file belongs is refused at once; waiting for a writer would hold the program.
TEST(VirtualDiscErrors, WhatIsNoRegularFileIsRefusedWithoutWaiting) {
  struct Case {
    std::string fifo;   // made a FIFO
    std::string sheet;  // disc.cue, when the disc is made from a sheet
  };
  const Case cases[] = {
      {"fifo.cue", ""},
      {"fifo.bin", "FILE \"fifo.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"},
      {"fifo.wav", "FILE \"fifo.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"},
      {"fifo.wav", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fifo + " " + c.sheet);
    test::ImageFolder folder;
    const std::string fifo = folder / c.fifo;
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string error;
    bool made = true;
    ASSERT_TRUE(test::FinishesWithin(10, fifo, [&] {
      if (!c.sheet.empty()) {
        made = test::WriteText(folder / "disc.cue", c.sheet) && VirtualDisc::FromCueSheet(folder / "disc.cue", error);
      } else if (c.fifo.ends_with(".cue")) {
        made = VirtualDisc::FromCueSheet(fifo, error) != nullptr;
      } else {
        made = VirtualDisc::FromAudioFiles({fifo}, error) != nullptr;
      }
    })) << "blocked on the FIFO";
    EXPECT_FALSE(made);
    EXPECT_EQ(error, fifo + ": not a regular file");
  }
}

// A WAV header announcing `frames` 8-bit mono sample frames, and that many (zero bytes, sparse where it can be).
bool WriteLongWav(const std::string& path, std::uint32_t frames) {
  const auto le32 = [](std::uint32_t v) {
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
  };
  const std::string header = "RIFF" + le32(36 + frames) + "WAVEfmt " + le32(16) + std::string("\1\0\1\0", 4) +
                             le32(44100) + le32(44100) + std::string("\1\0\10\0", 4) + "data" + le32(frames);
  return test::WriteText(path, header) && ::truncate(path.c_str(), static_cast<off_t>(44 + std::uint64_t{frames})) == 0;
}

// A file longer than a disc can address is refused, naming it and its size: sector counts never wrap to a short disc.
TEST(VirtualDiscErrors, AFileLargerThanADiscCanHold) {
  constexpr std::int64_t kTooLong = 100 * 60 * 75 - 150;  // sectors: one past the last address of a disc
  struct Case {
    std::string file;
    std::int64_t size;  // bytes of big.bin, sample frames of long.wav
    bool sheet;         // named by a sheet, or as the second of two audio files
  };
  const Case cases[] = {
      {"long.wav", kTooLong * kFramesPerSector - 587, true},
      {"long.wav", kTooLong * kFramesPerSector - 587, false},
      {"big.bin", kTooLong * 2352, true},
      {"big.bin", (std::int64_t{1} << 31) * 2352, true},        // a 32-bit count turns negative
      {"big.bin", ((std::int64_t{1} << 32) + 5) * 2352, true},  // ... or wraps to 5 sectors
  };
  test::ImageFolder folder;
  ASSERT_TRUE(test::WriteSound(folder / "good.wav", test::Pattern(100 * kFramesPerSector)));
  for (const Case& c : cases) {
    const std::string path = folder / c.file;
    SCOPED_TRACE(path + " " + std::to_string(c.size));
    if (c.file == "long.wav") {
      ASSERT_TRUE(WriteLongWav(path, static_cast<std::uint32_t>(c.size)));
    } else if (!test::WriteText(path, "") || ::truncate(path.c_str(), static_cast<off_t>(c.size)) != 0) {
      GTEST_SKIP() << "the file system holds no sparse file of " << c.size << " bytes: " << std::strerror(errno);
    }
    const std::string type = c.file == "long.wav" ? "WAVE" : "BINARY";
    ASSERT_TRUE(test::WriteText(folder / "disc.cue", "FILE \"" + c.file + "\" " + type +
                                                         "\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"));
    std::string error;
    EXPECT_FALSE(c.sheet ? VirtualDisc::FromCueSheet(folder / "disc.cue", error)
                         : VirtualDisc::FromAudioFiles({folder / "good.wav", path}, error));
    EXPECT_EQ(error.rfind(path + ": " + std::to_string(c.size) + (c.file == "long.wav" ? " sample frames" : " bytes"), 0),
              0u)
        << error;
    EXPECT_NE(error.find("larger than a disc can hold"), std::string::npos) << error;
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
