// The built-in parameter sets, the stage network and the stage decision.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "detector/stage_network.h"
#include "detector/stage_parameters.h"

namespace ossel {
namespace {

struct TableCheck {
  double sum;
  int positive;
};

TableCheck Check(const LikelihoodTable& table) {
  TableCheck check{0.0, 0};
  for (double v : table) {
    check.sum += v;
    if (v > 0) ++check.positive;
  }
  return check;
}

struct WeightCheck {
  double hiddenSum = 0, hiddenAbsSum = 0, outputSum = 0, centreSum = 0;
};

WeightCheck Weights(const StageParameters& set) {
  WeightCheck check;
  for (const auto& unit : set.hiddenWeight) {
    for (double w : unit) {
      check.hiddenSum += w;
      check.hiddenAbsSum += std::fabs(w);
    }
  }
  for (double v : set.outputWeight) check.outputSum += v;
  for (double c : set.hiddenCentre) check.centreSum += c;
  return check;
}

// Sums worked out by hand from the published constants; a slip in any value moves one of them.
TEST(StageParameters, TranscriptionChecks) {
  const StageParameters& set0 = StageParameterSet(0);
  const StageParameters& set1 = StageParameterSet(1);
  EXPECT_NEAR(Check(set0.cddaLikelihoodTable).sum, 99.4296858, 1e-7);
  EXPECT_NEAR(Check(set0.mpegLikelihoodTable).sum, 100.9859797, 1e-7);
  EXPECT_NEAR(Check(set1.cddaLikelihoodTable).sum, 99.8879595, 1e-7);
  EXPECT_NEAR(Check(set1.mpegLikelihoodTable).sum, 100.7317622, 1e-7);
  EXPECT_EQ(Check(set0.cddaLikelihoodTable).positive, 132);
  EXPECT_EQ(Check(set0.mpegLikelihoodTable).positive, 135);
  EXPECT_EQ(Check(set1.cddaLikelihoodTable).positive, 111);
  EXPECT_EQ(Check(set1.mpegLikelihoodTable).positive, 114);

  const WeightCheck w0 = Weights(set0), w1 = Weights(set1);
  EXPECT_EQ(w0.hiddenSum, -491);
  EXPECT_EQ(w0.hiddenAbsSum, 4427);
  EXPECT_EQ(w1.hiddenSum, 839);
  EXPECT_EQ(w1.hiddenAbsSum, 4659);
  EXPECT_EQ(w0.outputSum, 177);
  EXPECT_EQ(w1.outputSum, 105);
  EXPECT_NEAR(w0.centreSum, 579.43562, 1e-9);
  EXPECT_NEAR(w1.centreSum, 297.91041, 1e-9);

  // Spot values at the ends of the lists.
  EXPECT_EQ(set0.cddaLikelihoodTable[131], 0.0611248);
  EXPECT_EQ(set0.mpegLikelihoodTable[66], 0.0186355);
  EXPECT_EQ(set0.mpegLikelihoodTable[148], 0.0372711);
  EXPECT_EQ(set1.mpegLikelihoodTable[87], 0.0532502);
  EXPECT_EQ(set1.mpegLikelihoodTable[156], 0.0355002);
  EXPECT_EQ(set0.inputScale[1], 9.819139e-05);
  EXPECT_EQ(set1.inputCentre[7], 0.5730937);
  EXPECT_EQ(set0.outputCentre, -2.013592);
  EXPECT_EQ(set1.outputScale, 0.01938028);
}

TEST(StageParameters, FormOfEverySet) {
  for (int stage = 0; stage < kStageCount; ++stage) {
    const StageParameters& set = StageParameterSet(stage);
    EXPECT_EQ(set.outputGain, stage == 2 ? -1 : 1) << stage;
    for (int h = 0; h < kHiddenUnits; ++h) {
      EXPECT_EQ(set.hiddenGain[h], 1);
      EXPECT_EQ(set.outputWeight[h], std::round(set.outputWeight[h]));
      for (double w : set.hiddenWeight[h]) EXPECT_EQ(w, std::round(w));
    }
    const double cddaTail = set.cddaLikelihoodTable[180];
    const double mpegTail = set.mpegLikelihoodTable[180];
    for (int j = 0; j < kLikelihoodEntries; ++j) {
      EXPECT_GE(set.cddaLikelihoodTable[j], 0.0);
      EXPECT_GE(set.mpegLikelihoodTable[j], 0.0);
      EXPECT_TRUE(set.cddaLikelihoodTable[j] > 0 || set.mpegLikelihoodTable[j] > 0) << stage << " " << j;
      if (j >= 180) {
        EXPECT_EQ(set.cddaLikelihoodTable[j], cddaTail);
        EXPECT_EQ(set.mpegLikelihoodTable[j], mpegTail);
      }
    }
    if (stage == 2) {
      EXPECT_EQ(cddaTail, 0.03);
      EXPECT_EQ(mpegTail, 0.03);
    }
  }
}

TEST(StageNetwork, LookupIndexAtItsEdges) {
  EXPECT_EQ(LikelihoodIndex(-1.0), 0);
  EXPECT_EQ(LikelihoodIndex(-1.5), 0);
  EXPECT_EQ(LikelihoodIndex(-0.995), 0);  // 0.5025 truncates to 0
  EXPECT_EQ(LikelihoodIndex(0.0), 100);
  EXPECT_EQ(LikelihoodIndex(0.99), 199);  // 199.995
  EXPECT_EQ(LikelihoodIndex(0.995), 200);
  EXPECT_EQ(LikelihoodIndex(5.0), 200);
  EXPECT_EQ(LikelihoodIndex(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(LikelihoodIndex(std::numeric_limits<double>::infinity()), 200);
  EXPECT_EQ(LikelihoodIndex(-std::numeric_limits<double>::infinity()), 0);
}

TEST(StageNetwork, DecisionBetweenLikelihoods) {
  // Genuine needs more than half the lossy likelihood: at exactly half the decision is lossy.
  StageOutcome tie = DecideOnLikelihoods(0.5, 1.0);
  EXPECT_EQ(tie.decision, 0);
  EXPECT_DOUBLE_EQ(tie.probability, 2.0 / 3.0);
  EXPECT_EQ(tie.contrast, 0.0);

  StageOutcome genuine = DecideOnLikelihoods(0.6, 1.0);
  EXPECT_EQ(genuine.decision, 1);
  EXPECT_DOUBLE_EQ(genuine.probability, 0.6 / 1.6);
  EXPECT_DOUBLE_EQ(genuine.contrast, 0.2 / 2.2);
  EXPECT_EQ(genuine.cddaLikelihood, 0.6);
  EXPECT_EQ(genuine.mpegLikelihood, 1.0);

  StageOutcome onlyLossy = DecideOnLikelihoods(0.0, 3.0);
  EXPECT_EQ(onlyLossy.decision, 0);
  EXPECT_EQ(onlyLossy.probability, 1.0);
  EXPECT_EQ(onlyLossy.contrast, -1.0);

  // Score 0.995 reads entry 200 of set 0: genuine 0, lossy the tail.
  StageOutcome top = StageDecision(0.995, 0);
  EXPECT_EQ(top.cddaLikelihood, 0.0);
  EXPECT_EQ(top.mpegLikelihood, 0.0186355);
  StageOutcome bottom = StageDecision(-1.0, 0);
  EXPECT_EQ(bottom.cddaLikelihood, 0.346374);
  EXPECT_EQ(bottom.mpegLikelihood, 0.0);
  EXPECT_EQ(bottom.decision, 1);
}

// The network evaluated by hand: scaled clipped inputs, clipped hidden units, unclipped output.
double Evaluate(const FeatureVector& f, const StageParameters& set) {
  double x[kFeatureCount];
  for (int i = 0; i < kFeatureCount; ++i) x[i] = std::clamp((f[i] - set.inputCentre[i]) * set.inputScale[i], -1.0, 1.0);
  double output = 0;
  for (int h = 0; h < kHiddenUnits; ++h) {
    double y = 0;
    for (int i = 0; i < kFeatureCount; ++i) y += set.hiddenWeight[h][i] * x[i];
    output += set.outputWeight[h] * std::clamp((set.hiddenGain[h] * y - set.hiddenCentre[h]) * set.hiddenScale[h], -1.0, 1.0);
  }
  return (set.outputGain * output - set.outputCentre) * set.outputScale;
}

TEST(StageNetwork, ScoresAndSaturation) {
  const FeatureVector genuine{21435.6, 13426.1, 21989.7, 21955.5, 21902, 2.04, 0.416, 0.974};
  for (int stage = 0; stage < kStageCount; ++stage) {
    EXPECT_DOUBLE_EQ(StageNetwork(genuine, stage), Evaluate(genuine, StageParameterSet(stage))) << stage;
  }
  // Features far outside their ranges saturate at +-1 and push no further.
  const FeatureVector far{1e9, -1e9, 1e9, -1e9, 1e9, 1e9, -1e9, 1e9};
  const FeatureVector farther{1e12, -1e12, 1e12, -1e12, 1e12, 1e12, -1e12, 1e12};
  EXPECT_EQ(StageNetwork(far, 0), StageNetwork(farther, 0));
  EXPECT_EQ(StageNetwork(far, 1), StageNetwork(farther, 1));
}

}  // namespace
}  // namespace ossel
