#pragma once

#include <array>

#include "detector/stage_parameters.h"

namespace ossel {

using FeatureVector = std::array<double, kFeatureCount>;

// Outcome of one stage's decision on a network score.
struct StageOutcome {
  int decision = 0;           // 1 = looks genuine, 0 = looks lossy
  double probability = 0.0;   // share of the winning class
  double mpegLikelihood = 0.0;  // Lm
  double cddaLikelihood = 0.0;  // Lc
  double contrast = 0.0;      // (2 Lc - Lm) / (2 Lc + Lm), clipped to [-1, 1]
};

// The stage network: clipped scaled inputs, clipped hidden units, an unclipped linear score.
double StageNetwork(const FeatureVector& f, int stage);

// Index of a score in a likelihood table: (score + 1) * 100.5 truncated toward zero and held to 0 .. 200;
// a score that is not a number gives 0.
int LikelihoodIndex(double score);

// The decision between the two likelihoods of a score: genuine when the genuine likelihood is more than
// half the lossy one.
StageOutcome DecideOnLikelihoods(double cddaLikelihood, double mpegLikelihood);

// Looks the score up in the stage's likelihood tables and decides.
StageOutcome StageDecision(double score, int stage);

}  // namespace ossel
