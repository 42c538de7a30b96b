// Whole tracks through the engine: synthesised full-band audio is genuine CD audio; the same audio after an
// MP3 round trip through lame (128 kbit/s) is lossy.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "detector/track_detector.h"
#include "support/synthetic_audio.h"

namespace ossel {
namespace {

namespace fs = std::filesystem;

constexpr int kRate = 44100;
constexpr int kSeconds = 40;

bool WriteWave(const fs::path& path, const std::vector<std::int16_t>& pcm) {
  SF_INFO info{};
  info.samplerate = kRate;
  info.channels = 2;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) return false;
  const sf_count_t written = sf_write_short(file, pcm.data(), static_cast<sf_count_t>(pcm.size()));
  sf_close(file);
  return written == static_cast<sf_count_t>(pcm.size());
}

std::vector<std::int16_t> ReadWave(const fs::path& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr || info.channels != 2 || info.samplerate != kRate) {
    if (file != nullptr) sf_close(file);
    return {};
  }
  std::vector<std::int16_t> pcm(static_cast<std::size_t>(info.frames) * 2);
  pcm.resize(static_cast<std::size_t>(sf_read_short(file, pcm.data(), static_cast<sf_count_t>(pcm.size()))));
  sf_close(file);
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
    const fs::path wave = folder_ / (name + ".wav");
    const fs::path mp3 = folder_ / (name + ".mp3");
    const fs::path decoded = folder_ / (name + "-decoded.wav");
    if (!WriteWave(wave, pcm)) return {};
    if (!RunQuietly("lame --quiet -b 128 '" + wave.string() + "' '" + mp3.string() + "'")) return {};
    if (!RunQuietly("lame --quiet --decode '" + mp3.string() + "' '" + decoded.string() + "'")) return {};
    return ReadWave(decoded);
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
