// Track features from hand-made evidence.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "detector/track_features.h"

namespace ossel {
namespace {

constexpr double kBinHertz = 5.38330078125;

TEST(TrackFeatures, EmptyEvidence) {
  TrackEvidence evidence;
  evidence.spectrumCount = 2;
  TrackResult result;
  const FeatureVector f = ComputeTrackFeatures(evidence, result);
  EXPECT_EQ(result.cutoffMean1, 0.0);
  EXPECT_EQ(result.cutoffMean4, 0.0);
  EXPECT_EQ(result.cutoffMeanGap12, 0.0);
  EXPECT_EQ(result.cutoffMeanGap34, 0.0);
  EXPECT_EQ(result.cutoffPeakPosition, 29899.0);  // ties favour the highest position
  EXPECT_EQ(result.cutoffRatio21, 0.0);
  EXPECT_EQ(result.cutoffRatio43, 0.0);
  EXPECT_EQ(result.minPhaseSpread, 10.0);
  EXPECT_EQ(f, (FeatureVector{0, 0, 0, 0, 29899, 10, 0, 0}));
  // A flat mean spectrum has no local maximum: every candidate is -1, so the first one stays.
  EXPECT_EQ(result.hfPeakValue, -1.0);
  EXPECT_EQ(result.hfPeakFrequency, 2000 * kBinHertz);
  EXPECT_EQ(result.hfPeakFrequency, 10766.6015625);
}

TEST(TrackFeatures, AllCountsAtOneFrequency) {
  for (int f : {1028, 5000, 21990}) {
    TrackEvidence evidence;
    evidence.spectrumCount = 2;
    evidence.cutoffHistogram[0][f] = 7.0;
    evidence.cutoffHistogram[1][f] = 3.0;
    evidence.cutoffHistogram[2][f + 1] = 5.0;
    evidence.cutoffHistogram[3][99] = 4.0;  // below the range of the means
    evidence.cutoffCount = {7.0, 3.0, 5.0, 4.0};
    TrackResult result;
    const FeatureVector features = ComputeTrackFeatures(evidence, result);
    EXPECT_EQ(result.cutoffMean1, f);
    EXPECT_EQ(result.cutoffMean2, f);
    EXPECT_EQ(result.cutoffMean3, f + 1);
    EXPECT_EQ(result.cutoffMean4, 0.0);
    EXPECT_EQ(result.cutoffMeanGap12, 0.0);
    EXPECT_EQ(result.cutoffMeanGap34, f + 1);
    // The moving sum of histogram 1 is 7 from f - 99 to f + 100; the highest of the tie wins.
    EXPECT_EQ(result.cutoffPeakPosition, f + 100);
    EXPECT_EQ(evidence.cutoffMovingSum[f - 99], 7.0);
    EXPECT_EQ(evidence.cutoffMovingSum[f - 100], 0.0);
    EXPECT_EQ(evidence.cutoffMovingSum[f + 101], 0.0);
    EXPECT_DOUBLE_EQ(result.cutoffRatio21, 3.0 / 7.0);
    EXPECT_DOUBLE_EQ(result.cutoffRatio43, 4.0 / 5.0);
    EXPECT_EQ(features[4], f + 100);
    EXPECT_DOUBLE_EQ(features[6], 3.0 / 7.0);
  }
}

// A mean log spectrum of smooth bumps (variance 1 everywhere); W of the bump is (V - S) / (V + S)
// with V and S from the five-bin and the 400-bin neighbourhoods.
struct Bump {
  std::vector<double> mean = std::vector<double>(kSpectrumBins, 0.0);
  std::vector<double> meanSquare = std::vector<double>(kSpectrumBins, 1.0);

  void Add(int centre, double height) {
    for (int o = -10; o <= 10; ++o) mean[centre + o] += height * (1.0 - std::abs(o) / 11.0);
    for (int k = 0; k < kSpectrumBins; ++k) meanSquare[k] = mean[k] * mean[k] + 1.0;
  }

  double W(int l) const {
    double near = 0, nearSquare = 0, far = 0, farSquare = 0;
    for (int o = -2; o <= 2; ++o) {
      near += mean[l + o];
      nearSquare += meanSquare[l + o];
    }
    for (int o = -250; o < 250; ++o) {
      if (o > -51 && o < 50) continue;
      far += mean[l + o];
      farSquare += meanSquare[l + o];
    }
    near /= 5, nearSquare /= 5, far /= 400, farSquare /= 400;
    const double s = far + 0.4 * std::sqrt(farSquare - far * far);
    const double v = std::max(0.0, near - 0.4 * std::sqrt(nearSquare - near * near));
    return (v - s) / (v + s);
  }
};

TEST(HighFrequencyPeak, StrongestPeakMeasuredAgainstBinTwoThousand) {
  Bump spectrum;
  spectrum.Add(2600, 3.0);
  spectrum.Add(3300, 6.0);
  const HighFrequencyPeak peak = FindHighFrequencyPeak(spectrum.mean, spectrum.meanSquare);
  // Bin 2000 is no local maximum (reference -1), so the values are W themselves.
  EXPECT_DOUBLE_EQ(peak.value, spectrum.W(3300));
  EXPECT_GT(peak.value, 0.0);
  EXPECT_EQ(peak.frequency, 3300 * kBinHertz);
}

// With a real peak at bin 2000 the reference is its positive W: every plain bin (W = -1) then scores
// 1 / reference and the first one after bin 2000 wins, whatever peaks follow.
TEST(HighFrequencyPeak, PositiveReferenceTurnsTheScaleOver) {
  Bump spectrum;
  spectrum.Add(2000, 4.0);
  spectrum.Add(3300, 8.0);
  const double reference = spectrum.W(2000);
  ASSERT_GT(reference, 0.0);
  const HighFrequencyPeak peak = FindHighFrequencyPeak(spectrum.mean, spectrum.meanSquare);
  EXPECT_DOUBLE_EQ(peak.value, -1.0 * (-1 / reference));
  EXPECT_EQ(peak.frequency, 2001 * kBinHertz);
}

// A peak at bin 2000 over a spectrum of zeros, with so much spread of its own that V is clipped to 0, while
// S is 0 too: the reference is not a number, no candidate beats -10 and the bin stays -1.
TEST(HighFrequencyPeak, NotANumberNeverWins) {
  std::vector<double> mean(kSpectrumBins, 0.0), meanSquare(kSpectrumBins, 0.0);
  const double shape[5] = {1, 2, 3, 2, 1};
  for (int o = 0; o < 5; ++o) {
    mean[1998 + o] = shape[o];
    meanSquare[1998 + o] = 100.0;
  }
  const HighFrequencyPeak peak = FindHighFrequencyPeak(mean, meanSquare);
  EXPECT_EQ(peak.value, -10.0);
  EXPECT_EQ(peak.frequency, -kBinHertz);
}

}  // namespace
}  // namespace ossel
