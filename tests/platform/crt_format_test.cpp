#include "platform/crt_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>

namespace ossel {
namespace {

TEST(CrtFormat, ExactHalvesRoundUpWhereTheCLibraryRoundsToEven) {
  EXPECT_EQ(FormatFixed(4.625, 2), "4.63");      // a track of 2048 sectors: 4.625 Mb
  EXPECT_EQ(FormatFixed(23.125, 2), "23.13");
  EXPECT_EQ(FormatFixed(2.5, 0), "3");
  EXPECT_EQ(FormatFixed(0.125, 2), "0.13");
  EXPECT_EQ(FormatFixed(-0.125, 2), "-0.13");
  EXPECT_EQ(FormatExponent(2304 * 5.38330078125, 6), "1.240313e+004");  // 12403.125
  EXPECT_EQ(FormatExponent(3328 * 5.38330078125, 6), "1.791563e+004");
  // Not halves once written with 17 digits: the nearest doubles below them stay below.
  EXPECT_EQ(FormatFixed(2.35, 1), "2.4");  // 2.35000000000000008...
  EXPECT_EQ(FormatFixed(0.5 - 1e-12, 0), "0");
}

TEST(CrtFormat, ExponentsAndCarries) {
  EXPECT_EQ(FormatExponent(44100.0, 6), "4.410000e+004");
  EXPECT_EQ(FormatExponent(0.0, 6), "0.000000e+000");
  EXPECT_EQ(FormatExponent(-5.799462e-3, 6), "-5.799462e-003");
  EXPECT_EQ(FormatExponent(9.9999996, 6), "1.000000e+001");
  EXPECT_EQ(FormatExponent(1e-300, 6), "1.000000e-300");
  EXPECT_EQ(FormatExponent(2.5e123, 6), "2.500000e+123");
  EXPECT_EQ(FormatFixed(9.996, 2), "10.00");
  EXPECT_EQ(FormatFixed(0.006, 2), "0.01");
  EXPECT_EQ(FormatFixed(0.004, 2), "0.00");
  EXPECT_EQ(FormatFixed(0.0, 6), "0.000000");
  EXPECT_EQ(FormatFixed(1e-9, 6), "0.000000");
  EXPECT_EQ(FormatFixed(0.95, 6), "0.950000");
  EXPECT_EQ(FormatFixed(123456789.0, 2), "123456789.00");
  EXPECT_EQ(FormatFixed(1e20, 0), "100000000000000000000");
}

TEST(CrtFormat, InfinitiesAndNotANumbers) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(FormatExponent(inf, 6), "1.#INF00e+000");
  EXPECT_EQ(FormatExponent(-inf, 6), "-1.#INF00e+000");
  EXPECT_EQ(FormatFixed(std::numeric_limits<double>::quiet_NaN(), 6), "1.#QNAN0");
  EXPECT_EQ(FormatFixed(-std::numeric_limits<double>::quiet_NaN(), 6), "-1.#IND00");
}

// Away from halves the digits are those of the C library.
TEST(CrtFormat, AgreesWithTheCLibraryAwayFromHalves) {
  std::mt19937_64 random(42);
  std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
  std::uniform_int_distribution<int> power(-30, 30);
  for (int i = 0; i < 20000; ++i) {
    const double value = mantissa(random) * std::pow(10.0, power(random));
    char c[64];
    std::snprintf(c, sizeof c, "%.6e", value);
    const std::string ours = FormatExponent(value, 6);
    // The C library writes two exponent digits where ours writes three.
    std::string theirs = c;
    const auto e = theirs.find('e');
    if (theirs.size() - e == 4) theirs.insert(e + 2, "0");
    // They can differ only where 17 digits end in a 5 that rounding reads differently: very rare.
    if (ours != theirs) {
      char seventeen[64];
      std::snprintf(seventeen, sizeof seventeen, "%.16e", value);
      EXPECT_EQ(seventeen[8 + (value < 0)], '5') << value << " " << ours << " " << theirs;
    }
    std::snprintf(c, sizeof c, "%.2f", value);
    if (std::fabs(value) < 1e9 && FormatFixed(value, 2) != c) {
      const double scaled = std::fabs(value) * 100;
      EXPECT_NEAR(scaled - std::floor(scaled), 0.5, 1e-6) << value << " " << FormatFixed(value, 2) << " " << c;
    }
  }
}

}  // namespace
}  // namespace ossel
