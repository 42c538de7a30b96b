#include "detector/track_evidence.h"

#include <algorithm>

namespace ossel {

TrackEvidence::TrackEvidence()
    : logSum(kSpectrumBins), logSquareSum(kSpectrumBins), cutoffMovingSum(kHistogramSize) {
  for (auto& histogram : cutoffHistogram) histogram.assign(kHistogramSize, 0.0);
}

void TrackEvidence::Clear() {
  spectrumCount = 0;
  std::fill(logSum.begin(), logSum.end(), 0.0);
  std::fill(logSquareSum.begin(), logSquareSum.end(), 0.0);
  minPhaseSpread = 10.0;
  for (auto& histogram : cutoffHistogram) std::fill(histogram.begin(), histogram.end(), 0.0);
  cutoffCount.fill(0.0);
  std::fill(cutoffMovingSum.begin(), cutoffMovingSum.end(), 0.0);
}

}  // namespace ossel
