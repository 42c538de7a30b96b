// The band limit of a track, found in its frequency profile (builders.h): the frequency above which the long-term
// spectrum of both channels stays far below the band just under it, and whether it ends in a cliff as deep and steep
// as lossy encoders cut at their low-pass, or falls gradually. And which lossy encodings leave a sharp limit there,
// from the table bench/band-limits.md measures (bench/band-limits.sh makes it anew).
//
// Nothing here reads audio: the profile is what the builders accumulate anyway, 8192 values once per track, and the
// power sum they keep beside it, 1024.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "device/track_row.h"

namespace ossel {

// Below this a sharp limit is where lossy encoders put theirs; above it genuine CD audio ends too (the converters'
// anti-alias filters), so a sharp limit there tells nothing.
inline constexpr double kLossyLikeTopHz = 20500.0;

// Where the top of the music is quiet, the loud bands' leakage fills the profile over an encoder's low-pass to within
// a few dB of the music under it; the limit is then where a fall ends in that smooth floor, sharp. A sharp limit
// with a band of noise over it (a second cliff a little higher) is placed at the top of that band.
//
// The limit of a profile as the builders leave it (8192 values on 0..1, the left channel's 4096 bins then the
// right's, bin k at k × 44100 / 8192 Hz) with its scale (20 × the largest per-column mean of the log spectrum).
// None when the spectrum reaches the top of the band, when there is no profile (null, or a scale that is not above
// zero: silence, nothing read), or when nothing in it stands far above the floor.
std::optional<BandLimit> FindBandLimit(const double* profile, double profileScale);
// The same, with the track's power sum beside it (the squares of the display spectrum summed in the profile's 43 Hz
// bands: the left channel's 512 bands, then the right's, on any scale; null for none): a limit found in the profile
// moves up to a cliff the power sum alone shows more than 1 kHz higher, where the encoder kept the band in the loud
// frames only.
std::optional<BandLimit> FindBandLimit(const double* profile, double profileScale, const double* power);

// A sharp limit below kLossyLikeTopHz.
bool LossyLike(const std::optional<BandLimit>& limit);

// The encodings of the table whose limits lie about where `limit` is, for a lossy-like limit: "lossy: MP3 about
// 128 kbit/s or AAC about 128 kbit/s"; "lossy" alone where the limit lies where none of the table's encodings put
// theirs; empty for a limit that is not lossy-like. The same in every language (a field of the outputs).
std::string LikelySource(const std::optional<BandLimit>& limit);
// The encodings alone, "MP3 128 kbit/s or MP3 VBR V5"; empty where none fits.
std::string LikelyEncodings(double hz);
// The same names one by one, for a text that joins them in its own language.
std::vector<std::string> LikelyEncodingNames(double hz);

}  // namespace ossel
