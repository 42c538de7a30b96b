// The band limit in the outputs, on a generated piece as it is, and after lame and oggenc.
#include <gtest/gtest.h>

#include <cstdlib>
#include <nlohmann/json.hpp>

#include "support/disc_images.h"
#include "support/process.h"
#include "support/synthetic_audio.h"
#include "support/text_outputs.h"

namespace ossel {
namespace {

bool RunQuietly(const std::string& command) { return std::system((command + " > /dev/null 2>&1").c_str()) == 0; }

// A folder of three files, one disc: the piece (full band), its MP3 at 128 kbit/s and its Vorbis at q3, both decoded.
class Transcodes : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(RunQuietly("lame --version")) << "lame is needed on the PATH";
    ASSERT_TRUE(RunQuietly("oggenc --version")) << "oggenc (vorbis-tools) is needed on the PATH";
    // 12 seconds: too short to be judged, long enough for a band limit; undecided tracks count for the flag.
    ASSERT_TRUE(test::WriteSound(folder / "1-piece.wav", synthetic::MusicLike(12 * 44100, 7)));
    const std::string piece = "'" + (folder / "1-piece.wav") + "'";
    ASSERT_TRUE(RunQuietly("lame --quiet -b 128 " + piece + " '" + (folder / "mp3") + "'"));
    ASSERT_TRUE(RunQuietly("lame --quiet --decode '" + (folder / "mp3") + "' '" + (folder / "2-mp3.wav") + "'"));
    ASSERT_TRUE(RunQuietly("oggenc --quiet -q 3 -o '" + (folder / "ogg") + "' " + piece));
    ASSERT_TRUE(RunQuietly("oggdec --quiet -o '" + (folder / "3-vorbis.wav") + "' '" + (folder / "ogg") + "'"));
    ASSERT_EQ(std::remove((folder / "mp3").c_str()), 0);
    ASSERT_EQ(std::remove((folder / "ogg").c_str()), 0);
  }

  test::ImageFolder folder;
};

TEST_F(Transcodes, TheRecordsAndRowsCarryEachTracksBandLimitAndFile) {
  auto run = test::RunOssel({"analyze", "--json", folder / ""});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  const auto record = nlohmann::ordered_json::parse(run.out);
  const auto& tracks = record["tracks"];
  ASSERT_EQ(tracks.size(), 3u);
  // The new fields come after every field there was.
  for (const auto& track : tracks) {
    ASSERT_TRUE(track.contains("bandLimit") && track.contains("file"));
    auto it = track.begin();
    while (it.key() != "statusText") ++it;
    EXPECT_EQ((++it).key(), "bandLimit");
    EXPECT_EQ((++it).key(), "file");
  }
  EXPECT_EQ(tracks[0]["file"], folder / "1-piece.wav");
  EXPECT_TRUE(tracks[0]["bandLimit"].is_null() || tracks[0]["bandLimit"]["hz"].get<double>() >= 21000)
      << tracks[0]["bandLimit"];

  // lame cuts 128 kbit/s at 17 kHz; oggenc q3 lower than 20.5 kHz.
  const auto& mp3 = tracks[1]["bandLimit"];
  ASSERT_FALSE(mp3.is_null());
  EXPECT_NEAR(mp3["hz"].get<double>(), 17000, 500);
  EXPECT_TRUE(mp3["sharp"].get<bool>());
  EXPECT_NE(mp3["likelySource"].get<std::string>().find("MP3"), std::string::npos) << mp3;
  const auto& vorbis = tracks[2]["bandLimit"];
  ASSERT_FALSE(vorbis.is_null());
  EXPECT_TRUE(vorbis["sharp"].get<bool>());
  EXPECT_LT(vorbis["hz"].get<double>(), 20500);
  EXPECT_FALSE(vorbis["likelySource"].is_null());

  // The CSV: three columns more at the end, the same limits.
  auto csv = test::RunOssel({"analyze", "--csv", "-", folder / ""});
  ASSERT_EQ(csv.exitStatus, 0) << csv.err;
  const auto rows = test::ParseCsv(csv.out);
  ASSERT_EQ(rows.size(), 4u);
  const std::vector<std::string> tail(rows[0].end() - 4, rows[0].end());
  EXPECT_EQ(tail, (std::vector<std::string>{"error", "band_limit_hz", "band_limit_sharp", "likely_source"}));
  EXPECT_EQ(rows[2][rows[2].size() - 3], std::to_string(mp3["hz"].get<long>()));
  EXPECT_EQ(rows[2][rows[2].size() - 2], "true");
  EXPECT_EQ(rows[2].back(), mp3["likelySource"].get<std::string>());
  for (const auto& row : rows) EXPECT_EQ(row.size(), rows[0].size());

  // The two lossy-like tracks are undecided (too short): the totals count them; the disc line is as it was.
  auto summary = test::RunOssel({"analyze", "--summary", folder / ""});
  ASSERT_EQ(summary.exitStatus, 0) << summary.err;
  EXPECT_NE(summary.out.find("UNKN  3  not analysed  0"), std::string::npos) << summary.out;
  EXPECT_NE(summary.out.find("; 2 CDDA or UNKN with a lossy-like band limit\n"), std::string::npos) << summary.out;

  // A disc from the result cache counts its tracks as the run that analysed it.
  test::ImageFolder cache;
  for (const char* run : {"first", "cached"}) {
    SCOPED_TRACE(run);
    auto again = test::RunOsselCached(cache / "", {"analyze", "--summary", folder / ""});
    ASSERT_EQ(again.exitStatus, 0) << again.err;
    EXPECT_NE(again.out.find("; 2 CDDA or UNKN with a lossy-like band limit"), std::string::npos) << again.out;
    EXPECT_EQ(again.out.find("from the cache") != std::string::npos, std::string(run) == "cached") << again.out;
  }
}

}  // namespace
}  // namespace ossel
