#include "views/graphic_view.h"

#include <QToolTip>

#include "views/indicators.h"
#include "views/window_events.h"

namespace ossel {

GraphicView::GraphicView(DiscModel& model, TrackNum* trackNumber, Entry entry, QWidget* parent)
    : QWidget(parent), model_(model), trackNumber_(trackNumber), entry_(entry), slider_(new QSlider(Qt::Horizontal, this)) {
  slider_->setTickPosition(QSlider::TicksBelow);
  slider_->setPageStep(1);
  slider_->setRange(0, 0);
  slider_->setEnabled(false);
  slider_->setAccessibleName("Track");
  setFocusPolicy(Qt::StrongFocus);
  setFocusProxy(slider_);
  connect(slider_, &QSlider::valueChanged, this, &GraphicView::OnSliderMoved);
  connect(slider_, &QSlider::sliderMoved, this, [this](int position) {
    QToolTip::showText(QCursor::pos(), QString("Track %1").arg(position + 1), slider_);
  });
}

bool GraphicView::event(QEvent* event) {
  if (event->type() == DataChangedEvent::kType) {
    OnDataChanged(static_cast<DataChangedEvent*>(event)->wParam);
    return true;
  }
  if (event->type() == QEvent::ToolTip) {
    setToolTip(QString("Track %1").arg(current_ + 1));
  }
  return QWidget::event(event);
}

void GraphicView::OnDataChanged(int wParam) {
  int count = 0;
  if (wParam == kDataClear) {
    current_ = 0;
    hasData_ = false;
  } else {
    for (const TrackRow& row : model_.RowsCopy()) {
      if ((entry_ == Entry::Image ? row.imageEntry : row.profileEntry) >= 0) ++count;
    }
    if (count > 0) hasData_ = true;
  }
  const QSignalBlocker block(slider_);
  slider_->setRange(0, std::max(0, count - 1));
  if (count > 0) slider_->setEnabled(true);
  if (wParam == kDataClear) slider_->setEnabled(false);
  slider_->setValue(current_);
  slider_->setToolTip(QString("Track %1").arg(current_ + 1));
  if (count == 1) LoadCurrent();
  update();
}

void GraphicView::OnSliderMoved(int position) {
  if (position == current_) return;
  current_ = position;
  slider_->setToolTip(QString("Track %1").arg(current_ + 1));
  LoadCurrent();
}

void GraphicView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  slider_->setGeometry(0, 0, std::max(0, width() - 40), 19);
}

void GraphicView::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  slider_->setFocus();
}

void GraphicView::ShowTrackNumber() {
  if (trackNumber_) trackNumber_->SetText(QString::asprintf("%02d", current_ + 1));
}

}  // namespace ossel
