#include "display/builders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <random>
#include <cstring>
#include <functional>
#include <numbers>
#include <set>

#include "detector/track_detector.h"
#include "device/cd_drive.h"
#include "display/band_limit.h"
#include "platform/event.h"
#include "platform/script_backend.h"
#include "support/toc.h"

namespace ossel {
namespace {

using Frame = std::array<std::int16_t, 2>;  // left, right
using Signal = std::function<Frame(std::int64_t frame)>;

constexpr double kBinHertz = 44100.0 / 8192;
constexpr int kLeftToneBin = 800;   // display position 799: group 99, left row 511 - 99
constexpr int kRightToneBin = 2000; // display position 1999: group 249, right row 1024 - 249
constexpr int kLeftToneRow = 412;
constexpr int kRightToneRow = 775;

// One tone per channel, faded in and out over each block (a block every `period` frames) so that its spectrum
// shows one clear peak rather than the slow skirts of a cut-off sine.
Signal TonesEvery(std::int64_t period) {
  return [period](std::int64_t frame) -> Frame {
    const std::int64_t i = frame % period;
    if (i >= 4096) return {0, 0};
    const double fade = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(i) / 4096);
    auto tone = [&](int bin) {
      return static_cast<std::int16_t>(
          std::lround(8000 * fade * std::sin(2 * std::numbers::pi * bin * kBinHertz * static_cast<double>(i) / 44100)));
    };
    return {tone(kLeftToneBin), tone(kRightToneBin)};
  };
}
Frame Tones(std::int64_t frame) { return TonesEvery(4096)(frame); }
Frame Noise(std::int64_t frame) {
  auto hash = [](std::uint64_t x) {
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return static_cast<std::int16_t>(static_cast<int>((x ^ (x >> 31)) % 16001) - 8000);
  };
  return {hash(static_cast<std::uint64_t>(frame) * 2 + 1), hash(static_cast<std::uint64_t>(frame) * 2 + 2)};
}

// A scripted drive whose disc plays `signal` (frame 0 at LBA 0) and the analysis buffers around it.
class Rig {
 public:
  struct Read {
    std::int32_t lba;
    std::uint32_t count;
    std::int32_t timeoutSeconds;
  };

  // Track 1 starts at LBA 0 and ends at `lastSector`.
  explicit Rig(std::int32_t lastSector, Signal signal = Tones) : signal_(std::move(signal)) {
    device->SetAnswer(ioctl::kCdromReadToc, Canned(test::MakeToc({{1, 0}}, lastSector + 1)));
    device->SetHandler([this](const DeviceRequest& request) { return Answer(request); });
    letter = table.AddCdDrive(device->AsDrive());
    EXPECT_TRUE(drive.Open(letter) && drive.ReadTrackTable());
    EXPECT_EQ(drive.TrackEnd(1), lastSector);
    EXPECT_TRUE(buffers.Allocate(TrackImageWidth(0, lastSector)));
  }

  BuildContext Context() {
    return {drive, *detector, cancel, buffers, [this](const BuildProgress& p) { progress.push_back(p); }};
  }
  TrackBuild Track() const { return {1, buffers.maxWidth}; }

  std::int32_t Continuous(TrackBuild& track) {
    BuildContext context = Context();
    buffers.ClearTrack();
    return BuildContinuous(context, track);
  }
  std::int32_t Sampled(TrackBuild& track, int step) {
    BuildContext context = Context();
    buffers.ClearTrack();
    return BuildSampled(context, track, step);
  }

  std::uint8_t Pixel(const TrackBuild& track, int row, int column) const {
    return buffers.image[static_cast<std::size_t>(row) * static_cast<std::size_t>(track.imageWidth) +
                         static_cast<std::size_t>(column)];
  }
  // The brightest row of one channel's band in a column.
  int BrightestRow(const TrackBuild& track, int column, int top, int bottom) const {
    int best = top;
    for (int r = top; r <= bottom; ++r)
      if (Pixel(track, r, column) > Pixel(track, best, column)) best = r;
    return best;
  }

  std::set<std::int32_t> failingLbas;  // reads starting here fail
  int cancelAtRead = -1;               // the read (from 1) during which the cancel event gets signalled
  std::vector<Read> reads;
  std::vector<BuildProgress> progress;

  DriveTable table;
  std::shared_ptr<ScriptDevice> device = ScriptDevice::Create();
  char letter = 0;
  CdDrive drive{table};
  std::unique_ptr<TrackDetector> detector = TrackDetector::Create();
  ManualResetEvent cancel;
  BuildBuffers buffers;

 private:
  static ScriptDevice::Answer Canned(std::vector<std::uint8_t> bytes) {
    ScriptDevice::Answer a;
    a.output = std::move(bytes);
    return a;
  }

  ScriptDevice::Answer Answer(const DeviceRequest& request) {
    ScriptDevice::Answer answer;
    if (request.code != ioctl::kCdromRawRead) return answer;
    ioctl::RawReadInfo info;
    std::memcpy(&info, request.input, sizeof info);
    const auto lba = static_cast<std::int32_t>(info.diskOffset / 2048);
    reads.push_back({lba, info.sectorCount, drive.timeoutSeconds});
    if (static_cast<int>(reads.size()) == cancelAtRead) cancel.Set();
    if (failingLbas.count(lba)) {
      answer.output.assign(info.sectorCount * 2352, 0x55);  // what little came back is not to be used
      answer.transferred = 2352;
      return answer;
    }
    answer.output.resize(info.sectorCount * 2352);
    auto* out = answer.output.data();
    for (std::int64_t i = 0; i < std::int64_t{info.sectorCount} * 588; ++i) {
      const Frame f = signal_(std::int64_t{lba} * 588 + i);
      std::memcpy(out + i * 4, f.data(), 4);
    }
    return answer;
  }

  Signal signal_;
};

TEST(TrackImageWidth, OneColumnPerFullBlockRaisedPastTheNextMultipleOfFour) {
  EXPECT_EQ(TrackImageWidth(0, 0), 4);
  EXPECT_EQ(TrackImageWidth(0, 6), 4);     // no full block: 1 -> 4
  EXPECT_EQ(TrackImageWidth(0, 28), 8);    // 4 blocks + 1 = 5 -> 8
  EXPECT_EQ(TrackImageWidth(0, 70), 12);   // 10 + 1 = 11 -> 12
  EXPECT_EQ(TrackImageWidth(100, 153), 12);  // 7 + 1 = 8 grows to 12
  EXPECT_EQ(TrackImageWidth(0, 360000), 51684);
}

TEST(SpanText, MinutesAndSecondsWithHoursDropped) {
  EXPECT_EQ(SpanText(0), "00:00");
  EXPECT_EQ(SpanText(75), "01:15");
  EXPECT_EQ(SpanText(3900), "05:00");
}

TEST(GroupPixel, RoundsToTheNearestStepAndSaturatesAtFullStrength) {
  EXPECT_EQ(GroupPixel(0.0, 1.0), 0);
  EXPECT_EQ(GroupPixel(127.0 / 8192, 1.0), 0);
  EXPECT_EQ(GroupPixel(128.0 / 8192, 1.0), 1);
  EXPECT_EQ(GroupPixel(65151.0 / 8192, 1.0), 254);
  EXPECT_EQ(GroupPixel(65407.0 / 8192, 1.0), 255);
  // Groups within a hair of the column's maximum would round to 256, which must not wrap round to black.
  EXPECT_EQ(GroupPixel(65408.0 / 8192, 1.0), 255);
  EXPECT_EQ(GroupPixel(8.0 * 3.5, 3.5), 255);
}

TEST(BuildContinuous, ReadsThirtyTwoSectorsAtATimeUpToButNotIncludingTheLastSector) {
  Rig rig(199);
  TrackBuild track = rig.Track();
  const std::int32_t width = track.imageWidth;
  EXPECT_EQ(rig.Continuous(track), 199 * 2352 / 16384);  // 28 tone blocks, all counted

  ASSERT_EQ(rig.reads.size(), 7u);
  for (std::size_t i = 0; i < rig.reads.size(); ++i) {
    EXPECT_EQ(rig.reads[i].lba, static_cast<std::int32_t>(32 * i));
    EXPECT_EQ(rig.reads[i].count, i < 6 ? 32u : 7u);  // 192 .. 198
    EXPECT_EQ(rig.reads[i].timeoutSeconds, 2);
  }
  EXPECT_EQ(rig.drive.timeoutSeconds, 10);
  EXPECT_EQ(track.imageWidth, width);
  EXPECT_EQ(track.columns, 28);  // the rest of the width pads the rows
  EXPECT_EQ(track.failedReads, 0);

  ASSERT_EQ(rig.progress.size(), 7u);
  EXPECT_EQ(rig.progress.front().statusText, "0%");
  EXPECT_EQ(rig.progress[1].statusText, "16%");  // 32 × 100 / 199
  EXPECT_EQ(rig.progress.back().statusText, "96%");
  EXPECT_EQ(rig.progress.back().readErrorText, "0");
  // Elapsed time counts whole-second clock readings: a quick track may cross one second boundary.
  EXPECT_TRUE(rig.progress.back().elapsedText == "00:00" || rig.progress.back().elapsedText == "00:01")
      << rig.progress.back().elapsedText;
}

TEST(BuildContinuous, ATrackOfFewerThanSevenSectorsYieldsNoColumn) {
  Rig rig(6);
  TrackBuild track = rig.Track();
  EXPECT_EQ(rig.Continuous(track), 0);
  ASSERT_EQ(rig.reads.size(), 1u);
  EXPECT_EQ(rig.reads[0].count, 6u);
  EXPECT_EQ(track.profileScale, 0.0);
  for (std::int32_t i = 0; i < rig.buffers.maxWidth * kImageHeight; ++i) ASSERT_EQ(rig.buffers.image[i], 0);
}

TEST(BuildContinuous, NothingIsReadForNonAudioTracksOrWidthsThatDoNotFit) {
  Rig rig(199);
  TrackBuild track = rig.Track();
  track.trackNumber = 2;  // not on the disc
  EXPECT_EQ(rig.Continuous(track), 0);
  track = rig.Track();
  track.imageWidth -= 4;
  EXPECT_EQ(rig.Continuous(track), 0);
  EXPECT_EQ(rig.Sampled(track, 2), 0);
  EXPECT_TRUE(rig.reads.empty());
  EXPECT_TRUE(rig.progress.empty());
}

TEST(BuildContinuous, AFailedReadCountsOnceAndItsBlocksAreAnalysedAsSilence) {
  Rig rig(199);
  rig.failingLbas = {32};  // bytes 75264 .. 150527: blocks 5-8 are all zeros, 4 and 9 partly
  TrackBuild track = rig.Track();
  EXPECT_EQ(rig.Continuous(track), 28 - 4);
  EXPECT_EQ(track.failedReads, 1);
  EXPECT_EQ(rig.progress[0].readErrorText, "0");
  EXPECT_EQ(rig.progress[1].readErrorText, "1");
  EXPECT_EQ(rig.progress.back().failedReads, 1);
  // The silent columns are still painted, black, with the floor as their maximum.
  for (int column = 5; column <= 8; ++column) {
    EXPECT_DOUBLE_EQ(rig.buffers.columnMaxima[static_cast<std::size_t>(column)], 0.0001);
    for (int r = 0; r < kImageHeight; ++r) ASSERT_EQ(rig.Pixel(track, r, column), 0) << r;
  }
}

TEST(BuildContinuous, ToneLandsInTheRightRowsOfBothChannelsAndPeaksTheProfile) {
  Rig rig(199);
  TrackBuild track = rig.Track();
  const std::int32_t blocks = rig.Continuous(track);
  ASSERT_EQ(blocks, 28);
  for (int column = 0; column < blocks; ++column) {
    EXPECT_EQ(rig.BrightestRow(track, column, 0, 511), kLeftToneRow) << column;
    EXPECT_EQ(rig.BrightestRow(track, column, 513, 1024), kRightToneRow) << column;
    EXPECT_EQ(rig.Pixel(track, 512, column), 0);
  }
  // Columns past the last block stay empty.
  for (int r = 0; r < kImageHeight; ++r) ASSERT_EQ(rig.Pixel(track, r, blocks), 0);

  const double* profile = rig.buffers.profileSum.get();
  EXPECT_EQ(std::max_element(profile, profile + 4096) - profile, kLeftToneBin - 1);
  EXPECT_EQ(std::max_element(profile + 4096, profile + 8192) - profile, 4096 + kRightToneBin - 1);
  EXPECT_EQ(*std::max_element(profile, profile + 8192), 1.0);
  EXPECT_GE(*std::min_element(profile, profile + 8192), 0.0);
  EXPECT_EQ(profile[0], 0.0);
  EXPECT_EQ(profile[4096], 0.0);

  const double maxColumn = *std::max_element(rig.buffers.columnMaxima.get(), rig.buffers.columnMaxima.get() + 28);
  EXPECT_GT(track.profileScale, 0.0);
  EXPECT_LE(track.profileScale, 20 * maxColumn);
}

TEST(BuildContinuous, QuieterColumnsAreDimmedAgainstTheLoudestOfTheTrack) {
  // Noise spreads its energy, so its loudest log value is well below a pure tone's.
  Rig single(7, Noise);  // one block: nothing to dim against
  TrackBuild alone = single.Track();
  ASSERT_EQ(single.Continuous(alone), 1);

  Rig pair(14, [](std::int64_t frame) { return frame < 4096 ? Noise(frame) : Tones(frame); });
  TrackBuild track = pair.Track();
  ASSERT_EQ(pair.Continuous(track), 2);
  const double noiseMax = pair.buffers.columnMaxima[0];
  const double toneMax = pair.buffers.columnMaxima[1];
  ASSERT_EQ(noiseMax, single.buffers.columnMaxima[0]);
  ASSERT_LT(noiseMax, toneMax);

  int dimmed = 0;
  for (int r = 0; r < kImageHeight; ++r) {
    const std::uint8_t before = single.Pixel(alone, r, 0);
    // The lone column went through its own scale (p × m / m), which may have cost it one level.
    EXPECT_NEAR(pair.Pixel(track, r, 0), static_cast<std::uint8_t>(before * noiseMax / toneMax), 1) << r;
    dimmed += pair.Pixel(track, r, 0) < before;
  }
  EXPECT_GT(dimmed, 100);
}

TEST(BuildSampled, StepTwoReadsSevenSectorsEveryFourteenThroughTheLastSector) {
  Rig rig(70);
  TrackBuild track = rig.Track();
  ASSERT_EQ(track.imageWidth, 12);
  EXPECT_EQ(rig.Sampled(track, 2), 6);
  std::vector<std::int32_t> lbas;
  for (const auto& read : rig.reads) {
    lbas.push_back(read.lba);
    EXPECT_EQ(read.count, 7u);
    EXPECT_EQ(read.timeoutSeconds, 2);
  }
  EXPECT_EQ(lbas, (std::vector<std::int32_t>{0, 14, 28, 42, 56, 70}));
  EXPECT_EQ(rig.drive.timeoutSeconds, 10);
  EXPECT_EQ(track.imageWidth, 8);  // six columns packed to the next multiple of 4
  EXPECT_EQ(track.columns, 6);
  EXPECT_EQ(rig.progress.front().statusText, "0%");
  EXPECT_EQ(rig.progress[4].statusText, "80%");
  EXPECT_EQ(rig.progress.back().statusText, "100%");  // the last sector lies on the grid
}

TEST(BuildSampled, PackedRowsKeepTheirColumnsDimmedAndClearThePadding) {
  Rig single(0, Noise);
  TrackBuild alone = single.Track();
  ASSERT_EQ(single.Sampled(alone, 2), 1);
  EXPECT_EQ(alone.imageWidth, 4);
  EXPECT_EQ(single.progress.at(0).statusText, "0%");  // a single-sector track has no span to divide

  // Pieces at 0, 14, 28, 42 and 56: noise first, tones after.
  Rig rig(56, [](std::int64_t frame) { return frame < 14 * 588 ? Noise(frame) : TonesEvery(14 * 588)(frame); });
  TrackBuild track = rig.Track();
  ASSERT_EQ(track.imageWidth, 12);
  ASSERT_EQ(rig.Sampled(track, 2), 5);
  ASSERT_EQ(track.imageWidth, 8);
  double maxColumn = 0;
  for (int x = 0; x < 5; ++x) maxColumn = std::max(maxColumn, rig.buffers.columnMaxima[static_cast<std::size_t>(x)]);
  const double noiseMax = rig.buffers.columnMaxima[0];
  ASSERT_LT(noiseMax, maxColumn);
  for (int r = 0; r < kImageHeight; ++r) {
    EXPECT_NEAR(rig.Pixel(track, r, 0), static_cast<std::uint8_t>(single.Pixel(alone, r, 0) * noiseMax / maxColumn),
                1);
    for (int x = 5; x < 8; ++x) EXPECT_EQ(rig.Pixel(track, r, x), 0) << r << " " << x;
  }
  for (int x = 1; x < 5; ++x) {
    EXPECT_EQ(rig.BrightestRow(track, x, 0, 511), kLeftToneRow) << x;
    EXPECT_EQ(rig.BrightestRow(track, x, 513, 1024), kRightToneRow) << x;
  }
}

TEST(BuildSampled, FailedPiecesAreCountedAndStillMakeAColumn) {
  Rig rig(70);
  rig.failingLbas = {14, 42};
  TrackBuild track = rig.Track();
  EXPECT_EQ(rig.Sampled(track, 3), 3);  // pieces at 0, 21, 42, 63; the one at 42 is silent
  EXPECT_EQ(track.failedReads, 1);

  rig.reads.clear();
  track = rig.Track();
  EXPECT_EQ(rig.Sampled(track, 2), 4);
  EXPECT_EQ(track.failedReads, 2);
  EXPECT_EQ(rig.reads.size(), 6u);
  EXPECT_EQ(track.imageWidth, 8);
  EXPECT_EQ(rig.progress.back().readErrorText, "2");
}

TEST(Builders, CancelIsObservedBeforeTheNextRead) {
  Rig rig(199);
  rig.cancelAtRead = 3;
  TrackBuild track = rig.Track();
  EXPECT_EQ(rig.Continuous(track), -1);
  EXPECT_EQ(rig.reads.size(), 3u);
  EXPECT_EQ(rig.progress.size(), 3u);  // the read that saw the cancel is still analysed and reported

  rig.cancel.Reset();
  rig.reads.clear();
  rig.cancelAtRead = 2;
  track = rig.Track();
  EXPECT_EQ(rig.Sampled(track, 2), -1);
  EXPECT_EQ(rig.reads.size(), 2u);

  // Signalled before the start: nothing is read at all.
  rig.reads.clear();
  track = rig.Track();
  EXPECT_EQ(rig.Continuous(track), -1);
  EXPECT_EQ(rig.Sampled(track, 4), -1);
  EXPECT_TRUE(rig.reads.empty());
}

TEST(Builders, ATrackOfOneSectorReadsAsJustBegun) {
  Rig rig(0);
  TrackBuild track = rig.Track();
  EXPECT_EQ(rig.Continuous(track), 0);  // the last sector is never read, and it is the only one
  EXPECT_TRUE(rig.reads.empty());
  EXPECT_EQ(rig.Sampled(track, 8), 1);
  ASSERT_EQ(rig.progress.size(), 1u);
  EXPECT_EQ(rig.progress[0].statusText, "0%");
}


// ---- The band limit of what the builders accumulate ---------------------------------------------------------------

// A loop of noise whose spectrum is `levelDb(hz)` (0 dB: the loudest), in random phase; `channels` 1 plays it on
// the left alone, 2 on both (the same: mono), 3 a different loop on each.
Signal ShapedNoise(const std::function<double(double)>& levelDb, int channels) {
  constexpr std::size_t kLength = 1 << 17;
  auto loop = [&](unsigned seed) {
    std::vector<std::complex<double>> x(kLength);
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> phase(0, 2 * std::numbers::pi);
    for (std::size_t k = 1; k < kLength / 2; ++k) {
      x[k] = std::polar(std::pow(10.0, levelDb(44100.0 * static_cast<double>(k) / kLength) / 20), phase(random));
      x[kLength - k] = std::conj(x[k]);
    }
    // In place, radix 2: the inverse transform (the sign of the exponent does not matter for random phases).
    for (std::size_t i = 1, j = 0; i < kLength; ++i) {
      std::size_t bit = kLength >> 1;
      for (; j & bit; bit >>= 1) j ^= bit;
      j ^= bit;
      if (i < j) std::swap(x[i], x[j]);
    }
    for (std::size_t len = 2; len <= kLength; len <<= 1) {
      const std::complex<double> w = std::polar(1.0, 2 * std::numbers::pi / static_cast<double>(len));
      for (std::size_t i = 0; i < kLength; i += len) {
        std::complex<double> wk = 1.0;
        for (std::size_t k = 0; k < len / 2; ++k, wk *= w) {
          const std::complex<double> a = x[i + k], b = x[i + k + len / 2] * wk;
          x[i + k] = a + b;
          x[i + k + len / 2] = a - b;
        }
      }
    }
    double peak = 0.0;
    for (const auto& v : x) peak = std::max(peak, std::abs(v.real()));
    std::vector<std::int16_t> samples(kLength);
    for (std::size_t i = 0; i < kLength; ++i) samples[i] = static_cast<std::int16_t>(std::lround(x[i].real() / peak * 20000));
    return samples;
  };
  auto left = std::make_shared<std::vector<std::int16_t>>(loop(1));
  auto right = std::make_shared<std::vector<std::int16_t>>(channels == 3 ? loop(2) : *left);
  return [=](std::int64_t frame) -> Frame {
    const auto i = static_cast<std::size_t>(frame) % kLength;
    return {(*left)[i], channels == 1 ? std::int16_t{0} : (*right)[i]};
  };
}

// Flat to `hz`, then falling by `dbPerKhz` down to 90 dB under.
std::function<double(double)> Cliff(double hz, double dbPerKhz) {
  return [=](double f) { return f <= hz ? 0.0 : std::max(-90.0, -(f - hz) / 1000 * dbPerKhz); };
}

struct BandCase {
  const char* what;
  std::function<double(double)> spectrum;
  int channels;
  std::int32_t sectors;
  int found;          // a limit at all: 1, none: 0, either: -1 (a gradual fall may or may not end in the band)
  double hz;          // where, within kNear
  bool sharp;
};

TEST(BandLimit, FoundWhereTheSpectrumEndsAndSharpOnlyForACliff) {
  constexpr double kNear = 150.0;
  const double steep = 300.0, gentle = 6.0, steeper = 12.0;  // dB per kHz: an encoder's low-pass, natural falls
  const BandCase cases[] = {
      {"steep 16 kHz", Cliff(16000, steep), 3, 420, true, 16000, true},
      {"steep 19 kHz", Cliff(19000, steep), 3, 420, true, 19000, true},
      {"steep 20.5 kHz", Cliff(20500, steep), 3, 420, true, 20500, true},
      {"steep 16 kHz, mono", Cliff(16000, steep), 2, 420, true, 16000, true},
      {"steep 16 kHz, left channel only", Cliff(16000, steep), 1, 420, true, 16000, true},
      {"steep 16 kHz, one block", Cliff(16000, steep), 3, 8, true, 16000, true},
      {"gentle 16 kHz", Cliff(16000, gentle), 3, 420, -1, 0, false},
      {"gentle 19 kHz", Cliff(19000, gentle), 3, 420, -1, 0, false},
      {"steeper 16 kHz", Cliff(16000, steeper), 3, 420, -1, 0, false},
      {"gentle 20.5 kHz", Cliff(20500, gentle), 3, 420, -1, 0, false},
      {"full band", [](double) { return 0.0; }, 3, 420, 0, 0, false},
      {"silence", [](double) { return -1000.0; }, 3, 420, 0, 0, false},
  };
  for (const BandCase& c : cases) {
    SCOPED_TRACE(c.what);
    Rig rig(c.sectors, ShapedNoise(c.spectrum, c.channels));
    TrackBuild track = rig.Track();
    rig.Continuous(track);
    const std::optional<BandLimit> limit =
        FindBandLimit(rig.buffers.profileSum.get(), track.profileScale, rig.buffers.powerSum.get());
    if (c.found >= 0) {
      ASSERT_EQ(limit.has_value(), c.found == 1) << (limit ? limit->hz : 0.0);
    }
    if (!limit) continue;
    EXPECT_EQ(limit->sharp, c.sharp) << limit->hz;
    if (c.hz > 0) {
      EXPECT_NEAR(limit->hz, c.hz, kNear);
    }
  }
}

// Profiles drawn band by band (43 Hz bands, levels in dB, both channels alike), on the scale kProfileScale.
constexpr double kBand = 44100.0 / 8192 * 8;
constexpr double kProfileScale = 100.0;
int BandAt(double hz) { return static_cast<int>(hz / kBand); }
double Rough(int b) { return 2.0 * static_cast<double>((b * 7919) % 5 - 2) / 2; }  // music: -2 .. +2 dB
std::vector<double> ProfileOf(const std::function<double(int)>& level) {
  std::vector<double> profile(kProfileValues);
  for (int i = 0; i < kProfileValues / 2; ++i)
    profile[i] = profile[kProfileValues / 2 + i] = level(i / 8) / kProfileScale;
  return profile;
}

// Profiles shaped as the builders leave them over lossy and genuine tops: where the music's top is quiet the leakage
// of the loud bands fills the space over an encoder's low-pass to within a few dB of the music, but smoothly; music
// varies from band to band.
TEST(BandLimit, QuietTopsAndShelvesOfTheProfile) {
  struct Case {
    const char* what;
    std::function<double(int)> level;
    double hz;  // 0: no limit
  };
  const int cut = BandAt(16500), shelf = BandAt(17230), shelfTop = BandAt(18000);
  const Case cases[] = {
      {"quiet music, a 4 dB fall from 16.5 kHz, then a smooth floor: the limit where the floor begins",
       [&](int b) { return b < cut ? 15 + Rough(b) : b < cut + 4 ? 13 - (b - cut) : 9.5 - 0.01 * (b - cut); },
       (cut + 4) * kBand},
      {"quiet music, a gentle 3 dB fall from 16.5 kHz into a flat floor: the limit near the floor",
       [&](int b) { return b < cut ? 14 + Rough(b) : b < cut + 10 ? 13 - 0.3 * (b - cut) : 10 - 0.01 * (b - cut); },
       (cut + 8) * kBand},
      {"quiet music to the top", [&](int b) { return 14 + Rough(b); }, 0},
      {"quiet music ending in a smooth, gentle fall",
       [&](int b) { return b < cut ? 14 + Rough(b) : 14 - 0.3 * (b - cut); }, 0},
      {"a shelf of noise over a cliff: the limit at the shelf's top",
       [&](int b) {
         if (b < shelf) return 45 + Rough(b) / 4;
         return b < shelfTop ? 34 - 9.0 * (b - shelf) / (shelfTop - shelf) : 15 - 0.02 * (b - shelfTop);
       },
       18000},
      {"a cliff falling on gradually, with no second cliff",
       [&](int b) { return b < shelf ? 42 + Rough(b) / 4 : 15 + 17 * std::exp(-(b - shelf) / 3.0); }, 17230},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::optional<BandLimit> limit = FindBandLimit(ProfileOf(c.level).data(), kProfileScale);
    ASSERT_EQ(limit.has_value(), c.hz > 0) << (limit ? limit->hz : 0.0);
    if (!limit) continue;
    EXPECT_TRUE(limit->sharp);
    EXPECT_NEAR(limit->hz, c.hz, 2 * kBand);
  }
}

// The power sum beside the profile: where the profile falls at 16.7 kHz (where most frames end), a cliff the power
// sum alone shows more than 1 kHz higher (where the loud frames end) is the limit.
TEST(BandLimit, ACliffInThePowerSumOverTheProfilesLimit) {
  const int cut = BandAt(16500);
  const std::vector<double> quiet = ProfileOf(
      [&](int b) { return b < cut ? 15 + Rough(b) : b < cut + 4 ? 13 - (b - cut) : 9.5 - 0.01 * (b - cut); });
  const std::vector<double> full = ProfileOf([](int b) { return 14 + Rough(b); });
  const double found = (cut + 4) * kBand;  // the profile's own limit
  struct Case {
    const char* what;
    const std::vector<double>& profile;
    std::function<double(double)> powerDb;  // null: no power sum
    double hz;                              // 0: no limit
  };
  const auto cliffAt = [](double hz) { return [=](double f) { return f < hz ? -70.0 : -90.0; }; };
  const Case cases[] = {
      {"a cliff at 19.3 kHz", quiet, cliffAt(19300), 19300},
      {"a cliff within 1 kHz of the profile's limit", quiet, cliffAt(17300), found},
      {"a gentle fall", quiet, [](double f) { return -70.0 - 6 * std::max(0.0, f - 16000) / 1000; }, found},
      {"no power sum", quiet, nullptr, found},
      {"a cliff where the profile has no limit", full, cliffAt(19300), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<double> power(kPowerValues);
    for (int i = 0; c.powerDb && i < kPowerValues; ++i) power[i] = std::pow(10.0, c.powerDb(i % 512 * kBand) / 10);
    const std::optional<BandLimit> limit =
        FindBandLimit(c.profile.data(), kProfileScale, c.powerDb ? power.data() : nullptr);
    ASSERT_EQ(limit.has_value(), c.hz > 0) << (limit ? limit->hz : 0.0);
    if (!limit) continue;
    EXPECT_TRUE(limit->sharp);
    EXPECT_NEAR(limit->hz, c.hz, 2 * kBand);
  }
}

TEST(BandLimit, TheLikelySourceNamesEveryEncodingThatLeavesSuchALimit) {
  struct SourceCase {
    double hz;
    bool sharp;
    const char* source;
  };
  const SourceCase cases[] = {
      {16640, true, "lossy: MP3 128 kbit/s or MP3 VBR V5"},  // one codec, two settings
      {17250, true, "lossy: MP3 160 kbit/s or AAC 128 kbit/s or Vorbis q3"},
      {20090, true, "lossy: MP3 320 kbit/s or Vorbis q5 or Opus 96-160 kbit/s"},
      {15180, true, "lossy: MP3 96 kbit/s"},  // alone
      {12000, true, "lossy"},                 // where none of the table cuts
      {16640, false, ""},                     // a gradual fall is no encoder's
      {20600, true, ""},                      // where genuine audio ends too
  };
  for (const SourceCase& c : cases) {
    SCOPED_TRACE(c.hz);
    const std::optional<BandLimit> limit = BandLimit{c.hz, c.sharp};
    EXPECT_EQ(LikelySource(limit), c.source);
    EXPECT_EQ(LossyLike(limit), *c.source != 0);
  }
  EXPECT_EQ(LikelySource(std::nullopt), "");
}

TEST(BandLimit, NothingToTellWithoutAProfile) {
  std::vector<double> profile(kProfileValues, 0.5);
  EXPECT_FALSE(FindBandLimit(nullptr, 40.0));
  EXPECT_FALSE(FindBandLimit(profile.data(), 0.0));
  EXPECT_FALSE(FindBandLimit(profile.data(), std::nan("")));
  EXPECT_FALSE(FindBandLimit(profile.data(), INFINITY));
}

}  // namespace
}  // namespace ossel
