// Cue sheets as people have them: commands in any letter case, byte-order marks, CRLF line ends, and rips converted
// to FLAC after ripping whose sheet still names the WAV files.
#include <gtest/gtest.h>

#include "platform/cue_sheet.h"
#include "support/disc_images.h"

namespace ossel {
namespace {

using test::kFramesPerSector;

// Every sheet describes the same disc: two tracks of 75 and 25 sectors in one file, the first with an ISRC.
TEST(CueSheets, CommandsInAnyLetterCaseAndTheOddsOfRippers) {
  const std::string cases[] = {
      "FILE \"file index.wav\" WAVE\n  TRACK 01 AUDIO\n    ISRC USABC9900001\n    INDEX 01 00:00:00\n"
      "  TRACK 02 AUDIO\n    INDEX 01 00:01:00\n",
      "file \"file index.wav\" wave\n  track 01 audio\n    isrc USABC9900001\n    index 01 00:00:00\n"
      "  track 02 audio\n    index 01 00:01:00",  // saved without a line end after the last command
      "\xEF\xBB\xBFRem GENRE Rock\r\nPerformer \"Caf\xE9 Ensemble\"\r\nTitle Chansons d'\xE9t\xE9\r\n"
      "File \"file index.wav\" Flac\r\n  Track 01 Audio\r\n    Flags dcp Pre\r\n    Isrc USABC9900001\r\n"
      "    Index 01 00:00:00\r\n  Track 02 Audio\r\n    rem a comment\r\n    Index 01 00:01:00\r\n",
  };
  test::ImageFolder folder;
  const test::Samples audio = test::Pattern(100 * kFramesPerSector);
  ASSERT_TRUE(test::WriteSound(folder / "file index.wav", audio));
  for (const std::string& sheet : cases) {
    SCOPED_TRACE(sheet);
    ASSERT_TRUE(test::WriteText(folder / "disc.cue", sheet));
    std::string error;
    std::vector<std::string> notes;
    auto disc = VirtualDisc::FromCueSheet(folder / "disc.cue", error, &notes);
    ASSERT_TRUE(disc) << error;
    ASSERT_EQ(disc->Tracks().size(), 2u);
    EXPECT_EQ(disc->Tracks()[1].startLba, 75);
    EXPECT_EQ(disc->Tracks()[0].isrc, "USABC9900001");
    EXPECT_EQ(disc->LeadOutLba(), 100);
    EXPECT_TRUE(notes.empty());
    test::DiscDrive d(disc);
    ASSERT_TRUE(d.ready());
    EXPECT_EQ(d.Read(0, 100), test::CddaBytes(audio));
  }
  // Only keywords change: quoted names, values, titles and line ends stay byte for byte.
  EXPECT_EQ(vdisc::UpperCaseCueCommands("file \"track 01 audio.wav\" wave\r\n  track 01 mode1/2352\n"
                                        "title index \xE9t\xE9\nflags dcp\ninDX 01\nrem file x\n"),
            "FILE \"track 01 audio.wav\" WAVE\r\n  TRACK 01 MODE1/2352\n"
            "TITLE index \xE9t\xE9\nFLAGS DCP\ninDX 01\nREM file x\n");
}

// A missing sound file is replaced by a lossless file of the same name, and the caller hears of it once per disc;
// raw files and lossy look-alikes never stand in.
TEST(CueSheets, AMissingSoundFileHasALosslessStandIn) {
  struct Case {
    std::string sheet;
    std::string note;   // expected, after "<sheet>: "
    std::string error;  // or the fault, after "<folder>/"
  };
  const std::string track = "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n";
  const std::string track2 = "  TRACK 02 AUDIO\n    INDEX 01 00:00:00\n";
  const Case cases[] = {
      {"FILE \"01 Track.wav\" WAVE\n" + track + "FILE \"02 Track.wav\" WAVE\n" + track2,
       "\"01 Track.wav\" not found, using \"01 Track.flac\", and likewise for 1 more files", ""},
      {"FILE \"Album.wav\" WAVE\n" + track, "\"Album.wav\" not found, using \"Album.aiff\"", ""},
      {"FILE \"present.wav\" WAVE\n" + track, "", ""},
      {"FILE \"01 Track.bin\" BINARY\n" + track, "", "01 Track.bin: file not found (named by "},
      {"FILE \"lossy.wav\" WAVE\n" + track, "", "lossy.wav: file not found (named by "},
  };
  test::ImageFolder folder;
  const test::SoundFormat flac{SF_FORMAT_FLAC | SF_FORMAT_PCM_16};
  const test::Samples first = test::Pattern(10 * kFramesPerSector, 2, 1);
  const test::Samples second = test::Pattern(5 * kFramesPerSector, 2, 2);
  ASSERT_TRUE(test::WriteSound(folder / "01 Track.flac", first, flac));
  ASSERT_TRUE(test::WriteSound(folder / "02 Track.flac", second, flac));
  ASSERT_TRUE(test::WriteSound(folder / "Album.aiff", first, {SF_FORMAT_AIFF | SF_FORMAT_PCM_16}));
  ASSERT_TRUE(test::WriteSound(folder / "present.wav", first));
  ASSERT_TRUE(test::WriteSound(folder / "present.flac", second, flac));
  ASSERT_TRUE(test::WriteText(folder / "lossy.mp3", "not lossless"));
  const std::string cue = folder / "disc.cue";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sheet);
    ASSERT_TRUE(test::WriteText(cue, c.sheet));
    std::string error;
    std::vector<std::string> notes;
    auto disc = VirtualDisc::FromCueSheet(cue, error, &notes);
    if (!c.error.empty()) {
      EXPECT_FALSE(disc);
      EXPECT_EQ(error, folder / c.error + cue + ")");
      continue;
    }
    ASSERT_TRUE(disc) << error;
    EXPECT_EQ(notes, c.note.empty() ? std::vector<std::string>{} : std::vector<std::string>{cue + ": " + c.note});
    test::DiscDrive d(disc);
    ASSERT_TRUE(d.ready());
    EXPECT_EQ(d.Read(0, 10), test::CddaBytes(first));  // the stand-in is what plays, not a neighbour
  }
}

}  // namespace
}  // namespace ossel
