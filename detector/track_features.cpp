#include "detector/track_features.h"

#include <cmath>

#include "spectrum/block_spectrum.h"

namespace ossel {
namespace {

constexpr int kMeanFirst = 100;
constexpr int kMovingFirst = 101;
constexpr int kMovingLast = 29899;
constexpr int kPeakFirstBin = 2000;
constexpr int kPeakLastBin = 3795;
constexpr double kBinHertz = BlockSpectrum::kBinHertz;

double NearAverage(const std::vector<double>& values, int bin) {
  double sum = 0.0;
  for (int o = -2; o <= 2; ++o) sum += values[bin + o];
  return sum / 5;
}

// 200 bins on each side, leaving out the 100 bins around the centre.
double FarAverage(const std::vector<double>& values, int bin) {
  double sum = 0.0;
  for (int o = -250; o <= -51; ++o) sum += values[bin + o];
  for (int o = 50; o <= 249; ++o) sum += values[bin + o];
  return sum / 400;
}

void SpectrumMeans(TrackEvidence& evidence) {
  const double count = evidence.spectrumCount;
  for (int k = 0; k < kSpectrumBins; ++k) {
    evidence.logSum[k] = evidence.logSum[k] / count;
    evidence.logSquareSum[k] = evidence.logSquareSum[k] / count;
  }
}

}  // namespace

double CutoffMean(const std::vector<double>& histogram) {
  double total = 0.0;
  double weighted = 0.0;
  for (int j = kMeanFirst; j < kHistogramSize; ++j) {
    total += histogram[j];
    weighted += j * histogram[j];
  }
  return total > 0 ? weighted / total : 0.0;
}

double MovingSumPeak(const std::vector<double>& histogram, std::vector<double>& movingSum) {
  double sum = 0.0;
  for (int i = 1; i <= 200; ++i) sum += histogram[i];
  movingSum[kMovingFirst] = sum;
  for (int k = kMovingFirst + 1; k <= kMovingLast; ++k) {
    movingSum[k] = movingSum[k - 1] - histogram[k - 101] + histogram[k + 99];
  }
  double best = 0.0;
  double position = 0.0;
  for (int k = kMovingFirst; k <= kMovingLast; ++k) {
    if (movingSum[k] >= best) {
      best = movingSum[k];
      position = k;
    }
  }
  return position;
}

HighFrequencyPeak FindHighFrequencyPeak(const std::vector<double>& mean, const std::vector<double>& meanSquare) {
  double best = -10.0;
  int bestBin = -1;
  double reference = 0.0;
  // The near mean of bin 3796 serves as the upper neighbour of the last candidate.
  double nearBelow = NearAverage(mean, kPeakFirstBin - 1);
  double near = NearAverage(mean, kPeakFirstBin);
  for (int l = kPeakFirstBin; l <= kPeakLastBin; ++l) {
    const double nearAbove = NearAverage(mean, l + 1);
    const double far = FarAverage(mean, l);
    const double s = far + 0.4 * std::sqrt(FarAverage(meanSquare, l) - far * far);
    double v = near - 0.4 * std::sqrt(NearAverage(meanSquare, l) - near * near);
    if (v < 0) v = 0;
    const double w = (near > nearBelow && near > nearAbove) ? (v - s) / (v + s) : -1.0;
    if (l == kPeakFirstBin) reference = w;
    const double scaled = w * (-1 / reference);
    if (scaled > best) {
      best = scaled;
      bestBin = l;
    }
    nearBelow = near;
    near = nearAbove;
  }
  return {best, bestBin * kBinHertz};
}

FeatureVector ComputeTrackFeatures(TrackEvidence& evidence, TrackResult& result) {
  const auto& h = evidence.cutoffHistogram;
  result.cutoffMean1 = CutoffMean(h[0]);
  result.cutoffMean2 = CutoffMean(h[1]);
  result.cutoffMean3 = CutoffMean(h[2]);
  result.cutoffMean4 = CutoffMean(h[3]);
  result.cutoffMeanGap12 = std::fabs(result.cutoffMean2 - result.cutoffMean1);
  result.cutoffMeanGap34 = std::fabs(result.cutoffMean3 - result.cutoffMean4);
  result.cutoffPeakPosition = MovingSumPeak(h[0], evidence.cutoffMovingSum);

  SpectrumMeans(evidence);
  const HighFrequencyPeak peak = FindHighFrequencyPeak(evidence.logSum, evidence.logSquareSum);
  result.hfPeakValue = peak.value;
  result.hfPeakFrequency = peak.frequency;

  result.minPhaseSpread = evidence.minPhaseSpread;
  result.cutoffCount1 = evidence.cutoffCount[0];
  result.cutoffCount2 = evidence.cutoffCount[1];
  result.cutoffCount3 = evidence.cutoffCount[2];
  result.cutoffCount4 = evidence.cutoffCount[3];
  result.cutoffRatio21 = result.cutoffCount1 > 0 ? result.cutoffCount2 / result.cutoffCount1 : 0.0;
  result.cutoffRatio43 = result.cutoffCount3 > 0 ? result.cutoffCount4 / result.cutoffCount3 : 0.0;

  return {result.cutoffMean1,        result.cutoffMean2,   result.cutoffMean3,   result.cutoffMean4,
          result.cutoffPeakPosition, result.minPhaseSpread, result.cutoffRatio21, result.cutoffRatio43};
}

}  // namespace ossel
