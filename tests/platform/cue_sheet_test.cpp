// Cue sheets as people have them: commands in any letter case, byte-order marks, CRLF line ends, and rips converted
// to FLAC after ripping whose sheet still names the WAV files.
#include <gtest/gtest.h>
#include <iconv.h>

#include <filesystem>

#include "device/isrc.h"
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
       "line 1: \"01 Track.wav\" not found, using \"01 Track.flac\" (the same name with another lossless extension)"
       ", and likewise for 1 more files",
       ""},
      {"FILE \"Album.wav\" WAVE\n" + track,
       "line 1: \"Album.wav\" not found, using \"Album.aiff\" (the same name with another lossless extension)", ""},
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

// `utf8` in the code page `page`, as a sheet saved on Windows holds it.
std::string InCodePage(const std::string& utf8, const char* page) {
  const iconv_t cd = iconv_open(page, "UTF-8");
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << page;
  std::string out(utf8.size() * 4, '\0');
  char* in = const_cast<char*>(utf8.data());
  std::size_t inLeft = utf8.size(), outLeft = out.size();
  char* to = out.data();
  EXPECT_NE(iconv(cd, &in, &inLeft, &to, &outLeft), static_cast<std::size_t>(-1)) << page;
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return out;
}

// A name written the way another system writes it finds the one file it means, and the note says which rule found
// it; what matches two files, or nothing, is refused.
TEST(CueSheets, FilesNamedTheWayOtherSystemsNameThem) {
  struct Case {
    std::string what;
    std::string named;     // the sheet's FILE name, as bytes
    std::string plays;     // the file expected to play, or empty when refused
    std::string told;      // in the note, or the error
  };
  const std::string cyrillic = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82.wav";  // Привет.wav
  const std::string japanese = "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88.wav";              // テスト.wav
  const Case cases[] = {
      {"backslashes into a subfolder", "Album\\01.wav", "Album/01.wav", "backslashes read as folder separators"},
      {"backslashes, the file beside the sheet", "Gone\\02.wav", "02.wav", "its last part, beside the sheet"},
      {"a drive letter", "C:\\Music\\Album\\01.wav", "Album/01.wav", "a path of another machine"},
      {"another letter case", "01 - title.wav", "01 - Title.WAV", "another letter case"},
      {"Latin letters in another case", "\xC3\x89T\xC3\x89.wav", "\xC3\xA9t\xC3\xA9.wav", "another letter case"},
      {"two files but for letter case", "twin.wav", "", "\"TWIN.wav\" and \"Twin.wav\""},
      {"another case and a lossless stand-in", "Album\\02 - song.wav", "Album/02 - Song.FLAC",
       "another letter case; the same name with another lossless extension"},
      {"a windows-1251 sheet", InCodePage(cyrillic, "WINDOWS-1251"), cyrillic, "read as windows-1251"},
      {"a Shift-JIS sheet", InCodePage(japanese, "SHIFT_JIS"), japanese, "read as Shift-JIS"},
      {"a Windows path to nothing", "C:\\Music\\nothing.wav", "", "nothing.wav: file not found"},
  };
  test::ImageFolder folder;
  std::filesystem::create_directory(folder / "Album");
  const std::string files[] = {"Album/01.wav", "02.wav", "01 - Title.WAV", "\xC3\xA9t\xC3\xA9.wav", "TWIN.wav",
                               "Twin.wav", cyrillic, japanese, "Album/02 - Song.FLAC"};
  for (std::size_t i = 0; i < std::size(files); ++i)
    ASSERT_TRUE(test::WriteSound(folder / files[i], test::Pattern(5 * kFramesPerSector, 2, static_cast<int>(i))));
  const std::string cue = folder / "disc.cue";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(test::WriteText(cue, "FILE \"" + c.named + "\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"));
    std::string error;
    std::vector<std::string> notes;
    auto disc = VirtualDisc::FromCueSheet(cue, error, &notes);
    if (c.plays.empty()) {
      EXPECT_FALSE(disc);
      EXPECT_NE(error.find(c.told), std::string::npos) << error;
      EXPECT_NE(error.find("(named by " + cue + ")"), std::string::npos) << error;
      continue;
    }
    ASSERT_TRUE(disc) << error;
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].rfind(cue + ": line 1: ", 0), 0u) << notes[0];
    EXPECT_NE(notes[0].find(c.told), std::string::npos) << notes[0];
    EXPECT_NE(notes[0].find("using \"" + std::filesystem::path(c.plays).filename().string() + "\""),
              std::string::npos)
        << notes[0];
    EXPECT_EQ(disc->Tracks()[0].file, folder / c.plays);
    const auto at = std::find(std::begin(files), std::end(files), c.plays) - std::begin(files);
    test::DiscDrive d(disc);
    ASSERT_TRUE(d.ready());
    EXPECT_EQ(d.Read(0, 5), test::CddaBytes(test::Pattern(5 * kFramesPerSector, 2, static_cast<int>(at))));
  }
}

// A code the way rippers write it is read; one that is no code is passed over with a note and shown nowhere, and
// the disc is made all the same.
TEST(CueSheets, MalformedCodesCostOnlyThemselves) {
  struct Case {
    std::string lines;  // before the track's INDEX 01; CATALOG lines before the track
    std::string isrc;   // what the disc has, and what the ISRC rows show
    std::string catalog;
    std::string told;  // in the one note, or nothing
  };
  const Case cases[] = {
      {"    ISRC AB-CD7-65-43210\n", "ABCD76543210", "", "line 3: ISRC 'AB-CD7-65-43210' read as ABCD76543210"},
      {"    ISRC \"US-S1Z-99-00001\"\n", "USS1Z9900001", "", "line 3: ISRC 'US-S1Z-99-00001' read as USS1Z9900001"},
      {"    ISRC usabc9900001\n", "USABC9900001", "", "line 3: ISRC 'usabc9900001' read as USABC9900001"},
      {"    ISRC USABC9900001\n", "USABC9900001", "", ""},
      {"    ISRC \"CC-OWNR-99-12345\"\n", "", "", "line 3: ISRC 'CC-OWNR-99-12345' passed over"},
      {"    ISRC US-S1Z-99\n", "", "", "line 3: ISRC 'US-S1Z-99' passed over"},
      {"    ISRC 12ABC9900001\n", "", "", "line 3: ISRC '12ABC9900001' passed over"},
      {"    ISRC USABC9900001 USABC9900002\n", "", "", "line 3: ISRC takes a code"},
      {"CATALOG 0012345678905\n", "", "0012345678905", ""},
      {"CATALOG 12345\n", "", "", "line 1: CATALOG '12345' passed over"},
      {"CATALOG\n", "", "", "line 1: CATALOG needs a number"},
  };
  test::ImageFolder folder;
  ASSERT_TRUE(test::WriteSound(folder / "a.wav", test::Pattern(10 * kFramesPerSector)));
  const std::string cue = folder / "disc.cue";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines);
    const bool catalog = c.lines.rfind("CATALOG", 0) == 0;
    ASSERT_TRUE(test::WriteText(cue, (catalog ? c.lines : "") + "FILE \"a.wav\" WAVE\n  TRACK 01 AUDIO\n" +
                                         (catalog ? "" : c.lines) + "    INDEX 01 00:00:00\n"));
    std::string error;
    std::vector<std::string> notes;
    auto disc = VirtualDisc::FromCueSheet(cue, error, &notes);
    ASSERT_TRUE(disc) << error;
    EXPECT_EQ(disc->Tracks()[0].isrc, c.isrc);
    EXPECT_EQ(disc->Catalog(), c.catalog);
    if (c.told.empty()) {
      EXPECT_TRUE(notes.empty()) << notes.front();
    } else {
      ASSERT_EQ(notes.size(), 1u);
      EXPECT_EQ(notes[0].rfind(cue + ": " + c.told, 0), 0u) << notes[0];
    }
    test::DiscDrive d(disc);
    ASSERT_TRUE(d.ready());
    std::vector<IsrcRow> rows;
    d.drive().ReadTrackIsrc(rows, 1);
    ASSERT_EQ(rows.size(), c.isrc.empty() ? 0u : 1u);
    if (!rows.empty()) {
      EXPECT_EQ(rows[0].code, c.isrc);
    }
  }
}

}  // namespace
}  // namespace ossel
