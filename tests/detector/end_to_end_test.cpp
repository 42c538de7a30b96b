// Whole tracks through the engine: synthesised full-band audio is genuine CD audio; the same audio after an
// MP3 round trip through lame (128 kbit/s) is lossy.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "detector/track_detector.h"
#include "support/synthetic_audio.h"

namespace ossel {
namespace {

namespace fs = std::filesystem;

constexpr int kRate = 44100;
constexpr int kSeconds = 40;

// Raw interleaved little-endian 16-bit stereo, as lame reads and writes it with -r and --decode -t.
bool WriteRaw(const fs::path& path, const std::vector<std::int16_t>& pcm) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(pcm.data()), static_cast<std::streamsize>(pcm.size() * 2));
  return static_cast<bool>(file);
}

std::vector<std::int16_t> ReadRaw(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::vector<std::int16_t> pcm(bytes.size() / 2);
  std::memcpy(pcm.data(), bytes.data(), pcm.size() * 2);
  return pcm;
}

bool RunQuietly(const std::string& command) { return std::system((command + " > /dev/null 2>&1").c_str()) == 0; }

struct Track {
  int blocks = 0;
  TrackResult result;
};

// The track in 16384-byte blocks, as the readers hand it over.
Track Analyse(TrackDetector& detector, const std::vector<std::int16_t>& pcm) {
  Track track;
  std::vector<double> spectrum(2 * TrackDetector::kBins);
  const int values = TrackDetector::kBlockValues;
  for (std::size_t offset = 0; offset + values <= pcm.size(); offset += values) {
    track.blocks += detector.AnalyzeBlock(offset == 0, pcm.data() + offset, values, kRate, 2, spectrum.data());
  }
  if (track.blocks >= TrackDetector::kMinimumBlocks) track.result = detector.FinishTrack();
  return track;
}

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(RunQuietly("lame --version")) << "lame was not found on the PATH; it is needed to make the MP3 input";
    folder_ = fs::temp_directory_path() / ("ossel-engine-" + std::to_string(::getpid()));
    fs::create_directories(folder_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  // The audio after lame -b 128 and lame --decode.
  std::vector<std::int16_t> ThroughMp3(const std::vector<std::int16_t>& pcm, const std::string& name) {
    const std::string raw = (folder_ / (name + ".raw")).string();
    const std::string mp3 = (folder_ / (name + ".mp3")).string();
    const std::string decoded = (folder_ / (name + "-decoded.raw")).string();
    if (!WriteRaw(raw, pcm)) return {};
    if (!RunQuietly("lame --quiet -r -s 44.1 -m s -b 128 '" + raw + "' '" + mp3 + "'")) return {};
    if (!RunQuietly("lame --quiet --decode -t '" + mp3 + "' '" + decoded + "'")) return {};
    return ReadRaw(decoded);
  }

  void CheckDisc(const std::vector<std::int16_t>& genuine, const std::string& name) {
    const std::vector<std::int16_t> lossy = ThroughMp3(genuine, name);
    ASSERT_GE(lossy.size(), genuine.size() * 9 / 10) << "the MP3 round trip failed";

    TrackDetector detector;
    double probability = 0;
    detector.DiscVerdict(true, probability);
    const Track original = Analyse(detector, genuine);
    ASSERT_GE(original.blocks, TrackDetector::kMinimumBlocks);
    EXPECT_STREQ(VerdictWord(VerdictFromCode(original.result.verdict)), "CDDA") << name;
    EXPECT_EQ(original.result.stagesDone, 2);
    EXPECT_EQ(detector.DiscVerdict(false, probability), Verdict::Cdda);

    detector.DiscVerdict(true, probability);
    const Track decoded = Analyse(detector, lossy);
    ASSERT_GE(decoded.blocks, TrackDetector::kMinimumBlocks);
    EXPECT_STREQ(VerdictWord(VerdictFromCode(decoded.result.verdict)), "MPEG") << name;
    // The encoder's low-pass leaves the top of the spectrum empty; all four cutoffs sit well below 20 kHz.
    EXPECT_LT(decoded.result.cutoffMean1, 19000.0);
    EXPECT_LT(decoded.result.cutoffPeakPosition, 19000.0);
    EXPECT_GT(original.result.cutoffMean1, 20000.0);
    EXPECT_EQ(detector.DiscVerdict(false, probability), Verdict::Mpeg);
    EXPECT_GT(probability, 0.5);

    // The confirming third stage, which the program never enables, runs after the two genuine stages.
    TrackDetector confirming;
    confirming.SetThirdStageEnabled(true);
    const Track third = Analyse(confirming, genuine);
    EXPECT_EQ(third.result.stagesDone, 3);
    EXPECT_EQ(third.result.stageScore[1], original.result.stageScore[1]);
    EXPECT_NE(third.result.verdict, 0.0);
  }

  fs::path folder_;
};

constexpr std::size_t kFrames = static_cast<std::size_t>(kRate) * kSeconds;

TEST_F(EndToEnd, NoiseAndItsMp3) { CheckDisc(synthetic::WhiteNoise(kFrames, 5000.0, 1), "noise"); }

TEST_F(EndToEnd, MusicLikeAudioAndItsMp3) { CheckDisc(synthetic::MusicLike(kFrames, 5), "music"); }

}  // namespace
}  // namespace ossel
