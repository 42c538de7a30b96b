// The built-in parameter sets, the stage network and the stage decision.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "detector/stage_network.h"
#include "detector/stage_parameters.h"

namespace ossel {
namespace {

double Sum(const LikelihoodTable& table) {
  double sum = 0;
  for (double v : table) sum += v;
  return sum;
}

int Positive(const LikelihoodTable& table) {
  return static_cast<int>(std::count_if(table.begin(), table.end(), [](double v) { return v > 0; }));
}

// Sums worked out by hand from the published constants, and the first and last listed entries of the
// tables (a shifted list keeps its sum).
TEST(StageParameters, TranscriptionChecks) {
  const StageParameters& set0 = StageParameterSet(0);
  const StageParameters& set1 = StageParameterSet(1);
  EXPECT_NEAR(Sum(set0.cddaLikelihoodTable), 99.4296858, 1e-7);
  EXPECT_NEAR(Sum(set0.mpegLikelihoodTable), 100.9859797, 1e-7);
  EXPECT_NEAR(Sum(set1.cddaLikelihoodTable), 99.8879595, 1e-7);
  EXPECT_NEAR(Sum(set1.mpegLikelihoodTable), 100.7317622, 1e-7);
  EXPECT_EQ(Positive(set0.cddaLikelihoodTable), 132);
  EXPECT_EQ(Positive(set0.mpegLikelihoodTable), 135);
  EXPECT_EQ(Positive(set1.cddaLikelihoodTable), 111);
  EXPECT_EQ(Positive(set1.mpegLikelihoodTable), 114);
  EXPECT_EQ(set0.cddaLikelihoodTable[131], 0.0611248);
  EXPECT_EQ(set0.mpegLikelihoodTable[66], 0.0186355);
  EXPECT_EQ(set0.mpegLikelihoodTable[148], 0.0372711);
  EXPECT_EQ(set1.cddaLikelihoodTable[110], 0.0591637);
  EXPECT_EQ(set1.mpegLikelihoodTable[87], 0.0532502);
  EXPECT_EQ(set1.mpegLikelihoodTable[156], 0.0355002);

  const struct {
    const StageParameters& set;
    double hidden, hiddenAbs, output, centres;
  } expected[] = {{set0, -491, 4427, 177, 579.43562}, {set1, 839, 4659, 105, 297.91041}};
  for (const auto& e : expected) {
    double hidden = 0, hiddenAbs = 0, output = 0, centres = 0;
    for (const auto& unit : e.set.hiddenWeight) {
      for (double w : unit) hidden += w, hiddenAbs += std::fabs(w);
    }
    for (int h = 0; h < kHiddenUnits; ++h) output += e.set.outputWeight[h], centres += e.set.hiddenCentre[h];
    EXPECT_EQ(hidden, e.hidden);
    EXPECT_EQ(hiddenAbs, e.hiddenAbs);
    EXPECT_EQ(output, e.output);
    EXPECT_NEAR(centres, e.centres, 1e-9);
  }
}

// Whole-number weights, unit hidden gains, the output gain (-1 in set 2), one tail value from entry 180 on
// (0.03 in set 2), and at every entry one table positive.
TEST(StageParameters, FormOfEverySet) {
  for (int stage = 0; stage < kStageCount; ++stage) {
    const StageParameters& set = StageParameterSet(stage);
    EXPECT_EQ(set.outputGain, stage == 2 ? -1 : 1) << stage;
    for (int h = 0; h < kHiddenUnits; ++h) {
      EXPECT_EQ(set.hiddenGain[h], 1);
      EXPECT_EQ(set.outputWeight[h], std::round(set.outputWeight[h]));
      for (double w : set.hiddenWeight[h]) EXPECT_EQ(w, std::round(w));
    }
    for (int j = 0; j < kLikelihoodEntries; ++j) {
      const double lc = set.cddaLikelihoodTable[j], lm = set.mpegLikelihoodTable[j];
      EXPECT_TRUE(lc >= 0 && lm >= 0 && (lc > 0 || lm > 0)) << stage << " " << j;
      EXPECT_TRUE(j <= 180 || (lc == set.cddaLikelihoodTable[180] && lm == set.mpegLikelihoodTable[180]));
    }
  }
  EXPECT_EQ(StageParameterSet(2).cddaLikelihoodTable[200], 0.03);
  EXPECT_EQ(StageParameterSet(2).mpegLikelihoodTable[200], 0.03);
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
  const StageOutcome tie = DecideOnLikelihoods(0.5, 1.0);
  EXPECT_EQ(tie.decision, 0);
  EXPECT_DOUBLE_EQ(tie.probability, 2.0 / 3.0);
  EXPECT_EQ(tie.contrast, 0.0);
  const StageOutcome genuine = DecideOnLikelihoods(0.6, 1.0);
  EXPECT_EQ(genuine.decision, 1);
  EXPECT_DOUBLE_EQ(genuine.probability, 0.6 / 1.6);
  EXPECT_DOUBLE_EQ(genuine.contrast, 0.2 / 2.2);
  EXPECT_EQ(DecideOnLikelihoods(0.0, 3.0).contrast, -1.0);

  // A score of 0.995 reads entry 200 of set 0 (genuine 0, lossy the tail), -1 reads entry 0.
  const StageOutcome top = StageDecision(0.995, 0);
  EXPECT_TRUE(top.cddaLikelihood == 0.0 && top.mpegLikelihood == 0.0186355 && top.decision == 0);
  const StageOutcome bottom = StageDecision(-1.0, 0);
  EXPECT_TRUE(bottom.cddaLikelihood == 0.346374 && bottom.mpegLikelihood == 0.0 && bottom.probability == 1.0);
}

// Features far outside the ranges that their centres and scales map onto [-1, 1] saturate the scaled inputs
// and push no further.
TEST(StageNetwork, SaturatedInputs) {
  const FeatureVector far{1e9, -1e9, 1e9, -1e9, 1e9, 1e9, -1e9, 1e9};
  const FeatureVector farther{1e12, -1e12, 1e12, -1e12, 1e12, 1e12, -1e12, 1e12};
  for (int stage = 0; stage < kStageCount; ++stage) EXPECT_EQ(StageNetwork(far, stage), StageNetwork(farther, stage));
}

}  // namespace
}  // namespace ossel
