#pragma once

#include <array>
#include <cstdint>

namespace ossel {

// Where the analysis spends its time, stage by stage, for `ossel analyze --stage-times` and the benchmarks. Off
// unless enabled, and then nearly free: EnterStage is one test of a flag. Enabled, each thread charges the time
// since its last EnterStage (on the steady clock) to the stage it entered then; a thread's times count from its
// first EnterStage, and every thread's are added up.
enum class AnalysisStage : int {
  Reading,       // reading sectors from the drive or the disc's files
  Conditioning,  // taking a channel out of the block and forming its difference signal
  Transform,     // Hartley transform and magnitudes
  Logarithms,    // the display spectrum, its logarithms and the track's log sums, and the builders' logarithms
  PhaseSpread,   // the phase spread of the top of the spectrum
  CutoffScan,    // the cutoff detectors
  Builders,      // the spectrogram's column, the frequency profile and the reader's own work
  Other,         // everything else: the job, the verdicts, the outputs
  kCount
};

inline constexpr int kAnalysisStages = static_cast<int>(AnalysisStage::kCount);

// The stage names as `--stage-times` prints them.
const char* StageName(AnalysisStage stage);

namespace stage_clock {
extern bool enabled;  // set once, before any thread of the analysis starts
void Charge(AnalysisStage next);
}  // namespace stage_clock

// Turns the clock on; call it before the analysis starts any thread.
void EnableStageClock();

inline void EnterStage(AnalysisStage stage) {
  if (__builtin_expect(stage_clock::enabled, 0)) stage_clock::Charge(stage);
}

// Seconds per stage over every thread so far, the calling thread's time up to now included.
std::array<double, kAnalysisStages> StageSeconds();

}  // namespace ossel
