// Speed of the detection engine per block, of its transform and of its logarithms, with FFTW's Hartley and
// real-to-complex transforms of the same length as the references (AnalyzeBlock against two FFTW Hartley
// transforms, one per channel; our Hartley transform against one real-to-complex transform). The two *Vs*
// benchmarks time ours and the reference in turns and print the ratio of their CPU times.
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <random>
#include <vector>

#include "detector/track_detector.h"
#include "spectrum/block_spectrum.h"
#include "spectrum/hartley_transform.h"
#include "spectrum/spectrum_transform.h"
#include "spectrum/vector_log.h"
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

// One channel as the engine does it: conditioning, transform and magnitudes.
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

// The transform step of one channel: Hartley transform and extended-precision magnitudes.
void BM_SpectrumTransform(benchmark::State& state) {
  ossel::SpectrumTransform transform(kLength);
  std::vector<double> signal = RandomReals(kLength);
  std::fill(signal.begin() + kLength / 2, signal.end(), 0.0);  // one channel of a stereo block
  std::vector<double> magnitudes(kLength / 2);
  for (auto _ : state) {
    transform.Run(signal.data(), magnitudes.data());
    benchmark::DoNotOptimize(magnitudes.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_SpectrumTransform);

// The magnitudes of one channel's half spectrum from its Hartley array, at 2, 4 and 8 lanes.
void BM_Magnitudes(benchmark::State& state) {
  const std::vector<double> h = RandomReals(kLength);
  std::vector<double> magnitudes(kLength / 2);
  for (auto _ : state) {
    ossel::HalfSpectrumMagnitudes(h.data(), kLength / 2, magnitudes.data(), static_cast<int>(state.range(0)));
    benchmark::DoNotOptimize(magnitudes.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Magnitudes)->Arg(2)->Arg(4)->Arg(8);

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

// An FFTW transform of kLength reals, planned with FFTW_MEASURE over random input: Hartley (FFTW_DHT) or
// real-to-complex.
class FftwTransform {
 public:
  enum class Kind { Hartley, RealToComplex };
  explicit FftwTransform(Kind kind) : input_(fftw_alloc_real(kLength)), output_(fftw_alloc_real(kLength + 2)) {
    plan_ = kind == Kind::Hartley
                ? fftw_plan_r2r_1d(kLength, input_, output_, FFTW_DHT, FFTW_MEASURE)
                : fftw_plan_dft_r2c_1d(kLength, input_, reinterpret_cast<fftw_complex*>(output_), FFTW_MEASURE);
    const std::vector<double> values = RandomReals(kLength);
    std::copy(values.begin(), values.end(), input_);
  }
  ~FftwTransform() {
    fftw_destroy_plan(plan_);
    fftw_free(input_);
    fftw_free(output_);
  }
  FftwTransform(const FftwTransform&) = delete;
  FftwTransform& operator=(const FftwTransform&) = delete;

  void Run() {
    fftw_execute(plan_);
    benchmark::DoNotOptimize(output_);
    benchmark::ClobberMemory();
  }

 private:
  double* input_;
  double* output_;
  fftw_plan plan_;
};

void BM_FftwHartley(benchmark::State& state) {
  FftwTransform fftw(FftwTransform::Kind::Hartley);
  for (auto _ : state) fftw.Run();
}
BENCHMARK(BM_FftwHartley);

// FFTW's real-to-complex transform of the same length: the bar for our Hartley transform (FFTW's own Hartley
// transform is two to three times slower than this one).
void BM_FftwRealToComplex(benchmark::State& state) {
  FftwTransform fftw(FftwTransform::Kind::RealToComplex);
  for (auto _ : state) fftw.Run();
}
BENCHMARK(BM_FftwRealToComplex);

double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// Ours and the reference in turns, batch by batch, so that whatever else the machine does falls on both alike.
// The counter `ratio` is the best batch of ours over the best batch of the reference, in CPU time; ours_us and
// reference_us are their best times per call.
template <typename Ours, typename Reference>
void SideBySide(benchmark::State& state, Ours ours, Reference reference) {
  constexpr int kBatch = 16;
  double bestOurs = 1e300, bestReference = 1e300;
  for (auto _ : state) {
    const double start = ThreadCpuSeconds();
    for (int i = 0; i < kBatch; ++i) ours();
    const double middle = ThreadCpuSeconds();
    for (int i = 0; i < kBatch; ++i) reference();
    const double end = ThreadCpuSeconds();
    bestOurs = std::min(bestOurs, middle - start);
    bestReference = std::min(bestReference, end - middle);
  }
  state.counters["ours_us"] = 1e6 * bestOurs / kBatch;
  state.counters["reference_us"] = 1e6 * bestReference / kBatch;
  state.counters["ratio"] = bestOurs / bestReference;
}

// AnalyzeBlock of a stereo block against FFTW's Hartley transforms of its two channels (target: ratio <= 2.0).
void BM_AnalyzeBlockVsTwoFftwHartleys(benchmark::State& state) {
  const std::vector<std::int16_t> blocks = MakeBlocks();
  auto detector = ossel::TrackDetector::Create();
  std::vector<double> spectrum(2 * ossel::TrackDetector::kBins);
  FftwTransform fftw(FftwTransform::Kind::Hartley);
  int block = 0;
  int reset = 1;
  SideBySide(
      state,
      [&] {
        benchmark::DoNotOptimize(
            detector->AnalyzeBlock(reset, blocks.data() + block * kLength, kLength, 44100, 2, spectrum.data()));
        reset = 0;
        block = (block + 1) % kBlocks;
      },
      [&] {
        fftw.Run();
        fftw.Run();
      });
}
BENCHMARK(BM_AnalyzeBlockVsTwoFftwHartleys)->MinTime(2.0);

// Our Hartley transform against FFTW's real-to-complex transform of the same length (target: ratio <= 2.0).
void BM_HartleyVsFftwRealToComplex(benchmark::State& state) {
  ossel::HartleyTransform transform(kLength);
  const std::vector<double> input = RandomReals(kLength);
  std::vector<double> output(kLength);
  FftwTransform fftw(FftwTransform::Kind::RealToComplex);
  SideBySide(
      state,
      [&] {
        transform.Transform(input.data(), output.data());
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
      },
      [&] { fftw.Run(); });
}
BENCHMARK(BM_HartleyVsFftwRealToComplex)->MinTime(1.0);

// The logarithms of one channel's display spectrum (4096 values), as the engine takes them, against the C library's.
std::vector<double> SpectrumLike() {
  std::mt19937 random(3);
  std::uniform_real_distribution<double> exponent(-12.0, 20.0);
  std::vector<double> values(4096);
  for (double& v : values) v = std::exp2(exponent(random));
  return values;
}

void BM_DecimalLogs(benchmark::State& state) {
  const std::vector<double> values = SpectrumLike();
  std::vector<double> logs(values.size());
  const auto lanes = static_cast<ossel::LogLanes>(state.range(0));
  for (auto _ : state) {
    ossel::DecimalLogOfSum(values.data(), 0x1p-12, logs.data(), values.size(), lanes);
    benchmark::DoNotOptimize(logs.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(values.size()));
}
BENCHMARK(BM_DecimalLogs)
    ->Arg(static_cast<int>(ossel::LogLanes::Two))
    ->Arg(static_cast<int>(ossel::LogLanes::Four))
    ->Arg(static_cast<int>(ossel::LogLanes::Eight));

void BM_LibraryLog10(benchmark::State& state) {
  const std::vector<double> values = SpectrumLike();
  std::vector<double> logs(values.size());
  for (auto _ : state) {
    for (std::size_t i = 0; i < values.size(); ++i) logs[i] = std::log10(values[i] + 0x1p-12);
    benchmark::DoNotOptimize(logs.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(values.size()));
}
BENCHMARK(BM_LibraryLog10);

}  // namespace

BENCHMARK_MAIN();
