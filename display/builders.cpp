#include "display/builders.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

#include "detector/track_detector.h"
#include "device/cd_drive.h"
#include "device/text_format.h"
#include "platform/event.h"
#include "spectrum/stage_clock.h"
#include "spectrum/vector_arrays.h"
#include "spectrum/vector_log.h"

namespace ossel {
namespace {

constexpr int kSectorBytes = ioctl::kRawSectorBytes;  // 2352
constexpr int kBlockBytes = 16384;
constexpr int kBlockValues = kBlockBytes / 2;
constexpr int kContinuousSectors = 32;
constexpr int kPieceSectors = 7;  // 16464 bytes: one block and a little more
constexpr std::int32_t kReadTimeoutSeconds = 2;
constexpr int kBins = 4096;       // display bins per channel
constexpr int kGroupBins = 8;     // bins per pixel row
constexpr int kBandRows = kBins / kGroupBins;  // 512 rows per channel
constexpr std::int32_t kLeftBottomRow = kBandRows - 1;
constexpr std::int32_t kRightBottomRow = kImageHeight - 1;
constexpr double kSilentColumnFloor = 0.0001;
constexpr std::size_t kPieceValues = 2048;  // the piece of a column's spectrum taken at a time


// One track in work: the reading, the painting of its columns and its progress.
class TrackReader {
 public:
  TrackReader(BuildContext& context, TrackBuild& track)
      : context_(context), buffers_(context.buffers), track_(track), start_(ClockSeconds()) {
    EnterStage(AnalysisStage::Builders);
  }
  ~TrackReader() { EnterStage(AnalysisStage::Other); }

  // Looks the track up; false when there is nothing to read.
  bool Begin() {
    CdDrive& drive = context_.drive;
    if (!drive.IsAudioTrack(track_.trackNumber)) return false;
    first_ = drive.TrackStart(track_.trackNumber);
    last_ = drive.TrackEnd(track_.trackNumber);
    if (first_ < 0 || last_ < first_) return false;
    span_ = last_ - first_;
    // Every column the track can produce must fit the width, and the width the buffers.
    const bool allocated = buffers_.sectorBuffer && buffers_.image && buffers_.columnMaxima &&
                           buffers_.columnSpectrum && buffers_.profileSum && buffers_.powerSum;
    return allocated && track_.imageWidth >= TrackImageWidth(first_, last_) &&
           track_.imageWidth <= buffers_.maxWidth;
  }

  bool Cancelled() const { return context_.cancel.IsSet(); }

  // Reads `count` sectors with the short read time-out. A failed read is counted and leaves zeros (silence).
  void Read(std::int32_t lba, int count, std::uint8_t* to) {
    CdDrive& drive = context_.drive;
    const std::int32_t previous = drive.timeoutSeconds;
    drive.timeoutSeconds = kReadTimeoutSeconds;
    EnterStage(AnalysisStage::Reading);
    const bool ok = drive.ReadAudioSectors(lba, count, to);
    EnterStage(AnalysisStage::Builders);
    drive.timeoutSeconds = previous;
    if (!ok) {
      ++track_.failedReads;
      std::memset(to, 0, static_cast<std::size_t>(count) * kSectorBytes);
    }
  }

  // Analyses one block and paints its column.
  void ProcessBlock(const std::int16_t* block) {
    double* spectrum = buffers_.columnSpectrum.get();
    result_ += context_.detector.AnalyzeBlock(reset_, block, kBlockValues, 44100, 2, spectrum);

    // A piece at a time: its squares' share of the power sum, its logarithms, their share of the profile, the
    // column's maximum and the sums of its pixel rows, while the piece is at hand.
    double* profile = buffers_.profileSum.get();
    double* power = buffers_.powerSum.get();
    double columnMax = 0.0;
    double groupSums[kProfileValues / kGroupBins];
    for (std::size_t i = 0; i < kProfileValues; i += kPieceValues) {
      for (std::size_t k = i; k < i + kPieceValues; k += kGroupBins) {
        const double* v = spectrum + k;  // summed as a tree, so that the bands' sums overlap
        power[k / kGroupBins] += ((v[0] * v[0] + v[1] * v[1]) + (v[2] * v[2] + v[3] * v[3])) +
                                 ((v[4] * v[4] + v[5] * v[5]) + (v[6] * v[6] + v[7] * v[7]));
      }
      EnterStage(AnalysisStage::Logarithms);
      DecimalLogOfSum(spectrum + i, 1.0, spectrum + i, kPieceValues);
      EnterStage(AnalysisStage::Builders);
      columnMax = std::max(columnMax, AddValuesFindMax(spectrum + i, profile + i, kPieceValues));
      GroupSumsOfEight(spectrum + i, groupSums + i / kGroupBins, kPieceValues / kGroupBins);
    }
    if (columnMax < kSilentColumnFloor) columnMax += kSilentColumnFloor;

    PaintBand(groupSums, kLeftBottomRow, columnMax);
    PaintBand(groupSums + kBandRows, kRightBottomRow, columnMax);
    buffers_.columnMaxima[static_cast<std::size_t>(column_)] = columnMax;
    if (columnMax > maxColumn_) maxColumn_ = columnMax;
    ++column_;
    reset_ = 0;
  }

  // Publishes the progress texts; `current` is the first sector of the read just analysed.
  void ReportProgress(std::int32_t current) {
    if (!context_.progress) return;
    BuildProgress progress;
    progress.elapsedText = SpanText(ClockSeconds() - start_);
    progress.readErrorText = FormatText("%d", track_.failedReads);
    // A track of a single sector has no span to divide: it reads as just begun.
    const std::int64_t percent = span_ == 0 ? 0 : std::int64_t{current - first_} * 100 / span_;
    progress.statusText = FormatText("%d%%", static_cast<int>(percent));
    progress.failedReads = track_.failedReads;
    context_.progress(progress);
  }

  // Scales each column by its loudness relative to the loudest column of the track, in place.
  void DimColumns() {
    const std::size_t width = static_cast<std::size_t>(track_.imageWidth);
    for (std::size_t r = 0; r < kImageHeight; ++r) {
      std::uint8_t* row = buffers_.image.get() + r * width;
      for (std::size_t x = 0; x < static_cast<std::size_t>(column_); ++x) row[x] = Dimmed(row[x], x);
    }
    track_.columns = column_;
  }

  // Dims the columns like DimColumns and packs the rows to the narrowest 4-byte-aligned width that holds them. The
  // new rows never start after the old ones, so every byte is read before it is overwritten. The padding columns
  // after the last one are left empty.
  void PackColumns() {
    const std::size_t oldWidth = static_cast<std::size_t>(track_.imageWidth);
    const std::size_t newWidth = static_cast<std::size_t>((column_ & ~3) + 4);
    const std::size_t columns = static_cast<std::size_t>(column_);
    std::uint8_t* image = buffers_.image.get();
    for (std::size_t r = 0; r < kImageHeight; ++r) {
      for (std::size_t x = 0; x < newWidth; ++x)
        image[r * newWidth + x] = x < columns ? Dimmed(image[r * oldWidth + x], x) : 0;
    }
    track_.imageWidth = static_cast<std::int32_t>(newWidth);
    track_.columns = column_;
  }

  // Brings the profile to 0..1 and sets its scale: 20 × the largest per-column mean of the log spectrum.
  void FinishProfile() {
    double* profile = buffers_.profileSum.get();
    double profileMax = 0.0;
    for (int i = 0; i < kProfileValues; ++i) profileMax = std::max(profileMax, profile[i]);
    // A track without a column or with only silence has nothing to scale (and is never stored).
    if (column_ == 0 || profileMax == 0.0) {
      track_.profileScale = 0.0;
      return;
    }
    track_.profileScale = profileMax * 20 / column_;
    for (int i = 0; i < kProfileValues; ++i) profile[i] /= profileMax;
  }

  std::int32_t first() const { return first_; }
  std::int32_t last() const { return last_; }
  std::int32_t result() const { return result_; }
  std::uint8_t* bytes() { return reinterpret_cast<std::uint8_t*>(buffers_.sectorBuffer.get()); }
  const std::int16_t* samples(std::size_t byteOffset) const { return buffers_.sectorBuffer.get() + byteOffset / 2; }

 private:
  // The 512 rows of one channel in the current column, from `bottomRow` (bins 0-7) upward, from the sums of their
  // groups of eight log values.
  void PaintBand(const double* groupSums, std::int32_t bottomRow, double columnMax) {
    const std::size_t width = static_cast<std::size_t>(track_.imageWidth);
    std::uint8_t* bottom = buffers_.image.get() + static_cast<std::size_t>(bottomRow) * width + column_;
    for (std::size_t g = 0; g < kBandRows; ++g) {
      bottom[-static_cast<std::ptrdiff_t>(g * width)] = GroupPixel(groupSums[g], columnMax);
    }
  }

  std::uint8_t Dimmed(std::uint8_t pixel, std::size_t x) const {
    return static_cast<std::uint8_t>(pixel * buffers_.columnMaxima[x] / maxColumn_);
  }

  BuildContext& context_;
  BuildBuffers& buffers_;
  TrackBuild& track_;
  std::int64_t start_;  // ClockSeconds() when the reader started
  std::int32_t first_ = 0;
  std::int32_t last_ = 0;
  std::int32_t span_ = 0;
  std::int32_t result_ = 0;
  std::int32_t column_ = 0;
  int reset_ = 1;
  double maxColumn_ = 0.0;
};

}  // namespace

std::int32_t TrackImageWidth(std::int32_t firstSector, std::int32_t lastSector) {
  const std::int64_t blocks = std::int64_t{lastSector - firstSector} * kSectorBytes / kBlockBytes;
  const std::int64_t width = blocks + 1;
  return static_cast<std::int32_t>((width & ~std::int64_t{3}) + 4);
}

std::int64_t ClockSeconds() {
  using namespace std::chrono;
  return duration_cast<seconds>(steady_clock::now().time_since_epoch()).count();
}

std::string SpanText(std::int64_t seconds) {
  return FormatText("%02d:%02d", static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
}

bool BuildBuffers::Allocate(std::int32_t width) {
  maxWidth = 0;
  const std::size_t columns = static_cast<std::size_t>(std::max(width, 0));
  sectorBuffer = AllocateAligned<std::int16_t>(kSectorBufferValues);
  columnSpectrum = AllocateAligned<double>(kProfileValues);
  profileSum = AllocateAligned<double>(kProfileValues);
  powerSum = AllocateAligned<double>(kPowerValues);
  image = AllocateAligned<std::uint8_t>(columns * kImageHeight);
  columnMaxima = AllocateAligned<double>(columns);
  if (!sectorBuffer || !columnSpectrum || !profileSum || !powerSum || !image || !columnMaxima) return false;
  maxWidth = static_cast<std::int32_t>(columns);
  std::fill_n(columnMaxima.get(), columns, 0.0);
  ClearTrack();
  return true;
}

void BuildBuffers::ClearTrack() {
  if (image) std::fill_n(image.get(), static_cast<std::size_t>(maxWidth) * kImageHeight, std::uint8_t{0});
  if (profileSum) std::fill_n(profileSum.get(), kProfileValues, 0.0);
  if (powerSum) std::fill_n(powerSum.get(), kPowerValues, 0.0);
}

std::uint8_t GroupPixel(double groupSum, double columnMax) {
  const int scaled = static_cast<int>(groupSum / columnMax * 8192);
  return static_cast<std::uint8_t>(std::min((scaled + 128) >> 8, 255));
}

std::int32_t BuildContinuous(BuildContext& context, TrackBuild& track) {
  track.failedReads = 0;
  TrackReader reader(context, track);
  if (!reader.Begin()) return 0;
  std::size_t fill = 0;  // bytes waiting in the sector buffer
  if (reader.Cancelled()) return -1;
  // The track's last sector itself is never read.
  for (std::int32_t sector = reader.first(); sector < reader.last();) {
    const int n = std::min(reader.last() - sector, kContinuousSectors);
    reader.Read(sector, n, reader.bytes() + fill);
    fill += static_cast<std::size_t>(n) * kSectorBytes;
    std::size_t done = 0;
    for (; fill - done >= kBlockBytes; done += kBlockBytes) reader.ProcessBlock(reader.samples(done));
    std::memmove(reader.bytes(), reader.bytes() + done, fill - done);
    fill -= done;
    reader.ReportProgress(sector);
    sector += n;
    if (reader.Cancelled()) return -1;
  }
  reader.DimColumns();
  reader.FinishProfile();
  return reader.result();
}

std::int32_t BuildSampled(BuildContext& context, TrackBuild& track, int step) {
  track.failedReads = 0;
  if (step < 2) return 0;
  TrackReader reader(context, track);
  if (!reader.Begin()) return 0;
  const std::int64_t stride = std::int64_t{kPieceSectors} * step;
  for (std::int64_t next = reader.first(); next <= reader.last(); next += stride) {
    const auto sector = static_cast<std::int32_t>(next);
    if (reader.Cancelled()) return -1;
    reader.Read(sector, kPieceSectors, reader.bytes());
    reader.ProcessBlock(reader.samples(0));
    reader.ReportProgress(sector);
  }
  reader.PackColumns();
  reader.FinishProfile();
  return reader.result();
}

}  // namespace ossel
