// The flat drop-down of the drive and skip selections: a flat border that turns sunken while the mouse is over it
// or it has the focus. When editable, typed text is completed from the list.
#pragma once

#include <QComboBox>

namespace ossel {

class CFlatComboBox : public QComboBox {
  Q_OBJECT

 public:
  explicit CFlatComboBox(QWidget* parent = nullptr);

  bool autoComplete = true;
  int buttonWidth = 13;  // the width of the arrow button
  // The border is drawn sunken now.
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;
  bool Sunken() const { return hasFocus() || underMouse() || popupShown_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void showPopup() override;
  void hidePopup() override;

 private:
  void CompleteEditText(const QString& text);

  bool popupShown_ = false;
  bool completing_ = false;
};

}  // namespace ossel
