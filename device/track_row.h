// Rows of the track list and the sector-count time notation.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace ossel {

// A span or position in sectors as minutes, seconds and frames (no 150-sector offset).
struct MsfTime {
  std::int32_t minutes = 0;
  std::int32_t seconds = 0;
  std::int32_t frames = 0;

  static MsfTime FromSectors(std::int32_t n) { return {n / 4500, (n % 4500) / 75, n % 75}; }
  // "%02d:%02d.%02d"
  std::string Text() const;
};

// Where a track's long-term spectrum ends (display/band_limit.h finds it from the frequency profile).
struct BandLimit {
  double hz = 0.0;     // above it both channels stay far below the band just under it
  bool sharp = false;  // a cliff as deep and steep as lossy encoders cut; else a gradual fall
};

struct TrackRow {
  std::int32_t trackNumber = 0;
  std::string nameText;
  MsfTime startMsf;
  MsfTime lengthMsf;
  std::string elapsedText;
  std::string sizeText;
  std::string readErrorText;
  std::string statusText;
  std::int32_t imageEntry = -1;
  std::int32_t profileEntry = -1;
  std::int32_t imageWidth = 0;    // bytes per row of the stored spectrogram
  std::int32_t imageColumns = 0;  // its columns that hold data, from the first (the rest pads the rows)
  std::int32_t imageHeight = 0;
  const double* frequencyAxis = nullptr;  // bin frequencies used by the views; null until set
  double profileScale = 0.0;
  std::optional<BandLimit> bandLimit;  // none: the spectrum reaches the top of the band, or nothing to tell
};

// "音频轨道 %02d"
std::string TrackNameText(int trackNumber);
// "%.2lf Mb" of sectors × 0.00225830078125
std::string TrackSizeText(std::int32_t sectors);

}  // namespace ossel
