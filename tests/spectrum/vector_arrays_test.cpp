// The array steps at every width against the plain loops they stand for, bit for bit, at counts around the vector
// widths and at a spectrum's length.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "spectrum/vector_arrays.h"

namespace ossel {
namespace {

bool SameBits(const std::vector<double>& a, const std::vector<double>& b) {
  return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}

TEST(VectorArrays, EveryWidthGivesThePlainLoopsBits) {
  std::mt19937_64 random(5);
  std::uniform_real_distribution<double> spread(-3.0, 8.0);
  for (const std::size_t count : {0u, 1u, 2u, 7u, 8u, 9u, 17u, 64u, 4096u, 4101u}) {
    std::vector<double> x(count);
    for (double& v : x) v = std::exp2(spread(random)) * (random() % 5 == 0 ? -1 : 1);
    if (count > 3) x[3] = std::numeric_limits<double>::quiet_NaN();  // passed over by the maximum
    std::vector<double> start(count);
    for (double& v : start) v = spread(random);

    std::vector<double> divided(count), sum = start, squares = start, profile = start;
    double largest = 0.0;
    for (std::size_t k = 1; k < count; ++k) divided[k] = x[k] / static_cast<double>(k);
    for (std::size_t i = 0; i < count; ++i) {
      sum[i] += x[i];
      squares[i] += x[i] * x[i];
      profile[i] += x[i];
      if (x[i] > largest) largest = x[i];
    }
    const std::size_t groups = count / 8;
    std::vector<double> groupSums(groups);
    for (std::size_t g = 0; g < groups; ++g) {
      double s = x[8 * g];
      for (int i = 1; i < 8; ++i) s += x[8 * g + i];
      groupSums[g] = s;
    }

    for (const int lanes : {2, 4, 8}) {
      SCOPED_TRACE(testing::Message() << count << " values, " << lanes << " lanes");
      std::vector<double> out(count, -1.0), inPlace = x;
      DivideByPosition(x.data(), out.data(), count, lanes);
      DivideByPosition(inPlace.data(), inPlace.data(), count, lanes);
      EXPECT_TRUE(SameBits(out, divided));
      EXPECT_TRUE(SameBits(inPlace, divided));

      std::vector<double> s = start, q = start, p = start, g(groups, -1.0);
      AddValuesAndSquares(x.data(), s.data(), q.data(), count, lanes);
      EXPECT_TRUE(SameBits(s, sum));
      EXPECT_TRUE(SameBits(q, squares));
      EXPECT_EQ(AddValuesFindMax(x.data(), p.data(), count, lanes), largest);
      EXPECT_TRUE(SameBits(p, profile));
      GroupSumsOfEight(x.data(), g.data(), groups, lanes);
      EXPECT_TRUE(SameBits(g, groupSums));
    }
  }
}

}  // namespace
}  // namespace ossel
