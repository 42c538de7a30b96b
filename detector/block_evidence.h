#pragma once

#include <array>
#include <vector>

#include "detector/track_evidence.h"

namespace ossel {

// Adds one channel's display spectrum q (kSpectrumBins values) to the track's log sums.
void AccumulateSpectrum(TrackEvidence& evidence, const double* displaySpectrum);

// The positions of the complex spectrum C whose phases are spread.
inline constexpr int kPhaseFirst = 7792;
inline constexpr int kPhaseLast = 8190;
inline constexpr int kPhaseCount = kPhaseLast - kPhaseFirst + 1;

// Spread of the phase steps over the top of the complex spectrum C: `top` holds its entries from kPhaseFirst to
// kPhaseLast, interleaved. Not a number when the variance term comes out negative.
double PhaseSpread(const double* top);

// Keeps the smallest positive spread.
void RecordPhaseSpread(TrackEvidence& evidence, double spread);

// First (highest) position of each cutoff detector, -1 where it did not fire.
using CutoffPositions = std::array<int, kCutoffDetectors>;

// The cutoff search over the magnitude array M. Going down from the top, at position p the lower window
// W = [p-124, p-25] is compared with the upper window U = [p-99, p]: detectors 1 and 2 compare the ranges
// of ln(1 + M) with factors 1.3 and 1.9, detectors 3 and 4 the ranges of M with factors 1.2 and 2.4. The
// search stops after the position at which detectors 1, 2 and 3 have all fired.
//
// The range of a window comes from running extremes inside blocks of the window width (a window covers the
// upper part of one block and the lower part of the next), made only as far down as the search goes. The
// two arrays are handled as pairs (ln(1 + M), M). The work buffers are made once.
class CutoffScanner {
 public:
  static constexpr int kTop = 8191;
  static constexpr int kBottom = 4297;
  static constexpr int kWidth = 100;
  static constexpr int kLowerOffset = 25;
  static constexpr int kLowest = kBottom - (kWidth - 1) - kLowerOffset;  // lowest position read

  CutoffScanner();

  // fromLowest[i]: the magnitude at position kLowest + i, up to kTop.
  CutoffPositions Scan(const double* fromLowest);

 private:
  void PrepareBlock(const double* fromLowest, int bottom, int top);

  // Two doubles per position - kLowest: the pair, and its extremes from the bottom of its block up to it
  // and from it up to the top of its block.
  std::vector<double> pairs_;
  std::vector<double> maxUp_, minUp_, maxDown_, minDown_;
  std::vector<double> logs_;    // ln(1 + M) per position - kLowest
  std::vector<double> ranges_;  // the pair's window ranges per window start - kLowest
};

// Adds each fired detector's frequency, ((p - 4106) * sampleRate) >> 13 in unsigned 32-bit arithmetic, to
// its histogram and counts the block; a frequency outside the histogram is not counted.
void RecordCutoffs(TrackEvidence& evidence, const CutoffPositions& positions, unsigned sampleRate);

}  // namespace ossel
