#include "views/graphic_view.h"

#include <QCoreApplication>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QMenu>
#include <QMouseEvent>
#include <QToolTip>

#include "views/indicators.h"
#include "views/window_events.h"

namespace ossel {

GraphicView::GraphicView(DiscModel& model, TrackNum* trackNumber, Entry entry, QWidget* parent)
    : QWidget(parent),
      model_(model),
      trackNumber_(trackNumber),
      entry_(entry),
      slider_(new QSlider(Qt::Horizontal, this)),
      readout_(new QLabel(this)) {
  slider_->setTickPosition(QSlider::TicksBelow);
  slider_->setPageStep(1);
  slider_->setRange(0, 0);
  slider_->setEnabled(false);
  slider_->setAccessibleName(QCoreApplication::translate("Pages", "Track"));
  slider_->setToolTip(QCoreApplication::translate("Pages", "Track %1").arg(1));
  setFocusPolicy(Qt::StrongFocus);
  setFocusProxy(slider_);
  setMouseTracking(true);
  connect(slider_, &QSlider::valueChanged, this, &GraphicView::ShowPosition);
  connect(slider_, &QSlider::sliderMoved, this, [this](int position) {
    if (position >= 0 && position < static_cast<int>(rowsWithData_.size())) {
      QToolTip::showText(QCursor::pos(), QCoreApplication::translate("Pages", "Track %1").arg(rowsWithData_[static_cast<size_t>(position)] + 1), slider_);
    }
  });
  readout_->setAttribute(Qt::WA_TransparentForMouseEvents);
  readout_->setStyleSheet("QLabel { background: rgba(255, 255, 255, 215); color: black; padding: 1px 3px; }");
  QFont small = readout_->font();
  small.setPointSize(8);
  readout_->setFont(small);
  readout_->hide();
}

bool GraphicView::event(QEvent* event) {
  if (event->type() == DataChangedEvent::kType) {
    OnDataChanged(static_cast<DataChangedEvent*>(event)->change);
    return true;
  }
  return QWidget::event(event);
}

void GraphicView::OnDataChanged(DataChange change) {
  if (change == DataChange::Clear) {
    current_ = 0;
    hasData_ = false;
    rowsWithData_.clear();
    Forget();
  } else {
    rowsWithData_.clear();
    const std::vector<TrackRow> rows = model_.RowsCopy();
    for (std::size_t n = 0; n < rows.size(); ++n) {
      if ((entry_ == Entry::Image ? rows[n].imageEntry : rows[n].profileEntry) >= 0) rowsWithData_.push_back(static_cast<int>(n));
    }
    if (!rowsWithData_.empty()) hasData_ = true;
  }
  const int count = static_cast<int>(rowsWithData_.size());
  const auto at = std::find(rowsWithData_.begin(), rowsWithData_.end(), current_);
  const int position = at == rowsWithData_.end() ? 0 : static_cast<int>(at - rowsWithData_.begin());
  {
    const QSignalBlocker block(slider_);
    slider_->setRange(0, std::max(0, count - 1));
    slider_->setEnabled(count > 0);
    slider_->setValue(position);
  }
  if (count == 1) {
    current_ = rowsWithData_.front();
    LoadCurrent();
  }
  slider_->setToolTip(QCoreApplication::translate("Pages", "Track %1").arg(current_ + 1));
  RefreshReadout();
  update();
}

void GraphicView::ShowPosition(int position) {
  if (position < 0 || position >= static_cast<int>(rowsWithData_.size())) return;
  const int row = rowsWithData_[static_cast<size_t>(position)];
  if (slider_->value() != position) {
    const QSignalBlocker block(slider_);
    slider_->setValue(position);
  }
  if (row == current_) return;
  current_ = row;
  slider_->setToolTip(QCoreApplication::translate("Pages", "Track %1").arg(current_ + 1));
  LoadCurrent();
  RefreshReadout();
}

bool GraphicView::SavePicture(const QString& path) {
  readout_->hide();
  const bool saved = grab().save(path, "PNG");
  RefreshReadout();
  return saved;
}

void GraphicView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  slider_->setGeometry(0, 0, std::max(0, width() - 40), 19);
}

void GraphicView::mouseMoveEvent(QMouseEvent* event) {
  QWidget::mouseMoveEvent(event);
  mouse_ = event->position().toPoint();
  RefreshReadout();
}

void GraphicView::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  mouse_.reset();
  readout_->hide();
}

void GraphicView::RefreshReadout() {
  if (!mouse_ || !rect().contains(*mouse_)) {
    readout_->hide();
    return;
  }
  PlaceReadout(*mouse_, ReadoutAt(*mouse_), rect().adjusted(0, 20, -40, -20));
}

void GraphicView::PlaceReadout(QPoint at, const QString& text, const QRect& area) {
  if (text.isEmpty()) {
    readout_->hide();
    return;
  }
  readout_->setText(text);
  readout_->adjustSize();
  const QSize size = readout_->size();
  if (size.width() > area.width() || size.height() > area.height()) {
    readout_->hide();
    return;
  }
  // Beside the pointer, flipped to its other side near an edge, and always inside the picture.
  int x = at.x() + 14, y = at.y() + 14;
  if (x + size.width() > area.right()) x = at.x() - 14 - size.width();
  if (y + size.height() > area.bottom()) y = at.y() - 14 - size.height();
  x = std::clamp(x, area.left(), area.right() + 1 - size.width());
  y = std::clamp(y, area.top(), area.bottom() + 1 - size.height());
  readout_->move(x, y);
  readout_->show();
  readout_->raise();
}

void GraphicView::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  QAction* save = menu.addAction(QCoreApplication::translate("Pages", "Save picture…"));
  if (menu.exec(event->globalPos()) != save) return;
  const QString path = QFileDialog::getSaveFileName(this, QCoreApplication::translate("Pages", "Save picture"), QString("track-%1.png").arg(current_ + 1, 2, 10, QChar('0')),
                                                    QCoreApplication::translate("Pages", "PNG pictures (*.png)"));
  if (!path.isEmpty()) SavePicture(path);
}

void GraphicView::ShowTrackNumber() {
  if (trackNumber_) trackNumber_->SetText(QString::asprintf("%02d", current_ + 1));
}

}  // namespace ossel
