#pragma once

#include <cstdint>

namespace ossel {

// Judgement of a track or a disc.
enum class Verdict : std::int32_t { Mpeg = 0, Cdda = 1, Unknown = 2 };

// "MPEG", "CDDA" or "UNKN".
const char* VerdictWord(Verdict verdict);

// The verdict held in TrackResult::verdict (0.0, 1.0 or 2.0); anything else reads as Unknown.
Verdict VerdictFromCode(double code);

// Everything FinishTrack finds out about one track.
struct TrackResult {
  double cutoffMean1 = 0.0;         // weighted mean of cutoff histogram 1 over 100 .. 29999 Hz; 0 if empty
  double cutoffMean2 = 0.0;
  double cutoffMeanGap12 = 0.0;     // |cutoffMean2 - cutoffMean1|
  double cutoffMean3 = 0.0;
  double cutoffMean4 = 0.0;
  double cutoffMeanGap34 = 0.0;     // |cutoffMean3 - cutoffMean4|
  double cutoffPeakPosition = 0.0;  // hertz of the maximum of the 200 Hz moving sum of histogram 1
  double minPhaseSpread = 0.0;      // smallest positive block phase spread; 10.0 if none
  double cutoffCount1 = 0.0;        // blocks in which cutoff detector 1 fired
  double cutoffCount2 = 0.0;
  double cutoffCount3 = 0.0;
  double cutoffCount4 = 0.0;
  double cutoffRatio21 = 0.0;       // cutoffCount2 / cutoffCount1, 0.0 when cutoffCount1 is not above 0
  double cutoffRatio43 = 0.0;       // cutoffCount4 / cutoffCount3, 0.0 when cutoffCount3 is not above 0
  std::int32_t stagesDone = 0;      // classifier stages run, 0 .. 3
  double stageScore[3] = {};        // network score of each stage run
  double stageProbability[3] = {};  // probability of each stage's decision (entry 0 also for the shortcut)
  double stageContrast = 0.0;       // contrast of the last stage run; -1.0 after the shortcut
  double verdict = 0.0;             // Verdict as 0.0, 1.0 or 2.0
  double hfPeakValue = 0.0;         // strength of the strongest high-frequency spectral peak
  double hfPeakFrequency = 0.0;     // its frequency in hertz
};

// Product of the likelihoods of the tracks of a disc judged so far.
struct DiscLikelihoods {
  double mpeg = 1.0;
  double cdda = 1.0;
};

}  // namespace ossel
