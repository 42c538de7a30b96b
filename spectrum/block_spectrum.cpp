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
      samples_(kBlockValues),
      differences_(kLength),
      magnitudes_(kBins) {}

bool BlockSpectrum::TransformChannel(const std::int16_t* samples, unsigned channels, unsigned channel) {
  if (samples == nullptr || channel >= channels) return false;
  EnterStage(AnalysisStage::Conditioning);
  Condition(samples, channels, channel);
  EnterStage(AnalysisStage::Transform);
  transform_.Run(differences_.data(), magnitudes_.data());
  return true;
}

// Writes the first difference of the channel, scaled to an RMS of 10000, into the difference array.
void BlockSpectrum::Condition(const std::int16_t* samples, unsigned channels, unsigned channel) {
  // Extraction. The two extreme codes are pulled one step down, except that the channel's first sample
  // becomes zero; since the rule depends on the sample alone, the differences can be taken afterwards.
  // (32768 cannot occur in 16-bit input; the rule names it all the same.)
  double* s = samples_.data();
  std::size_t n = 0;
  std::size_t index = channel;
#ifdef __SSE2__
  // Stereo four frames at a time: the channel's values as 32-bit lanes, -32767 lowered by adding the
  // comparison's -1, then converted (the same values as below, every one exact).
  if (channels == 2) {
    const __m128i lowered = _mm_set1_epi32(-32767);
    for (; index + 8 <= static_cast<std::size_t>(kBlockValues) + channel; index += 8, n += 4) {
      __m128i v;
      std::memcpy(&v, samples + index - channel, sizeof v);
      v = channel == 0 ? _mm_srai_epi32(_mm_slli_epi32(v, 16), 16) : _mm_srai_epi32(v, 16);
      v = _mm_add_epi32(v, _mm_cmpeq_epi32(v, lowered));
      _mm_storeu_pd(s + n, _mm_cvtepi32_pd(v));
      _mm_storeu_pd(s + n + 2, _mm_cvtepi32_pd(_mm_shuffle_epi32(v, 0xEE)));
    }
  }
#endif
  for (; index < static_cast<std::size_t>(kBlockValues); index += channels, ++n) {
    const double sample = samples[index];
    s[n] = (sample == -32767.0 || sample == 32768.0) ? sample - 1.0 : sample;
  }
  if (n > 0 && s[0] != samples[channel]) s[0] = 0.0;

  // Differences of whole numbers below 2^17: their squares and every partial sum of them are exact, so the
  // sum does not depend on the order in which it is taken.
  V2 squares = Splat(0.0);
  V2 zeros = Splat(0.0);
  std::size_t i = 1;
  for (; i + 1 < n; i += 2) {
    const V2 d = Load2(s + i) - Load2(s + i - 1);
    squares += d * d;
    zeros += d == 0 ? Splat(1.0) : Splat(0.0);
  }
  double sumOfSquares = squares[0] + squares[1];
  double zeroDifferences = zeros[0] + zeros[1];
  for (; i < n; ++i) {
    const double d = s[i] - s[i - 1];
    sumOfSquares += d * d;
    zeroDifferences += d == 0 ? 1.0 : 0.0;
  }
  zeroDiffCount_ = settings_.zeroRunCheck ? static_cast<std::int32_t>(zeroDifferences) : 0;

  double scale = 1.0;
  if (settings_.normaliseRms && sumOfSquares > 0) {
    scale = 10000 / std::sqrt(sumOfSquares / static_cast<double>(n - 1));
  }
  WriteDifferences(n, scale);
}

// (s[i] - s[i-1]) * scale for 0 < i < n; entry 0 and the padding up to kLength are zero.
void BlockSpectrum::WriteDifferences(std::size_t n, double scale) {
  const double* s = samples_.data();
  double* d = differences_.data();
  d[0] = 0.0;
  std::size_t i = 1;
  for (const V2 factor = Splat(scale); i + 1 < n; i += 2) Store2(d + i, (Load2(s + i) - Load2(s + i - 1)) * factor);
  for (; i < n; ++i) d[i] = (s[i] - s[i - 1]) * scale;
  std::fill(d + std::max<std::size_t>(n, 1), d + kLength, 0.0);
}

void BlockSpectrum::DisplaySpectrum(double* out) const { DivideByPosition(magnitudes_.data(), out, kBins); }

}  // namespace ossel
