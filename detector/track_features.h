#pragma once

#include <vector>

#include "detector/stage_network.h"
#include "detector/track_result.h"
#include "detector/track_evidence.h"

namespace ossel {

// Weighted mean position of a histogram over positions 100 .. 29999; 0 when it is empty there.
double CutoffMean(const std::vector<double>& histogram);

// Rebuilds movingSum[k] (k = 101 .. 29899) as the sum of histogram[k-100 .. k+99] and returns the position
// of its largest value, the highest one on ties (29899 for an empty histogram).
double MovingSumPeak(const std::vector<double>& histogram, std::vector<double>& movingSum);

struct HighFrequencyPeak {
  double value = 0.0;
  double frequency = 0.0;
};

// The strongest local maximum of the mean log spectrum between bins 2000 and 3795, measured against its
// far neighbourhood and scaled so that the value at bin 2000 is -1.
HighFrequencyPeak FindHighFrequencyPeak(const std::vector<double>& mean, const std::vector<double>& meanSquare);

// Turns the evidence into the descriptive fields of the result and the stage networks' feature vector.
// Changes the evidence: the log sums become means and the moving sum is rebuilt.
FeatureVector ComputeTrackFeatures(TrackEvidence& evidence, TrackResult& result);

}  // namespace ossel
