// The engine object as its callers use it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <thread>
#include <vector>

#include "detector/track_detector.h"
#include "support/synthetic_audio.h"

namespace ossel {
namespace {

constexpr int kValues = TrackDetector::kBlockValues;
constexpr int kBins = TrackDetector::kBins;

std::vector<std::int16_t> NoiseBlocks(int blocks, unsigned seed) {
  return synthetic::WhiteNoise(static_cast<std::size_t>(blocks) * kValues / 2, 4000.0, seed);
}

int Feed(TrackDetector& detector, const std::vector<std::int16_t>& values, bool withSpectrum = true) {
  std::vector<double> spectrum(2 * kBins);
  int counted = 0;
  for (std::size_t offset = 0; offset + kValues <= values.size(); offset += kValues) {
    counted += detector.AnalyzeBlock(offset == 0, values.data() + offset, kValues, 44100, 2,
                                     withSpectrum ? spectrum.data() : nullptr);
  }
  return counted;
}

void ExpectSameResult(const TrackResult& a, const TrackResult& b) {
  for (auto field : {&TrackResult::cutoffMean1, &TrackResult::cutoffMean2, &TrackResult::cutoffMean3,
                     &TrackResult::cutoffMean4, &TrackResult::cutoffPeakPosition, &TrackResult::minPhaseSpread,
                     &TrackResult::cutoffRatio21, &TrackResult::cutoffRatio43, &TrackResult::hfPeakValue}) {
    EXPECT_EQ(a.*field, b.*field);
  }
  EXPECT_EQ(a.stageScore[0], b.stageScore[0]);
  EXPECT_EQ(a.verdict, b.verdict);
}

TEST(TrackDetector, FrequencyAxisAndADiscWithoutTracks) {
  EXPECT_EQ(TrackDetector::FillFrequencyAxis(nullptr), 0);
  std::vector<double> axis(kBins, -1.0);
  EXPECT_EQ(TrackDetector::FillFrequencyAxis(axis.data()), 4096);
  EXPECT_EQ(axis[1], 5.38330078125);
  EXPECT_EQ(axis[4095], 22044.61669921875);

  TrackDetector detector;
  double probability = -1;
  EXPECT_EQ(detector.DiscVerdict(true, probability), Verdict::Unknown);
  EXPECT_EQ(probability, 0.0);
  EXPECT_EQ(detector.DiscVerdict(false, probability), Verdict::Unknown);
  EXPECT_EQ(probability, 0.5);
}

TEST(TrackDetector, RefusedBlocksTouchNothing) {
  auto detector = TrackDetector::Create();
  ASSERT_TRUE(detector);
  const auto block = NoiseBlocks(1, 1);
  std::vector<double> spectrum(2 * kBins, -7.0);
  ASSERT_EQ(detector->AnalyzeBlock(1, block.data(), kValues, 44100, 2, spectrum.data()), 1);
  const double histogramTotal = detector->Evidence().cutoffCount[0];

  std::fill(spectrum.begin(), spectrum.end(), -7.0);
  EXPECT_EQ(detector->AnalyzeBlock(1, block.data(), kValues - 1, 44100, 2, spectrum.data()), 0);
  EXPECT_EQ(detector->AnalyzeBlock(1, nullptr, kValues, 44100, 2, spectrum.data()), 0);
  EXPECT_EQ(detector->AnalyzeBlock(1, block.data(), kValues, 44100, 0, spectrum.data()), 0);
  EXPECT_EQ(detector->Evidence().spectrumCount, 2);  // no reset happened
  EXPECT_EQ(detector->Evidence().cutoffCount[0], histogramTotal);
  EXPECT_TRUE(std::all_of(spectrum.begin(), spectrum.end(), [](double v) { return v == -7.0; }));
}

// A silent first block clears the previous track's evidence and is refused, but its spectra are shown
// (all zero) and go into the log sums.
TEST(TrackDetector, SilentBlockClearsThenCountsOnlyForTheLogSums) {
  auto detector = TrackDetector::Create();
  ASSERT_EQ(Feed(*detector, NoiseBlocks(3, 2)), 3);
  ASSERT_GT(detector->Evidence().cutoffCount[0], 0.0);
  ASSERT_LT(detector->Evidence().minPhaseSpread, 10.0);

  const std::vector<std::int16_t> silence(kValues, 0);
  std::vector<double> spectrum(2 * kBins, -7.0);
  EXPECT_EQ(detector->AnalyzeBlock(1, silence.data(), kValues, 44100, 2, spectrum.data()), 0);
  EXPECT_TRUE(std::all_of(spectrum.begin(), spectrum.end(), [](double v) { return v == 0.0; }));
  const TrackEvidence& evidence = detector->Evidence();
  EXPECT_EQ(evidence.spectrumCount, 2);
  EXPECT_EQ(evidence.logSum[100], 2 * std::log10(0.000244140625));
  EXPECT_EQ(evidence.cutoffCount, (std::array<double, 4>{0, 0, 0, 0}));
  EXPECT_EQ(evidence.minPhaseSpread, 10.0);
  EXPECT_EQ(std::count(evidence.cutoffHistogram[0].begin(), evidence.cutoffHistogram[0].end(), 0.0), kHistogramSize);
}

TEST(TrackDetector, WithoutSpectrumBufferOnlyTheLogSumsStayEmpty) {
  auto detector = TrackDetector::Create();
  EXPECT_EQ(Feed(*detector, NoiseBlocks(4, 3), false), 4);
  EXPECT_EQ(detector->Evidence().spectrumCount, 0);
  EXPECT_EQ(detector->Evidence().logSum[1000], 0.0);
  EXPECT_EQ(detector->Evidence().cutoffCount[0], 4.0);
  EXPECT_LT(detector->Evidence().minPhaseSpread, 10.0);
}

// Each detector owns its work arrays: detectors on separate threads give the bits of a lone one.
TEST(TrackDetector, SeparateDetectorsRunInParallel) {
  const auto track = NoiseBlocks(TrackDetector::kMinimumBlocks, 4);
  TrackDetector alone;
  ASSERT_EQ(Feed(alone, track), TrackDetector::kMinimumBlocks);
  const TrackResult expected = alone.FinishTrack();

  TrackResult results[2];
  std::vector<std::thread> threads;
  for (TrackResult& result : results) {
    threads.emplace_back([&track, &result] {
      TrackDetector detector;
      Feed(detector, track);
      result = detector.FinishTrack();
    });
  }
  for (auto& thread : threads) thread.join();
  for (const TrackResult& result : results) ExpectSameResult(result, expected);
}

}  // namespace
}  // namespace ossel
