// Cue sheets as real rips have them (tests/platform/data/real_sheets, listed in its README), each opened as a disc
// over audio files made to its measure, and its table of contents compared with the sheet's own INDEX 01 times.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "platform/image_mount.h"
#include "platform/virtual_disc.h"
#include "support/disc_images.h"

namespace ossel {
namespace {

namespace fs = std::filesystem;

// An audio file as a copy of the rip on Linux has it: its path below the sheet's folder, UTF-8, '/' between folders.
struct Audio {
  std::string name;
  std::int32_t sectors;
};

struct Row {
  int number;
  bool audio;
  std::int32_t start;  // sectors from the start of the disc's first file
};

enum class Notes { None, Some, Any };

struct Case {
  std::string sheet;
  std::string what;
  std::vector<Audio> audio;
  std::vector<Row> tracks;  // none: the sheet is refused
  Notes notes;
};

// Failures name the sheet, not the bytes of the row.
void PrintTo(const Case& c, std::ostream* out) { *out << c.sheet; }

void Put16(std::ofstream& out, std::uint16_t v) {
  const char bytes[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
  out.write(bytes, 2);
}

void Put32(std::ofstream& out, std::uint32_t v) {
  Put16(out, static_cast<std::uint16_t>(v & 0xFFFF));
  Put16(out, static_cast<std::uint16_t>(v >> 16));
}

// Mono 16-bit WAV data of `sectors` sectors: a second of noise, then silence left as a hole in the file, so that an
// hour of audio costs neither time nor disk. The decoder goes by the data, whatever the extension.
bool WriteLongWave(const std::string& path, std::int32_t sectors, std::uint32_t seed) {
  const std::uint32_t frames = static_cast<std::uint32_t>(sectors) * test::kFramesPerSector;
  const std::uint32_t bytes = frames * 2;
  {
    std::ofstream out(path, std::ios::binary);
    out.write("RIFF", 4);
    Put32(out, 36 + bytes);
    out.write("WAVEfmt ", 8);
    Put32(out, 16);
    Put16(out, 1);  // PCM
    Put16(out, 1);  // mono
    Put32(out, 44100);
    Put32(out, 44100 * 2);
    Put16(out, 2);
    Put16(out, 16);
    out.write("data", 4);
    Put32(out, bytes);
    const test::Samples noise = test::Noise(std::min<std::int64_t>(frames, 75 * test::kFramesPerSector), seed, 1);
    for (std::int16_t s : noise) Put16(out, static_cast<std::uint16_t>(s));
    if (!out) return false;
  }
  std::error_code ec;
  fs::resize_file(path, 44 + static_cast<std::uintmax_t>(bytes), ec);
  return !ec;
}

// Short FLAC files are real FLAC; long ones (single-file images) are WAV data under the sheet's name.
bool WriteAudio(const std::string& path, std::int32_t sectors, std::uint32_t seed) {
  std::error_code ec;
  fs::create_directories(fs::path(path).parent_path(), ec);
  std::string ext = fs::path(path).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  if (ext == ".flac" && sectors <= 3000)
    return test::WriteSound(path, test::Noise(std::int64_t{sectors} * test::kFramesPerSector, seed, 1),
                            {SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1});
  return WriteLongWave(path, sectors, seed);
}

const std::string kSheets = std::string(OSSEL_SOURCE_DIR) + "/tests/platform/data/real_sheets/";

// One row per sheet of the folder.
const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      {"breeders.cue", "one WAV image, INDEX 00 pregaps, CATALOG and ISRCs",
       {{"data.wav", 147956}},
       {{1, true, 0}, {2, true, 10151}, {3, true, 19384}, {4, true, 34822}, {5, true, 52314}, {6, true, 62513},
        {7, true, 74449}, {8, true, 87769}, {9, true, 100227}, {10, true, 113101}, {11, true, 125014},
        {12, true, 136464}, {13, true, 147581}},
       Notes::None},
      {"surferrosa_eac_single.cue", "EAC image: REM lines, hidden INDEX 00 of track 1, INDEX 02, zero CATALOG and ISRCs",
       {{"Range.wav", 231682}},
       {{1, true, 32}, {2, true, 13767}, {3, true, 23187}, {4, true, 31267}, {5, true, 38025}, {6, true, 55645},
        {7, true, 67035}, {8, true, 84540}, {9, true, 94795}, {10, true, 103215}, {11, true, 111257},
        {12, true, 134195}, {13, true, 141852}, {14, true, 150920}, {15, true, 165495}, {16, true, 178522},
        {17, true, 186122}, {18, true, 197372}, {19, true, 207460}, {20, true, 217750}, {21, true, 231307}},
       Notes::Any},
      {"kings_separate.cue", "one file per track, Windows backslash paths into a subfolder",
       {{"Kings of Leon - Only By the Night/Kings of Leon - Closer.wav", 375},
        {"Kings of Leon - Only By the Night/Kings of Leon - Crawl.wav", 400},
        {"Kings of Leon - Only By the Night/Kings of Leon - Sex On Fire.wav", 425},
        {"Kings of Leon - Only By the Night/Kings of Leon - Use Somebody.wav", 450},
        {"Kings of Leon - Only By the Night/Kings of Leon - Manhattan.wav", 475},
        {"Kings of Leon - Only By the Night/Kings of Leon - Revelry.wav", 500},
        {"Kings of Leon - Only By the Night/Kings of Leon - 17.wav", 525},
        {"Kings of Leon - Only By the Night/Kings of Leon - Notion.wav", 550},
        {"Kings of Leon - Only By the Night/Kings of Leon - I Want You.wav", 575},
        {"Kings of Leon - Only By the Night/Kings of Leon - Be Somebody.wav", 600},
        {"Kings of Leon - Only By the Night/Kings of Leon - Cold Desert.wav", 625}},
       {{1, true, 0}, {2, true, 375}, {3, true, 775}, {4, true, 1200}, {5, true, 1650}, {6, true, 2125},
        {7, true, 2625}, {8, true, 3150}, {9, true, 3700}, {10, true, 4275}, {11, true, 4875}},
       Notes::Some},
      {"solid_ether.cue", "the sheet names CDImage.flac, the copy holds cdimage.flac",
       {{"cdimage.flac", 222905}},
       {{1, true, 0}, {2, true, 33772}, {3, true, 68912}, {4, true, 91570}, {5, true, 96265}, {6, true, 126560},
        {7, true, 155380}, {8, true, 177615}, {9, true, 199060}, {10, true, 222530}},
       Notes::Some},
      {"cdimage_ape.cue", "UTF-8 CJK titles; the APE image converted to FLAC; INDEX 01 of track 1 at 00:00:01",
       {{"CDImage.flac", 154104}},
       {{1, true, 1}, {2, true, 26762}, {3, true, 44217}, {4, true, 62488}, {5, true, 78603}, {6, true, 97324},
        {7, true, 116315}, {8, true, 136802}, {9, true, 153729}},
       Notes::Some},
      {"sukitte_shift_jis.cue", "Shift-JIS (code page 932) titles, byte 0x5C inside them; no final line end",
       {{"music & drama collection CD Vol.1.flac", 206661}},
       {{1, true, 0}, {2, true, 22938}, {3, true, 35317}, {4, true, 40756}, {5, true, 47926}, {6, true, 53957},
        {7, true, 59961}, {8, true, 67983}, {9, true, 77559}, {10, true, 85960}, {11, true, 91932},
        {12, true, 106172}, {13, true, 113717}, {14, true, 122496}, {15, true, 131513}, {16, true, 132059},
        {17, true, 140192}, {18, true, 145838}, {19, true, 151037}, {20, true, 158387}, {21, true, 163410},
        {22, true, 170035}, {23, true, 174340}, {24, true, 181750}, {25, true, 187256}, {26, true, 194485},
        {27, true, 206286}},
       Notes::None},  // its file is found as named: titles in another code page are nothing to say
      {"hand_drive_letter.cue", "the image named by an absolute D:\\ path; the copy holds it beside the sheet",
       {{"The Quiet Hours - Lanterns.wav", 41012}},
       {{1, true, 0}, {2, true, 19055}, {3, true, 40637}},
       Notes::Some},
      {"hand_hyphen_isrc.cue", "ISRCs quoted and hyphenated",
       {{"Northern Sea - Tidewater.wav", 37547}},
       {{1, true, 0}, {2, true, 18225}, {3, true, 37172}},
       Notes::Some},
      {"hand_bad_catalog.cue", "a 12-digit UPC as CATALOG",
       {{"Paper Kites Club - Weekend Radio.wav", 45525}},
       {{1, true, 0}, {2, true, 15145}, {3, true, 30633}, {4, true, 45150}},
       Notes::Some},
      {"hand_disc2_from_track_12.cue", "second disc of a set numbered on: TRACK 12 to 15, which the disc's table keeps",
       {{"12 - Quartet No. 4 I. Allegro.flac", 375},
        {"13 - Quartet No. 4 II. Adagio.flac", 400},
        {"14 - Quartet No. 4 III. Menuetto.flac", 425},
        {"15 - Quartet No. 4 IV. Presto.flac", 450}},
       {{12, true, 0}, {13, true, 375}, {14, true, 775}, {15, true, 1200}},
       Notes::Any},
      {"hand_enhanced_dummy.cue", "Enhanced CD: MODE1/2352 data track in a .dummy file that is not there",
       {{"01 - Signal.wav", 375}, {"02 - Noise Floor.wav", 400}, {"03 - Carrier.wav", 425}},
       {{1, true, 0}, {2, true, 375}, {3, true, 775}, {4, false, 1200}},
       Notes::Any},
      {"hand_enhanced_iso.cue", "Enhanced CD: one WAV image, then a MODE2/2352 track in an .iso that is not there",
       {{"Glass Relay - Transit.wav", 43905}},
       {{1, true, 0}, {2, true, 23400}, {3, true, 43530}, {4, false, 43905}},
       Notes::Any},
      {"hand_windows_1251.cue", "windows-1251 sheet, one file per track, Cyrillic names (UTF-8 on disk)",
       {{"01 - Группа крови.wav", 375}, {"02 - Закрой за мной дверь, я ухожу.wav", 400}, {"03 - Война.wav", 425}},
       {{1, true, 0}, {2, true, 375}, {3, true, 775}},
       Notes::Some},
      {"hand_windows_1252.cue", "windows-1252 sheet, accented image name (UTF-8 on disk)",
       {{"Sigur Rós - Ágætis byrjun.wav", 52972}},
       {{1, true, 0}, {2, true, 7280}, {3, true, 52597}},
       Notes::Some},
      // Refused, as they must stay.
      {"refuse_bad_frame.cue", "INDEX 01 00:00:75", {{"disc.wav", 3000}}, {}, Notes::Any},
      {"refuse_index_order.cue", "track 3 starts before track 2", {{"disc.wav", 3000}}, {}, Notes::Any},
      {"refuse_no_track.cue", "a FILE and no TRACK", {{"disc.wav", 3000}}, {}, Notes::Any},
      {"refuse_missing_audio.cue", "its one file missing, nothing beside it", {}, {}, Notes::Any},
  };
  return cases;
}

class RealSheets : public testing::TestWithParam<Case> {};

TEST_P(RealSheets, TableOfContents) {
  const Case& c = GetParam();
  SCOPED_TRACE(c.sheet + ": " + c.what);
  std::uint32_t seed = 1;
  {
    test::ImageFolder folder;
    const std::string sheet = folder / c.sheet;
    std::error_code ec;
    ASSERT_TRUE(fs::copy_file(kSheets + c.sheet, sheet, ec)) << ec.message();
    for (const Audio& a : c.audio) ASSERT_TRUE(WriteAudio(folder / a.name, a.sectors, seed++)) << a.name;

    DiscSource source;
    source.name = sheet;
    source.cueSheet = sheet;
    std::string error;
    std::vector<std::string> notes;
    const std::shared_ptr<VirtualDisc> disc = MakeDisc(source, error, &notes);
    if (c.tracks.empty()) {
      EXPECT_FALSE(disc) << "opened, with " << disc->Tracks().size() << " tracks";
      EXPECT_NE(error.find(c.sheet), std::string::npos) << error;
      return;
    }
    ASSERT_TRUE(disc) << error;
    if (c.notes == Notes::None) {
      EXPECT_TRUE(notes.empty()) << notes.front();
    } else if (c.notes == Notes::Some) {
      EXPECT_FALSE(notes.empty()) << "no note for what is unusual in the sheet";
    }

    const std::vector<VirtualTrack>& tracks = disc->Tracks();
    ASSERT_EQ(tracks.size(), c.tracks.size());
    for (std::size_t i = 0; i < tracks.size(); ++i) {
      SCOPED_TRACE("track " + std::to_string(i + 1));
      EXPECT_EQ(tracks[i].number, c.tracks[i].number);
      EXPECT_EQ(tracks[i].audio, c.tracks[i].audio);
      EXPECT_EQ(tracks[i].startLba, c.tracks[i].start);
    }
    // The same table as a drive reads it.
    test::DiscDrive d(disc);
    ASSERT_TRUE(d.ready());
    ASSERT_EQ(d.drive().trackCount, static_cast<int>(c.tracks.size()));
    for (const Row& expected : c.tracks) {
      SCOPED_TRACE("drive track " + std::to_string(expected.number));
      EXPECT_EQ(d.drive().TrackStart(expected.number), expected.start);
      EXPECT_EQ(d.drive().IsAudioTrack(expected.number), expected.audio);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Sheets, RealSheets, testing::ValuesIn(Cases()), [](const testing::TestParamInfo<Case>& info) {
  std::string name = info.param.sheet.substr(0, info.param.sheet.find('.'));
  for (char& ch : name)
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return name;
});

}  // namespace
}  // namespace ossel
