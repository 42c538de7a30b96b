// The two small displays of the tool bar: a sunken frame, a tiny caption image and an embossed bold number.
// TrackNum shows the track being analysed or displayed ("%02d"), SkipMode which fraction of a track the analysis
// reads ("1/%d").
#pragma once

#include <QPixmap>
#include <QWidget>

namespace ossel {

class IndicatorBase : public QWidget {
  Q_OBJECT

 public:
  IndicatorBase(const QString& captionImage, QWidget* parent);
  QSize sizeHint() const override { return {32, 48}; }

 protected:
  void paintEvent(QPaintEvent*) override;
  // The text to draw and where it starts, relative to the client rectangle's top-left corner.
  virtual QString DisplayText() const = 0;
  virtual QPoint TextPosition() const = 0;

 private:
  QPixmap caption_;
};

class TrackNum : public IndicatorBase {
  Q_OBJECT

 public:
  explicit TrackNum(QWidget* parent = nullptr);
  // Replaces the text and redraws.
  void SetText(const QString& text);
  QString text() const { return text_; }

 protected:
  QString DisplayText() const override { return text_; }
  QPoint TextPosition() const override { return {10, 34}; }

 private:
  QString text_ = "00";
};

class SkipMode : public IndicatorBase {
  Q_OBJECT

 public:
  explicit SkipMode(QWidget* parent = nullptr);
  // The divisor shown; redraws.
  void SetValue(int value);
  int value() const { return value_; }

 protected:
  QString DisplayText() const override { return QString("1/%1").arg(value_); }
  QPoint TextPosition() const override { return {6, 34}; }

 private:
  int value_ = 1;
};

}  // namespace ossel
