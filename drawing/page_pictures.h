// The pictures of the spectrogram page and the frequency page, drawn from plain data by functions of a painter and
// a rectangle: the pages paint with them, and the command line renders the same pictures offscreen into PNG files.
// Needs Qt Gui only (no widgets, no display).
#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace ossel {

// ---- Palette ----------------------------------------------------------------------------------------------------

// 256 opaque colours (0xAARRGGBB) for the spectrogram's pixel values, 0 the faintest and 255 the strongest.
struct Palette {
  std::array<std::uint32_t, 256> entries{};
  int count = 256;  // how many entries the palette file gave (256 for the built-in palette)
};

// The built-in palette: dark blue through red and orange to yellow.
Palette DefaultPalette();
// Reads a palette file: whitespace-separated decimal numbers, red green blue for each entry from index 0, at most
// 256 entries, each component the low 8 bits of its number. Entries the file does not give keep the built-in
// colours; a file that cannot be opened gives the built-in palette with a count of 256.
Palette LoadPaletteFile(const std::string& path);
// "spectrum.pal" in the folder of the running program.
std::string PaletteFileBesideProgram();

// ---- Axes -------------------------------------------------------------------------------------------------------

struct AxisTick {
  int from = 0;  // x (time axis) or y (frequency and level axes)
  int length = 0;
};
struct AxisLabel {
  QString text;
  QPoint at;  // top-left corner of the text
};
struct AxisMarks {
  std::vector<AxisTick> ticks;
  std::vector<AxisLabel> labels;
};

// Ticks and labels of the spectrogram's time axis on `r` for the seconds [start, start + span); with start 0 the
// whole track. Empty when the rectangle is too narrow for its label slots or the span is not positive.
AxisMarks SpectrumTimeAxis(const QRect& r, int startSeconds, int spanSeconds);
// The time axis of a zoomed range [start, start + span) seconds: a tick and an "m:ss" label every 1, 2, 5, 10, 15,
// 30 seconds or whole minutes, as close as labels fit (at least 70 pixels apart).
AxisMarks SpectrumZoomedTimeAxis(const QRect& r, double startSeconds, double spanSeconds);
// Ticks (x from the axis line, to the right) and labels of one channel's frequency axis on `r`, up to `fmax` Hz.
AxisMarks SpectrumFrequencyAxis(const QRect& r, int fmax);
// The frequency page's axes: ticks along the bottom (x) with their grid, and the level labels "- %02d" (y).
AxisMarks FrequencyPageFrequencyAxis(const QRect& r, int fmax);
AxisMarks FrequencyPageLevelAxis(const QRect& r, int range);

// The top frequency of an axis: the track's highest bin frequency truncated, then rounded down to a whole kHz.
int AxisTopFrequency(double topBinFrequency);

// ---- Pages ------------------------------------------------------------------------------------------------------

// The area the picture fills: the client rectangle less 20 pixels at the top, 40 at the right and 20 at the bottom.
QRect PictureArea(const QRect& client);

// What the spectrogram page shows of one track.
struct SpectrumData {
  const std::uint8_t* image = nullptr;  // imageWidth × 1025 palette indices, row after row; null: nothing to show
  int imageWidth = 0;
  int columns = 0;           // the columns that hold data, from the first (the rest pads the rows); 0: all of them
  int seconds = 0;           // the playing time: minutes × 60 + seconds of the track's length
  double topFrequency = 0;   // frequency of the highest bin
  int firstColumn = 0;       // the columns shown: from firstColumn, columnCount of them (0: every data column)
  int columnCount = 0;
  const void* identity = nullptr;  // changes when the image does (a new track or a new analysis)
};

// Draws the spectrogram page. It keeps the picture scaled to the last size it drew, so that repainting the same
// track at the same size and zoom costs only the copy.
class SpectrumPainter {
 public:
  void Paint(QPainter& painter, const QRect& client, const SpectrumData& data, const Palette& palette);
  // Forget the scaled picture (the palette or the image changed in place).
  void Invalidate() { cache_ = QImage(); }

 private:
  void Rescale(const QRect& area, const SpectrumData& data, const Palette& palette);

  QImage cache_;
  QSize cacheSize_;
  const void* cacheIdentity_ = nullptr;
  int cacheFirst_ = -1;
  int cacheCount_ = -1;
  const Palette* cachePalette_ = nullptr;
};

// What the frequency page shows of one track.
struct FrequencyData {
  const double* profile = nullptr;  // 8192 values, the left channel's 4096 bins then the right's; null: nothing
  double topFrequency = 0;          // frequency of the highest bin
  double profileScale = 0;          // the level range L in dB
  double cutoffHz = 0;              // where the engine found the upper cutoff; 0: no marker
  double bandLimitHz = 0;           // the track's band limit (display/band_limit.h); 0: no marker
  bool bandLimitSharp = false;      // its cliff is sharp
};

void DrawFrequencyPage(QPainter& painter, const QRect& client, const FrequencyData& data);

// The x of a frequency on the frequency page's curves (P the plot area): where bin f / bin width lands.
int FrequencyPageX(const QRect& plot, double hz);

// The read-out under the mouse at `at`: time, frequency and channel on the spectrogram; frequency and each
// channel's level in dB on the frequency page. Empty where the point is outside the picture or nothing is shown.
QString SpectrumReadout(const QRect& client, const SpectrumData& data, QPoint at);
QString FrequencyReadout(const QRect& client, const FrequencyData& data, QPoint at);

// ---- Fonts ------------------------------------------------------------------------------------------------------

// Substitutes for the faces the pages name ("Arial", "MS Shell Dlg", "宋体"), with the same metrics where Debian has
// them; installed once before the first page is drawn.
void InstallFontSubstitutes();
// "Arial", 8 points: the labels and units of both pages.
QFont PageFont();

}  // namespace ossel
