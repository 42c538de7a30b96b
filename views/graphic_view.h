// What the spectrogram and the frequency pages share: the track slider along the top, the tracks that have stored
// data, the read-out under the mouse, "Save picture…", and the handling of UM_DATA_CHANGED.
//
// The slider steps over the tracks that stored something: its position p shows the p-th such track, so a track
// that stored nothing (too short, cancelled) neither hides the tracks after it nor shows another track's picture;
// the track-number display shows the row's own number.
#pragma once

#include <QLabel>
#include <QSlider>
#include <QWidget>
#include <optional>
#include <vector>

#include "analysis/disc_model.h"
#include "analysis/job_host.h"

namespace ossel {

class TrackNum;

class GraphicView : public QWidget {
  Q_OBJECT

 public:
  // Which of a row's store entries this view shows.
  enum class Entry { Image, Profile };

  GraphicView(DiscModel& model, TrackNum* trackNumber, Entry entry, QWidget* parent);

  // Whether any track has stored data for this view (the panel enables the page from it).
  bool HasData() const { return hasData_; }
  // The row of the track on display.
  int current() const { return current_; }
  QSlider* slider() const { return slider_; }
  QLabel* readout() const { return readout_; }
  // The rows that have stored data, in row order: what the slider steps through.
  const std::vector<int>& rowsWithData() const { return rowsWithData_; }
  // Shows the track at slider position `position`.
  void ShowPosition(int position);
  // Writes the page as a PNG picture at its current size.
  bool SavePicture(const QString& path);

 protected:
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

  // Reads the stored data of row `current` and redraws; nothing when the row has none.
  virtual void LoadCurrent() = 0;
  // Forgets what was shown (a new analysis).
  virtual void Forget() = 0;
  // The read-out text at a point of the page; empty where there is nothing to read.
  virtual QString ReadoutAt(QPoint at) const = 0;
  // Shows "%02d" of the row's number on the track-number display.
  void ShowTrackNumber();
  // Puts the read-out next to `at`, inside `area` (never over the axes); hides it when the text is empty.
  void PlaceReadout(QPoint at, const QString& text, const QRect& area);
  void RefreshReadout();

  DiscModel& model_;
  TrackNum* trackNumber_;

 private:
  void OnDataChanged(DataChange change);

  Entry entry_;
  QSlider* slider_;
  QLabel* readout_;
  std::vector<int> rowsWithData_;
  std::optional<QPoint> mouse_;  // where the mouse is over the page, while it is
  int current_ = 0;
  bool hasData_ = false;
};

}  // namespace ossel
