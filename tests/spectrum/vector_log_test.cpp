// The array logarithms against a long-double reference: 10^7 inputs over the range the engine and the display
// feed them (2^-12 up to the largest spectrum values, values next to 1) and over all doubles, and the edge values.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "spectrum/vector_lanes.h"
#include "spectrum/vector_log.h"

namespace ossel {
namespace {

constexpr long double kInvLn10 = 0.434294481903251827651128918916605082294397L;

long double ReferenceLn(double x) {
  const long double lx = x;
  // x - 1 is exact in long double; log1p keeps the relative accuracy next to 1.
  return (x > 0.5 && x < 2.0) ? std::log1p(lx - 1.0L) : std::log(lx);
}

// |value - exact| in units of the last place of the exact value's binade.
double UlpError(double value, long double exact) {
  if (exact == 0) return value == 0 ? 0.0 : std::numeric_limits<double>::infinity();
  int exponent = 0;
  std::frexp(exact, &exponent);
  const long double ulp = std::ldexp(1.0L, std::max(exponent, DBL_MIN_EXP) - DBL_MANT_DIG);
  return static_cast<double>(std::fabs(static_cast<long double>(value) - exact) / ulp);
}

// 10^7 positive finite inputs: 4 million log-uniform over the engine's and the display's range [2^-12, 2^40], 2
// million next to 1 on either side (1 +- 2^-52 .. 2^-4), 2 million uniform over the spectrum values [1, 2^27],
// 2 million random bit patterns of all positive finite doubles, subnormals included.
std::vector<double> AccuracyInputs() {
  std::mt19937_64 random(20240611);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<double> x;
  x.reserve(10'000'000);
  for (int i = 0; i < 4'000'000; ++i) x.push_back(std::exp2(-12.0 + 52.0 * unit(random)));
  for (int i = 0; i < 2'000'000; ++i) {
    const double step = std::exp2(-52.0 + 48.0 * unit(random));
    x.push_back(i % 2 == 0 ? 1.0 + step : 1.0 - step / 2);
  }
  for (int i = 0; i < 2'000'000; ++i) x.push_back(1.0 + unit(random) * 0x1p27);
  while (x.size() < 10'000'000) {
    const std::uint64_t bits = random() & 0x7FFFFFFFFFFFFFFFull;
    double v;
    std::memcpy(&v, &bits, sizeof v);
    if (std::isfinite(v) && v > 0) x.push_back(v);
  }
  return x;
}

struct Accuracy {
  double worstUlp = 0.0;
  double worstInput = 0.0;
  long notNearest = 0;  // results other than the reference rounded to a double (within the reference's own error)
};

Accuracy Measure(const std::vector<double>& x, const std::vector<double>& y, bool decimal) {
  Accuracy a;
  for (std::size_t i = 0; i < x.size(); ++i) {
    const long double ln = ReferenceLn(x[i]);
    const long double exact = decimal ? ln * kInvLn10 : ln;
    const double error = UlpError(y[i], exact);
    if (error > a.worstUlp) {
      a.worstUlp = error;
      a.worstInput = x[i];
    }
    if (y[i] != static_cast<double>(exact)) ++a.notNearest;
  }
  return a;
}

TEST(VectorLog, WithinOneUlpOverTenMillionInputs) {
  const std::vector<double> x = AccuracyInputs();
  ASSERT_GE(x.size(), 10'000'000u);
  std::vector<double> y(x.size());
  for (const bool decimal : {false, true}) {
    if (decimal) {
      DecimalLogOfSum(x.data(), 0.0, y.data(), x.size());
    } else {
      NaturalLogOfSum(x.data(), 0.0, y.data(), x.size());
    }
    const Accuracy a = Measure(x, y, decimal);
    EXPECT_LT(a.worstUlp, 1.0) << (decimal ? "log10(" : "ln(") << a.worstInput << ")";
    // The logarithm is carried some ten bits beyond double precision and rounded once: only values whose exact
    // logarithm sits next to a half-way point may round the other way.
    EXPECT_LT(a.worstUlp, 0.51) << (decimal ? "log10(" : "ln(") << a.worstInput << ")";
    std::printf("[          ] %s: %zu inputs, worst %.4f ulp at %.17g, %ld not the nearest double\n",
                decimal ? "log10" : "ln", x.size(), a.worstUlp, a.worstInput, a.notNearest);
  }
}

TEST(VectorLog, EdgeValues) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    double x, result;  // the same for both bases
  };
  const Case edgeCases[] = {{0.0, -inf}, {-0.0, -inf}, {inf, inf}, {-1.0, nan}, {-inf, nan}, {nan, nan}, {1.0, 0.0}};
  for (const Case& c : edgeCases) {
    for (const LogLanes lanes : {LogLanes::Two, LogLanes::Four, LogLanes::Eight}) {
      double ln = 1, log10 = 1;
      NaturalLogOfSum(&c.x, 0.0, &ln, 1, lanes);
      DecimalLogOfSum(&c.x, 0.0, &log10, 1, lanes);
      if (std::isnan(c.result)) {
        EXPECT_TRUE(std::isnan(ln) && std::isnan(log10)) << c.x;
      } else {
        EXPECT_EQ(ln, c.result) << "ln " << c.x;
        EXPECT_EQ(log10, c.result) << "log10 " << c.x;
        EXPECT_EQ(std::signbit(ln), std::signbit(c.result)) << c.x;
        EXPECT_EQ(std::signbit(log10), std::signbit(c.result)) << c.x;
      }
    }
  }
  // Powers of ten come out whole; subnormals, the normal edges and every interval edge of the reduction within
  // half an ulp (and a little).
  for (int p = -300; p <= 300; ++p) {
    const double x = std::stod("1e" + std::to_string(p));
    double y = 0;
    DecimalLogOfSum(&x, 0.0, &y, 1);
    EXPECT_LT(UlpError(y, ReferenceLn(x) * kInvLn10), 0.51) << x;
    if (p >= 0 && p <= 22) {
      EXPECT_EQ(y, p);
    }
  }
  std::vector<double> edges = {DBL_TRUE_MIN, 2 * DBL_TRUE_MIN, DBL_MIN - DBL_TRUE_MIN, DBL_MIN, DBL_MAX,
                               std::nextafter(1.0, 0.0), std::nextafter(1.0, 2.0), 0x1.6a09e667f3bcdp0,
                               4.1e7 + 0x1p-12, 0x1p26 + 1};  // the largest spectrum values
  for (int i = 0; i <= 128; ++i) {
    const double edge = 1.0 + i / 128.0;
    for (double x = std::nextafter(edge, 0.0), n = 0; n < 5; x = std::nextafter(x, 4.0), ++n) edges.push_back(x);
  }
  std::vector<double> ln(edges.size()), log10(edges.size());
  NaturalLogOfSum(edges.data(), 0.0, ln.data(), edges.size());
  DecimalLogOfSum(edges.data(), 0.0, log10.data(), edges.size());
  for (std::size_t i = 0; i < edges.size(); ++i) {
    EXPECT_LT(UlpError(ln[i], ReferenceLn(edges[i])), 0.51) << edges[i];
    EXPECT_LT(UlpError(log10[i], ReferenceLn(edges[i]) * kInvLn10), 0.51) << edges[i];
  }
}

// The widths agree bit for bit; odd counts, the added constant and work in place.
TEST(VectorLog, WidthsAgreeAndSumComesFirst) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> spread(-12.0, 27.0);
  std::vector<double> x(1'000'003);
  for (double& v : x) v = std::exp2(spread(random));
  x[5] = 0.0;
  x[6] = DBL_TRUE_MIN;
  for (const bool decimal : {false, true}) {
    const auto run = [&](LogLanes lanes, double add, std::vector<double>& out) {
      out.assign(x.size(), 0.0);
      if (decimal) {
        DecimalLogOfSum(x.data(), add, out.data(), x.size(), lanes);
      } else {
        NaturalLogOfSum(x.data(), add, out.data(), x.size(), lanes);
      }
    };
    std::vector<double> two, four, eight;
    run(LogLanes::Two, 1.0, two);
    run(LogLanes::Four, 1.0, four);
    run(LogLanes::Eight, 1.0, eight);
    EXPECT_EQ(std::memcmp(two.data(), four.data(), two.size() * sizeof(double)), 0);
    EXPECT_EQ(std::memcmp(two.data(), eight.data(), two.size() * sizeof(double)), 0);
    for (std::size_t i = 0; i < x.size(); i += 997) {
      EXPECT_LT(UlpError(two[i], ReferenceLn(x[i] + 1.0) * (decimal ? kInvLn10 : 1.0L)), 0.51) << x[i];
    }
    std::vector<double> inPlace = x;
    if (decimal) {
      DecimalLogOfSum(inPlace.data(), 1.0, inPlace.data(), 3);
    } else {
      NaturalLogOfSum(inPlace.data(), 1.0, inPlace.data(), 3);
    }
    for (int i = 0; i < 3; ++i) EXPECT_EQ(inPlace[i], two[i]);
    EXPECT_EQ(inPlace[3], x[3]);
  }
  if (ProcessorLanes() < 4) GTEST_SKIP() << "no AVX2: every run took the two-lane path";
}

}  // namespace
}  // namespace ossel
