// Speed of the detection engine per block and of its transform, with FFTW's Hartley transform of the same
// length as the reference.
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "detector/track_detector.h"
#include "spectrum/block_spectrum.h"
#include "spectrum/hartley_transform.h"
#include "spectrum/spectrum_transform.h"
#include "support/synthetic_audio.h"

namespace {

constexpr int kLength = 8192;
constexpr int kBlocks = 64;

// Music-like audio (tests/support/synthetic_audio.h): detector 2 of the cutoff search seldom fires on it,
// so most blocks search the whole range.
std::vector<std::int16_t> MakeBlocks() { return ossel::synthetic::MusicLike(kBlocks * kLength / 2, 5); }

std::vector<double> RandomReals(std::size_t count) {
  std::mt19937 random(11);
  std::uniform_real_distribution<double> uniform(-1.0, 1.0);
  std::vector<double> values(count);
  for (double& v : values) v = uniform(random);
  return values;
}

void BM_AnalyzeBlock(benchmark::State& state) {
  const std::vector<std::int16_t> blocks = MakeBlocks();
  auto detector = ossel::TrackDetector::Create();
  std::vector<double> spectrum(2 * ossel::TrackDetector::kBins);
  int block = 0;
  int reset = 1;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        detector->AnalyzeBlock(reset, blocks.data() + block * kLength, kLength, 44100, 2, spectrum.data()));
    reset = 0;
    block = (block + 1) % kBlocks;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AnalyzeBlock);

// One channel as the engine does it: conditioning, transform, complex spectrum and magnitudes.
void BM_BlockSpectrumChannel(benchmark::State& state) {
  const std::vector<std::int16_t> blocks = MakeBlocks();
  ossel::BlockSpectrum spectrum;
  unsigned channel = 0;
  for (auto _ : state) {
    spectrum.TransformChannel(blocks.data(), 2, channel);
    benchmark::DoNotOptimize(spectrum.Magnitudes());
    channel ^= 1;
  }
}
BENCHMARK(BM_BlockSpectrumChannel);

// The transform step of one channel: Hartley transform, complex spectrum and extended-precision magnitudes.
void BM_SpectrumTransform(benchmark::State& state) {
  ossel::SpectrumTransform transform(kLength);
  std::vector<double> signal = RandomReals(kLength);
  std::fill(signal.begin() + kLength / 2, signal.end(), 0.0);  // one channel of a stereo block
  std::vector<double> complexSpectrum(2 * kLength), magnitudes(kLength);
  for (auto _ : state) {
    transform.Run(signal.data(), complexSpectrum.data(), magnitudes.data());
    benchmark::DoNotOptimize(magnitudes.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_SpectrumTransform);

// The Hartley transform alone, out of place like the reference below.
void BM_HartleyTransform(benchmark::State& state) {
  ossel::HartleyTransform transform(kLength);
  const std::vector<double> input = RandomReals(kLength);
  std::vector<double> output(kLength);
  for (auto _ : state) {
    transform.Transform(input.data(), output.data());
    benchmark::DoNotOptimize(output.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_HartleyTransform);

void BM_FftwHartley(benchmark::State& state) {
  double* input = fftw_alloc_real(kLength);
  double* output = fftw_alloc_real(kLength);
  fftw_plan plan = fftw_plan_r2r_1d(kLength, input, output, FFTW_DHT, FFTW_MEASURE);
  const std::vector<double> values = RandomReals(kLength);
  std::copy(values.begin(), values.end(), input);
  for (auto _ : state) {
    fftw_execute(plan);
    benchmark::DoNotOptimize(output);
    benchmark::ClobberMemory();
  }
  fftw_destroy_plan(plan);
  fftw_free(input);
  fftw_free(output);
}
BENCHMARK(BM_FftwHartley);

}  // namespace

BENCHMARK_MAIN();
