// The spectrogram page and the frequency page of the analysed tracks.
#pragma once

#include <map>
#include <optional>
#include <vector>

#include "views/graphic_view.h"
#include "drawing/page_pictures.h"

namespace ossel {

// Both channels' spectrogram of one track, from the display store, in the palette of "spectrum.pal" beside the
// program (or the built-in one). The time axis can be zoomed: the mouse wheel zooms in and out around the
// pointer, a dragged range is shown across the page, and a double-click shows the whole track again.
class SpectrumView : public GraphicView {
  Q_OBJECT

 public:
  SpectrumView(DiscModel& model, TrackNum* trackNumber, QWidget* parent = nullptr,
               const std::string& paletteFile = PaletteFileBesideProgram());

  const Palette& palette() const { return palette_; }
  bool HasImage() const { return !image_.empty(); }
  // The image columns shown: from `first`, `count` of them (0: the whole track).
  void Zoom(int first, int count);
  int zoomFirst() const { return zoomFirst_; }
  int zoomCount() const { return zoomCount_; }
  SpectrumData Data() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void LoadCurrent() override;
  void Forget() override;
  QString ReadoutAt(QPoint at) const override;

 private:
  // The image column under x, in the columns shown.
  int ColumnAt(int x) const;

  Palette palette_;
  SpectrumPainter painter_;
  std::vector<std::uint8_t> image_;
  int imageWidth_ = 0;
  int columns_ = 0;  // the columns that hold data (the rest of each row pads it)
  int seconds_ = 0;
  double topFrequency_ = 0;
  int loads_ = 0;  // tells the painter's cache a new image from an old one at the same address
  int zoomFirst_ = 0;
  int zoomCount_ = 0;
  int dragFrom_ = -1;  // x where a range drag began
  int dragTo_ = -1;
};

// Both channels' long-term frequency profile of one track in dB, with the cutoff the engine found.
class EqualizerView : public GraphicView {
  Q_OBJECT

 public:
  EqualizerView(DiscModel& model, TrackNum* trackNumber, QWidget* parent = nullptr);

  // Where the engine found the upper cutoff of a row's track (0: not judged).
  void SetCutoff(int row, double hz);
  bool HasProfile() const { return !profile_.empty(); }
  FrequencyData Data() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void LoadCurrent() override;
  void Forget() override;
  QString ReadoutAt(QPoint at) const override;

 private:
  std::vector<double> profile_;
  double topFrequency_ = 0;
  double profileScale_ = 0;
  std::optional<BandLimit> bandLimit_;  // the shown track's
  std::map<int, double> cutoffs_;
};

}  // namespace ossel
