#pragma once

#include "detector/stage_network.h"
#include "detector/track_result.h"

namespace ossel {

// The shortcut and the stage cascade. result must carry the descriptive fields (minPhaseSpread,
// cutoffMeanGap12, hfPeakValue); fills the stage fields and the verdict and multiplies the disc likelihoods
// of the decisive stage in, except for a track left undecided by a high-frequency peak.
void JudgeTrack(const FeatureVector& features, bool thirdStageEnabled, TrackResult& result, DiscLikelihoods& disc);

// The disc verdict and its probability (the genuine share for an undecided disc).
Verdict JudgeDisc(const DiscLikelihoods& disc, double& probability);

}  // namespace ossel
