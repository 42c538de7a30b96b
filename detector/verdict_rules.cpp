#include "detector/verdict_rules.h"

namespace ossel {
namespace {

constexpr double kShortcutPhaseSpread = 0.05;
constexpr double kShortcutMeanGap = 4500.0;
constexpr double kShortcutProbability = 0.95;
constexpr double kShortcutCddaLikelihood = 0.05;  // the literal, not 1 - 0.95, which differs in the last bits
constexpr double kConfirmedScore = -0.53;  // stage 2 scores below this confirm a genuine track

void Multiply(DiscLikelihoods& disc, double mpegLikelihood, double cddaLikelihood) {
  disc.mpeg *= mpegLikelihood;
  disc.cdda *= cddaLikelihood;
}

double Code(Verdict verdict) { return static_cast<double>(verdict); }

}  // namespace

const char* VerdictWord(Verdict verdict) {
  switch (verdict) {
    case Verdict::Mpeg: return "MPEG";
    case Verdict::Cdda: return "CDDA";
    default: return "UNKN";
  }
}

Verdict VerdictFromCode(double code) {
  if (code == 0.0) return Verdict::Mpeg;
  if (code == 1.0) return Verdict::Cdda;
  return Verdict::Unknown;
}

// A track whose top spectrum has almost no phase spread and whose strong and weak cutoffs agree is settled
// at once; otherwise stages 0 and 1 (and 2 when enabled) run until one of them says lossy.
void JudgeTrack(const FeatureVector& features, bool thirdStageEnabled, TrackResult& result, DiscLikelihoods& disc) {
  result.stagesDone = 0;
  if (result.minPhaseSpread < kShortcutPhaseSpread && result.cutoffMeanGap12 < kShortcutMeanGap) {
    result.verdict = Code(Verdict::Mpeg);
    result.stageProbability[0] = kShortcutProbability;
    result.stageContrast = -1.0;
    Multiply(disc, kShortcutProbability, kShortcutCddaLikelihood);
    return;
  }

  const int lastStage = thirdStageEnabled ? 2 : 1;
  StageOutcome outcome;
  for (int stage = 0; stage <= lastStage; ++stage) {
    const double score = StageNetwork(features, stage);
    outcome = StageDecision(score, stage);
    result.stageScore[stage] = score;
    result.stageProbability[stage] = outcome.probability;
    result.stageContrast = outcome.contrast;
    result.stagesDone = stage + 1;

    if (stage == 2) {
      // The confirming stage judges by its score alone; its likelihoods always count for the disc.
      Multiply(disc, outcome.mpegLikelihood, outcome.cddaLikelihood);
      result.verdict = Code(score < kConfirmedScore ? Verdict::Cdda : Verdict::Unknown);
      return;
    }
    if (outcome.decision == 0) {
      // Looks lossy; a strong high-frequency peak leaves the track undecided and out of the disc verdict.
      if (result.hfPeakValue > 0) {
        result.verdict = Code(Verdict::Unknown);
      } else {
        result.verdict = Code(Verdict::Mpeg);
        Multiply(disc, outcome.mpegLikelihood, outcome.cddaLikelihood);
      }
      return;
    }
    result.verdict = Code(Verdict::Cdda);
  }
  // Both stages said genuine and no third stage runs.
  Multiply(disc, outcome.mpegLikelihood, outcome.cddaLikelihood);
}

Verdict JudgeDisc(const DiscLikelihoods& disc, double& probability) {
  const double m = disc.mpeg;
  const double c = disc.cdda;
  if (2 * c < m) {
    probability = m / (m + c);
    return Verdict::Mpeg;
  }
  if (2 * m < c) {
    probability = c / (m + c);
    return Verdict::Cdda;
  }
  probability = (m != 0 || c != 0) ? c / (m + c) : 0.0;
  return Verdict::Unknown;
}

}  // namespace ossel
