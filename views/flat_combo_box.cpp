#include "views/flat_combo_box.h"

#include <QLineEdit>
#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStylePainter>

#include "views/sys_colors.h"

namespace ossel {

CFlatComboBox::CFlatComboBox(QWidget* parent) : QComboBox(parent) {
  setAttribute(Qt::WA_Hover);
  connect(this, &QComboBox::editTextChanged, this, &CFlatComboBox::CompleteEditText);
}

void CFlatComboBox::paintEvent(QPaintEvent* event) {
  if (isEditable()) {
    QComboBox::paintEvent(event);
  } else {
    // Drawn here rather than by the style: the boxes are narrow (32 pixels), so the text and a small arrow button
    // must share the width the way a flat Windows drop-down shares it.
    QPainter p(this);
    const QRect r = rect();
    const int button = std::min(buttonWidth, r.width() / 2);
    const QRect textArea(r.left() + 1, r.top() + 1, r.width() - button - 2, r.height() - 2);
    const QRect arrowArea(r.right() - button, r.top() + 1, button, r.height() - 2);
    p.fillRect(r, isEnabled() ? GetSysColor(SysColor::Window) : GetSysColor(SysColor::BtnFace));
    p.fillRect(arrowArea, GetSysColor(SysColor::BtnFace));
    p.setPen(isEnabled() ? GetSysColor(SysColor::WindowText) : GetSysColor(SysColor::BtnShadow));
    p.drawText(textArea.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, currentText());
    if (hasFocus()) {
      QRect focus = textArea.adjusted(1, 1, -1, -1);
      p.setPen(QPen(GetSysColor(SysColor::WindowText), 1, Qt::DotLine));
      p.drawRect(focus.adjusted(0, 0, -1, -1));
    }
    const QPoint c = arrowArea.center();
    const QPolygon arrow({QPoint(c.x() - 3, c.y() - 1), QPoint(c.x() + 3, c.y() - 1), QPoint(c.x(), c.y() + 2)});
    p.setPen(Qt::NoPen);
    p.setBrush(isEnabled() ? GetSysColor(SysColor::BtnText) : GetSysColor(SysColor::BtnShadow));
    p.drawPolygon(arrow);
  }
  QPainter p(this);
  const QRect r = rect().adjusted(0, 0, -1, -1);
  const bool sunken = Sunken();
  const QColor topLeft = GetSysColor(sunken ? SysColor::BtnShadow : SysColor::BtnFace);
  const QColor bottomRight = GetSysColor(sunken ? SysColor::BtnHighlight : SysColor::BtnFace);
  p.setPen(topLeft);
  p.drawLine(r.topLeft(), r.topRight());
  p.drawLine(r.topLeft(), r.bottomLeft());
  p.setPen(bottomRight);
  p.drawLine(r.bottomLeft(), r.bottomRight());
  p.drawLine(r.topRight(), r.bottomRight());
}

QSize CFlatComboBox::sizeHint() const { return {32, fontMetrics().height() + 8}; }

QSize CFlatComboBox::minimumSizeHint() const { return sizeHint(); }

void CFlatComboBox::enterEvent(QEnterEvent* event) {
  QComboBox::enterEvent(event);
  update();
}

void CFlatComboBox::leaveEvent(QEvent* event) {
  QComboBox::leaveEvent(event);
  update();
}

void CFlatComboBox::focusInEvent(QFocusEvent* event) {
  QComboBox::focusInEvent(event);
  update();
}

void CFlatComboBox::focusOutEvent(QFocusEvent* event) {
  QComboBox::focusOutEvent(event);
  update();
}

void CFlatComboBox::showPopup() {
  popupShown_ = true;
  QComboBox::showPopup();
  update();
}

void CFlatComboBox::hidePopup() {
  QComboBox::hidePopup();
  popupShown_ = false;
  update();
}

// Typed text that begins an item's text is completed with the rest of that item, the completed tail selected so
// that typing on replaces it; text that matches nothing stays as typed, caret and all.
void CFlatComboBox::CompleteEditText(const QString& text) {
  if (!autoComplete || completing_ || !lineEdit() || text.isEmpty()) return;
  const int match = findText(text, Qt::MatchStartsWith);
  if (match < 0) return;
  const QString full = itemText(match);
  if (full.size() == text.size()) return;
  completing_ = true;
  lineEdit()->setText(full);
  lineEdit()->setSelection(full.size(), static_cast<int>(text.size()) - static_cast<int>(full.size()));
  completing_ = false;
}

}  // namespace ossel
