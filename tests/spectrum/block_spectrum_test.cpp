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
constexpr std::size_t kBins = BlockSpectrum::kBins;

std::vector<std::int16_t> Stereo(const std::vector<double>& left, const std::vector<double>& right) {
  std::vector<std::int16_t> block(kValues);
  for (int i = 0; i < kValues / 2; ++i) {
    block[2 * i] = static_cast<std::int16_t>(std::lround(left[i]));
    block[2 * i + 1] = static_cast<std::int16_t>(std::lround(right[i]));
  }
  return block;
}

std::vector<double> Tone(double bin, double amplitude) {
  std::vector<double> x(kValues / 2);
  for (std::size_t i = 0; i < x.size(); ++i) x[i] = amplitude * std::sin(2 * M_PI * bin * i / 8192.0);
  return x;
}

std::vector<std::int16_t> RandomBlock(unsigned seed, int amplitude) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> uniform(-amplitude, amplitude);
  std::vector<std::int16_t> block(kValues);
  for (auto& v : block) v = static_cast<std::int16_t>(uniform(random));
  return block;
}

std::vector<double> Display(const BlockSpectrum& spectrum) {
  std::vector<double> out(kBins);
  spectrum.DisplaySpectrum(out.data());
  return out;
}

bool SameBits(const double* a, const double* b, std::size_t count) {
  return std::memcmp(a, b, count * sizeof(double)) == 0;
}

TEST(BlockSpectrum, PureToneAtBinPeaksOneDisplayPositionLower) {
  BlockSpectrum spectrum;
  for (double bin : {200.0, 1001.0, 3000.0}) {
    const auto block = Stereo(Tone(bin, 12000), Tone(bin, 3000));
    for (unsigned channel = 0; channel < 2; ++channel) {
      ASSERT_TRUE(spectrum.TransformChannel(block.data(), 2, channel));
      const std::vector<double> display = Display(spectrum);
      const auto peak = std::max_element(display.begin(), display.end()) - display.begin();
      EXPECT_EQ(peak, static_cast<long>(bin) - 1) << "bin " << bin << " channel " << channel;
    }
  }
}

TEST(BlockSpectrum, DigitalSilenceGivesZeroSpectraAndAllZeroDifferences) {
  const std::vector<std::int16_t> silence(kValues, 0);
  BlockSpectrum spectrum;
  ASSERT_TRUE(spectrum.TransformChannel(silence.data(), 2, 1));
  EXPECT_EQ(spectrum.ZeroDiffCount(), 4095);
  const std::vector<double> display = Display(spectrum);
  EXPECT_TRUE(std::all_of(display.begin(), display.end(), [](double v) { return v == 0.0; }));
  for (std::size_t i = 0; i < BlockSpectrum::kLength; ++i) ASSERT_EQ(spectrum.Magnitudes()[i], 0.0) << i;
}

// The zero-difference count is per channel and follows the number of samples the channel has.
TEST(BlockSpectrum, ZeroDifferencesCountedPerChannelOfAnyWidth) {
  std::vector<std::int16_t> block(kValues, 1234);
  BlockSpectrum spectrum;
  const struct {
    unsigned channels, channel;
    int expected;
  } cases[] = {{1, 0, 8191}, {2, 1, 4095}, {3, 0, 2730}, {3, 2, 2729}};
  for (const auto& c : cases) {
    ASSERT_TRUE(spectrum.TransformChannel(block.data(), c.channels, c.channel));
    EXPECT_EQ(spectrum.ZeroDiffCount(), c.expected) << c.channels << " channels, channel " << c.channel;
  }
  EXPECT_FALSE(spectrum.TransformChannel(block.data(), 2, 2));
  EXPECT_FALSE(spectrum.TransformChannel(nullptr, 2, 0));

  BlockSpectrum uncounted(ConditioningSettings{false, true});
  ASSERT_TRUE(uncounted.TransformChannel(block.data(), 2, 0));
  EXPECT_EQ(uncounted.ZeroDiffCount(), 0);
}

// -32767 is read as -32768, except as a channel's first sample, which becomes 0.
TEST(BlockSpectrum, ExtremeCodeIsPulledDown) {
  std::vector<std::int16_t> block(kValues, -32767);
  BlockSpectrum spectrum;
  ASSERT_TRUE(spectrum.TransformChannel(block.data(), 2, 0));
  EXPECT_EQ(spectrum.ZeroDiffCount(), 4094);  // 0, -32768, -32768, ...: only the first step differs

  std::vector<std::int16_t> replaced = RandomBlock(9, 20000);
  std::vector<std::int16_t> expected = replaced;
  replaced[0] = -32767;  // channel 0, first sample
  expected[0] = 0;
  replaced[2 * 700] = -32767;
  expected[2 * 700] = -32768;
  BlockSpectrum other;
  ASSERT_TRUE(spectrum.TransformChannel(replaced.data(), 2, 0));
  ASSERT_TRUE(other.TransformChannel(expected.data(), 2, 0));
  EXPECT_TRUE(SameBits(spectrum.Magnitudes(), other.Magnitudes(), BlockSpectrum::kLength));
  EXPECT_TRUE(SameBits(spectrum.ComplexSpectrum(), other.ComplexSpectrum(), 2 * BlockSpectrum::kLength));
}

// The difference signal is scaled to an RMS of 10000 over its 4095 steps, so a louder copy of a block
// gives the same bits, and Parseval's sum of the spectrum is fixed.
TEST(BlockSpectrum, DifferenceSignalIsNormalisedToFixedRms) {
  std::vector<std::int16_t> quiet = RandomBlock(4, 8000);
  std::vector<std::int16_t> loud(quiet.size());
  std::transform(quiet.begin(), quiet.end(), loud.begin(), [](std::int16_t v) { return std::int16_t(2 * v); });

  BlockSpectrum a, b;
  ASSERT_TRUE(a.TransformChannel(quiet.data(), 2, 1));
  ASSERT_TRUE(b.TransformChannel(loud.data(), 2, 1));
  EXPECT_TRUE(SameBits(a.Magnitudes(), b.Magnitudes(), BlockSpectrum::kLength));

  // |X[0]|^2 + 2 * sum of |X[j]|^2 for 0 < j < 4096 + |X[4096]|^2 = N * sum of d^2 = 8192 * 4095 * 10^8,
  // where X[0] is the sum of the differences (the telescoped samples, without entry 0).
  const double* m = a.Magnitudes();
  long double energy = 0;
  for (std::size_t k = 0; k + 1 < kBins; ++k) energy += 2.0L * m[k] * m[k];
  energy += static_cast<long double>(m[kBins - 1]) * m[kBins - 1];
  double sumOfSquares = 0;
  for (int i = 1; i < 4096; ++i) {
    const double d = quiet[2 * i + 1] - quiet[2 * i - 1];
    sumOfSquares += d * d;
  }
  const double scale = 10000 / std::sqrt(sumOfSquares / 4095);
  const long double x0 = (quiet[2 * 4095 + 1] - quiet[1]) * static_cast<long double>(scale);
  EXPECT_NEAR(static_cast<double>((energy + x0 * x0) / (8192.0L * 4095 * 1e8L)), 1.0, 1e-12);

  BlockSpectrum raw(ConditioningSettings{true, false});
  BlockSpectrum rawLoud(ConditioningSettings{true, false});
  ASSERT_TRUE(raw.TransformChannel(quiet.data(), 2, 1));
  ASSERT_TRUE(rawLoud.TransformChannel(loud.data(), 2, 1));
  for (std::size_t k = 0; k < BlockSpectrum::kLength; ++k) ASSERT_EQ(rawLoud.Magnitudes()[k], 2 * raw.Magnitudes()[k]);
}

TEST(BlockSpectrum, DisplaySpectrumDividesByPosition) {
  const auto block = RandomBlock(21, 30000);
  BlockSpectrum spectrum;
  ASSERT_TRUE(spectrum.TransformChannel(block.data(), 2, 0));
  const std::vector<double> display = Display(spectrum);
  EXPECT_EQ(display[0], 0.0);
  for (std::size_t k = 1; k < kBins; ++k) ASSERT_EQ(display[k], spectrum.Magnitudes()[k] / static_cast<double>(k)) << k;
}

}  // namespace
}  // namespace ossel
