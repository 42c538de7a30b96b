#include "spectrum/spectrum_transform.h"

#include <cmath>

namespace ossel {
namespace {

// Magnitude in extended precision, stored as a double.
inline double Magnitude(double re, double im) {
  const long double lr = re;
  const long double li = im;
  return static_cast<double>(std::sqrt(lr * lr + li * li));
}

}  // namespace

SpectrumTransform::SpectrumTransform(std::size_t length) : hartley_(length), work_(hartley_.Length()) {}

void SpectrumTransform::Run(const double* signal, double* magnitudes) {
  const std::size_t n = Length();
  if (n == 0) return;
  const std::size_t half = n / 2;
  const double* h = work_.data();
  hartley_.Transform(signal, work_.data());
  middle_ = signal[half];
  for (std::size_t k = 0; k < half; ++k) {
    const double re = (h[half + k] + h[half - k]) / 2;
    const double im = (h[half + k] - h[half - k]) / 2;
    magnitudes[half - 1 - k] = Magnitude(re, im);
  }
}

// Entry k < half is (re, im) of k, entry N - k its conjugate. An even entry then becomes (re, -im) and its
// mirror (re, im); an odd entry (-re, im) and its mirror (-re, -im). C[half] is the signal's own entry with
// imaginary part 0, negated as an even entry.
void SpectrumTransform::ComplexEntries(std::size_t first, std::size_t count, double* out) const {
  const std::size_t n = Length();
  const std::size_t half = n / 2;
  const double* h = work_.data();
  for (std::size_t i = first; i < first + count && i < n; ++i, out += 2) {
    if (i == half) {
      out[0] = middle_;
      out[1] = -0.0;
      continue;
    }
    const std::size_t k = i < half ? i : n - i;
    const double re = (h[half + k] + h[half - k]) / 2;
    const double im = (h[half + k] - h[half - k]) / 2;
    const bool even = k % 2 == 0;
    const bool mirror = i > half;
    out[0] = even ? re : -re;
    out[1] = even == mirror ? im : -im;
  }
}

}  // namespace ossel
