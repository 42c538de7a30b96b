#include "analysis/disc_model.h"

namespace ossel {

DiscModel::DiscModel(DriveTable& drives) : drive(drives) {}

DiscModel::DiscModel(DriveTable& drives, const std::string& storeFolder, bool unbufferedStore)
    : drive(drives), store(storeFolder, unbufferedStore) {}

void DiscModel::ClearDisc() {
  {
    std::lock_guard lock(rowsLock);
    trackRows.clear();
  }
  std::lock_guard lock(listsLock);
  infoRows.clear();
}

void DiscModel::ClearAnalysisData() {
  {
    std::lock_guard lock(listsLock);
    isrcRows.clear();
  }
  store.Clear();
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
  std::lock_guard lock(listsLock);
  infoRows = std::move(rows);
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
  std::lock_guard lock(rowsLock);
  trackRows.push_back(std::move(row));
}

int DiscModel::AddIsrc(int track) {
  std::vector<IsrcRow> rows;
  drive.ReadTrackIsrc(rows, track);
  if (rows.empty()) return -1;
  std::lock_guard lock(listsLock);
  isrcRows.push_back(std::move(rows.front()));
  return static_cast<int>(isrcRows.size()) - 1;
}

int DiscModel::RowCount() const {
  std::lock_guard lock(rowsLock);
  return static_cast<int>(trackRows.size());
}

TrackRow DiscModel::RowCopy(int index) const {
  std::lock_guard lock(rowsLock);
  if (index < 0 || index >= static_cast<int>(trackRows.size())) return {};
  return trackRows[static_cast<size_t>(index)];
}

std::vector<TrackRow> DiscModel::RowsCopy() const {
  std::lock_guard lock(rowsLock);
  return trackRows;
}

TrackRow DiscModel::DiscRowCopy() const {
  std::lock_guard lock(rowsLock);
  return discRow;
}

std::vector<InfoRow> DiscModel::InfoRowsCopy() const {
  std::lock_guard lock(listsLock);
  return infoRows;
}

std::vector<IsrcRow> DiscModel::IsrcRowsCopy() const {
  std::lock_guard lock(listsLock);
  return isrcRows;
}

}  // namespace ossel
