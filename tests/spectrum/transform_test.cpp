// The transform and the layout of C and M against a brute-force DFT.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "spectrum/hartley_transform.h"
#include "spectrum/spectrum_transform.h"

namespace ossel {
namespace {

using Complex = std::complex<long double>;

std::vector<double> RandomSignal(std::size_t length, std::size_t used) {
  std::mt19937 random(static_cast<unsigned>(length + used));
  std::uniform_real_distribution<double> uniform(-1000.0, 1000.0);
  std::vector<double> signal(length, 0.0);
  for (std::size_t j = 0; j < used; ++j) signal[j] = uniform(random);
  return signal;
}

// X[k] = sum of x[j] e^(-2 pi i j k / N) in long double.
Complex Dft(const std::vector<double>& x, std::size_t k) {
  const std::size_t n = x.size();
  Complex sum = 0;
  for (std::size_t j = 0; j < n; ++j) {
    sum += static_cast<long double>(x[j]) * std::polar(1.0L, -2 * 3.14159265358979323846L * ((j * k) % n) / n);
  }
  return sum;
}

// Before the sign changes C[k] = conj(X[half + k]) = X[half - k] for k < half and C[N - m] = X[half + m], so
// C[half + k] = conj(X[k]); C[half] is the signal's own entry (real). Then even entries have the imaginary
// and odd entries the real part negated. M[k] = |X[k + 1]| for k < half, and nothing is written beyond it.
// Long transforms are compared at every 29th bin and at the edges.
void CheckLayout(std::size_t n, std::size_t used) {
  const std::vector<double> signal = RandomSignal(n, used);
  const std::size_t half = n / 2;
  std::vector<double> c(2 * n), m(half + 1, -1.0);
  SpectrumTransform transform(n);
  transform.Run(signal.data(), m.data());
  transform.ComplexEntries(0, n, c.data());
  const double tolerance = 1e-10 * static_cast<double>(used);

  const auto expectEntry = [&](std::size_t i, Complex z) {
    const double re = static_cast<double>(i % 2 == 0 ? z.real() : -z.real());
    const double im = static_cast<double>(i % 2 == 0 ? -z.imag() : z.imag());
    EXPECT_NEAR(c[2 * i], re, tolerance) << "C[" << i << "].re, n=" << n;
    EXPECT_NEAR(c[2 * i + 1], im, tolerance) << "C[" << i << "].im, n=" << n;
  };
  for (std::size_t k = 1; k <= half; ++k) {
    if (n > 128 && k % 29 != 0 && k > 2 && k + 2 < half) continue;
    const Complex x = Dft(signal, k);
    expectEntry(half - k, x);
    if (k < half) expectEntry(half + k, std::conj(x));
    EXPECT_NEAR(m[k - 1], static_cast<double>(std::abs(x)), tolerance) << "M[" << k - 1 << "], n=" << n;
  }
  EXPECT_EQ(c[2 * half], signal[half]);
  EXPECT_TRUE(c[2 * half + 1] == 0.0 && std::signbit(c[2 * half + 1]));
  EXPECT_EQ(m[half], -1.0);
}

TEST(SpectrumTransform, LayoutMatchesDft) {
  CheckLayout(32, 32);
  CheckLayout(128, 64);
  CheckLayout(8192, 4096);  // one channel of a stereo block
  CheckLayout(8192, 8192);  // a mono block
}

TEST(HartleyTransform, MatchesTheDefinition) {
  const std::vector<double> h = RandomSignal(512, 512);
  std::vector<double> out(h.size());
  HartleyTransform(h.size()).Transform(h.data(), out.data());
  for (std::size_t k = 0; k < h.size(); ++k) {
    const Complex x = Dft(h, k);
    EXPECT_NEAR(out[k], static_cast<double>(x.real() - x.imag()), 1e-9) << k;  // cos + sin
  }
}

TEST(HartleyTransform, BothKernelWidthsAndInPlaceGiveIdenticalBits) {
  const std::vector<double> h = RandomSignal(8192, 4096);
  std::vector<double> best(8192), twoLanes(8192), inPlace = h;
  HartleyTransform(8192).Transform(h.data(), best.data());
  HartleyTransform(8192, false).Transform(h.data(), twoLanes.data());
  HartleyTransform(8192).Transform(inPlace.data(), inPlace.data());
  EXPECT_EQ(0, std::memcmp(best.data(), twoLanes.data(), best.size() * sizeof(double)));
  EXPECT_EQ(0, std::memcmp(best.data(), inPlace.data(), best.size() * sizeof(double)));
}

// Every width's magnitudes are the extended-precision ones bit for bit, and the hard pairs are among them: roots
// within a hair of a point half-way between two doubles (a near 2^52, b near 2^26, so that b^2 / 2a is about 1/2),
// exact roots and powers of two, zeros, pairs far below and above the vector kernels' range, not-a-number and
// infinity, and ordinary random pairs.
TEST(SpectrumTransform, MagnitudesAreTheExtendedOnesAtEveryWidth) {
  std::vector<std::pair<double, double>> pairs;
  std::mt19937_64 random(11);
  for (const int scale : {-1074, -1040, -600, -210, -190, -30, 0, 30, 190, 210, 600, 960}) {
    for (int j = -40; j <= 40; ++j) {
      for (const double b : {0x1p26 - 1, 0x1p26, 0x1p26 + 1, 0x1p26 + 3}) {
        pairs.push_back({std::ldexp(0x1p52 + j, scale), std::ldexp(b, scale)});
        pairs.push_back({std::ldexp(b, scale), std::ldexp(-(0x1p52 - j), scale)});
      }
    }
    pairs.push_back({std::ldexp(3.0, scale), std::ldexp(4.0, scale)});
    pairs.push_back({std::ldexp(1.0, scale), 0.0});
    pairs.push_back({0.0, std::ldexp(-1.0, scale)});
  }
  const double inf = std::numeric_limits<double>::infinity();
  for (const double odd : {0.0, -0.0, inf, -inf, std::nan("")}) pairs.push_back({1.5, odd}), pairs.push_back({odd, odd});
  std::uniform_real_distribution<double> exponent(-250.0, 250.0);
  while (pairs.size() % 4096 != 1) pairs.push_back({std::exp2(exponent(random)), -std::exp2(exponent(random))});

  // Pair k of a half spectrum comes from h[half + k] = re + im and h[half - k] = re - im; pair 0 is h[half] alone.
  const std::size_t half = pairs.size();
  std::vector<double> h(2 * half + 1, 0.0), expected(half);
  for (std::size_t k = 1; k < half; ++k) {
    h[half + k] = pairs[k].first + pairs[k].second;
    h[half - k] = pairs[k].first - pairs[k].second;
  }
  h[half] = pairs[0].first;
  for (std::size_t k = 0; k < half; ++k) {
    expected[half - 1 - k] = ExtendedMagnitude((h[half + k] + h[half - k]) / 2, (h[half + k] - h[half - k]) / 2);
  }
  for (const int lanes : {2, 4, 8}) {
    std::vector<double> m(half, -1.0);
    HalfSpectrumMagnitudes(h.data(), half, m.data(), lanes);
    for (std::size_t i = 0; i < half; ++i) {
      if (std::isnan(expected[i])) {
        EXPECT_TRUE(std::isnan(m[i])) << lanes << " lanes, pair " << half - 1 - i;
      } else {
        ASSERT_EQ(std::memcmp(&m[i], &expected[i], sizeof(double)), 0)
            << lanes << " lanes, pair " << half - 1 - i << ": " << m[i] << " against " << expected[i];
      }
    }
  }
}

}  // namespace
}  // namespace ossel
