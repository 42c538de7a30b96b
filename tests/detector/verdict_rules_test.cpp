// The shortcut, the stage cascade and the disc verdict.
#include <gtest/gtest.h>

#include "detector/verdict_rules.h"

namespace ossel {
namespace {

// Feature vectors with known stage decisions.
const FeatureVector kGenuine{21435.6, 13426.1, 21989.7, 21955.5, 21902, 2.04, 0.416, 0.974};  // stage 2 > -0.53
const FeatureVector kClearlyGenuine{20488.3, 15675.6, 20981.1, 17635.9, 20513, 2.37, 0.2395, 0.4349};
const FeatureVector kLossyAtStage0{17581.5, 17063.2, 18132, 17336.3, 17385, 0.3, 0.928, 0.8465};
const FeatureVector kLossyAtStage1{19297.6, 20608.8, 16826.8, 14079.1, 18734.1, 2, 0.49, 0.54};

TrackResult Described(const FeatureVector& f, double gap12, double hfPeakValue) {
  TrackResult result;
  result.minPhaseSpread = f[5];
  result.cutoffMeanGap12 = gap12;
  result.hfPeakValue = hfPeakValue;
  return result;
}

TEST(JudgeTrack, ShortcutForAnAlmostConstantPhase) {
  TrackResult result = Described(kGenuine, 4499.0, 1.0);
  result.minPhaseSpread = 0.049;
  DiscLikelihoods disc;
  JudgeTrack(kGenuine, false, result, disc);
  EXPECT_EQ(result.verdict, 0.0);
  EXPECT_EQ(result.stagesDone, 0);
  EXPECT_EQ(result.stageProbability[0], 0.95);
  EXPECT_EQ(result.stageContrast, -1.0);
  EXPECT_EQ(disc.mpeg, 0.95);
  EXPECT_EQ(disc.cdda, 1 - 0.95);

  double probability = 0;
  EXPECT_EQ(JudgeDisc(disc, probability), Verdict::Mpeg);
  EXPECT_DOUBLE_EQ(probability, 0.95);

  // Both comparisons are strict.
  for (auto [spread, gap] : {std::pair{0.05, 100.0}, std::pair{0.01, 4500.0}}) {
    TrackResult other = Described(kGenuine, gap, -1.0);
    other.minPhaseSpread = spread;
    DiscLikelihoods untouched;
    JudgeTrack(kGenuine, false, other, untouched);
    EXPECT_GT(other.stagesDone, 0) << spread << " " << gap;
  }
}

TEST(JudgeTrack, TwoGenuineStagesMakeCdda) {
  TrackResult result = Described(kGenuine, 8000, -1.0);
  DiscLikelihoods disc;
  JudgeTrack(kGenuine, false, result, disc);
  EXPECT_EQ(result.verdict, 1.0);
  ASSERT_EQ(result.stagesDone, 2);
  EXPECT_EQ(result.stageScore[0], StageNetwork(kGenuine, 0));
  EXPECT_EQ(result.stageScore[1], StageNetwork(kGenuine, 1));
  const StageOutcome last = StageDecision(result.stageScore[1], 1);
  EXPECT_EQ(result.stageProbability[1], last.probability);
  EXPECT_EQ(result.stageContrast, last.contrast);
  EXPECT_EQ(disc.mpeg, last.mpegLikelihood);  // only the second stage's likelihoods count
  EXPECT_EQ(disc.cdda, last.cddaLikelihood);
}

TEST(JudgeTrack, LossyStageGivesMpegUnlessAHighFrequencyPeakStandsOut) {
  for (const auto& [features, stage] : {std::pair{kLossyAtStage0, 0}, std::pair{kLossyAtStage1, 1}}) {
    TrackResult result = Described(features, 8000, 0.0);
    DiscLikelihoods disc;
    JudgeTrack(features, false, result, disc);
    EXPECT_EQ(result.verdict, 0.0);
    EXPECT_EQ(result.stagesDone, stage + 1);
    const StageOutcome outcome = StageDecision(result.stageScore[stage], stage);
    EXPECT_EQ(outcome.decision, 0);
    EXPECT_EQ(disc.mpeg, outcome.mpegLikelihood);
    EXPECT_EQ(disc.cdda, outcome.cddaLikelihood);

    TrackResult peaked = Described(features, 8000, 0.25);
    DiscLikelihoods untouched;
    JudgeTrack(features, false, peaked, untouched);
    EXPECT_EQ(peaked.verdict, 2.0);
    EXPECT_EQ(peaked.stagesDone, stage + 1);
    EXPECT_EQ(untouched.mpeg, 1.0);
    EXPECT_EQ(untouched.cdda, 1.0);
  }
}

TEST(JudgeTrack, ThirdStageConfirmsOrLeavesUndecided) {
  TrackResult confirmed = Described(kClearlyGenuine, 8000, -1.0);
  DiscLikelihoods disc;
  JudgeTrack(kClearlyGenuine, true, confirmed, disc);
  ASSERT_EQ(confirmed.stagesDone, 3);
  EXPECT_LT(confirmed.stageScore[2], -0.53);
  EXPECT_EQ(confirmed.verdict, 1.0);
  const StageOutcome third = StageDecision(confirmed.stageScore[2], 2);
  EXPECT_EQ(disc.mpeg, third.mpegLikelihood);
  EXPECT_EQ(disc.cdda, third.cddaLikelihood);
  EXPECT_EQ(confirmed.stageContrast, third.contrast);

  // An undecided third stage still counts for the disc; a lossy one is not used as such.
  TrackResult open = Described(kGenuine, 8000, 1.0);
  DiscLikelihoods openDisc;
  JudgeTrack(kGenuine, true, open, openDisc);
  ASSERT_EQ(open.stagesDone, 3);
  EXPECT_GE(open.stageScore[2], -0.53);
  EXPECT_EQ(StageDecision(open.stageScore[2], 2).decision, 0);
  EXPECT_EQ(open.verdict, 2.0);
  EXPECT_EQ(openDisc.mpeg, StageDecision(open.stageScore[2], 2).mpegLikelihood);

  // Without the option the cascade stops after two stages.
  TrackResult two = Described(kClearlyGenuine, 8000, -1.0);
  DiscLikelihoods twoDisc;
  JudgeTrack(kClearlyGenuine, false, two, twoDisc);
  EXPECT_EQ(two.stagesDone, 2);
}

TEST(JudgeDisc, Cases) {
  double probability = -1;
  EXPECT_EQ(JudgeDisc({1.0, 1.0}, probability), Verdict::Unknown);  // no track judged
  EXPECT_EQ(probability, 0.5);
  EXPECT_EQ(JudgeDisc({0.0, 0.0}, probability), Verdict::Unknown);  // underflow
  EXPECT_EQ(probability, 0.0);
  EXPECT_EQ(JudgeDisc({0.3, 0.7}, probability), Verdict::Cdda);
  EXPECT_DOUBLE_EQ(probability, 0.7);
  EXPECT_EQ(JudgeDisc({0.2, 0.1}, probability), Verdict::Unknown);  // 2C = M is not below M
  EXPECT_DOUBLE_EQ(probability, 0.1 / 0.3);                          // the genuine share
  EXPECT_EQ(JudgeDisc({0.21, 0.1}, probability), Verdict::Mpeg);
  EXPECT_DOUBLE_EQ(probability, 0.21 / 0.31);
  EXPECT_EQ(JudgeDisc({0.0, 1e-300}, probability), Verdict::Cdda);
  EXPECT_EQ(probability, 1.0);
}

TEST(VerdictWords, CodesAndWords) {
  EXPECT_STREQ(VerdictWord(Verdict::Mpeg), "MPEG");
  EXPECT_STREQ(VerdictWord(Verdict::Cdda), "CDDA");
  EXPECT_STREQ(VerdictWord(Verdict::Unknown), "UNKN");
  EXPECT_EQ(VerdictFromCode(0.0), Verdict::Mpeg);
  EXPECT_EQ(VerdictFromCode(1.0), Verdict::Cdda);
  EXPECT_EQ(VerdictFromCode(2.0), Verdict::Unknown);
}

}  // namespace
}  // namespace ossel
