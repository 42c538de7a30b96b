#include "views/graphic_pages.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include "display/builders.h"

namespace ossel {

namespace {

int PlayingSeconds(const TrackRow& row) { return row.lengthMsf.minutes * 60 + row.lengthMsf.seconds; }

}  // namespace

// ---- Spectrogram ------------------------------------------------------------------------------------------------

SpectrumView::SpectrumView(DiscModel& model, TrackNum* trackNumber, QWidget* parent, const std::string& paletteFile)
    : GraphicView(model, trackNumber, Entry::Image, parent), palette_(LoadPaletteFile(paletteFile)) {
  setAccessibleName(QCoreApplication::translate("Pages", "Spectrogram"));
}

void SpectrumView::LoadCurrent() {
  const TrackRow row = model_.RowCopy(current());
  if (model_.RowCount() == 0 || row.imageEntry < 0) return;
  // The old picture goes first: a failed read shows nothing rather than another track's picture.
  image_.clear();
  imageWidth_ = columns_ = 0;
  zoomFirst_ = zoomCount_ = 0;
  ++loads_;
  const auto entry = model_.store.EntryAt(row.imageEntry);
  const std::size_t bytes = static_cast<std::size_t>(std::max(0, row.imageWidth)) * kImageHeight;
  if (entry && bytes > 0 && entry->size == bytes && row.imageHeight == kImageHeight) {
    std::vector<std::uint8_t> image(bytes);
    if (model_.store.ReadEntry(row.imageEntry, image.data())) {
      image_ = std::move(image);
      imageWidth_ = row.imageWidth;
      columns_ = row.imageColumns > 0 ? std::min(row.imageColumns, row.imageWidth) : row.imageWidth;
      seconds_ = PlayingSeconds(row);
      topFrequency_ = row.frequencyAxis ? row.frequencyAxis[4095] : 0.0;
    }
  }
  update();
}

void SpectrumView::Forget() {
  image_.clear();
  imageWidth_ = columns_ = 0;
  zoomFirst_ = zoomCount_ = 0;
  ++loads_;
}

SpectrumData SpectrumView::Data() const {
  SpectrumData data;
  if (image_.empty()) return data;
  data.image = image_.data();
  data.imageWidth = imageWidth_;
  data.columns = columns_;
  data.seconds = seconds_;
  data.topFrequency = topFrequency_;
  data.firstColumn = zoomFirst_;
  data.columnCount = zoomCount_;
  data.identity = reinterpret_cast<const void*>(static_cast<std::uintptr_t>(loads_));
  return data;
}

void SpectrumView::Zoom(int first, int count) {
  if (columns_ <= 0) return;
  if (count <= 0 || count >= columns_) {
    zoomFirst_ = zoomCount_ = 0;
  } else {
    zoomCount_ = std::max(count, 8);
    zoomFirst_ = std::clamp(first, 0, std::max(0, columns_ - zoomCount_));
  }
  RefreshReadout();
  update();
}

int SpectrumView::ColumnAt(int x) const {
  const QRect area = PictureArea(rect());
  const int first = zoomCount_ > 0 ? zoomFirst_ : 0;
  const int count = zoomCount_ > 0 ? zoomCount_ : columns_;
  if (area.width() <= 0) return first;
  return first + static_cast<int>(1LL * std::clamp(x - area.left(), 0, area.width()) * count / area.width());
}

void SpectrumView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter_.Paint(painter, rect(), Data(), palette_);
  if (image_.empty()) return;
  if (dragFrom_ >= 0 && dragTo_ >= 0) {
    const QRect area = PictureArea(rect());
    const int a = std::min(dragFrom_, dragTo_), b = std::max(dragFrom_, dragTo_);
    painter.fillRect(QRect(a, area.top(), b - a + 1, area.height()), QColor(255, 255, 255, 60));
    painter.setPen(QPen(Qt::white, 1, Qt::DashLine));
    painter.drawRect(QRect(a, area.top(), b - a, area.height() - 1));
  }
  ShowTrackNumber();
}

void SpectrumView::wheelEvent(QWheelEvent* event) {
  if (image_.empty()) return;
  const int steps = event->angleDelta().y() / 120;
  if (steps == 0) return;
  const int count = zoomCount_ > 0 ? zoomCount_ : columns_;
  const int pivot = ColumnAt(static_cast<int>(event->position().x()));
  const double factor = steps > 0 ? 0.5 : 2.0;
  const int wanted = static_cast<int>(count * factor);
  // Keep the column under the pointer where it is.
  const double share = count > 0 ? double(pivot - (zoomCount_ > 0 ? zoomFirst_ : 0)) / count : 0.0;
  Zoom(pivot - static_cast<int>(share * wanted), wanted);
  event->accept();
}

void SpectrumView::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && !image_.empty() && PictureArea(rect()).contains(event->position().toPoint())) {
    dragFrom_ = dragTo_ = static_cast<int>(event->position().x());
  }
  GraphicView::mousePressEvent(event);
}

void SpectrumView::mouseMoveEvent(QMouseEvent* event) {
  if (dragFrom_ >= 0) {
    const QRect area = PictureArea(rect());
    dragTo_ = std::clamp(static_cast<int>(event->position().x()), area.left(), area.right());
    update();
  }
  GraphicView::mouseMoveEvent(event);
}

void SpectrumView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && dragFrom_ >= 0) {
    const int a = std::min(dragFrom_, dragTo_), b = std::max(dragFrom_, dragTo_);
    dragFrom_ = dragTo_ = -1;
    if (b - a >= 4) {
      const int first = ColumnAt(a);
      Zoom(first, ColumnAt(b) - first);
    }
    update();
  }
  GraphicView::mouseReleaseEvent(event);
}

void SpectrumView::mouseDoubleClickEvent(QMouseEvent* event) {
  Zoom(0, 0);
  GraphicView::mouseDoubleClickEvent(event);
}

QString SpectrumView::ReadoutAt(QPoint at) const { return SpectrumReadout(rect(), Data(), at); }

// ---- Frequency profile ------------------------------------------------------------------------------------------

EqualizerView::EqualizerView(DiscModel& model, TrackNum* trackNumber, QWidget* parent)
    : GraphicView(model, trackNumber, Entry::Profile, parent) {
  setAccessibleName(QCoreApplication::translate("Pages", "Frequency profile"));
}

void EqualizerView::SetCutoff(int row, double hz) {
  cutoffs_[row] = hz;
  if (row == current()) update();
}

void EqualizerView::LoadCurrent() {
  const TrackRow row = model_.RowCopy(current());
  if (model_.RowCount() == 0 || row.profileEntry < 0) return;
  profile_.clear();
  bandLimit_.reset();
  const auto entry = model_.store.EntryAt(row.profileEntry);
  if (entry && entry->size == kProfileBytes) {
    std::vector<double> profile(kProfileValues);
    if (model_.store.ReadEntry(row.profileEntry, profile.data())) {
      profile_ = std::move(profile);
      topFrequency_ = row.frequencyAxis ? row.frequencyAxis[4095] : 0.0;
      profileScale_ = row.profileScale;
      bandLimit_ = row.bandLimit;
    }
  }
  update();
}

void EqualizerView::Forget() {
  profile_.clear();
  bandLimit_.reset();
  cutoffs_.clear();
}

FrequencyData EqualizerView::Data() const {
  FrequencyData data;
  if (profile_.empty()) return data;
  data.profile = profile_.data();
  data.topFrequency = topFrequency_;
  data.profileScale = profileScale_;
  const auto cutoff = cutoffs_.find(current());
  data.cutoffHz = cutoff == cutoffs_.end() ? 0.0 : cutoff->second;
  if (bandLimit_) {
    data.bandLimitHz = bandLimit_->hz;
    data.bandLimitSharp = bandLimit_->sharp;
  }
  return data;
}

void EqualizerView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  DrawFrequencyPage(painter, rect(), Data());
  if (!profile_.empty()) ShowTrackNumber();
}

QString EqualizerView::ReadoutAt(QPoint at) const { return FrequencyReadout(rect(), Data(), at); }

}  // namespace ossel
