#include "analysis/disc_model.h"

namespace ossel {

DiscModel::DiscModel(DriveTable& drives) : drive(drives) {}

DiscModel::DiscModel(DriveTable& drives, const std::string& storeFolder, bool unbufferedStore)
    : drive(drives), store(storeFolder, unbufferedStore) {}

void DiscModel::ClearDisc() {
  {
    std::lock_guard lock(rowsLock_);
    trackRows_.clear();
  }
  std::lock_guard lock(listsLock_);
  infoRows_.clear();
}

void DiscModel::ClearAnalysisData() {
  {
    std::lock_guard lock(listsLock_);
    isrcRows_.clear();
  }
  store.Clear();
  ForgetStoreEntries();
}

void DiscModel::ForgetStoreEntries() {
  std::lock_guard lock(rowsLock_);
  for (TrackRow& row : trackRows_) {
    row.imageEntry = row.profileEntry = -1;
    row.bandLimit.reset();
  }
}

bool DiscModel::LoadTrackRows() {
  if (!drive.ReadTrackTable()) return false;
  const TrackTable& toc = drive.trackTable();
  for (int n = toc.firstTrack; n <= toc.lastTrack; ++n) {
    if (drive.IsAudioTrack(n)) AddTrackRow(n);
  }
  return true;
}

bool DiscModel::LoadDiscInfo() {
  std::vector<InfoRow> rows;
  if (!drive.ReadDriveAndDiscInfo(rows)) return false;
  std::lock_guard lock(listsLock_);
  infoRows_ = std::move(rows);
  return true;
}

void DiscModel::AddTrackRow(int track) {
  TrackRow row;
  row.trackNumber = track;
  row.nameText = TrackNameText(track);
  const std::int32_t start = drive.TrackStart(track);
  const std::int32_t length = drive.TrackEnd(track) - start;
  row.startMsf = MsfTime::FromSectors(start);
  row.lengthMsf = MsfTime::FromSectors(length);
  row.sizeText = TrackSizeText(length);
  std::lock_guard lock(rowsLock_);
  trackRows_.push_back(std::move(row));
}

int DiscModel::AddIsrc(int track) {
  std::vector<IsrcRow> rows;
  drive.ReadTrackIsrc(rows, track);
  if (rows.empty()) return -1;
  std::lock_guard lock(listsLock_);
  isrcRows_.push_back(std::move(rows.front()));
  return static_cast<int>(isrcRows_.size()) - 1;
}

int DiscModel::RowCount() const {
  std::lock_guard lock(rowsLock_);
  return static_cast<int>(trackRows_.size());
}

TrackRow DiscModel::RowCopy(int index) const {
  std::lock_guard lock(rowsLock_);
  if (index < 0 || index >= static_cast<int>(trackRows_.size())) return {};
  return trackRows_[static_cast<size_t>(index)];
}

std::vector<TrackRow> DiscModel::RowsCopy() const {
  std::lock_guard lock(rowsLock_);
  return trackRows_;
}

TrackRow DiscModel::DiscRowCopy() const {
  std::lock_guard lock(rowsLock_);
  return discRow_;
}

std::vector<InfoRow> DiscModel::InfoRowsCopy() const {
  std::lock_guard lock(listsLock_);
  return infoRows_;
}

std::vector<IsrcRow> DiscModel::IsrcRowsCopy() const {
  std::lock_guard lock(listsLock_);
  return isrcRows_;
}

void DiscModel::SetRows(std::vector<TrackRow> rows, TrackRow discRow) {
  std::lock_guard lock(rowsLock_);
  trackRows_ = std::move(rows);
  discRow_ = std::move(discRow);
}

void DiscModel::SetInfoRows(std::vector<InfoRow> rows) {
  std::lock_guard lock(listsLock_);
  infoRows_ = std::move(rows);
}

void DiscModel::SetIsrcRows(std::vector<IsrcRow> rows) {
  std::lock_guard lock(listsLock_);
  isrcRows_ = std::move(rows);
}

}  // namespace ossel
