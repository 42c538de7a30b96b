// The Hartley transform and the spectrum layout against brute-force transforms.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <random>
#include <vector>

#include "spectrum/hartley_transform.h"
#include "spectrum/spectrum_transform.h"

namespace ossel {
namespace {

using LongComplex = std::complex<long double>;

constexpr long double kPi = 3.141592653589793238462643383279502884L;

std::vector<double> RandomSignal(std::size_t length, std::size_t used, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> uniform(-1000.0, 1000.0);
  std::vector<double> signal(length, 0.0);
  for (std::size_t j = 0; j < used; ++j) signal[j] = uniform(random);
  return signal;
}

// X[k] = sum of x[j] e^(-2 pi i j k / N), in long double with exact index reduction.
class BruteForce {
 public:
  explicit BruteForce(const std::vector<double>& x) : x_(x), cos_(x.size()), sin_(x.size()) {
    const std::size_t n = x.size();
    for (std::size_t m = 0; m < n; ++m) {
      cos_[m] = std::cos(2 * kPi * m / n);
      sin_[m] = std::sin(2 * kPi * m / n);
    }
  }

  LongComplex Dft(std::size_t k) const {
    long double re = 0, im = 0;
    for (std::size_t j = 0; j < x_.size(); ++j) {
      const std::size_t m = (j * k) % x_.size();
      re += x_[j] * cos_[m];
      im -= x_[j] * sin_[m];
    }
    return {re, im};
  }

  long double Hartley(std::size_t k) const {
    const LongComplex X = Dft(k);
    return X.real() - X.imag();  // cos + sin = Re X - Im X
  }

  long double Scale() const {
    long double sum = 0;
    for (double v : x_) sum += std::fabs(v);
    return sum;
  }

 private:
  std::vector<double> x_;
  std::vector<long double> cos_, sin_;
};

// Every bin up to 512; for longer transforms the edges, the middle and every 37th bin.
std::vector<std::size_t> BinsToCheck(std::size_t n) {
  std::vector<std::size_t> bins;
  for (std::size_t k = 0; k < n; ++k) {
    const bool edge = k < 4 || k + 4 >= n || (k + 2 >= n / 2 && k <= n / 2 + 2);
    if (n <= 512 || edge || k % 37 == 0) bins.push_back(k);
  }
  return bins;
}

TEST(HartleyTransform, MatchesBruteForceAtSeveralLengths) {
  for (std::size_t n : {32u, 128u, 512u, 8192u}) {
    const std::vector<double> h = RandomSignal(n, n, static_cast<unsigned>(n));
    const BruteForce reference(h);
    HartleyTransform transform(n);
    ASSERT_EQ(transform.Length(), n);
    std::vector<double> out(n);
    transform.Transform(h.data(), out.data());
    const long double tolerance = 1e-14L * reference.Scale();
    for (std::size_t k : BinsToCheck(n)) {
      EXPECT_NEAR(out[k], static_cast<double>(reference.Hartley(k)), static_cast<double>(tolerance))
          << "n=" << n << " k=" << k;
    }
  }
}

TEST(HartleyTransform, BothKernelWidthsAndInPlaceGiveIdenticalBits) {
  const std::vector<double> h = RandomSignal(8192, 4096, 3);
  HartleyTransform best(8192);
  HartleyTransform twoLanes(8192, false);
  std::vector<double> a(8192), b(8192);
  best.Transform(h.data(), a.data());
  twoLanes.Transform(h.data(), b.data());
  EXPECT_EQ(0, std::memcmp(a.data(), b.data(), a.size() * sizeof(double)));

  std::vector<double> inPlace = h;
  best.Transform(inPlace.data(), inPlace.data());
  EXPECT_EQ(0, std::memcmp(a.data(), inPlace.data(), a.size() * sizeof(double)));
}

TEST(HartleyTransform, RejectsUnsupportedLengths) {
  for (std::size_t n : {0u, 8u, 16u, 64u, 256u, 8190u, 8193u}) {
    EXPECT_FALSE(HartleyTransform::IsSupportedLength(n)) << n;
    EXPECT_EQ(HartleyTransform(n).Length(), 0u) << n;
  }
  double untouched[4] = {1, 2, 3, 4};
  HartleyTransform(64).Transform(untouched, untouched);
  EXPECT_EQ(untouched[3], 4.0);
}

// C and M against the DFT X of the signal: C[k] = conj(X[half + k]) for k < half, C[N - m] = X[half + m],
// C[half] = (signal[half], 0), then even entries have the imaginary and odd entries the real part negated;
// M[k] = |X[k + 1]|, M[half] = |X[1]|, M[half + j] = |X[j]|.
void CheckLayout(std::size_t n, std::size_t used, bool everyBin) {
  const std::vector<double> signal = RandomSignal(n, used, static_cast<unsigned>(n + used));
  const BruteForce reference(signal);
  const std::size_t half = n / 2;
  SpectrumTransform transform(n);
  std::vector<double> c(2 * n, -1.0), m(n, -1.0);
  transform.Run(signal.data(), c.data(), m.data());
  const double tolerance = static_cast<double>(1e-14L * reference.Scale());

  std::vector<LongComplex> x(n);
  std::vector<bool> known(n, false);
  for (std::size_t k = 0; k <= half; ++k) {
    if (everyBin || k < 4 || k + 4 > half || k % 29 == 0) {
      x[k] = reference.Dft(k);
      known[k] = true;
    }
  }
  const auto dft = [&](std::size_t k) { return k <= half ? x[k] : std::conj(x[n - k]); };
  const auto isKnown = [&](std::size_t k) { return k <= half ? known[k] : known[n - k]; };

  for (std::size_t i = 0; i < n; ++i) {
    LongComplex expected;
    if (i < half) {
      if (!isKnown(half + i)) continue;
      expected = std::conj(dft(half + i));
    } else if (i == half) {
      expected = {signal[half], 0};
    } else {
      if (!isKnown(i - half)) continue;
      expected = dft(n + half - i);  // i = N - m, so half + m = N + half - i
    }
    const double re = static_cast<double>(i % 2 == 0 ? expected.real() : -expected.real());
    const double im = static_cast<double>(i % 2 == 0 ? -expected.imag() : expected.imag());
    EXPECT_NEAR(c[2 * i], re, tolerance) << "C re, n=" << n << " i=" << i;
    EXPECT_NEAR(c[2 * i + 1], im, tolerance) << "C im, n=" << n << " i=" << i;
  }
  EXPECT_TRUE(std::signbit(c[2 * half + 1]));  // the imaginary 0 of C[half], negated

  for (std::size_t k = 0; k < half; ++k) {
    if (!isKnown(k + 1)) continue;
    EXPECT_NEAR(m[k], static_cast<double>(std::abs(dft(k + 1))), tolerance) << "M, n=" << n << " k=" << k;
  }
  EXPECT_EQ(m[half], m[0]);
  for (std::size_t j = 1; j < half; ++j) ASSERT_EQ(m[half + j], m[j - 1]) << j;
}

TEST(SpectrumTransform, LayoutOfSmallTransformMatchesDft) {
  CheckLayout(32, 32, true);
  CheckLayout(128, 64, true);
}

TEST(SpectrumTransform, LayoutOfBlockLengthMatchesDft) {
  CheckLayout(8192, 4096, false);  // two channels: half the length used
  CheckLayout(8192, 8192, false);  // one channel
}

}  // namespace
}  // namespace ossel
