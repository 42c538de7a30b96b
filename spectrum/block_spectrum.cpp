#include "spectrum/block_spectrum.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "spectrum/stage_clock.h"
#include "spectrum/vector2.h"
#include "spectrum/vector_arrays.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace ossel {

BlockSpectrum::BlockSpectrum(ConditioningSettings settings)
    : settings_(settings),
      transform_(kLength),
      differences_(kLength),
      magnitudes_(kBins) {}

bool BlockSpectrum::TransformChannel(const std::int16_t* samples, unsigned channels, unsigned channel) {
  if (samples == nullptr || channel >= channels) return false;
  EnterStage(AnalysisStage::Conditioning);
  const double scale = Condition(samples, channels, channel);
  EnterStage(AnalysisStage::Transform);
  transform_.Run(differences_.data(), magnitudes_.data(), scale);
  return true;
}

namespace {

// A sample as the conditioning takes it: the two extreme codes pulled one step down. (32768 cannot occur in 16-bit
// input; the rule names it all the same.)
inline double Taken(std::int16_t sample) {
  const double value = sample;
  return (value == -32767.0 || value == 32768.0) ? value - 1.0 : value;
}

}  // namespace

// Writes the first differences of the channel into the difference array, unscaled, with entry 0 and the padding up
// to kLength zero, and returns the scale that brings them to an RMS of 10000 (which the transform applies as it
// reads them).
double BlockSpectrum::Condition(const std::int16_t* samples, unsigned channels, unsigned channel) {
  double* d = differences_.data();
  const std::size_t n = (static_cast<std::size_t>(kBlockValues) - channel + channels - 1) / channels;
  // The channel's first sample: taken as it is, but zero where the extreme-code rule would change it.
  double previous = 0.0;
  if (n > 0 && Taken(samples[channel]) == samples[channel]) previous = samples[channel];
  d[0] = 0.0;
  // Differences of whole numbers below 2^17: their squares and every partial sum of them are exact, so the sum does
  // not depend on the order in which it is taken.
  double sumOfSquares = 0.0;
  double zeroDifferences = 0.0;
  std::size_t i = 1;
#ifdef __SSE2__
  // Stereo, four frames at a time: the channel's values as 32-bit lanes, -32767 lowered by adding the comparison's
  // -1, converted (every value exact), and differenced against the value before each.
  if (channels == 2) {
    const __m128i lowered = _mm_set1_epi32(-32767);
    V2 last = Splat(previous);  // lane 1: the value before the next four
    V2 squares = Splat(0.0), zeros = Splat(0.0);
    for (; i + 4 <= n; i += 4) {
      __m128i v;
      std::memcpy(&v, samples + 2 * i, sizeof v);
      v = channel == 0 ? _mm_srai_epi32(_mm_slli_epi32(v, 16), 16) : _mm_srai_epi32(v, 16);
      v = _mm_add_epi32(v, _mm_cmpeq_epi32(v, lowered));
      const V2 low = reinterpret_cast<V2>(_mm_cvtepi32_pd(v));
      const V2 high = reinterpret_cast<V2>(_mm_cvtepi32_pd(_mm_shuffle_epi32(v, 0xEE)));
      const V2 lowDifference = low - __builtin_shufflevector(last, low, 1, 2);
      const V2 highDifference = high - __builtin_shufflevector(low, high, 1, 2);
      Store2(d + i, lowDifference);
      Store2(d + i + 2, highDifference);
      squares += lowDifference * lowDifference + highDifference * highDifference;
      zeros += (lowDifference == 0 ? Splat(1.0) : Splat(0.0)) + (highDifference == 0 ? Splat(1.0) : Splat(0.0));
      last = high;
    }
    previous = last[1];
    sumOfSquares = squares[0] + squares[1];
    zeroDifferences = zeros[0] + zeros[1];
  }
#endif
  for (; i < n; ++i) {
    const double value = Taken(samples[channel + i * channels]);
    const double difference = value - previous;
    d[i] = difference;
    sumOfSquares += difference * difference;
    zeroDifferences += difference == 0 ? 1.0 : 0.0;
    previous = value;
  }
  if (n < paddedFrom_) std::fill(d + std::max<std::size_t>(n, 1), d + paddedFrom_, 0.0);
  paddedFrom_ = std::max<std::size_t>(n, 1);
  zeroDiffCount_ = settings_.zeroRunCheck ? static_cast<std::int32_t>(zeroDifferences) : 0;

  if (settings_.normaliseRms && sumOfSquares > 0) return 10000 / std::sqrt(sumOfSquares / static_cast<double>(n - 1));
  return 1.0;
}

void BlockSpectrum::DisplaySpectrum(double* out) const { DivideByPosition(magnitudes_.data(), out, kBins); }

}  // namespace ossel
