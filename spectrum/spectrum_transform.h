#pragma once

#include <cstddef>
#include <vector>

#include "spectrum/hartley_transform.h"

namespace ossel {

// The spectrum step shared by the display and the detection engine: from a real signal of N values (the
// conditioned difference signal) to the magnitude array M (N / 2 values) and, on request, entries of the complex
// spectrum C (N complex values, interleaved real and imaginary parts).
//
// Layout, with X the discrete Fourier transform of the signal and half = N / 2:
//   C[k] = conj(X[half + k]) for k < half, C[N - m] = X[half + m] for 0 < m < half, C[half] = (signal[half], 0);
//   then every even entry has its imaginary part negated and every odd entry its real part;
//   M[k] = |X[k + 1]| for k < half (M[half - 1] is the Nyquist bin).
// Readers of the upper half of the full layout (position half + j holding |X[j]|) find its values in M: position
// p > half is M[p - half - 1], position half is M[0]; nothing copies them there.
// C is formed from the Hartley transform H as C[k] = ((H[half+k] + H[half-k]) / 2, (H[half+k] - H[half-k]) / 2),
// and the magnitudes are taken in extended precision. Run keeps H, so that the entries of C a reader needs are
// formed from it afterwards, not all N of them for every signal.
// |(re, im)| taken in extended precision and rounded to a double.
double ExtendedMagnitude(double re, double im);

// magnitudes[half - 1 - k] = ExtendedMagnitude((h[half + k] + h[half - k]) / 2, (h[half + k] - h[half - k]) / 2)
// for k < half, with vectors of up to `lanes` doubles where the processor has them (and fused multiply-adds): the
// same values at every width.
void HalfSpectrumMagnitudes(const double* h, std::size_t half, double* magnitudes, int lanes);

class SpectrumTransform {
 public:
  // length as for HartleyTransform (8192 for audio blocks).
  explicit SpectrumTransform(std::size_t length);

  std::size_t Length() const { return hartley_.Length(); }

  // Transforms the signal, each value times signalScale (as if the signal had been scaled first), and writes M.
  void Run(const double* signal, double* magnitudes, double signalScale = 1.0);

  // Writes entries first .. first + count - 1 (below Length()) of C of the last signal run, interleaved.
  void ComplexEntries(std::size_t first, std::size_t count, double* out) const;

 private:
  HartleyTransform hartley_;
  std::vector<double> work_;  // H of the last signal run
  double middle_ = 0.0;       // signal[half] of the last signal run: C[half]
};

}  // namespace ossel
