// Per-block evidence: the cutoff search against a plain implementation, the histogram bins and the phase
// spread.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "detector/block_evidence.h"

namespace ossel {
namespace {

constexpr int kPositions = 8192;

// The search written out directly: every window range recomputed at every position.
CutoffPositions DirectScan(const std::vector<double>& m) {
  const auto range = [&](int first, int last, bool logarithmic) {
    double high = -INFINITY, low = INFINITY;
    for (int i = first; i <= last; ++i) {
      const double v = logarithmic ? std::log(1 + m[i]) : m[i];
      high = std::max(high, v);
      low = std::min(low, v);
    }
    return high - low;
  };
  CutoffPositions fired = {-1, -1, -1, -1};
  for (int p = 8191; p >= 4297; --p) {
    const double a = std::fabs(range(p - 124, p - 25, true));
    const double b = range(p - 99, p, true);
    const double a2 = std::fabs(range(p - 124, p - 25, false));
    const double b2 = range(p - 99, p, false);
    const bool fires[4] = {a > 1.3 * b, a > 1.9 * b, a2 > 1.2 * b2, a2 > 2.4 * b2};
    for (int n = 0; n < 4; ++n) {
      if (fired[n] < 0 && fires[n]) fired[n] = p;
    }
    if (fired[0] >= 0 && fired[1] >= 0 && fired[2] >= 0) break;
  }
  return fired;
}

// A magnitude array laid out as the transform leaves it: the upper half is the lower half moved up one.
std::vector<double> Layout(const std::vector<double>& bins) {
  std::vector<double> m(kPositions);
  std::copy(bins.begin(), bins.begin() + 4096, m.begin());
  m[4096] = m[0];
  for (int j = 1; j < 4096; ++j) m[4096 + j] = m[j - 1];
  return m;
}

// Loud noisy bins below `edge`, quiet noisy bins above it.
std::vector<double> Step(std::mt19937& random, int edge, double low, double high, double jitter) {
  std::uniform_real_distribution<double> uniform(1.0 - jitter, 1.0 + jitter);
  std::vector<double> bins(4096);
  for (int k = 0; k < 4096; ++k) bins[k] = (k < edge ? high : low) * uniform(random);
  return bins;
}

TEST(CutoffScanner, MatchesDirectSearchOnRandomAndStepSpectra) {
  std::mt19937 random(17);
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  std::exponential_distribution<double> exponential(0.01);
  CutoffScanner scanner;
  int fullyFired = 0;
  for (int trial = 0; trial < 60; ++trial) {
    std::vector<double> bins(4096);
    switch (trial % 4) {
      case 0: for (double& v : bins) v = uniform(random) * 1000; break;
      case 1: for (double& v : bins) v = exponential(random); break;
      case 2: bins = Step(random, 2800 + trial * 17, 1.0, 800.0, 0.5); break;
      default: bins = Step(random, 3000 + trial * 11, 50.0, 60.0, 0.05); break;
    }
    const std::vector<double> m = Layout(bins);
    const CutoffPositions expected = DirectScan(m);
    ASSERT_EQ(scanner.Scan(m.data() + CutoffScanner::kLowest), expected) << "trial " << trial;
    if (expected[0] >= 0 && expected[1] >= 0 && expected[2] >= 0) ++fullyFired;
  }
  EXPECT_GT(fullyFired, 10);  // the stop rule was exercised
}

TEST(CutoffScanner, FlatSpectrumFiresNothing) {
  CutoffScanner scanner;
  const std::vector<double> m(kPositions, 42.0);
  EXPECT_EQ(scanner.Scan(m.data() + CutoffScanner::kLowest), (CutoffPositions{-1, -1, -1, -1}));
}

// Above the edge the magnitudes alternate 1 and 1 + e; the first position whose lower window reaches a
// value 1 + 2e below the edge fires detectors 1 to 3 (ratios of about 2 in both arrays) but not detector 4
// (factor 2.4). The search stops there, so the much larger step further down never reaches detector 4.
TEST(CutoffScanner, DetectorFourBelowTheStopIsIgnored) {
  const double e = 1e-3;
  std::vector<double> m(kPositions);
  const int edge = 7000;
  for (int i = 0; i < kPositions; ++i) m[i] = i % 2 == 0 ? 1.0 : 1.0 + e;
  m[edge - 1] = 1.0 + 2 * e;
  m[6000] = 100.0;
  const int stop = edge - 1 + 124;
  CutoffScanner scanner;
  EXPECT_EQ(scanner.Scan(m.data() + CutoffScanner::kLowest), (CutoffPositions{stop, stop, stop, -1}));
  EXPECT_EQ(DirectScan(m), (CutoffPositions{stop, stop, stop, -1}));

  m[edge - 1] = 1.0 + 3 * e;  // now above 2.4 times the upper range as well
  EXPECT_EQ(scanner.Scan(m.data() + CutoffScanner::kLowest), (CutoffPositions{stop, stop, stop, stop}));
}

TEST(RecordCutoffs, BinIsTheFrequencyTenBinsBelowTheWindowTop) {
  TrackEvidence evidence;
  RecordCutoffs(evidence, {8191, 4297, -1, 6000}, 44100);
  EXPECT_EQ(evidence.cutoffHistogram[0][21990], 1.0);
  EXPECT_EQ(evidence.cutoffHistogram[1][1028], 1.0);
  EXPECT_EQ(evidence.cutoffHistogram[3][(1894u * 44100u) >> 13], 1.0);
  EXPECT_EQ(evidence.cutoffCount, (std::array<double, 4>{1.0, 1.0, 0.0, 1.0}));

  // Unsigned 32-bit arithmetic: (8191 - 4106) * (2^32 - 1) wraps to 2^32 - 4085, far outside the histogram.
  RecordCutoffs(evidence, {8191, -1, -1, -1}, 4294967295u);
  EXPECT_EQ(evidence.cutoffCount[0], 1.0);
  RecordCutoffs(evidence, {4500, -1, -1, -1}, 0);
  EXPECT_EQ(evidence.cutoffHistogram[0][0], 1.0);
  EXPECT_EQ(evidence.cutoffCount[0], 2.0);
}

// C entries (sin a, cos a) have phase a: atan2 takes the real part first.
std::vector<double> PhasesAtTop(const std::vector<double>& angles) {
  std::vector<double> c(2 * kPhaseCount, 0.0);
  for (std::size_t j = 0; j < angles.size(); ++j) {
    c[2 * j] = std::sin(angles[j]);
    c[2 * j + 1] = std::cos(angles[j]);
  }
  return c;
}

TEST(PhaseSpread, UsesTheRawSumOfStepsSquared) {
  // Phases +0.5, -0.5, +0.5, ... at 7792 .. 8190: steps 0.5 then 398 of size 1, S1 = 0.5, S2 = 398.25.
  std::vector<double> angles(399);
  for (std::size_t j = 0; j < angles.size(); ++j) angles[j] = j % 2 == 0 ? 0.5 : -0.5;
  EXPECT_NEAR(PhaseSpread(PhasesAtTop(angles).data()), std::sqrt(398.0 / 399.0), 1e-14);

  // A steady phase ramp: S1 * S1 outgrows S2 and the spread is not a number.
  for (std::size_t j = 0; j < angles.size(); ++j) angles[j] = 0.005 * static_cast<double>(j + 1);
  EXPECT_TRUE(std::isnan(PhaseSpread(PhasesAtTop(angles).data())));

  // All phases 0: a spread of 0, which is not recorded.
  TrackEvidence evidence;
  RecordPhaseSpread(evidence, PhaseSpread(std::vector<double>(2 * kPhaseCount, 0.0).data()));
  RecordPhaseSpread(evidence, std::nan(""));
  EXPECT_EQ(evidence.minPhaseSpread, 10.0);
}

}  // namespace
}  // namespace ossel
