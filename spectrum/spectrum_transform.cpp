#include "spectrum/spectrum_transform.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

#include "spectrum/vector4.h"
#include "spectrum/vector8.h"
#include "spectrum/vector_lanes.h"

#if defined(OSSEL_VECTOR4) || defined(OSSEL_VECTOR8)
#include <immintrin.h>
#endif

namespace ossel {
namespace {

#ifdef OSSEL_VECTOR4
#pragma GCC push_options
#pragma GCC target("avx2,fma")

namespace four_lanes {

using namespace vector4;

inline V Fma(V a, V b, V c) { return (V)_mm256_fmadd_pd((__m256d)a, (__m256d)b, (__m256d)c); }
inline V Sqrt(V v) { return (V)_mm256_sqrt_pd((__m256d)v); }

#include "spectrum/magnitude_kernels.inc"

}  // namespace four_lanes

#pragma GCC pop_options
#endif

#ifdef OSSEL_VECTOR8
#pragma GCC push_options
#pragma GCC target("avx512f,avx512dq")

namespace eight_lanes {

using namespace vector8;

inline V Fma(V a, V b, V c) { return (V)_mm512_fmadd_pd((__m512d)a, (__m512d)b, (__m512d)c); }
inline V Sqrt(V v) { return (V)_mm512_maskz_sqrt_pd(0xFF, (__m512d)v); }

#include "spectrum/magnitude_kernels.inc"

}  // namespace eight_lanes

#pragma GCC pop_options
#endif

}  // namespace

double ExtendedMagnitude(double re, double im) {
  const long double lr = re;
  const long double li = im;
  return static_cast<double>(std::sqrt(lr * lr + li * li));
}

void HalfSpectrumMagnitudes(const double* h, std::size_t half, double* magnitudes, int lanes) {
#ifdef OSSEL_VECTOR8
  if (lanes >= 8 && ProcessorLanes() >= 8) return eight_lanes::HalfSpectrumMagnitudes(h, half, magnitudes);
#endif
#ifdef OSSEL_VECTOR4
  if (lanes >= 4 && ProcessorLanes() >= 4 && HasFusedMultiplyAdd()) {
    return four_lanes::HalfSpectrumMagnitudes(h, half, magnitudes);
  }
#endif
  (void)lanes;
  for (std::size_t k = 0; k < half; ++k) {
    magnitudes[half - 1 - k] = ExtendedMagnitude((h[half + k] + h[half - k]) / 2, (h[half + k] - h[half - k]) / 2);
  }
}

SpectrumTransform::SpectrumTransform(std::size_t length) : hartley_(length), work_(hartley_.Length()) {}

void SpectrumTransform::Run(const double* signal, double* magnitudes, double signalScale) {
  const std::size_t n = Length();
  if (n == 0) return;
  const std::size_t half = n / 2;
  hartley_.Transform(signal, work_.data(), signalScale);
  middle_ = signal[half] * signalScale;
  HalfSpectrumMagnitudes(work_.data(), half, magnitudes, WidestLanes());
}

// Entry k < half is (re, im) of k, entry N - k its conjugate. An even entry then becomes (re, -im) and its
// mirror (re, im); an odd entry (-re, im) and its mirror (-re, -im). C[half] is the signal's own entry with
// imaginary part 0, negated as an even entry. A negation is a flip of the sign bit, as the unary minus does it.
void SpectrumTransform::ComplexEntries(std::size_t first, std::size_t count, double* out) const {
  const std::size_t n = Length();
  const std::size_t half = n / 2;
  const std::size_t end = std::min(first + count, n);
  const double* h = work_.data();
  constexpr std::uint64_t kSign = std::uint64_t{1} << 63;
  const auto flip = [](double x, std::uint64_t sign) {
    return std::bit_cast<double>(std::bit_cast<std::uint64_t>(x) ^ sign);
  };
  std::size_t i = first;
  for (; i < end && i < half; ++i, out += 2) {
    const double re = (h[half + i] + h[half - i]) / 2;
    const double im = (h[half + i] - h[half - i]) / 2;
    const std::uint64_t odd = (i & 1) << 63;
    out[0] = flip(re, odd);
    out[1] = flip(im, odd ^ kSign);
  }
  if (i < end && i == half) {
    out[0] = middle_;
    out[1] = -0.0;
    ++i;
    out += 2;
  }
  for (; i < end; ++i, out += 2) {
    const std::size_t k = n - i;
    const double re = (h[half + k] + h[half - k]) / 2;
    const double im = (h[half + k] - h[half - k]) / 2;
    const std::uint64_t odd = (k & 1) << 63;
    out[0] = flip(re, odd);
    out[1] = flip(im, odd);
  }
}

}  // namespace ossel
