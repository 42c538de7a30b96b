#include "detector/block_evidence.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "spectrum/vector2.h"

namespace ossel {
namespace {

constexpr double kLogFloor = 0.000244140625;  // 2^-12
constexpr int kPhaseFirst = 7792;
constexpr int kPhaseLast = 8190;
constexpr double kInversePhaseCount = 0.002506265664160401;  // 1 / 399
constexpr int kCutoffBinOffset = 4106;

}  // namespace

void AccumulateSpectrum(TrackEvidence& evidence, const double* displaySpectrum) {
  double* sum = evidence.logSum.data();
  double* squareSum = evidence.logSquareSum.data();
  for (int k = 0; k < kSpectrumBins; ++k) {
    const double l = std::log10(displaySpectrum[k] + kLogFloor);
    sum[k] += l;
    squareSum[k] += l * l;
  }
  evidence.spectrumCount += 1;
}

double PhaseSpread(const double* c) {
  double previous = 0.0;
  double s1 = 0.0;
  double s2 = 0.0;
  for (int i = kPhaseFirst; i <= kPhaseLast; ++i) {
    // The real part is the first argument.
    const double angle = std::atan2(c[2 * i], c[2 * i + 1]);
    const double step = angle - previous;
    s1 += step;
    s2 += step * step;
    previous = angle;
  }
  return std::sqrt((s2 - s1 * s1) * kInversePhaseCount);
}

void RecordPhaseSpread(TrackEvidence& evidence, double spread) {
  if (spread > 0 && spread < evidence.minPhaseSpread) evidence.minPhaseSpread = spread;
}

CutoffScanner::CutoffScanner() {
  const std::size_t size = 2 * (kTop - kLowest + 1);
  for (auto* buffer : {&pairs_, &maxUp_, &minUp_, &maxDown_, &minDown_}) buffer->resize(size);
}

// bottom and top are relative to kLowest.
void CutoffScanner::PrepareBlock(const double* magnitudes, int bottom, int top) {
  const double* m = magnitudes + kLowest;
  for (int i = bottom; i <= top; ++i) Store2(&pairs_[2 * i], V2{std::log(1 + m[i]), m[i]});

  V2 high = Load2(&pairs_[2 * bottom]);
  V2 low = high;
  for (int i = bottom; i <= top; ++i) {
    const V2 v = Load2(&pairs_[2 * i]);
    high = Max(high, v);
    low = Min(low, v);
    Store2(&maxUp_[2 * i], high);
    Store2(&minUp_[2 * i], low);
  }
  high = low = Load2(&pairs_[2 * top]);
  for (int i = top; i >= bottom; --i) {
    const V2 v = Load2(&pairs_[2 * i]);
    high = Max(high, v);
    low = Min(low, v);
    Store2(&maxDown_[2 * i], high);
    Store2(&minDown_[2 * i], low);
  }
}

CutoffPositions CutoffScanner::Scan(const double* magnitudes) {
  // Window ranges of the pair; a range is max - min, never negative, so it is its own absolute value.
  const auto range = [this](int start) {
    const int end = start + kWidth - 1;
    return Max(Load2(&maxDown_[2 * start]), Load2(&maxUp_[2 * end])) -
           Min(Load2(&minDown_[2 * start]), Load2(&minUp_[2 * end]));
  };
  const V2 weakFactor{1.3, 1.2};    // detectors 1 (ln) and 3 (M)
  const V2 strongFactor{1.9, 2.4};  // detectors 2 (ln) and 4 (M)

  CutoffPositions fired = {-1, -1, -1, -1};
  int prepared = kTop - kLowest + 1;  // lowest prepared index; blocks are aligned to the top
  for (int p = kTop; p >= kBottom; --p) {
    const int upper = p - (kWidth - 1) - kLowest;
    const int lower = upper - kLowerOffset;
    while (lower < prepared) {
      const int top = prepared - 1;
      prepared = std::max(top - (kWidth - 1), 0);
      PrepareBlock(magnitudes, prepared, top);
    }
    const V2 a = range(lower);
    const V2 b = range(upper);
    const auto weak = a > weakFactor * b;
    const auto strong = a > strongFactor * b;
    const bool fires[kCutoffDetectors] = {weak[0] != 0, strong[0] != 0, weak[1] != 0, strong[1] != 0};
    for (int n = 0; n < kCutoffDetectors; ++n) {
      if (fired[n] < 0 && fires[n]) fired[n] = p;
    }
    if (fired[0] >= 0 && fired[1] >= 0 && fired[2] >= 0) break;
  }
  return fired;
}

void RecordCutoffs(TrackEvidence& evidence, const CutoffPositions& positions, unsigned sampleRate) {
  for (int n = 0; n < kCutoffDetectors; ++n) {
    if (positions[n] < 0) continue;
    const std::uint32_t bin = (static_cast<std::uint32_t>(positions[n] - kCutoffBinOffset) * sampleRate) >> 13;
    if (bin >= static_cast<std::uint32_t>(kHistogramSize)) continue;
    evidence.cutoffHistogram[n][bin] += 1.0;
    evidence.cutoffCount[n] += 1.0;
  }
}

}  // namespace ossel
