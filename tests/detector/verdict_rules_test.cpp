// The shortcut, the stage cascade and the disc verdict.
#include <gtest/gtest.h>

#include "detector/verdict_rules.h"

namespace ossel {
namespace {

// Feature vectors with known stage decisions (f[5] is the minimum phase spread).
const FeatureVector kGenuine{21435.6, 13426.1, 21989.7, 21955.5, 21902, 2.04, 0.416, 0.974};  // stage 2 > -0.53
const FeatureVector kClearlyGenuine{20488.3, 15675.6, 20981.1, 17635.9, 20513, 2.37, 0.2395, 0.4349};
const FeatureVector kLossyAtStage0{17581.5, 17063.2, 18132, 17336.3, 17385, 0.3, 0.928, 0.8465};
const FeatureVector kLossyAtStage1{19297.6, 20608.8, 16826.8, 14079.1, 18734.1, 2, 0.49, 0.54};

struct Judged {
  TrackResult result;
  DiscLikelihoods disc;
};

Judged Judge(const FeatureVector& f, bool thirdStage, double hfPeakValue, double gap12 = 8000.0) {
  Judged judged;
  judged.result.minPhaseSpread = f[5];
  judged.result.cutoffMeanGap12 = gap12;
  judged.result.hfPeakValue = hfPeakValue;
  JudgeTrack(f, thirdStage, judged.result, judged.disc);
  return judged;
}

TEST(JudgeTrack, ShortcutForAnAlmostConstantPhase) {
  FeatureVector f = kGenuine;
  f[5] = 0.049;
  const Judged shortcut = Judge(f, false, 1.0, 4499.0);
  EXPECT_EQ(shortcut.result.verdict, 0.0);
  EXPECT_EQ(shortcut.result.stagesDone, 0);
  EXPECT_EQ(shortcut.result.stageProbability[0], 0.95);
  EXPECT_EQ(shortcut.result.stageContrast, -1.0);
  EXPECT_EQ(shortcut.disc.mpeg, 0.95);
  EXPECT_EQ(shortcut.disc.cdda, 0.05);  // exactly 0.05, not 1 - 0.95
  double probability = 0;
  EXPECT_EQ(JudgeDisc(shortcut.disc, probability), Verdict::Mpeg);  // a disc of this track alone
  EXPECT_DOUBLE_EQ(probability, 0.95);

  // Both comparisons are strict.
  EXPECT_GT(Judge(f, false, 1.0, 4500.0).result.stagesDone, 0);
  f[5] = 0.05;
  EXPECT_GT(Judge(f, false, 1.0, 100.0).result.stagesDone, 0);
}

TEST(JudgeTrack, TwoGenuineStagesMakeCddaWithTheSecondStagesLikelihoods) {
  const Judged judged = Judge(kGenuine, false, -1.0);
  EXPECT_EQ(judged.result.verdict, 1.0);
  ASSERT_EQ(judged.result.stagesDone, 2);
  EXPECT_EQ(judged.result.stageScore[0], StageNetwork(kGenuine, 0));
  const StageOutcome last = StageDecision(judged.result.stageScore[1], 1);
  EXPECT_EQ(judged.result.stageProbability[1], last.probability);
  EXPECT_EQ(judged.result.stageContrast, last.contrast);
  EXPECT_EQ(judged.disc.mpeg, last.mpegLikelihood);
  EXPECT_EQ(judged.disc.cdda, last.cddaLikelihood);
}

// A lossy stage gives MPEG, unless the high-frequency peak is positive: then the track is undecided and
// leaves the disc likelihoods alone.
TEST(JudgeTrack, LossyStage) {
  for (const auto& [features, stage] : {std::pair{kLossyAtStage0, 0}, std::pair{kLossyAtStage1, 1}}) {
    const Judged lossy = Judge(features, false, 0.0);
    EXPECT_EQ(lossy.result.verdict, 0.0);
    EXPECT_EQ(lossy.result.stagesDone, stage + 1);
    const StageOutcome outcome = StageDecision(lossy.result.stageScore[stage], stage);
    EXPECT_EQ(outcome.decision, 0);
    EXPECT_EQ(lossy.disc.mpeg, outcome.mpegLikelihood);
    EXPECT_EQ(lossy.disc.cdda, outcome.cddaLikelihood);

    const Judged peaked = Judge(features, false, 0.25);
    EXPECT_EQ(peaked.result.verdict, 2.0);
    EXPECT_EQ(peaked.result.stagesDone, stage + 1);
    EXPECT_TRUE(peaked.disc.mpeg == 1.0 && peaked.disc.cdda == 1.0);
  }
}

// Stage 2 decides by its score (CDDA below -0.53, else UNKN) and its likelihoods always count.
TEST(JudgeTrack, ThirdStageConfirmsOrLeavesUndecided) {
  for (const auto& [features, verdict] : {std::pair{kClearlyGenuine, 1.0}, std::pair{kGenuine, 2.0}}) {
    const Judged judged = Judge(features, true, 1.0);
    ASSERT_EQ(judged.result.stagesDone, 3);
    EXPECT_EQ(judged.result.verdict, verdict);
    EXPECT_EQ(judged.result.stageScore[2] < -0.53, verdict == 1.0);
    const StageOutcome third = StageDecision(judged.result.stageScore[2], 2);
    EXPECT_EQ(judged.disc.mpeg, third.mpegLikelihood);
    EXPECT_EQ(judged.disc.cdda, third.cddaLikelihood);
  }
  EXPECT_EQ(StageDecision(Judge(kGenuine, true, 1.0).result.stageScore[2], 2).decision, 0);  // not used
  EXPECT_EQ(Judge(kClearlyGenuine, false, 1.0).result.stagesDone, 2);
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
}

TEST(VerdictWords, CodesAndWords) {
  EXPECT_STREQ(VerdictWord(VerdictFromCode(0.0)), "MPEG");
  EXPECT_STREQ(VerdictWord(VerdictFromCode(1.0)), "CDDA");
  EXPECT_STREQ(VerdictWord(VerdictFromCode(2.0)), "UNKN");
}

}  // namespace
}  // namespace ossel
