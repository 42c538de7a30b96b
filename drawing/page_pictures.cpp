#include "drawing/page_pictures.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <limits.h>

#include <QCoreApplication>

#include "platform/regular_file.h"

namespace ossel {

namespace {

constexpr double kBinHz = 44100.0 / 8192.0;
constexpr int kImageRows = 1025;
constexpr int kChannelRows = 512;

const QColor kPageBackground(240, 240, 255);
const QColor kText(0, 0, 0);
const QColor kAxis(64, 64, 64);
const QColor kGrid(80, 80, 80);
const QColor kPlotBackground(0, 0, 80);
const QColor kLeftCurve(255, 0, 255);
const QColor kRightCurve(255, 255, 0);
const QColor kCutoff(64, 255, 160);
const QColor kBandLimit(255, 176, 64);

std::uint32_t Argb(int r, int g, int b) {
  return 0xFF000000u | (static_cast<std::uint32_t>(r & 0xFF) << 16) | (static_cast<std::uint32_t>(g & 0xFF) << 8) |
         static_cast<std::uint32_t>(b & 0xFF);
}

// A rectangle with exclusive right and bottom edges, as the drawing rules measure them.
struct Box {
  int left, top, right, bottom;
  explicit Box(const QRect& r) : left(r.left()), top(r.top()), right(r.left() + r.width()), bottom(r.top() + r.height()) {}
  int width() const { return right - left; }
  int height() const { return bottom - top; }
};

void DrawTextAt(QPainter& painter, const QPoint& at, const QString& text) {
  painter.drawText(QRect(at, QSize(1000, 100)), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, text);
}

// The pages' words and units in the chosen language.
QString Text(const char* source) { return QCoreApplication::translate("Pictures", source); }

void DrawMarks(QPainter& painter, const AxisMarks& marks) {
  painter.setPen(kText);
  for (const AxisLabel& label : marks.labels) DrawTextAt(painter, label.at, label.text);
}

}  // namespace

// ---- Palette ----------------------------------------------------------------------------------------------------

Palette DefaultPalette() {
  struct Key {
    int index, r, g, b;
  };
  static constexpr Key kKeys[] = {
      {0, 1, 0, 63},       {8, 21, 5, 58},      {16, 42, 10, 53},    {24, 63, 16, 48},    {32, 82, 20, 43},
      {40, 102, 25, 38},   {48, 122, 30, 33},   {56, 139, 36, 28},   {64, 155, 42, 23},   {72, 171, 48, 18},
      {80, 187, 54, 13},   {88, 203, 60, 8},    {96, 220, 66, 3},    {104, 230, 74, 0},   {112, 232, 87, 4},
      {120, 235, 99, 7},   {128, 237, 112, 10}, {136, 239, 125, 13}, {144, 241, 138, 16}, {152, 244, 149, 19},
      {160, 246, 161, 22}, {168, 248, 174, 25}, {176, 250, 186, 28}, {184, 253, 198, 31}, {192, 255, 208, 33},
      {200, 255, 214, 29}, {208, 255, 220, 24}, {216, 255, 227, 20}, {224, 255, 232, 16}, {232, 255, 238, 11},
      {240, 255, 244, 7},  {248, 255, 250, 3},  {255, 255, 255, 0},
  };
  Palette palette;
  for (std::size_t k = 0; k + 1 < std::size(kKeys); ++k) {
    const Key& a = kKeys[k];
    const Key& b = kKeys[k + 1];
    const int n = b.index - a.index;
    for (int i = 0; i <= n; ++i) {
      auto mix = [&](int from, int to) { return from + static_cast<int>(std::lround((to - from) * i / double(n))); };
      palette.entries[static_cast<std::size_t>(a.index + i)] = Argb(mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b));
    }
  }
  palette.count = 256;
  return palette;
}

Palette LoadPaletteFile(const std::string& path) {
  Palette palette = DefaultPalette();
  // A palette is a few kilobytes; anything past the first megabyte cannot hold one of its 256 entries. What is no
  // regular file (a FIFO would block the start of the program) counts as missing.
  std::string text, error;
  if (!ReadRegularFile(path, 1 << 20, text, error)) return palette;

  // Read as the C library's "%d %d %d" reads: a number is an optional sign and digits after white space, and
  // only its low 8 bits count. A triple cut short by the end of the file keeps the components it did not get from
  // the entry before, and white space after the last number makes one more entry, a repeat of the last colour.
  std::size_t at = 0;
  auto number = [&](unsigned& value) -> int {  // 1 read, 0 not a number, -1 end of file
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
    if (at >= text.size()) return -1;
    const bool negative = text[at] == '-';
    std::size_t digits = at + ((text[at] == '-' || text[at] == '+') ? 1 : 0);
    if (digits >= text.size() || !std::isdigit(static_cast<unsigned char>(text[digits]))) return 0;
    unsigned v = 0;
    for (at = digits; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at) {
      v = v * 10u + static_cast<unsigned>(text[at] - '0');
    }
    value = negative ? 0u - v : v;
    return 1;
  };
  unsigned rgb[3] = {0, 0, 0};
  int i = 0;
  bool atEnd = false;
  while (i < 256 && !atEnd) {
    int matched = 0;
    bool notANumber = false;
    for (unsigned& component : rgb) {
      const int read = number(component);
      if (read == 0) notANumber = true;
      if (read <= 0) {
        atEnd = read < 0;
        break;
      }
      ++matched;
    }
    if (at >= text.size()) atEnd = true;
    // Text that is no number ends the reading; so does the end of a file that gave no number at all.
    if (notANumber || (matched == 0 && i == 0)) break;
    palette.entries[static_cast<std::size_t>(i++)] =
        Argb(static_cast<int>(rgb[0]), static_cast<int>(rgb[1]), static_cast<int>(rgb[2]));
  }
  palette.count = i;
  return palette;
}

std::string PaletteFileBesideProgram() {
  char path[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return "spectrum.pal";
  std::string exe(path, static_cast<std::size_t>(n));
  const std::size_t slash = exe.rfind('/');
  return slash == std::string::npos ? "spectrum.pal" : exe.substr(0, slash) + "/spectrum.pal";
}

// ---- Axes -------------------------------------------------------------------------------------------------------

int AxisTopFrequency(double topBinFrequency) {
  if (!(topBinFrequency > 0) || topBinFrequency > 1e9) return 0;
  return static_cast<int>(topBinFrequency) / 1000 * 1000;
}

AxisMarks SpectrumTimeAxis(const QRect& rect, int startSeconds, int spanSeconds) {
  AxisMarks marks;
  const Box r(rect);
  const int w = r.width();
  const long long span = spanSeconds;
  if (span <= 0 || w <= 0) return marks;
  const long long end = startSeconds + span;
  const int step = (w * 10LL / span >= 3) ? 10 : (w * 30LL / span >= 5) ? 30 : 60;
  for (long long s = (startSeconds + step - 1) / step * step; s < end; s += step) {
    const int x = r.left + static_cast<int>((s - startSeconds) * w / span);
    marks.ticks.push_back({x, s % 60 == 0 ? 6 : s % 30 == 0 ? 4 : 2});
  }
  const int slotCount = span > 600 ? 24 : 12;
  const int perSlot = w / slotCount;
  if (perSlot <= 0) return marks;  // too narrow for labels
  const long long g = span / perSlot;
  const long long h = g > 59 ? (g + 30) / 60 * 60 : 60;
  for (long long l = (startSeconds / h + 1) * h; l < end; l += h) {
    const int x = r.left + static_cast<int>((l - startSeconds) * w / span) - 9;
    marks.labels.push_back({QString::asprintf("%lld:00", l / 60), QPoint(x, r.bottom - 4)});
  }
  return marks;
}

AxisMarks SpectrumZoomedTimeAxis(const QRect& rect, double startSeconds, double spanSeconds) {
  AxisMarks marks;
  const Box r(rect);
  const int w = r.width();
  if (!(spanSeconds > 0) || w <= 0) return marks;
  static constexpr int kSteps[] = {1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 1200, 1800, 3600};
  int step = kSteps[std::size(kSteps) - 1];
  for (int candidate : kSteps) {
    if (candidate * w / spanSeconds >= 70) {
      step = candidate;
      break;
    }
  }
  const double end = startSeconds + spanSeconds;
  for (long long s = static_cast<long long>(std::ceil(startSeconds / step)) * step; s < end; s += step) {
    const int x = r.left + static_cast<int>((s - startSeconds) * w / spanSeconds);
    marks.ticks.push_back({x, s % 60 == 0 ? 6 : 4});
    marks.labels.push_back({QString::asprintf("%lld:%02lld", s / 60, s % 60), QPoint(x - 12, r.bottom - 4)});
  }
  return marks;
}

AxisMarks SpectrumFrequencyAxis(const QRect& rect, int fmax) {
  AxisMarks marks;
  const Box r(rect);
  const int hgt = r.height();
  if (fmax <= 0 || hgt <= 0) return marks;
  const int slotCount = hgt / 20;
  int d = slotCount > 0 ? fmax / slotCount : fmax;
  d = d >= 1000 ? d / 1000 * 1000 : 500;
  if (slotCount > 0) {
    for (int f = d; f < fmax; f += d) {
      marks.labels.push_back({QString::number(f / 1000), QPoint(r.right - 28, r.bottom - static_cast<int>(1LL * f * hgt / fmax) - 6)});
    }
  }
  const int half = d / 2;
  for (int n = 0; half > 0 && 1LL * n * half <= fmax; ++n) {
    const int s = n * half;
    if (s == 0 || s == fmax) continue;
    marks.ticks.push_back({r.bottom - static_cast<int>(1LL * s * hgt / fmax), n % 2 ? 3 : 6});
  }
  return marks;
}

AxisMarks FrequencyPageFrequencyAxis(const QRect& rect, int fmax) {
  AxisMarks marks;
  const Box r(rect);
  const int w = r.width();
  if (fmax <= 0 || w <= 0) return marks;
  const int step = 1LL * w * 500 / fmax > 3 ? 500 : 1000;
  for (int f = 0; f < fmax; f += step) {
    marks.ticks.push_back({r.left + static_cast<int>(1LL * f * w / fmax), f % 1000 == 0 ? 6 : 3});
  }
  const int perSlot = w / 24;
  if (perSlot <= 0) return marks;
  const int g = fmax / perSlot;
  const int labelStep = g > 999 ? (g + 500) / 1000 * 1000 : 1000;
  for (int v = labelStep; v < fmax; v += labelStep) {
    const QString text = QString::number(v / 1000);
    marks.labels.push_back({text, QPoint(r.left + static_cast<int>(1LL * v * w / fmax) - 4 * text.size(), r.bottom - 4)});
  }
  return marks;
}

AxisMarks FrequencyPageLevelAxis(const QRect& rect, int range) {
  AxisMarks marks;
  const Box r(rect);
  const int hgt = r.height();
  if (range <= 0 || hgt <= 0) return marks;
  const int slotCount = hgt / 20;
  int f = slotCount > 0 ? range / slotCount : range;
  f = f > 9 ? (f + 5) / 10 * 10 : 10;
  if (slotCount > 0) {
    for (int l = f; l < range; l += f) {
      marks.labels.push_back({QString::asprintf("- %02d", (range - l + 5) / 10 * 10),
                              QPoint(r.right - 32, r.bottom - static_cast<int>(1LL * l * hgt / range) - 8)});
    }
  }
  const int half = f / 2;
  for (int n = 0; 1LL * n * half <= range; ++n) {
    const int s = n * half;
    if (s == 0 || s == range) continue;
    marks.ticks.push_back({r.bottom - static_cast<int>(1LL * s * hgt / range), n % 2 ? 3 : 6});
  }
  return marks;
}

// ---- Pages ------------------------------------------------------------------------------------------------------

QRect PictureArea(const QRect& client) { return client.adjusted(0, 20, -40, -20); }

namespace {

void DrawNothing(QPainter& painter, const QRect& area, bool middleLine) {
  if (area.width() <= 0 || area.height() <= 0) return;
  painter.fillRect(area, Qt::black);
  if (!middleLine) return;
  painter.setPen(QPen(Qt::white, 1.0));
  const int middle = area.top() + area.height() / 2;
  painter.drawLine(area.left(), middle, area.left() + area.width(), middle);
}

// The columns of the image that hold data; the padding after them is never drawn.
int DataColumns(const SpectrumData& data) {
  return data.columns > 0 ? std::min(data.columns, data.imageWidth) : data.imageWidth;
}

// The columns a picture shows: all that hold data, or the zoomed range clipped to them.
std::pair<int, int> ShownColumns(const SpectrumData& data) {
  const int columns = DataColumns(data);
  int first = std::clamp(data.firstColumn, 0, std::max(0, columns - 1));
  int count = data.columnCount > 0 ? std::min(data.columnCount, columns - first) : columns - first;
  return {first, std::max(1, count)};
}

}  // namespace

void SpectrumPainter::Rescale(const QRect& area, const SpectrumData& data, const Palette& palette) {
  const auto [first, count] = ShownColumns(data);
  const int w = area.width(), h = area.height();
  cache_ = QImage(w, h, QImage::Format_RGB32);
  // Each pixel shows the strongest value of the image cells it covers, so that a narrow line of a long track
  // stays visible when many columns share a pixel.
  std::vector<int> colStart(static_cast<std::size_t>(w) + 1);
  for (int x = 0; x <= w; ++x) colStart[static_cast<std::size_t>(x)] = first + static_cast<int>(1LL * x * count / w);
  std::vector<std::uint8_t> rowMax(static_cast<std::size_t>(count));
  const std::size_t stride = static_cast<std::size_t>(data.imageWidth);
  for (int y = 0; y < h; ++y) {
    const int r0 = static_cast<int>(1LL * y * kImageRows / h);
    const int r1 = std::max(r0 + 1, static_cast<int>(1LL * (y + 1) * kImageRows / h));
    const std::uint8_t* src = data.image + static_cast<std::size_t>(r0) * stride + static_cast<std::size_t>(first);
    std::copy(src, src + count, rowMax.begin());
    for (int r = r0 + 1; r < r1; ++r) {
      const std::uint8_t* row = data.image + static_cast<std::size_t>(r) * stride + static_cast<std::size_t>(first);
      for (int c = 0; c < count; ++c) rowMax[static_cast<std::size_t>(c)] = std::max(rowMax[static_cast<std::size_t>(c)], row[c]);
    }
    auto* out = reinterpret_cast<std::uint32_t*>(cache_.scanLine(y));
    for (int x = 0; x < w; ++x) {
      const int c0 = colStart[static_cast<std::size_t>(x)] - first;
      const int c1 = std::max(c0 + 1, colStart[static_cast<std::size_t>(x) + 1] - first);
      std::uint8_t v = rowMax[static_cast<std::size_t>(c0)];
      for (int c = c0 + 1; c < c1 && c < count; ++c) v = std::max(v, rowMax[static_cast<std::size_t>(c)]);
      out[x] = palette.entries[v];
    }
  }
  cacheSize_ = area.size();
  cacheIdentity_ = data.identity ? data.identity : data.image;
  cacheFirst_ = first;
  cacheCount_ = count;
  cachePalette_ = &palette;
}

void SpectrumPainter::Paint(QPainter& painter, const QRect& client, const SpectrumData& data, const Palette& palette) {
  painter.fillRect(client, kPageBackground);
  const QRect area = PictureArea(client);
  if (!data.image || data.imageWidth <= 0) {
    DrawNothing(painter, area, true);
    return;
  }
  const Box c(client);
  const auto [first, count] = ShownColumns(data);
  const int columns = DataColumns(data);
  const bool zoomed = count < columns;
  painter.setFont(PageFont());

  // Time axis.
  const QRect timeRect(c.left, c.top + 20, c.width() - 40, c.height() - 30);
  const Box t(timeRect);
  const int y0 = t.bottom - 9;
  painter.setPen(QPen(kAxis, 1.0));
  painter.drawLine(t.left, y0, t.right, y0);
  const AxisMarks time = zoomed ? SpectrumZoomedTimeAxis(timeRect, double(first) * data.seconds / columns,
                                                         double(count) * data.seconds / columns)
                                : SpectrumTimeAxis(timeRect, 0, data.seconds);
  for (const AxisTick& tick : time.ticks) painter.drawLine(tick.from, y0 + tick.length, tick.from, y0);
  DrawMarks(painter, time);
  DrawTextAt(painter, QPoint(t.left, t.bottom - 4), Text(QT_TRANSLATE_NOOP("Pictures", "m:s")));

  // Frequency axes, one a channel.
  const int fmax = AxisTopFrequency(data.topFrequency);
  const int bandTop = c.top + 20, bandBottom = c.bottom - 21;
  const int mid = bandTop + (bandBottom - bandTop + 1) / 2;
  for (const QRect& axis : {QRect(c.left, bandTop, c.width(), mid - bandTop), QRect(c.left, mid, c.width(), bandBottom - mid)}) {
    const Box r(axis);
    const int x = r.right - 40;
    const AxisMarks marks = SpectrumFrequencyAxis(axis, fmax);
    DrawMarks(painter, marks);
    painter.setPen(QPen(kAxis, 1.0));
    painter.drawLine(x, r.top, x, r.bottom);
    for (const AxisTick& tick : marks.ticks) painter.drawLine(x, tick.from, x + tick.length, tick.from);
  }
  painter.setPen(kText);
  DrawTextAt(painter, QPoint(c.right - 28, c.top + 5), Text(QT_TRANSLATE_NOOP("Pictures", "kHz")));

  // The picture, and the line between the channels.
  if (area.width() <= 0 || area.height() <= 0) return;
  if (cache_.isNull() || cacheSize_ != area.size() || cacheIdentity_ != (data.identity ? data.identity : data.image) ||
      cacheFirst_ != first || cacheCount_ != count || cachePalette_ != &palette) {
    Rescale(area, data, palette);
  }
  painter.drawImage(area.topLeft(), cache_);
  painter.setPen(QPen(Qt::white, 1.0));
  const int middle = area.top() + area.height() / 2;
  painter.drawLine(area.left(), middle, area.left() + area.width(), middle);
}

int FrequencyPageX(const QRect& plot, double hz) {
  const double bin = hz / kBinHz;
  return plot.left() + static_cast<int>(std::lround(bin * plot.width() / 4096.0));
}

void DrawFrequencyPage(QPainter& painter, const QRect& client, const FrequencyData& data) {
  painter.fillRect(client, kPageBackground);
  const QRect plotRect = PictureArea(client);
  if (!data.profile) {
    DrawNothing(painter, plotRect, false);
    return;
  }
  if (plotRect.width() <= 0 || plotRect.height() <= 0) return;
  const Box c(client);
  const Box p(plotRect);
  painter.fillRect(plotRect, kPlotBackground);
  painter.setFont(PageFont());

  // Frequency axis with its grid.
  const int fmax = AxisTopFrequency(data.topFrequency);
  const QRect freqRect(c.left, c.top + 20, c.width() - 40, c.height() - 30);
  const Box fr(freqRect);
  const int y0 = fr.bottom - 10;
  painter.setPen(QPen(kAxis, 1.0));
  painter.drawLine(fr.left, y0, fr.right, y0);
  const AxisMarks freq = FrequencyPageFrequencyAxis(freqRect, fmax);
  for (const AxisTick& tick : freq.ticks) {
    painter.setPen(QPen(kGrid, 1.0));
    painter.drawLine(tick.from, y0 + tick.length, tick.from, fr.top);
    painter.setPen(QPen(kAxis, 1.0));
    painter.drawLine(tick.from, y0 + tick.length, tick.from, y0);
  }
  DrawMarks(painter, freq);
  DrawTextAt(painter, QPoint(fr.right, fr.bottom - 4), Text(QT_TRANSLATE_NOOP("Pictures", "kHz")));

  // Level axis with its grid.
  const double scale = std::isfinite(data.profileScale) ? std::clamp(data.profileScale, 0.0, 1e6) : 0.0;
  const int range = static_cast<int>(scale);
  const QRect levelRect(c.left, c.top + 20, c.width(), c.height() - 41);
  const Box lr(levelRect);
  const int ax = lr.right - 40;
  const AxisMarks level = FrequencyPageLevelAxis(levelRect, range);
  DrawMarks(painter, level);
  painter.setPen(QPen(kAxis, 1.0));
  painter.drawLine(ax, lr.top, ax, lr.bottom);
  for (const AxisTick& tick : level.ticks) {
    painter.setPen(QPen(kGrid, 1.0));
    painter.drawLine(lr.left, tick.from, ax + tick.length, tick.from);
    painter.setPen(QPen(kAxis, 1.0));
    painter.drawLine(ax, tick.from, ax + tick.length, tick.from);
  }
  painter.setPen(kText);
  DrawTextAt(painter, QPoint(c.right - 26, c.top + 5), Text(QT_TRANSLATE_NOOP("Pictures", "dB")));

  // The curves: one point a pixel column, the bin under it.
  const int w = p.width(), hP = p.height();
  std::vector<QPoint> points(static_cast<std::size_t>(w));
  painter.save();
  painter.setClipRect(plotRect);
  for (int channel = 0; channel < 2; ++channel) {
    for (int i = 0; i < w; ++i) {
      double v = data.profile[channel * 4096 + static_cast<int>(1LL * i * 4096 / w)];
      v = std::isfinite(v) ? std::clamp(v, 0.0, 1.0) : 0.0;
      points[static_cast<std::size_t>(i)] = QPoint(p.left + i, p.bottom - static_cast<int>(hP * v));
    }
    painter.setPen(QPen(channel == 0 ? kLeftCurve : kRightCurve, 1.0));
    painter.drawPolyline(points.data(), w);
  }

  // A marker: a vertical line at `hz` with its text (a pattern taking the kHz) beside it, on the left where the right
  // has no room.
  const auto marker = [&](double hz, const QColor& color, Qt::PenStyle style, const QString& pattern, int textTop) {
    if (!(hz > 0) || !std::isfinite(hz)) return;
    const int x = FrequencyPageX(plotRect, hz);
    if (x < p.left || x >= p.right) return;
    painter.setPen(QPen(color, 1.0, style));
    painter.drawLine(x, p.top, x, p.bottom - 1);
    const QString text = pattern.arg(hz / 1000.0, 0, 'f', 1);
    const int textWidth = painter.fontMetrics().horizontalAdvance(text);
    const int tx = x + 4 + textWidth < p.right ? x + 4 : x - 4 - textWidth;
    painter.setPen(color);
    DrawTextAt(painter, QPoint(tx, p.top + textTop), text);
  };
  // Where the engine found the upper cutoff, and where the track's spectrum ends, and how.
  marker(data.cutoffHz, kCutoff, Qt::DashLine, Text(QT_TRANSLATE_NOOP("Pictures", "截止频率 %1 kHz")), 64);
  marker(data.bandLimitHz, kBandLimit, Qt::DotLine,
         data.bandLimitSharp ? Text(QT_TRANSLATE_NOOP("Pictures", "频带上限 %1 kHz（陡峭）"))
                             : Text(QT_TRANSLATE_NOOP("Pictures", "频带上限 %1 kHz（渐降）")),
         84);
  painter.restore();

  // Legend.
  const int bx = p.right - 160, by = p.top + 10;
  painter.fillRect(QRect(bx, by, 150, 50), kPlotBackground);
  painter.setPen(QPen(kGrid, 1.0));
  painter.drawRect(QRect(bx, by, 150, 50));
  painter.fillRect(QRect(bx + 30, p.top + 17, 10, 2), kLeftCurve);
  painter.fillRect(QRect(bx + 30, p.top + 33, 10, 2), kRightCurve);
  painter.setPen(kPageBackground);
  DrawTextAt(painter, QPoint(bx + 50, p.top + 10), Text(QT_TRANSLATE_NOOP("Pictures", "Left Channel")));
  DrawTextAt(painter, QPoint(bx + 50, p.top + 26), Text(QT_TRANSLATE_NOOP("Pictures", "Right Channel")));
}

// ---- Read-outs --------------------------------------------------------------------------------------------------

QString SpectrumReadout(const QRect& client, const SpectrumData& data, QPoint at) {
  const QRect area = PictureArea(client);
  if (!data.image || data.imageWidth <= 0 || !area.contains(at) || area.height() <= 0) return {};
  const auto [first, count] = ShownColumns(data);
  const double column = first + double(at.x() - area.left()) * count / area.width();
  const double seconds = column * data.seconds / DataColumns(data);
  const int row = static_cast<int>(1LL * (at.y() - area.top()) * kImageRows / area.height());
  if (row == kChannelRows) return {};
  const bool left = row < kChannelRows;
  const int group = left ? kChannelRows - 1 - row : kImageRows - 1 - row;
  const double hz = (group + 0.5) * 8 * kBinHz;
  const int whole = static_cast<int>(seconds);
  return Text(left ? QT_TRANSLATE_NOOP("Pictures", "%1:%2  %3 kHz  left channel")
                   : QT_TRANSLATE_NOOP("Pictures", "%1:%2  %3 kHz  right channel"))
      .arg(whole / 60)
      .arg(QString::number(seconds - whole / 60 * 60, 'f', 1).rightJustified(4, '0'))
      .arg(hz / 1000.0, 0, 'f', 2);
}

QString FrequencyReadout(const QRect& client, const FrequencyData& data, QPoint at) {
  const QRect plot = PictureArea(client);
  if (!data.profile || !plot.contains(at)) return {};
  const int bin = static_cast<int>(1LL * (at.x() - plot.left()) * 4096 / plot.width());
  const double range = static_cast<int>(std::isfinite(data.profileScale) ? data.profileScale : 0.0);
  auto level = [&](int channel) {
    const double v = data.profile[channel * 4096 + bin];
    return std::isfinite(v) ? QString::number((std::clamp(v, 0.0, 1.0) - 1.0) * range, 'f', 1) : QString("?");
  };
  return Text(QT_TRANSLATE_NOOP("Pictures", "%1 kHz  left %2 dB  right %3 dB")).arg(bin * kBinHz / 1000.0, 0, 'f', 2).arg(level(0)).arg(level(1));
}

// ---- Fonts ------------------------------------------------------------------------------------------------------

void InstallFontSubstitutes() {
  const QStringList sans = {"Liberation Sans", "Arimo", "DejaVu Sans", "WenQuanYi Micro Hei"};
  QFont::insertSubstitutions("Arial", sans);
  QFont::insertSubstitutions("MS Shell Dlg", sans);
  QFont::insertSubstitutions("宋体", {"SimSun", "WenQuanYi Micro Hei", "Noto Sans CJK SC", "Liberation Sans"});
}

QFont PageFont() {
  QFont font("Arial");
  font.setPointSize(8);
  return font;
}

}  // namespace ossel
