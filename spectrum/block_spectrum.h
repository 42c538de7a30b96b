#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "spectrum/spectrum_transform.h"

namespace ossel {

// How a channel is conditioned before its transform.
struct ConditioningSettings {
  bool zeroRunCheck = true;  // count the zero first differences
  bool normaliseRms = true;  // scale the difference signal to an RMS of 10000
};

// Per-channel spectrum of one block of CD audio: 8192 interleaved signed 16-bit values at 44100 Hz.
//
// A channel is taken out of the block, replaced by its first difference scaled to an RMS of 10000 and
// zero-padded to 8192 points, and transformed (SpectrumTransform). The differences are taken in one pass over the
// block, and the scale is applied as the transform reads them. The arrays keep the last channel transformed until
// the next call. The display spectrum of a channel is M[k] / k, which undoes the rise
// of the first difference with frequency.
class BlockSpectrum {
 public:
  static constexpr int kBlockValues = 8192;        // 16-bit values in one 16384-byte block
  static constexpr std::size_t kLength = 8192;     // transform length N
  static constexpr std::size_t kBins = 4096;       // display bins per channel
  static constexpr double kBinHertz = 5.38330078125;  // 44100 / 8192

  BlockSpectrum() : BlockSpectrum(ConditioningSettings{}) {}
  explicit BlockSpectrum(ConditioningSettings settings);

  const ConditioningSettings& Settings() const { return settings_; }

  // Conditions channel `channel` of the block (values samples[channel], samples[channel + channels], ...
  // below kBlockValues) and transforms it. False, with nothing changed, when samples is null or channel is
  // not below channels.
  bool TransformChannel(const std::int16_t* samples, unsigned channels, unsigned channel);

  // Writes the display spectrum of the last channel: out[k] = M[k] / k for 1 <= k < kBins, out[0] = 0.
  void DisplaySpectrum(double* out) const;

  // Entries first .. first + count - 1 of C after its sign changes (kLength complex values in all), as
  // interleaved real and imaginary parts.
  void ComplexEntries(std::size_t first, std::size_t count, double* out) const {
    transform_.ComplexEntries(first, count, out);
  }

  // M: kBins magnitudes, M[k] of frequency bin k + 1.
  const double* Magnitudes() const { return magnitudes_.data(); }
  // The magnitudes from `position` (kBins < position < kLength) of the full layout, where position p holds the
  // magnitude of frequency bin p - kBins: M read from p - kBins - 1 on.
  const double* MagnitudesFrom(std::size_t position) const { return magnitudes_.data() + (position - kBins - 1); }

  // Zero first differences of the last channel (0 when zeroRunCheck is off).
  std::int32_t ZeroDiffCount() const { return zeroDiffCount_; }

 private:
  double Condition(const std::int16_t* samples, unsigned channels, unsigned channel);

  ConditioningSettings settings_;
  SpectrumTransform transform_;
  std::vector<double> differences_;  // the channel's first differences, unscaled, zero-padded to kLength
  std::size_t paddedFrom_ = kLength;  // differences_ is zero from here to kLength (all of it when made)
  std::vector<double> magnitudes_;   // M
  std::int32_t zeroDiffCount_ = 0;
};

}  // namespace ossel
