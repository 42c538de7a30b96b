#include "display/band_limit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

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
// A shelf over a sharp limit: from 5 to 25 bands over it, a band that falls by 4.5 dB within 4 bands and is not more
// than 25 dB under the kilohertz under the limit.
constexpr int kShelfFirstBands = 5;
constexpr int kShelfLastBands = 25;
constexpr int kShelfDropBands = 4;
constexpr double kShelfDropDb = 4.5;
constexpr double kShelfDepthDb = 25.0;
// A quiet top (set on bench/band-limits.sh's tuning sets; no genuine piece of them falls by more than 1 dB across 3
// bands of a smooth top, nor by more than 0.6 dB between the wide fall's windows): smooth where no band stands 0.5 dB
// off the mean of its neighbours, for at least 20 bands (860 Hz) up to the top. In it, a steep fall of 1.5 dB across
// 3 bands (130 Hz), and 2 dB from the 4 bands under the fall to the 5 bands over it; or a wide one, of 2 dB from 4
// bands to the 4 bands 6 bands over them, into a floor that falls at most half as much across the same span. The knee
// at the foot of a fall is rough, so a fall is looked for from 2 bands under the smooth part. At 1 dB, noise falling
// 12 dB a kilohertz into the 16-bit floor, gradual by any measure, would make a wide fall.
constexpr double kRoughDb = 0.5;
constexpr int kSmoothBands = 20;
constexpr int kFallBands = 3;
constexpr double kFallDb = 1.5;
constexpr double kQuietDepthDb = 2.0;
constexpr int kKneeBands = 2;
constexpr int kWideBands = 4;      // each window of a wide fall
constexpr int kWideGapBands = 6;   // between the windows
constexpr double kWideDb = 2.0;
constexpr double kFloorShare = 0.5;  // the floor over a wide fall falls at most this share of it
constexpr double kFloorNearDb = 1.0;  // a wide fall's limit: the first band this near its floor
// A cliff in the power sum more than 1 kHz over a limit found in the profile: every one of the 3 bands under it
// stands 10 dB over everything from 3 bands over it to the top.
constexpr int kPowerUnderBands = 3;
constexpr int kPowerGapBands = 3;
constexpr double kPowerCliffDb = 10.0;
constexpr double kPowerAboveHz = 1000.0;

double Hz(int band) { return band * kBandHz; }

using Levels = std::array<double, kBands>;

double At(const Levels& level, int band) { return level[static_cast<std::size_t>(band)]; }

// The loudest band at or above each band, up to the top (and none over it).
std::array<double, kBands + 1> LoudestFrom(const Levels& level) {
  std::array<double, kBands + 1> over{};
  over[kBands] = -std::numeric_limits<double>::infinity();
  for (int b = kBands - 1; b >= 0; --b)
    over[static_cast<std::size_t>(b)] = std::max(over[static_cast<std::size_t>(b) + 1], At(level, b));
  return over;
}

double Mean(const Levels& level, int from, int to) {  // bands [from, to)
  double sum = 0.0;
  for (int b = from; b < to; ++b) sum += At(level, b);
  return sum / (to - from);
}

// The lowest band above which everything stays far below the kilohertz under it, sharp where it falls from that
// kilohertz in a cliff. A sharp limit with a shelf over it (a second cliff a little higher, as oggenc leaves its band
// of noise above the first) is placed at the shelf's top, where the encoder's band really ends.
std::optional<BandLimit> LoudLimit(const Levels& level, const std::array<double, kBands + 1>& over) {
  for (int b = kLowestBand; b <= kTopBand; ++b) {
    const double under = Mean(level, b - kUnderBands, b);
    if (under < kLoudDb || under - over[static_cast<std::size_t>(b)] < kFarBelowDb) continue;
    BandLimit limit;
    limit.hz = Hz(b);
    const double shoulder = Mean(level, b - kUnderBands, b - kCliffSkipBands);
    const int floorBand = std::min(b + kCliffFloorBands, kBands - 1);
    limit.sharp = shoulder - over[static_cast<std::size_t>(floorBand)] >= kCliffDb;
    if (limit.sharp) {
      const auto step = [&](int f) { return At(level, f) - At(level, f + 1); };
      for (int e = b + kShelfFirstBands; e <= std::min(b + kShelfLastBands, kBands - 1 - kShelfDropBands); ++e) {
        const bool drops = At(level, e) - At(level, e + kShelfDropBands) >= kShelfDropDb;
        if (!drops || At(level, e) < under - kShelfDepthDb) continue;
        // The shelf ends over its steepest step among these bands.
        int end = e;
        for (int f = e + 1; f < e + kShelfDropBands; ++f) {
          if (step(f) > step(end)) end = f;
        }
        limit.hz = Hz(end + 1);
        break;
      }
    }
    return limit;
  }
  return std::nullopt;
}

// Where the top of a track is quiet, the loud bands' leakage fills the profile over an encoder's low-pass to within a
// few dB of the music under it, but smoothly: from the limit up the profile is a smooth floor, where music, even
// quiet, varies from band to band. So: the lowest band from which the profile stays smooth to the top, and in that
// smooth part (and the knee just under it) the highest fall into the floor, steep or wide; the limit is where that
// fall ends, as a loud limit is the first band past its cliff. A steep fall is sharp if it is deep enough from where
// it begins; a wide one (an encoder's gentler low-pass, or the top of a band it kept in some frames only) is, where it
// falls into a flat floor.
std::optional<BandLimit> QuietLimit(const Levels& level) {
  const auto at = [&](int b) { return At(level, b); };
  int smoothFrom = kTopBand + 1;
  for (int b = kTopBand; b >= kLowestBand; --b) {
    if (std::abs(at(b) - (at(b - 1) + at(b + 1)) / 2) >= kRoughDb) break;
    smoothFrom = b;
  }
  if (smoothFrom > kTopBand - kSmoothBands) return std::nullopt;
  const auto fall = [&](int b) { return at(b - 1) - at(b + kFallBands - 1); };
  constexpr int kWideSpan = kWideGapBands + kWideBands;
  // From the `kWideBands` under b to as many from `kWideGapBands` over b.
  const auto wide = [&](int b) {
    return Mean(level, b - kWideBands, b) - Mean(level, b + kWideGapBands, b + kWideSpan);
  };
  for (int b = kTopBand - kFallBands; b >= std::max(smoothFrom - kKneeBands, kLowestBand); --b) {
    if (fall(b) >= kFallDb) {
      int start = b;
      while (start - 1 >= kLowestBand && fall(start - 1) >= kFallDb) --start;
      const double depth = Mean(level, start - 4, start) - Mean(level, b + kFallBands, b + kFallBands + 5);
      if (depth < kQuietDepthDb) return std::nullopt;
      return BandLimit{Hz(b + 1), true};
    }
    if (b + 2 * kWideSpan <= kTopBand + 1 && wide(b) >= kWideDb && wide(b + kWideSpan) <= kFloorShare * wide(b)) {
      const double floor = Mean(level, b + kWideGapBands, b + kWideSpan);
      int end = b;
      while (end < b + kWideGapBands && at(end) - floor > kFloorNearDb) ++end;
      return BandLimit{Hz(end), true};
    }
  }
  return std::nullopt;
}

// The power sum is ruled by the loud frames, the profile (a mean of logarithms) by the many. An encoder that keeps the
// top of its band in its loud frames only (oggenc on a quiet piano) leaves a fall in the profile where most frames
// end, and its low-pass shows as a cliff in the power sum alone: the highest band under which the power stands far
// over everything from a little above it.
std::optional<double> PowerCliffHz(const double* power) {
  Levels level{};
  for (int b = 0; b < kBands; ++b) {
    const double sum = power[b] + power[kBands + b];
    level[static_cast<std::size_t>(b)] = sum > 0.0 && std::isfinite(sum) ? 10 * std::log10(sum) : -1000.0;
  }
  const std::array<double, kBands + 1> over = LoudestFrom(level);
  const auto cliff = [&](int b) {
    const double* under = level.data() + (b - kPowerUnderBands);
    return *std::min_element(under, under + kPowerUnderBands) - over[static_cast<std::size_t>(b + kPowerGapBands)] >=
           kPowerCliffDb;
  };
  for (int b = kTopBand - kPowerGapBands; b > kLowestBand; --b) {
    if (cliff(b)) return Hz(b);
  }
  return std::nullopt;
}

}  // namespace

std::optional<BandLimit> FindBandLimit(const double* profile, double profileScale, const double* power) {
  std::optional<BandLimit> limit = FindBandLimit(profile, profileScale);
  if (!limit || power == nullptr) return limit;
  if (const std::optional<double> cliff = PowerCliffHz(power); cliff && *cliff > limit->hz + kPowerAboveHz)
    return BandLimit{*cliff, true};
  return limit;
}

std::optional<BandLimit> FindBandLimit(const double* profile, double profileScale) {
  if (profile == nullptr || !(profileScale > 0.0) || !std::isfinite(profileScale)) return std::nullopt;
  // Each band's level: the louder channel's mean over the band.
  Levels level{};
  for (int b = 0; b < kBands; ++b) {
    double left = 0.0, right = 0.0;
    for (int i = 0; i < kBandBins; ++i) {
      left += profile[b * kBandBins + i];
      right += profile[kBins + b * kBandBins + i];
    }
    const double value = std::max(left, right) / kBandBins * profileScale;
    level[static_cast<std::size_t>(b)] = std::isfinite(value) ? value : 0.0;
  }
  if (const std::optional<BandLimit> limit = LoudLimit(level, LoudestFrom(level))) return limit;
  return QuietLimit(level);
}

bool LossyLike(const std::optional<BandLimit>& limit) {
  return limit && limit->sharp && limit->hz < kLossyLikeTopHz;
}

namespace {

// The sharp band limits each encoding left on the first three sets of pieces of bench/band-limits.md (lame, ffmpeg's
// AAC, oggenc, opusenc at their own low-pass), lowest and highest in Hz: one range for each run of limits, and two for
// lame -V 2, which keeps the band over 16 kHz on loud pieces only. Encodings whose limits lie together are all named;
// lame -V 0, ffmpeg's AAC at 256 kbit/s and oggenc -q 6 leave no limit below the top of the band, and so are never
// named.
struct Encoding {
  const char* name;
  double lowHz, highHz;
};
constexpr Encoding kEncodings[] = {
    {"MP3 96 kbit/s", 15159, 15375},  {"MP3 128 kbit/s", 16451, 16667},  {"MP3 160 kbit/s", 17183, 17356},
    {"MP3 192 kbit/s", 18605, 18734}, {"MP3 256 kbit/s", 19337, 19466},  {"MP3 320 kbit/s", 20069, 20198},
    {"MP3 VBR V2", 16021, 16021},     {"MP3 VBR V2", 18562, 18777},      {"MP3 VBR V5", 15978, 16710},
    {"AAC 128 kbit/s", 17227, 17313}, {"AAC 192 kbit/s", 19294, 19423},  {"Vorbis q3", 17183, 18088},
    {"Vorbis q4", 18949, 19466},      {"Vorbis q5", 19724, 20844},       {"Opus 96-160 kbit/s", 19983, 20155},
};
// The measured limits of one encoding spread by a band or two from piece to piece.
constexpr double kMarginHz = 100.0;

}  // namespace

std::vector<std::string> LikelyEncodingNames(double hz) {
  std::vector<std::string> names;
  for (const Encoding& e : kEncodings) {
    const bool fits = hz >= e.lowHz - kMarginHz && hz <= e.highHz + kMarginHz;
    if (fits && std::find(names.begin(), names.end(), e.name) == names.end()) names.emplace_back(e.name);
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
