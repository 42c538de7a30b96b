// The two track readers of the analysis: each reads an audio track from the drive, hands every 16384-byte block to
// the detector and paints from the block's spectrum one column of the track's spectrogram and a share of its
// frequency profile.
//
// The continuous reader takes every block of the track; the sampling reader takes one piece of 7 sectors out of
// every `step` pieces. Both run on the analysis worker and know nothing of windows: they report progress through a
// callback and leave storing the results to their caller.
//
// Spectrogram image: kImageHeight rows of `imageWidth` bytes (row r, column x at r × imageWidth + x), one column
// per block. Rows 0-511 are the left channel, row 511 holding display bins 0-7 and row 0 bins 4088-4095; row 512
// stays empty; rows 513-1024 are the right channel in the same order (row 1024 bins 0-7). Frequency profile: 8192
// doubles, left channel's 4096 bins then the right channel's, each between 0 and 1 when the track is done.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "display/display_store.h"

namespace ossel {

class CdDrive;
class ManualResetEvent;
class TrackDetector;

inline constexpr std::int32_t kImageHeight = 1025;
inline constexpr int kProfileValues = 8192;
inline constexpr std::uint32_t kProfileBytes = kProfileValues * sizeof(double);  // 65536
inline constexpr int kPowerValues = kProfileValues / 8;  // a power sum's 43 Hz bands: 512 per channel

// The image width (bytes per row) a track of these sectors needs: one column per block that the continuous
// reader can fill, raised to the next multiple of 4 that is strictly greater, so that rows stay 4-byte aligned.
std::int32_t TrackImageWidth(std::int32_t firstSector, std::int32_t lastSector);

// "%M:%S" of a span of whole seconds: minutes and seconds, hours dropped (1 h 5 min reads 05:00).
std::string SpanText(std::int64_t seconds);
// The clock the elapsed times are read from, in whole seconds: a span is the difference of two readings, so a
// reading at 12.1 s after a start at 10.9 s counts 2 seconds.
std::int64_t ClockSeconds();

// The buffers of one analysis, allocated once for the widest track and reused for every track and block.
struct BuildBuffers {
  static constexpr std::size_t kSectorBufferValues = (32 * 2352 + 16384) / 2;  // 91648 bytes

  // Sizes every buffer for images up to `maxWidth` columns; false when the memory cannot be had.
  bool Allocate(std::int32_t maxWidth);
  // Empties the image and the profile and power sums before a track.
  void ClearTrack();

  std::int32_t maxWidth = 0;
  AlignedArray<std::int16_t> sectorBuffer;  // raw sectors as 16-bit samples, plus the unprocessed rest of a read
  AlignedArray<double> columnSpectrum;      // 8192: the display spectrum of the block in work
  AlignedArray<double> profileSum;          // 8192: the frequency profile of the track
  AlignedArray<double> powerSum;            // 1024: the track's power sum, its display spectrum squared by bands
  AlignedArray<std::uint8_t> image;         // maxWidth × kImageHeight
  AlignedArray<double> columnMaxima;        // maxWidth: the loudest log value of each column
};

// The progress texts of the track in work, reported after every read.
struct BuildProgress {
  std::string elapsedText;    // time since the reader started, "%M:%S"
  std::string readErrorText;  // failed reads of the track so far, "%d"
  std::string statusText;     // share of the track read, "%d%%"
  int failedReads = 0;
};

struct BuildContext {
  CdDrive& drive;
  TrackDetector& detector;
  const ManualResetEvent& cancel;
  BuildBuffers& buffers;
  std::function<void(const BuildProgress&)> progress;  // may be empty
};

// One track for a reader: what the job hands in and what comes back.
struct TrackBuild {
  int trackNumber = 0;
  std::int32_t imageWidth = 0;  // in: the width set up for the track; out: the sampling reader narrows it
  std::int32_t columns = 0;     // out: the columns that hold data, from the first; the rest of a row pads it
  double profileScale = 0.0;    // out: 20 × the largest per-column mean of the log spectrum
  int failedReads = 0;          // out: reads that failed and were analysed as silence
};

// Results: -1 when cancelled; 0 when nothing was read (not an audio track, a negative sector, or a width that does
// not fit the track or the buffers); otherwise the number of blocks the detector counted (possibly 0).
std::int32_t BuildContinuous(BuildContext& context, TrackBuild& track);
// `step` ≥ 2: one 7-sector piece is analysed out of every `step` (a smaller step reads nothing and gives 0).
std::int32_t BuildSampled(BuildContext& context, TrackBuild& track, int step);

// The pixel of a group of eight log values whose sum is `groupSum` in a column whose largest value is `columnMax`:
// the share of eight times the maximum, rounded, on 0..255. A group whose values all sit at the maximum would round
// to 256; it is drawn at full strength, 255.
std::uint8_t GroupPixel(double groupSum, double columnMax);

}  // namespace ossel
