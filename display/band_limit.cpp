#include "display/band_limit.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace ossel {
namespace {

constexpr int kBins = 4096;                     // per channel
constexpr double kBinHz = 44100.0 / 8192;       // 5.38 Hz
constexpr int kBandBins = 8;                    // 43 Hz bands
constexpr int kBands = kBins / kBandBins;       // 512
constexpr double kBandHz = kBandBins * kBinHz;  // 43.07 Hz
constexpr int kTopBand = 507;                   // 21.84 kHz: the last band a limit is looked for at
constexpr int kLowestBand = 93;                 // 4 kHz: no encoder of the table cuts lower
constexpr int kUnderBands = 23;                 // the band just under a limit: the kilohertz below it
// Levels are the profile's dB: 20 × the mean log of the display spectrum (plus one), so silence sits at 0. Above an
// encoder's low-pass the display spectrum does not fall to silence: the loud band below leaks into it, some 20 dB
// down at first and slowly less. The thresholds are set on bench/band-limits.sh's first set of pieces.
constexpr double kFarBelowDb = 8.0;   // the band under a limit stands this far above everything over it
constexpr int kCliffSkipBands = 5;    // a sharp cliff falls from the band under the limit (without its top 215 Hz)
constexpr int kCliffFloorBands = 3;   // to everything from 130 Hz over the limit
constexpr double kCliffDb = 10.0;     // by this much at least
constexpr double kLoudDb = 12.0;      // the band under a limit must stand this far above silence to tell anything

double Hz(int band) { return band * kBandHz; }

}  // namespace

std::optional<BandLimit> FindBandLimit(const double* profile, double profileScale) {
  if (profile == nullptr || !(profileScale > 0.0) || !std::isfinite(profileScale)) return std::nullopt;
  // Each band's level: the louder channel's mean over the band.
  std::array<double, kBands> level{};
  for (int b = 0; b < kBands; ++b) {
    double left = 0.0, right = 0.0;
    for (int i = 0; i < kBandBins; ++i) {
      left += profile[b * kBandBins + i];
      right += profile[kBins + b * kBandBins + i];
    }
    const double value = std::max(left, right) / kBandBins * profileScale;
    level[static_cast<std::size_t>(b)] = std::isfinite(value) ? value : 0.0;
  }
  // The loudest band at or above each band, up to the top.
  std::array<double, kBands + 1> over{};
  for (int b = kBands - 1; b >= 0; --b)
    over[static_cast<std::size_t>(b)] = std::max(over[static_cast<std::size_t>(b) + 1], level[static_cast<std::size_t>(b)]);
  auto mean = [&](int from, int to) {  // bands [from, to)
    double sum = 0.0;
    for (int b = from; b < to; ++b) sum += level[static_cast<std::size_t>(b)];
    return sum / (to - from);
  };

  // The lowest band above which everything stays far below the kilohertz under it.
  for (int b = kLowestBand; b <= kTopBand; ++b) {
    const double under = mean(b - kUnderBands, b);
    if (under < kLoudDb || under - over[static_cast<std::size_t>(b)] < kFarBelowDb) continue;
    BandLimit limit;
    limit.hz = Hz(b);
    const double shoulder = mean(b - kUnderBands, b - kCliffSkipBands);
    const int floorBand = std::min(b + kCliffFloorBands, kBands - 1);
    limit.sharp = shoulder - over[static_cast<std::size_t>(floorBand)] >= kCliffDb;
    return limit;
  }
  return std::nullopt;
}

bool LossyLike(const std::optional<BandLimit>& limit) {
  return limit && limit->sharp && limit->hz < kLossyLikeTopHz;
}

namespace {

// The sharp band limits each encoding left on the first set of pieces of bench/band-limits.md (lame, ffmpeg's AAC,
// oggenc, opusenc at their own low-pass), lowest and highest in Hz.
// Encodings whose limits lie together are all named; lame -V 0, ffmpeg's AAC at 256 kbit/s and oggenc -q 6 leave
// no limit below the top of the band, and so are never named.
struct Encoding {
  const char* name;
  double lowHz, highHz;
};
constexpr Encoding kEncodings[] = {
    {"MP3 96 kbit/s", 15159, 15202},    {"MP3 128 kbit/s", 16581, 16667}, {"MP3 VBR V5", 16538, 16667},
    {"MP3 160 kbit/s", 17313, 17356},   {"AAC 128 kbit/s", 17227, 17227}, {"Vorbis q3", 17227, 18045},
    {"MP3 192 kbit/s", 18691, 18734},   {"MP3 VBR V2", 18648, 18734},     {"Vorbis q4", 18949, 19423},
    {"MP3 256 kbit/s", 19380, 19423},   {"AAC 192 kbit/s", 19294, 19380}, {"MP3 320 kbit/s", 20069, 20112},
    {"Opus 96-160 kbit/s", 19983, 20112}, {"Vorbis q5", 20327, 20844},
};
// The measured limits of one encoding spread by a band or two from piece to piece.
constexpr double kMarginHz = 100.0;

}  // namespace

std::vector<std::string> LikelyEncodingNames(double hz) {
  std::vector<std::string> names;
  for (const Encoding& e : kEncodings) {
    if (hz >= e.lowHz - kMarginHz && hz <= e.highHz + kMarginHz) names.emplace_back(e.name);
  }
  return names;
}

std::string LikelyEncodings(double hz) {
  std::string joined;
  for (const std::string& name : LikelyEncodingNames(hz)) joined += (joined.empty() ? "" : " or ") + name;
  return joined;
}

std::string LikelySource(const std::optional<BandLimit>& limit) {
  if (!LossyLike(limit)) return {};
  const std::string names = LikelyEncodings(limit->hz);
  return names.empty() ? "lossy" : "lossy: " + names;
}

}  // namespace ossel
