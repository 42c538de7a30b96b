// The three list pages of the main panel: the track list, the drive and disc information and the ISRC
// codes. None owns its data: each rebuilds its items from the disc model's rows (taken as copies) when it receives
// UM_DATA_CHANGED (DataChangedEvent).
#pragma once

#include <vector>

#include "views/my_list_ctrl.h"

namespace ossel {

class DiscModel;
struct TrackRow;
struct IsrcRow;

// A track row's tool tip: its band limit, how it ends and, for a sharp one where lossy encoders cut, which encodings
// leave such a limit, with a word more when the verdict is not MPEG. Empty for a row without a band limit.
QString BandLimitTip(const TrackRow& row);

class TrackListView : public CMyListCtrl {
  Q_OBJECT

 public:
  // The picture behind the empty list; its hint (the text of the element "hint") is put in the chosen language.
  static constexpr const char* kBackgroundPicture = ":/images/track-list-background.svg";

  TrackListView(DiscModel& model, QWidget* parent = nullptr);

  std::vector<int> ColumnWidths(int clientWidth) const override;
  // Whether the background picture is set (it shows where no rows cover it).
  bool BackgroundShown() const { return HasBackgroundPicture(); }
  // The picture, with its hint in the chosen language, as SVG.
  const QByteArray& BackgroundPicture() const { return background_; }

 protected:
  void OnDataChanged(DataChange change, RowTarget rows) override;
  void OnSize() override;

 private:
  void SetItemTexts(int item, const TrackRow& row);
  int InsertRow(int index, const TrackRow& row);

  DiscModel& model_;
  QByteArray background_;
};

class InfoListView : public CMyListCtrl {
  Q_OBJECT

 public:
  InfoListView(DiscModel& model, QWidget* parent = nullptr);

  std::vector<int> ColumnWidths(int clientWidth) const override;

 protected:
  void OnDataChanged(DataChange change, RowTarget rows) override;

 private:
  DiscModel& model_;
};

class ISRCListView : public CMyListCtrl {
  Q_OBJECT

 public:
  ISRCListView(DiscModel& model, QWidget* parent = nullptr);

  std::vector<int> ColumnWidths(int clientWidth) const override;

 protected:
  void OnDataChanged(DataChange change, RowTarget rows) override;

 private:
  void AddRow(int index, const IsrcRow& row);

  DiscModel& model_;
};

}  // namespace ossel
