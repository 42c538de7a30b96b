// What the spectrogram and the frequency pages share: the track slider along the top, the count of tracks that
// have stored data, and the handling of UM_DATA_CHANGED.
#pragma once

#include <QSlider>
#include <QWidget>

#include "analysis/disc_model.h"

namespace ossel {

class TrackNum;

class GraphicView : public QWidget {
  Q_OBJECT

 public:
  // Which of a row's store entries this view shows.
  enum class Entry { Image, Profile };

  GraphicView(DiscModel& model, TrackNum* trackNumber, Entry entry, QWidget* parent);

  // Whether any track has stored data for this view (the panel enables the page from it).
  bool hasData() const { return hasData_; }
  int current() const { return current_; }
  QSlider* slider() const { return slider_; }

 protected:
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  // Reads the stored data of row `current` and redraws; nothing when the row has none.
  virtual void LoadCurrent() = 0;
  // Shows "%02d" of current + 1 on the track-number display.
  void ShowTrackNumber();

  DiscModel& model_;
  TrackNum* trackNumber_;

 private:
  void OnDataChanged(int wParam);
  void OnSliderMoved(int position);

  Entry entry_;
  QSlider* slider_;
  int current_ = 0;
  bool hasData_ = false;
};

}  // namespace ossel
