#include "detector/stage_network.h"

namespace ossel {
namespace {

// Clipping as comparisons, so that a value that is not a number passes through unchanged.
double Clip(double x) {
  if (x < -1.0) return -1.0;
  if (x > 1.0) return 1.0;
  return x;
}

}  // namespace

double StageNetwork(const FeatureVector& f, int stage) {
  const StageParameters& set = StageParameterSet(stage);
  FeatureVector x;
  for (int i = 0; i < kFeatureCount; ++i) x[i] = Clip((f[i] - set.inputCentre[i]) * set.inputScale[i]);

  double output = 0.0;
  for (int h = 0; h < kHiddenUnits; ++h) {
    double sum = 0.0;
    for (int i = 0; i < kFeatureCount; ++i) sum += set.hiddenWeight[h][i] * x[i];
    const double y = set.hiddenGain[h] * sum;
    const double z = Clip((y - set.hiddenCentre[h]) * set.hiddenScale[h]);
    output += set.outputWeight[h] * z;
  }
  const double y = set.outputGain * output;
  return (y - set.outputCentre) * set.outputScale;
}

int LikelihoodIndex(double score) {
  const double position = (score + 1) * 100.5;
  if (position != position) return 0;
  if (position < 1.0) return 0;  // truncates to 0 or below
  if (position >= kLikelihoodEntries - 1) return kLikelihoodEntries - 1;
  return static_cast<int>(position);
}

StageOutcome DecideOnLikelihoods(double cddaLikelihood, double mpegLikelihood) {
  const double lc = cddaLikelihood;
  const double lm = mpegLikelihood;
  StageOutcome outcome;
  outcome.cddaLikelihood = lc;
  outcome.mpegLikelihood = lm;
  outcome.contrast = Clip((2 * lc - lm) / (2 * lc + lm));
  const double t = 1 / (lc + lm);
  const double pc = lc * t;
  const double pm = lm * t;
  if (pm * 0.5 < pc) {
    outcome.decision = 1;
    outcome.probability = pc;
  } else {
    outcome.decision = 0;
    outcome.probability = pm;
  }
  return outcome;
}

StageOutcome StageDecision(double score, int stage) {
  const StageParameters& set = StageParameterSet(stage);
  const int j = LikelihoodIndex(score);
  return DecideOnLikelihoods(set.cddaLikelihoodTable[j], set.mpegLikelihoodTable[j]);
}

}  // namespace ossel
