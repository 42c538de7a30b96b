// The disc model's own rules: what clearing keeps and forgets, and copies out of range.
#include <gtest/gtest.h>

#include "analysis/disc_model.h"
#include "support/disc_images.h"

namespace ossel {
namespace {

TrackRow StoredRow(int track, int image, int profile) {
  TrackRow row;
  row.trackNumber = track;
  row.statusText = "CDDA";
  row.imageEntry = image;
  row.profileEntry = profile;
  return row;
}

// Clearing the analysis empties the ISRC list and the store and leaves no row pointing into it, while the rows
// themselves and the information stay; clearing the disc takes the rows and the information.
TEST(DiscModel, ClearingTheAnalysisForgetsEveryStoreEntryButKeepsTheRows) {
  test::ImageFolder folder;
  DriveTable table;
  DiscModel model(table, folder.path());
  const std::uint8_t bytes[4] = {1, 2, 3, 4};
  ASSERT_EQ(model.store.Append(bytes, 4), 0);
  ASSERT_EQ(model.store.Append(bytes, 4), 1);
  model.SetRows({StoredRow(1, 0, 1), StoredRow(2, -1, -1)});
  model.SetInfoRows({{"", "Drive"}});
  model.SetIsrcRows({{"Audio 01", "Japan", "ABC", "1999", "JPABC9900001"}});

  model.ClearAnalysisData();
  EXPECT_EQ(model.store.EntryCount(), 0);
  EXPECT_TRUE(model.IsrcRowsCopy().empty());
  ASSERT_EQ(model.RowCount(), 2);
  for (const TrackRow& row : model.RowsCopy()) {
    EXPECT_EQ(row.imageEntry, -1);
    EXPECT_EQ(row.profileEntry, -1);
    EXPECT_EQ(row.statusText, "CDDA");
  }
  EXPECT_EQ(model.InfoRowsCopy().size(), 1u);

  model.ClearDisc();
  EXPECT_EQ(model.RowCount(), 0);
  EXPECT_TRUE(model.InfoRowsCopy().empty());
  EXPECT_EQ(model.RowCopy(0).trackNumber, TrackRow().trackNumber);  // out of range: a default row
  model.UpdateRow(5, [](TrackRow& row) { row.statusText = "x"; });   // out of range: nothing
}

}  // namespace
}  // namespace ossel
