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

void SpectrumTransform::Run(const double* signal, double* complexSpectrum, double* magnitudes) {
  const std::size_t n = Length();
  if (n == 0) return;
  const std::size_t half = n / 2;
  const double* h = work_.data();
  hartley_.Transform(signal, work_.data());

  // Entry k and its mirror N - k share the parity that picks which part is negated: an even entry becomes
  // (re, -im) and its mirror, the conjugate, (re, im); an odd entry (-re, im) and its mirror (-re, -im).
  // half is even, so the entries come in (even, odd) pairs.
  double* c = complexSpectrum;
  for (std::size_t k = 0; k < half; k += 2) {
    const double evenRe = (h[half + k] + h[half - k]) / 2;
    const double evenIm = (h[half + k] - h[half - k]) / 2;
    c[2 * k] = evenRe;
    c[2 * k + 1] = -evenIm;
    if (k > 0) {
      c[2 * (n - k)] = evenRe;
      c[2 * (n - k) + 1] = evenIm;
    }
    magnitudes[half - 1 - k] = Magnitude(evenRe, evenIm);

    const std::size_t o = k + 1;
    const double oddRe = (h[half + o] + h[half - o]) / 2;
    const double oddIm = (h[half + o] - h[half - o]) / 2;
    c[2 * o] = -oddRe;
    c[2 * o + 1] = oddIm;
    c[2 * (n - o)] = -oddRe;
    c[2 * (n - o) + 1] = -oddIm;
    magnitudes[half - 1 - o] = Magnitude(oddRe, oddIm);
  }
  // C[half] is the signal's own entry with imaginary part 0, negated as an even entry.
  c[2 * half] = signal[half];
  c[2 * half + 1] = -0.0;

}

}  // namespace ossel
