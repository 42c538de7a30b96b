#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace ossel {

constexpr int kCutoffDetectors = 4;
constexpr int kHistogramSize = 30000;  // index = frequency in whole hertz
constexpr int kSpectrumBins = 4096;

// What the blocks of one track leave for the track's verdict. Cleared by a track's first block.
struct TrackEvidence {
  TrackEvidence();

  void Clear();

  std::int32_t spectrumCount = 0;   // channel spectra accumulated, two per stereo block
  std::vector<double> logSum;       // per display bin: sum of log10(q + 2^-12); the mean after FinishTrack
  std::vector<double> logSquareSum; // per display bin: sum of its square; the mean square after FinishTrack
  double minPhaseSpread = 10.0;     // smallest positive block phase spread
  std::array<std::vector<double>, kCutoffDetectors> cutoffHistogram;  // detectors 1 .. 4
  std::array<double, kCutoffDetectors> cutoffCount{};                 // blocks in which detector n fired
  std::vector<double> cutoffMovingSum;  // 200-wide moving sum of histogram 1, rebuilt by FinishTrack
};

}  // namespace ossel
