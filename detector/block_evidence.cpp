#include "detector/block_evidence.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "spectrum/vector2.h"
#include "spectrum/vector_arrays.h"
#include "spectrum/vector_log.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace ossel {
namespace {

constexpr double kLogFloor = 0.000244140625;  // 2^-12
constexpr double kInversePhaseCount = 0.002506265664160401;  // 1 / 399
constexpr int kCutoffBinOffset = 4106;

// A comparison of pairs as two bits: lane 0 as bit 0, lane 1 as bit 1.
template <typename Mask>
inline unsigned Bits(Mask mask) {
#ifdef __SSE2__
  return static_cast<unsigned>(_mm_movemask_pd(reinterpret_cast<V2>(mask)));
#else
  return (mask[0] != 0 ? 1u : 0u) | (mask[1] != 0 ? 2u : 0u);
#endif
}

// Detector n + 1 as a bit of the scan's masks: the weak pair (1, 3) in bits 0 and 1, the strong pair (2, 4) in 2
// and 3.
constexpr unsigned kDetectorBit[kCutoffDetectors] = {1, 4, 2, 8};

}  // namespace

void AccumulateSpectrum(TrackEvidence& evidence, const double* displaySpectrum) {
  // A piece at a time, so that its logarithms are still at hand when they are added.
  constexpr std::size_t kPiece = 512;
  static_assert(kSpectrumBins % kPiece == 0);
  double logs[kPiece];
  for (std::size_t k = 0; k < kSpectrumBins; k += kPiece) {
    DecimalLogOfSum(displaySpectrum + k, kLogFloor, logs, kPiece);
    AddValuesAndSquares(logs, evidence.logSum.data() + k, evidence.logSquareSum.data() + k, kPiece);
  }
  evidence.spectrumCount += 1;
}

double PhaseSpread(const double* c) {
  double previous = 0.0;
  double s1 = 0.0;
  double s2 = 0.0;
  for (int i = 0; i < kPhaseCount; ++i) {
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
  logs_.resize(kTop - kLowest + 1);
  ranges_.resize(size);
}

// bottom and top are relative to kLowest.
void CutoffScanner::PrepareBlock(const double* fromLowest, int bottom, int top) {
  const double* m = fromLowest;
  double* logs = logs_.data();
  NaturalLogOfSum(m + bottom, 1.0, logs + bottom, static_cast<std::size_t>(top - bottom + 1));
  for (int i = bottom; i <= top; ++i) Store2(&pairs_[2 * i], V2{logs[i], m[i]});

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

CutoffPositions CutoffScanner::Scan(const double* fromLowest) {
  // Window ranges of the pair; a range is max - min, never negative, so it is its own absolute value.
  const auto range = [this](int start) {
    const int end = start + kWidth - 1;
    return Max(Load2(&maxDown_[2 * start]), Load2(&maxUp_[2 * end])) -
           Min(Load2(&minDown_[2 * start]), Load2(&minUp_[2 * end]));
  };
  const V2 weakFactor{1.3, 1.2};    // detectors 1 (ln) and 3 (M)
  const V2 strongFactor{1.9, 2.4};  // detectors 2 (ln) and 4 (M)

  // The lower window at p is the upper window at p - kLowerOffset: each range is taken once, as a lower
  // window, and kept for the position where it is the upper one.
  CutoffPositions fired = {-1, -1, -1, -1};
  unsigned pending = 0xF;             // bit n: detector n + 1 has not fired yet
  int prepared = kTop - kLowest + 1;  // lowest prepared index; blocks are aligned to the top
  for (int p = kTop; p >= kBottom; --p) {
    const int upper = p - (kWidth - 1) - kLowest;
    const int lower = upper - kLowerOffset;
    while (lower < prepared) {
      const int top = prepared - 1;
      prepared = std::max(top - (kWidth - 1), 0);
      PrepareBlock(fromLowest, prepared, top);
    }
    const V2 a = range(lower);
    Store2(&ranges_[2 * lower], a);
    const V2 b = p > kTop - kLowerOffset ? range(upper) : Load2(&ranges_[2 * upper]);
    const unsigned fires = Bits(a > weakFactor * b) | (Bits(a > strongFactor * b) << 2);  // detectors 1, 3, 2, 4
    if (__builtin_expect((fires & pending) == 0, 1)) continue;
    for (int n = 0; n < kCutoffDetectors; ++n) {
      const unsigned bit = kDetectorBit[n];
      if ((pending & bit) != 0 && (fires & bit) != 0) fired[n] = p;
    }
    pending &= ~fires;
    if ((pending & (kDetectorBit[0] | kDetectorBit[1] | kDetectorBit[2])) == 0) break;
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
