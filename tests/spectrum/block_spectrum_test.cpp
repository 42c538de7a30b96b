// Conditioning of one channel of a CD block and the display spectrum.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "spectrum/block_spectrum.h"

namespace ossel {
namespace {

constexpr int kValues = BlockSpectrum::kBlockValues;
constexpr std::size_t kLength = BlockSpectrum::kLength;

std::vector<std::int16_t> RandomBlock(unsigned seed, int amplitude) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> uniform(-amplitude, amplitude);
  std::vector<std::int16_t> block(kValues);
  for (auto& v : block) v = static_cast<std::int16_t>(uniform(random));
  return block;
}

std::vector<double> Display(const BlockSpectrum& spectrum) {
  std::vector<double> out(BlockSpectrum::kBins);
  spectrum.DisplaySpectrum(out.data());
  return out;
}

bool SameBits(const double* a, const double* b, std::size_t count) {
  return std::memcmp(a, b, count * sizeof(double)) == 0;
}

TEST(BlockSpectrum, PureToneAtBinPeaksOneDisplayPositionLower) {
  BlockSpectrum spectrum;
  for (int bin : {200, 1001, 3000}) {
    std::vector<std::int16_t> block(kValues);
    for (int i = 0; i < kValues / 2; ++i) {
      const double phase = 2 * M_PI * bin * i / 8192.0;
      block[2 * i] = static_cast<std::int16_t>(std::lround(12000 * std::sin(phase)));
      block[2 * i + 1] = static_cast<std::int16_t>(std::lround(-3000 * std::sin(phase)));
    }
    for (unsigned channel = 0; channel < 2; ++channel) {
      ASSERT_TRUE(spectrum.TransformChannel(block.data(), 2, channel));
      const std::vector<double> display = Display(spectrum);
      EXPECT_EQ(std::max_element(display.begin(), display.end()) - display.begin(), bin - 1) << bin;
    }
  }
}

TEST(BlockSpectrum, DigitalSilence) {
  const std::vector<std::int16_t> silence(kValues, 0);
  BlockSpectrum spectrum;
  ASSERT_TRUE(spectrum.TransformChannel(silence.data(), 2, 1));
  EXPECT_EQ(spectrum.ZeroDiffCount(), 4095);
  const std::vector<double> display = Display(spectrum);
  EXPECT_TRUE(std::all_of(display.begin(), display.end(), [](double v) { return v == 0.0; }));
}

// The count is per channel and follows the number of samples the channel has; -32767 reads as -32768,
// except as a channel's first sample, which becomes 0.
TEST(BlockSpectrum, ZeroDifferencesAndExtremeCodes) {
  BlockSpectrum spectrum;
  const std::vector<std::int16_t> constant(kValues, 1234);
  for (auto [channels, channel, expected] : {std::tuple{1u, 0u, 8191}, {2u, 1u, 4095}, {3u, 0u, 2730}, {3u, 2u, 2729}}) {
    ASSERT_TRUE(spectrum.TransformChannel(constant.data(), channels, channel));
    EXPECT_EQ(spectrum.ZeroDiffCount(), expected) << channels << " channels, channel " << channel;
  }
  EXPECT_FALSE(spectrum.TransformChannel(constant.data(), 2, 2));
  BlockSpectrum uncounted(ConditioningSettings{false, true});
  ASSERT_TRUE(uncounted.TransformChannel(constant.data(), 2, 0));
  EXPECT_EQ(uncounted.ZeroDiffCount(), 0);

  const std::vector<std::int16_t> extreme(kValues, -32767);
  ASSERT_TRUE(spectrum.TransformChannel(extreme.data(), 2, 0));
  EXPECT_EQ(spectrum.ZeroDiffCount(), 4094);  // 0, -32768, -32768, ...

  // Both channels of a stereo block, the full-scale codes next to the replaced one kept.
  for (const unsigned channel : {0u, 1u}) {
    std::vector<std::int16_t> replaced = RandomBlock(9, 20000);
    replaced[channel] = -32767;
    replaced[2 * 700 + channel] = -32767;
    replaced[2 * 701 + channel] = -32768;
    replaced[2 * 4095 + channel] = 32767;
    std::vector<std::int16_t> expected = replaced;
    expected[channel] = 0;
    expected[2 * 700 + channel] = -32768;
    BlockSpectrum other;
    ASSERT_TRUE(spectrum.TransformChannel(replaced.data(), 2, channel));
    ASSERT_TRUE(other.TransformChannel(expected.data(), 2, channel));
    std::vector<double> c(2 * kLength), otherC(2 * kLength);
    spectrum.ComplexEntries(0, kLength, c.data());
    other.ComplexEntries(0, kLength, otherC.data());
    EXPECT_TRUE(SameBits(c.data(), otherC.data(), 2 * kLength)) << channel;
  }
  // Each channel is its own: a block silent on the right only.
  std::vector<std::int16_t> leftOnly = RandomBlock(3, 20000);
  for (std::size_t i = 1; i < leftOnly.size(); i += 2) leftOnly[i] = 0;
  ASSERT_TRUE(spectrum.TransformChannel(leftOnly.data(), 2, 1));
  EXPECT_EQ(spectrum.ZeroDiffCount(), 4095);
  ASSERT_TRUE(spectrum.TransformChannel(leftOnly.data(), 2, 0));
  EXPECT_LT(spectrum.ZeroDiffCount(), 100);
}

// One object for blocks of different channel counts: a longer signal before leaves nothing in the padding of a
// shorter one after, and a shorter one before nothing missing from a longer one.
TEST(BlockSpectrum, TheChannelCountMayChangeFromBlockToBlock) {
  const std::vector<std::int16_t> block = RandomBlock(12, 20000);
  for (const auto& [before, after] : {std::pair{1u, 2u}, {1u, 3u}, {3u, 2u}, {2u, 1u}}) {
    BlockSpectrum reused, fresh;
    ASSERT_TRUE(reused.TransformChannel(block.data(), before, 0));
    ASSERT_TRUE(reused.TransformChannel(block.data(), after, after - 1));
    ASSERT_TRUE(fresh.TransformChannel(block.data(), after, after - 1));
    EXPECT_TRUE(SameBits(reused.Magnitudes(), fresh.Magnitudes(), kLength / 2)) << before << " then " << after;
  }
}

// The difference signal is scaled to an RMS of 10000 over its 4095 steps: a louder copy of a block gives
// the same bits, and by Parseval |X[0]|^2 + 2 * sum of |X[j]|^2 (0 < j < 4096) + |X[4096]|^2 is
// 8192 * 4095 * 10^8, with X[0] the sum of the scaled steps.
TEST(BlockSpectrum, DifferenceSignalIsNormalisedToFixedRms) {
  const std::vector<std::int16_t> quiet = RandomBlock(4, 8000);
  std::vector<std::int16_t> loud(quiet.size());
  std::transform(quiet.begin(), quiet.end(), loud.begin(), [](std::int16_t v) { return std::int16_t(2 * v); });
  BlockSpectrum a, b;
  ASSERT_TRUE(a.TransformChannel(quiet.data(), 2, 1));
  ASSERT_TRUE(b.TransformChannel(loud.data(), 2, 1));
  EXPECT_TRUE(SameBits(a.Magnitudes(), b.Magnitudes(), kLength / 2));

  const double* m = a.Magnitudes();
  long double energy = static_cast<long double>(m[4095]) * m[4095];
  for (int k = 0; k < 4095; ++k) energy += 2.0L * m[k] * m[k];
  double sumOfSquares = 0;
  for (int i = 1; i < 4096; ++i) sumOfSquares += std::pow(quiet[2 * i + 1] - quiet[2 * i - 1], 2);
  const long double x0 = (quiet[8191] - quiet[1]) * 10000 / std::sqrt(sumOfSquares / 4095);
  EXPECT_NEAR(static_cast<double>((energy + x0 * x0) / (8192.0L * 4095 * 1e8L)), 1.0, 1e-12);

  BlockSpectrum raw(ConditioningSettings{true, false}), rawLoud(ConditioningSettings{true, false});
  ASSERT_TRUE(raw.TransformChannel(quiet.data(), 2, 1));
  ASSERT_TRUE(rawLoud.TransformChannel(loud.data(), 2, 1));
  for (std::size_t k = 0; k < kLength / 2; ++k) ASSERT_EQ(rawLoud.Magnitudes()[k], 2 * raw.Magnitudes()[k]);
}

}  // namespace
}  // namespace ossel
