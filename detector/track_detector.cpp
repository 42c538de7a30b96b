#include "detector/track_detector.h"

#include <new>

#include "detector/track_features.h"
#include "detector/verdict_rules.h"
#include "spectrum/stage_clock.h"

namespace ossel {

std::unique_ptr<TrackDetector> TrackDetector::Create() {
  try {
    return std::make_unique<TrackDetector>();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

TrackDetector::TrackDetector() = default;

std::int32_t TrackDetector::FillFrequencyAxis(double* axis) {
  if (axis == nullptr) return 0;
  for (int k = 0; k < kBins; ++k) axis[k] = k * BlockSpectrum::kBinHertz;
  return kBins;
}

Verdict TrackDetector::DiscVerdict(bool reset, double& probability) {
  if (reset) {
    disc_ = DiscLikelihoods{};
    probability = 0.0;
    return Verdict::Unknown;
  }
  return JudgeDisc(disc_, probability);
}

std::int32_t TrackDetector::AnalyzeBlock(int reset, const std::int16_t* samples, int valueCount,
                                         unsigned sampleRate, unsigned channels, double* spectrumOut) {
  if (valueCount != kBlockValues || samples == nullptr || channels == 0) return 0;
  if (reset != 0) evidence_.Clear();

  for (unsigned c = 0; c < channels; ++c) {
    spectrum_.TransformChannel(samples, channels, c);
    if (spectrumOut != nullptr) {
      EnterStage(AnalysisStage::Logarithms);
      double* display = spectrumOut + static_cast<std::size_t>(c) * kBins;
      spectrum_.DisplaySpectrum(display);
      AccumulateSpectrum(evidence_, display);
    }
  }

  // A silent block (or one value repeated) counts for the log sums only. The last channel decides.
  if (spectrum_.Settings().zeroRunCheck && spectrum_.ZeroDiffCount() > 4000) return 0;

  EnterStage(AnalysisStage::PhaseSpread);
  double top[2 * kPhaseCount];
  spectrum_.ComplexEntries(kPhaseFirst, kPhaseCount, top);
  RecordPhaseSpread(evidence_, PhaseSpread(top));
  EnterStage(AnalysisStage::CutoffScan);
  RecordCutoffs(evidence_, cutoffScanner_.Scan(spectrum_.MagnitudesFrom(CutoffScanner::kLowest)), sampleRate);
  return 1;
}

TrackResult TrackDetector::FinishTrack() {
  TrackResult result;
  const FeatureVector features = ComputeTrackFeatures(evidence_, result);
  JudgeTrack(features, thirdStageEnabled_, result, disc_);
  return result;
}

}  // namespace ossel
