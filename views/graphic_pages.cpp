#include "views/graphic_pages.h"

namespace ossel {

namespace {

const QColor kBackground(240, 240, 255);

}  // namespace

QRect PictureArea(const QRect& client) { return client.adjusted(0, 20, -40, -20); }

void DrawEmptySpectrum(QPainter& painter, const QRect& client) {
  painter.fillRect(client, kBackground);
  const QRect area = PictureArea(client);
  if (area.width() <= 0 || area.height() <= 0) return;
  painter.fillRect(area, Qt::black);
  painter.setPen(QPen(Qt::white, 1.0));
  const int middle = area.top() + area.height() / 2;
  painter.drawLine(area.left(), middle, area.right(), middle);
}

void DrawEmptyFrequency(QPainter& painter, const QRect& client) {
  painter.fillRect(client, kBackground);
  const QRect area = PictureArea(client);
  if (area.width() > 0 && area.height() > 0) painter.fillRect(area, Qt::black);
}

SpectrumView::SpectrumView(DiscModel& model, TrackNum* trackNumber, QWidget* parent)
    : GraphicView(model, trackNumber, Entry::Image, parent) {
  setAccessibleName("Spectrogram");
}

void SpectrumView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  DrawEmptySpectrum(painter, rect());
}

void SpectrumView::LoadCurrent() { update(); }

EqualizerView::EqualizerView(DiscModel& model, TrackNum* trackNumber, QWidget* parent)
    : GraphicView(model, trackNumber, Entry::Profile, parent) {
  setAccessibleName("Frequency profile");
}

void EqualizerView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  DrawEmptyFrequency(painter, rect());
}

void EqualizerView::LoadCurrent() { update(); }

}  // namespace ossel
