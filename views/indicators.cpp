#include "views/indicators.h"

#include <QCoreApplication>
#include <QPainter>

#include "views/sys_colors.h"

namespace ossel {

IndicatorBase::IndicatorBase(const QString& captionImage, QWidget* parent)
    : QWidget(parent), caption_(captionImage) {
  setFixedSize(32, 48);
  QFont bold("MS Shell Dlg");
  bold.setPixelSize(11);
  bold.setBold(true);
  setFont(bold);
}

void IndicatorBase::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect r = rect();
  p.fillRect(r, GetSysColor(SysColor::BtnFace));
  // Sunken frame: shadow along the top and left, highlight along the bottom and right.
  p.setPen(GetSysColor(SysColor::BtnShadow));
  p.drawLine(r.topLeft(), r.topRight());
  p.drawLine(r.topLeft(), r.bottomLeft());
  p.setPen(GetSysColor(SysColor::BtnHighlight));
  p.drawLine(r.bottomLeft(), r.bottomRight());
  p.drawLine(r.topRight(), r.bottomRight());

  p.drawPixmap(r.left() + 2, r.top() + 25, caption_, 0, 0, 30, 7);

  const QString text = DisplayText();
  if (text.isEmpty()) return;
  const QPoint at = r.topLeft() + TextPosition();
  const QRect box = p.fontMetrics().boundingRect(QRect(at, QSize(40, 20)), Qt::AlignLeft | Qt::AlignTop, text);
  // Embossed: a light copy on an opaque light ground, then the text itself one pixel up and left.
  p.fillRect(box, GetSysColor(SysColor::Light3d));
  p.setPen(GetSysColor(SysColor::BtnHighlight));
  p.drawText(box, Qt::AlignLeft | Qt::AlignTop, text);
  p.setPen(GetSysColor(SysColor::HotLight));
  p.drawText(box.translated(-1, -1), Qt::AlignLeft | Qt::AlignTop, text);
}

TrackNum::TrackNum(QWidget* parent) : IndicatorBase(":/images/caption-track.xpm", parent) {
  setAccessibleName(QCoreApplication::translate("Pages", "Track"));
  setAccessibleDescription(text_);
}

void TrackNum::SetText(const QString& text) {
  text_ = text;
  setAccessibleDescription(text);
  update();
}

SkipMode::SkipMode(QWidget* parent) : IndicatorBase(":/images/caption-mode.xpm", parent) {
  setAccessibleName(QCoreApplication::translate("Pages", "Mode"));
  setAccessibleDescription(DisplayText());
}

void SkipMode::SetValue(int value) {
  value_ = value;
  setAccessibleDescription(DisplayText());
  update();
}

}  // namespace ossel
