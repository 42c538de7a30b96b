// The spectrogram page and the frequency page.
#pragma once

#include <QPainter>

#include "views/graphic_view.h"

namespace ossel {

// The area the picture fills: the client rectangle less 20 pixels at the top, 40 at the right and 20 at the bottom.
QRect PictureArea(const QRect& client);
// The picture of a page with nothing to show: the light background, a black area and, for the spectrogram, a white
// line across its middle.
void DrawEmptySpectrum(QPainter& painter, const QRect& client);
void DrawEmptyFrequency(QPainter& painter, const QRect& client);

class SpectrumView : public GraphicView {
  Q_OBJECT

 public:
  SpectrumView(DiscModel& model, TrackNum* trackNumber, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void LoadCurrent() override;
};

class EqualizerView : public GraphicView {
  Q_OBJECT

 public:
  EqualizerView(DiscModel& model, TrackNum* trackNumber, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void LoadCurrent() override;
};

}  // namespace ossel
