// `ossel analyze` over a library of folders: discs found and worked on side by side, outputs in disc order, a broken
// disc reported and passed, Ctrl+C keeping what was finished.
#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/disc_images.h"
#include "support/process.h"
#include "support/text_outputs.h"

namespace ossel {
namespace {

namespace fs = std::filesystem;
using test::CountOf;
using test::Lines;
using test::ParseCsv;
using test::ReadFile;
using test::RunOssel;
using test::WithoutElapsedTimes;

const test::SoundFormat kFlac{SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, 44100};

// A small library: an album of FLAC files named so that natural and plain order differ, an image with a cue sheet
// that names a WAV where only its FLAC stands, a broken album whose path has a comma and quotes, and lossy and hidden
// files that are no tracks. Tracks are `seconds` long.
struct Library {
  test::ImageFolder root;
  std::string albums, image, broken;

  explicit Library(int seconds = 30) {
    albums = root / "lib/Artist/Album One";
    image = root / "lib/Artist/Image";
    broken = root / "lib/Broken, \"Live\"";
    fs::create_directories(albums);
    fs::create_directories(image);
    fs::create_directories(broken);
    fs::create_directories(root / "lib/.hidden");
    const std::int64_t frames = static_cast<std::int64_t>(seconds) * 44100;
    ok = test::WriteSound(albums + "/2 second.flac", test::Noise(frames, 2), kFlac) &&
         test::WriteSound(albums + "/10 tenth.flac", test::Noise(frames, 10), kFlac) &&
         test::WriteText(albums + "/cover.jpg", "not audio") &&
         test::WriteText(albums + "/notes.mp3", "lossy: never a track of a folder") &&
         test::WriteSound(root / "lib/.hidden/x.flac", test::Noise(frames, 5), kFlac) &&
         test::WriteSound(image + "/Image.flac", test::Noise(2 * frames, 7), kFlac) &&
         test::WriteText(image + "/Image.cue", "FILE \"Image.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                                               "  TRACK 02 AUDIO\n    INDEX 01 00:" + Two(seconds) + ":00\n") &&
         test::WriteText(broken + "/Live.cue", "FILE \"gone.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
  }
  static std::string Two(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }
  std::string Lib() const { return root / "lib"; }
  bool ok = false;
};

TEST(Library, SummaryAndCsvReportEveryDiscAndTheBrokenOneIsPassedWithItsError) {
  Library library;
  ASSERT_TRUE(library.ok);
  const std::string csv = library.root / "out.csv";
  auto run = RunOssel({"analyze", "-r", library.Lib(), "--summary", "--csv", csv});
  EXPECT_EQ(run.exitStatus, 1) << run.err;

  // One line per disc in path order, then the totals.
  const auto lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 4u) << run.out;
  EXPECT_NE(lines[0].find(library.albums), std::string::npos);
  EXPECT_NE(lines[0].find("CDDA  2  MPEG  0  UNKN  0  not analysed  0"), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find(library.image), std::string::npos);
  EXPECT_EQ(lines[2].rfind("ERROR  " + library.broken + "/Live.cue", 0), 0u) << lines[2];
  EXPECT_EQ(lines[3], "3 discs: 2 CDDA, 0 MPEG, 0 UNKN, 1 not analysed; 4 tracks: 4 CDDA, 0 MPEG, 0 UNKN, 0 not analysed");
  // The stand-in is told once; the broken disc's error names it.
  EXPECT_EQ(CountOf(run.err, "Image.flac"), 1) << run.err;
  EXPECT_EQ(CountOf(run.err, "ossel: " + library.broken + "/Live.cue"), 1) << run.err;

  const auto rows = ParseCsv(ReadFile(csv));
  ASSERT_EQ(rows.size(), 6u);
  for (const auto& row : rows) EXPECT_EQ(row.size(), 18u);
  EXPECT_EQ(rows[0][0], "disc");
  EXPECT_EQ(rows[1][2], library.albums + "/2 second.flac");  // natural order
  EXPECT_EQ(rows[2][2], library.albums + "/10 tenth.flac");
  EXPECT_EQ(rows[3][0], library.image + "/Image.cue");
  EXPECT_EQ(rows[4][1], "2");
  EXPECT_EQ(rows[5][0], library.broken + "/Live.cue");  // the comma and quotes read back
  EXPECT_EQ(rows[5][12], "ERROR");
  EXPECT_FALSE(rows[5][14].empty());
  for (int r = 1; r <= 4; ++r) {
    EXPECT_EQ(rows[r][3], "CDDA");
    EXPECT_EQ(rows[r][12], "CDDA");
    EXPECT_GT(std::stod(rows[r][5]), 15000.0);  // the cutoff frequency
  }
}

TEST(Library, EveryOutputIsTheSameWithOneJobOrThree) {
  Library library;
  ASSERT_TRUE(library.ok);
  for (const std::vector<std::string>& mode :
       {std::vector<std::string>{}, {"--summary"}, {"--json"}, {"--csv", "-"}}) {
    std::vector<std::string> args = {"analyze", "--recursive", library.Lib()};
    args.insert(args.end(), mode.begin(), mode.end());
    auto serial = args, parallel = args;
    serial.insert(serial.end(), {"--jobs", "1"});
    parallel.insert(parallel.end(), {"--jobs", "3"});
    auto one = RunOssel(serial);
    auto three = RunOssel(parallel);
    SCOPED_TRACE(mode.empty() ? "report" : mode.front());
    EXPECT_EQ(one.exitStatus, 1);
    EXPECT_EQ(three.exitStatus, 1);
    EXPECT_EQ(WithoutElapsedTimes(three.out), WithoutElapsedTimes(one.out));
    EXPECT_EQ(three.err, one.err);
    EXPECT_GT(one.out.size(), 200u);
  }
}

TEST(Library, CtrlCKeepsTheFinishedDiscsInTheSummaryAndTheCsv) {
  test::ImageFolder root;
  for (int disc = 1; disc <= 8; ++disc) {
    const std::string folder = root / ("lib/Disc " + std::to_string(disc));
    fs::create_directories(folder);
    for (int track = 1; track <= 3; ++track) {
      ASSERT_TRUE(test::WriteSound(folder + "/" + std::to_string(track) + ".flac",
                                   test::Noise(8 * 44100, static_cast<std::uint32_t>(disc * 10 + track)), kFlac));
    }
  }
  const std::string csv = root / "out.csv";
  bool sent = false;
  auto run = RunOssel({"analyze", "-r", root / "lib", "--summary", "--csv", csv, "--jobs", "2"},
                      [&](const std::string& out, int pid) {
                        if (!sent && out.find("Disc 1") != std::string::npos) {
                          kill(pid, SIGINT);
                          sent = true;
                        }
                      });
  ASSERT_TRUE(sent);
  EXPECT_EQ(run.exitStatus, 130);
  // Every disc has its line, those never begun as NOT STARTED, and the totals count them all.
  const auto lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 9u) << run.out;
  EXPECT_EQ(lines.back().rfind("8 discs: ", 0), 0u) << lines.back();
  EXPECT_EQ(lines[7], "NOT STARTED  " + root / "lib/Disc 8");
  // Every disc has its rows in the CSV, whole: a finished one a row per track, one never begun a row of its own.
  const auto rows = ParseCsv(ReadFile(csv));
  ASSERT_GE(rows.size(), 9u);
  EXPECT_EQ(rows[1][0], root / "lib/Disc 1");
  EXPECT_EQ(rows.back()[0], root / "lib/Disc 8");
  EXPECT_EQ(rows.back()[12], "NOT STARTED");
  for (std::size_t r = 1; r < rows.size(); ++r) EXPECT_EQ(rows[r].size(), 18u);
}

}  // namespace
}  // namespace ossel
