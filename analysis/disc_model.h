// The disc as the panel and the job share it: the drive, the track rows and the disc row, the information and
// ISRC lists, the display store and the skip setting.
//
// Threading: the shape of the lists (rows added or removed) changes only on the user-interface side while it holds
// the job lock, so a running job never sees its rows change. The texts of a row are written by the worker while
// views read them: every access to row fields and to the two lists goes under `rowsLock` or `listsLock`; views
// take copies.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "device/cd_drive.h"
#include "device/drive_info.h"
#include "device/isrc.h"
#include "device/track_row.h"
#include "display/display_store.h"

namespace ossel {

class DiscModel {
 public:
  explicit DiscModel(DriveTable& drives = DriveTable::System());
  // A model whose display store lives in `storeFolder`, unbuffered unless asked otherwise.
  DiscModel(DriveTable& drives, const std::string& storeFolder, bool unbufferedStore = true);

  CdDrive drive;
  DisplayStore store;
  std::atomic<char> cdDrive{0};  // the selected drive letter
  std::atomic<int> skipMode{0};  // 0 = every block; v = one piece in v + 1

  // Empties the track rows and the information list.
  void ClearDisc();
  // Empties the ISRC list and the display store, and forgets every row's entries in the store.
  void ClearAnalysisData();
  // Every row's spectrogram and profile entries are none (-1).
  void ForgetStoreEntries();
  // Reads the track table and adds one row per audio track; false when the disc could not be read.
  bool LoadTrackRows();
  // Reads the drive and disc information into the information list; false when the drive has no SCSI address.
  bool LoadDiscInfo();
  void AddTrackRow(int track);
  // Reads the ISRC of `track` into the ISRC list; the index of the new entry, or -1 when none was added.
  int AddIsrc(int track);

  int RowCount() const;
  TrackRow RowCopy(int index) const;  // a default row when out of range
  std::vector<TrackRow> RowsCopy() const;
  TrackRow DiscRowCopy() const;
  std::vector<InfoRow> InfoRowsCopy() const;
  std::vector<IsrcRow> IsrcRowsCopy() const;
  // Applies `change` to row `index` under the row lock; does nothing out of range.
  template <class Change>
  void UpdateRow(int index, Change&& change) {
    std::lock_guard lock(rowsLock_);
    if (index >= 0 && index < static_cast<int>(trackRows_.size())) change(trackRows_[static_cast<size_t>(index)]);
  }
  // Applies `change` to the disc row under the row lock.
  template <class Change>
  void UpdateDiscRow(Change&& change) {
    std::lock_guard lock(rowsLock_);
    change(discRow_);
  }

  // Rows and lists as a whole, for views shown without a drive (the shape rule above holds for them too).
  void SetRows(std::vector<TrackRow> rows, TrackRow discRow = {});
  void SetInfoRows(std::vector<InfoRow> rows);
  void SetIsrcRows(std::vector<IsrcRow> rows);

 private:
  mutable std::mutex rowsLock_;
  std::vector<TrackRow> trackRows_;
  TrackRow discRow_;

  mutable std::mutex listsLock_;
  std::vector<InfoRow> infoRows_;
  std::vector<IsrcRow> isrcRows_;
};

}  // namespace ossel
