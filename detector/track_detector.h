#pragma once

#include <cstdint>
#include <memory>

#include "detector/block_evidence.h"
#include "detector/stage_network.h"
#include "detector/track_evidence.h"
#include "detector/track_result.h"
#include "spectrum/block_spectrum.h"

namespace ossel {

// The detection engine. Feed every 16384-byte block of a track to AnalyzeBlock (reset = 1 on the first),
// call FinishTrack when more than 300 blocks counted, and ask DiscVerdict after the last track (and reset it
// before the first). Each object owns all its work arrays, so separate objects may run on separate threads;
// one object serves one thread at a time.
class TrackDetector {
 public:
  static constexpr int kBlockValues = BlockSpectrum::kBlockValues;  // 16-bit values per block
  static constexpr int kBins = kSpectrumBins;                       // display bins per channel
  static constexpr int kMinimumBlocks = 301;                        // blocks a track needs for FinishTrack

  // Null when the arrays (about 1.6 MB) cannot be allocated.
  static std::unique_ptr<TrackDetector> Create();

  TrackDetector();

  // axis[k] = k * 44100 / 8192 for k < kBins; returns kBins, or 0 (writing nothing) for a null axis.
  static std::int32_t FillFrequencyAxis(double* axis);

  // With reset: both disc likelihoods become 1.0, probability 0.0, result Unknown. Without: the disc verdict
  // from the tracks judged since the reset, with its probability.
  Verdict DiscVerdict(bool reset, double& probability);

  // samples: valueCount interleaved 16-bit values (must be kBlockValues); channels: at least 1;
  // spectrumOut: channels * kBins doubles for the display spectrum, or null. Returns 1 when the block
  // counts for the track, 0 when it does not (wrong size, no samples or channels, or a silent block).
  std::int32_t AnalyzeBlock(int reset, const std::int16_t* samples, int valueCount, unsigned sampleRate,
                            unsigned channels, double* spectrumOut);

  // Features, stage cascade and verdict of the track; updates the disc likelihoods.
  TrackResult FinishTrack();

  // Runs the third, confirming stage after two genuine decisions (off unless set).
  void SetThirdStageEnabled(bool enabled) { thirdStageEnabled_ = enabled; }

  // The current track's evidence and the disc likelihoods gathered since the last reset.
  const TrackEvidence& Evidence() const { return evidence_; }
  double DiscMpegLikelihood() const { return disc_.mpeg; }
  double DiscCddaLikelihood() const { return disc_.cdda; }

 private:
  BlockSpectrum spectrum_;
  CutoffScanner cutoffScanner_;
  TrackEvidence evidence_;
  DiscLikelihoods disc_;
  bool thirdStageEnabled_ = false;
};

}  // namespace ossel
