// The owner-drawn lists: drawing checked on grabbed pixels, column widths, UM_DATA_CHANGED handling.
#include <gtest/gtest.h>

#include <optional>

#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include "analysis/disc_model.h"
#include "analysis/job_host.h"
#include "views/list_views.h"
#include "views/my_list_ctrl.h"
#include "views/sys_colors.h"
#include "views/window_events.h"

namespace ossel {
namespace {

void Send(QWidget* view, DataChange change, RowTarget rows) {
  DataChangedEvent event(change, rows);
  QCoreApplication::sendEvent(view, &event);
}

// Shows `view` with a client (viewport) of the given width.
void ShowWithClientWidth(CMyListCtrl& view, int clientWidth, int height = 240) {
  view.resize(clientWidth + 2 * view.frameWidth(), height);
  view.show();
  QCoreApplication::processEvents();
}

// The list's client area as drawn.
QImage GrabClient(CMyListCtrl& view) {
  QCoreApplication::processEvents();
  return view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QColor Pixel(const QImage& image, int x, int y) { return QColor(image.pixel(x, y)); }

bool IsInk(QColor c) { return c.lightness() < 160; }

int InkCount(const QImage& image, const QRect& r) {
  int n = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) n += IsInk(Pixel(image, x, y)) ? 1 : 0;
  return n;
}

TrackRow Row(int number, const std::string& name, const std::string& size, const std::string& status) {
  TrackRow row;
  row.trackNumber = number;
  row.nameText = name;
  row.startMsf = MsfTime::FromSectors(150 * number);
  row.lengthMsf = MsfTime::FromSectors(4500 * 3 + 75 * 2 + 7);
  row.sizeText = size;
  row.elapsedText = "00:05";
  row.readErrorText = "0";
  row.statusText = status;
  return row;
}

struct Fixture {
  DriveTable table;
  DiscModel model{table};

  void SetTracks(std::vector<TrackRow> rows, TrackRow disc = {}) { model.SetRows(std::move(rows), std::move(disc)); }
};

TEST(ListShortenText, CasesOfTheRule) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(11);
  const QFontMetrics fm(font);
  const int dots = fm.horizontalAdvance(QStringLiteral("..."));
  const QString text = QStringLiteral("abcdef");
  const int full = fm.horizontalAdvance(text);

  EXPECT_EQ(ShortenText(fm, QString(), 0, 12), QString());
  EXPECT_EQ(ShortenText(fm, text, 12 + full, 12), text);                // margin + extent == width: unchanged
  const QString oneShort = ShortenText(fm, text, 12 + full - 1, 12);  // one pixel less: shortened
  EXPECT_TRUE(oneShort.endsWith(QStringLiteral("..."))) << oneShort.toStdString();
  EXPECT_LE(12 + fm.horizontalAdvance(oneShort), 12 + full - 1);
  // Exactly room for "abc" + "...": the rest is the longest beginning that fits.
  const int w = 4 + fm.horizontalAdvance(QStringLiteral("abc")) + dots;
  EXPECT_EQ(ShortenText(fm, text, w, 4), QStringLiteral("abc..."));
  EXPECT_EQ(ShortenText(fm, text, w - 1, 4), QStringLiteral("ab..."));
  // Never fewer than one character.
  EXPECT_EQ(ShortenText(fm, text, 0, 12), QStringLiteral("a..."));
  EXPECT_EQ(ShortenText(fm, QStringLiteral("x"), 0, 12), QStringLiteral("x..."));  // one character left: "..." added
  // Wide characters are dropped whole.
  const QString chinese = QStringLiteral("音频轨道 01");
  const QString cut = ShortenText(fm, chinese, 4 + fm.horizontalAdvance(QStringLiteral("音频")) + dots, 4);
  EXPECT_EQ(cut, QStringLiteral("音频..."));
  // A character outside the basic plane (a surrogate pair) is never split.
  const QString pair = QString::fromUcs4(U"\U0001F4BF\U0001F4BF");
  EXPECT_EQ(ShortenText(fm, pair, 0, 12), pair.left(2) + QStringLiteral("..."));
}

TEST(ListInfoView, HeaderRowThenLabelAndValue) {
  Fixture f;
  f.model.SetInfoRows({{"", "设备信息"}, {"厂家识别码", "VENDOR"}});
  InfoListView view(f.model);
  ShowWithClientWidth(view, 400);
  EXPECT_TRUE(view.horizontalHeader()->isHidden());
  Send(&view, DataChange::Refresh, RowTarget::All());
  ASSERT_EQ(view.ItemCount(), 2);
  EXPECT_EQ(view.ItemText(0, 0), QStringLiteral("设备信息"));
  EXPECT_EQ(view.ItemState(0) & kStateHeaderRow, kStateHeaderRow);
  EXPECT_EQ(view.ItemText(1, 0), QStringLiteral("厂家识别码"));
  EXPECT_EQ(view.ItemText(1, 1), QStringLiteral("VENDOR"));
  EXPECT_EQ(view.ItemState(1), 0);

  const QImage image = GrabClient(view);
  const QRect row0(0, view.rowViewportPosition(0), 400, view.rowHeight(0));
  const QRect row1(0, view.rowViewportPosition(1), 400, view.rowHeight(1));
  const int col1 = view.columnViewportPosition(1);
  // Header row: button-face ground (apart from its grid pixels), black text in the first column.
  EXPECT_EQ(Pixel(image, 200, row0.top() + 2), GetSysColor(SysColor::BtnFace));
  EXPECT_EQ(Pixel(image, 395, row0.center().y()), GetSysColor(SysColor::BtnFace));
  EXPECT_GT(InkCount(image, QRect(0, row0.top(), col1, row0.height())), 10);
  EXPECT_EQ(InkCount(image, QRect(col1, row0.top(), 400 - col1, row0.height())), 0);
  // Its text is bold: more ink than the same text in the list's normal font.
  QImage normal(row0.size(), QImage::Format_RGB32);
  normal.fill(GetSysColor(SysColor::BtnFace));
  {
    QPainter p(&normal);
    p.setFont(view.font());
    p.setPen(Qt::black);
    p.drawText(QRect(2, 0, col1 - 5, row0.height()), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
               QStringLiteral("设备信息"));
  }
  EXPECT_GT(InkCount(image, QRect(0, row0.top(), col1, row0.height())),
            InkCount(normal, QRect(0, 0, col1, row0.height())) * 11 / 10);
  // Second row: white, label left in column 0, value left in column 1.
  EXPECT_EQ(Pixel(image, col1 - 4, row1.top() + 2), QColor(255, 255, 255));
  EXPECT_GT(InkCount(image, QRect(2, row1.top(), 60, row1.height() - 1)), 10);
  EXPECT_GT(InkCount(image, QRect(col1 + 6, row1.top(), 30, row1.height() - 1)), 5);
  // Grid lines in button face along the column edge and under the rows.
  EXPECT_EQ(Pixel(image, col1 - 1, row1.top() + 2), GetSysColor(SysColor::BtnFace));
  EXPECT_EQ(Pixel(image, 200, row1.bottom()), GetSysColor(SysColor::BtnFace));
}

TEST(ListTrackView, RowColoursAndSummaryRule) {
  Fixture f;
  f.SetTracks({Row(1, "音频轨道 01", "1.00 Mb", "CDDA"), Row(2, "音频轨道 02", "2.00 Mb", "MPEG"),
               Row(3, "音频轨道 03", "3.00 Mb", "UNKN")},
              Row(0, "Disc", "6.00 Mb", "CDDA"));
  TrackListView view(f.model);
  ShowWithClientWidth(view, 700);
  Send(&view, DataChange::Clear, RowTarget::All());
  Send(&view, DataChange::Refresh, RowTarget::All());
  Send(&view, DataChange::Refresh, RowTarget::Disc());
  ASSERT_EQ(view.ItemCount(), 4);
  EXPECT_EQ(view.ItemState(3) & kStateSummaryRow, kStateSummaryRow);
  EXPECT_FALSE(view.BackgroundShown());

  const QImage image = GrabClient(view);
  const int x = view.columnWidth(0) - 3;  // past the name, inside the first column
  const QColor white(255, 255, 255), paleBlue(240, 240, 255);
  const QColor expected[4] = {white, paleBlue, white, paleBlue};
  for (int r = 0; r < 4; ++r) {
    SCOPED_TRACE(r);
    const int top = view.rowViewportPosition(r);
    EXPECT_EQ(Pixel(image, x, top + 2), expected[r]);
    EXPECT_EQ(Pixel(image, 690, view.rowViewportPosition(r) + view.rowHeight(r) - 1), expected[r]);  // no grid
  }
  // The summary row's rule: one dark pixel row along its top, over the whole width.
  const int top = view.rowViewportPosition(3);
  for (int px : {0, x, 350, 699}) {
    EXPECT_EQ(Pixel(image, px, top), GetSysColor(SysColor::WindowText)) << px;
    EXPECT_EQ(Pixel(image, px, top - 1), white) << px;
  }
  EXPECT_EQ(Pixel(image, x, top + 1), paleBlue);
  // Below the rows the client area is the window colour.
  EXPECT_EQ(Pixel(image, 350, top + view.rowHeight(3) + 3), white);

  // The texts, for screen readers as well.
  EXPECT_EQ(view.ItemText(0, 1), QStringLiteral("00:02.00"));
  EXPECT_EQ(view.ItemText(1, 2), QStringLiteral("03:02.07"));
  EXPECT_EQ(view.ItemText(3, 0), QStringLiteral("Disc"));
  const QModelIndex cell = view.model()->index(1, 6);
  EXPECT_EQ(cell.data(Qt::AccessibleTextRole).toString(), QStringLiteral("MPEG"));
  EXPECT_EQ(view.model()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("大小, Mb"));
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&view);
  ASSERT_NE(iface, nullptr);
  EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Tracks"));
  ASSERT_NE(iface->tableInterface(), nullptr);
  EXPECT_EQ(iface->tableInterface()->rowCount(), 4);
  QAccessibleInterface* accCell = iface->tableInterface()->cellAt(1, 0);
  ASSERT_NE(accCell, nullptr);
  EXPECT_EQ(accCell->text(QAccessible::Name), QStringLiteral("音频轨道 02"));
}

TEST(ListTrackView, ShortenedTextsAndAlignment) {
  Fixture f;
  const std::string longName = "A track name far too long for its narrow column";
  f.SetTracks({Row(1, longName, "1234.56 Mb", "CDDA"), Row(2, "02", "1", "CDDA")});
  TrackListView view(f.model);
  ShowWithClientWidth(view, 300);  // unit 3: first column 75, size column 45
  Send(&view, DataChange::Refresh, RowTarget::All());
  ASSERT_EQ(view.columnWidth(0), 75);
  ASSERT_EQ(view.columnWidth(3), 45);

  const QFontMetrics fm(view.font());
  const QString name = QString::fromStdString(longName);
  const QString drawn = ShortenText(fm, name, 75 - view.labelMargin, 4);
  EXPECT_TRUE(drawn.endsWith(QStringLiteral("...")));
  EXPECT_TRUE(name.startsWith(drawn.chopped(3)));
  EXPECT_GT(drawn.size(), 4);
  EXPECT_NE(ShortenText(fm, QStringLiteral("1234.56 Mb"), 45, 12), QStringLiteral("1234.56 Mb"));

  const QImage image = GrabClient(view);
  const int left = view.columnViewportPosition(3), right = left + view.columnWidth(3);
  const QRect row0(0, view.rowViewportPosition(0), 300, view.rowHeight(0));
  const QRect row1(0, view.rowViewportPosition(1), 300, view.rowHeight(1));
  // Row 0: the shortened number starts at the cell's left inset.
  EXPECT_GT(InkCount(image, QRect(left + 6, row0.top(), 5, row0.height())), 2);
  EXPECT_EQ(InkCount(image, QRect(left, row0.top(), 6, row0.height())), 0);
  // Row 1: "1" fits and stays right-aligned, 6 pixels in from the right edge.
  const int one = fm.horizontalAdvance(QStringLiteral("1"));
  EXPECT_GT(InkCount(image, QRect(right - 6 - one, row1.top(), one, row1.height())), 2);
  EXPECT_EQ(InkCount(image, QRect(left, row1.top(), right - 8 - one - left, row1.height())), 0);
  EXPECT_EQ(InkCount(image, QRect(right - 5, row1.top(), 5, row1.height())), 0);
  // The first column's text is inset 2 pixels and stays inside the label rectangle.
  EXPECT_EQ(InkCount(image, QRect(0, row0.top(), 2, row0.height())), 0);
  EXPECT_GT(InkCount(image, QRect(2, row0.top(), 8, row0.height())), 2);
  EXPECT_EQ(InkCount(image, QRect(73, row0.top(), 2, row0.height())), 0);
}

TEST(ListViews, ColumnWidthsFollowTheClientWidth) {
  Fixture f;
  TrackListView tracks(f.model);
  ShowWithClientWidth(tracks, 1000);
  ASSERT_EQ(tracks.viewport()->width(), 1000);
  std::vector<int> widths;
  for (int c = 0; c < 7; ++c) widths.push_back(tracks.columnWidth(c));
  EXPECT_EQ(widths, (std::vector<int>{250, 120, 120, 150, 120, 120, 120}));
  EXPECT_FALSE(tracks.horizontalScrollBar()->isVisible());
  ShowWithClientWidth(tracks, 1050);
  ASSERT_EQ(tracks.viewport()->width(), 1050);
  widths.clear();
  for (int c = 0; c < 7; ++c) widths.push_back(tracks.columnWidth(c));
  EXPECT_EQ(widths, (std::vector<int>{300, 120, 120, 150, 120, 120, 120}));
  EXPECT_FALSE(tracks.horizontalScrollBar()->isVisible());
  EXPECT_EQ(tracks.model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("文件名称"));
  EXPECT_EQ(tracks.model()->headerData(6, Qt::Horizontal).toString(), QStringLiteral("状态"));

  // With more rows than fit, the vertical scroll bar narrows the client area and the widths follow it.
  std::vector<TrackRow> many;
  for (int i = 1; i <= 40; ++i) many.push_back(Row(i, "t", "1", "x"));
  f.SetTracks(many);
  Send(&tracks, DataChange::Refresh, RowTarget::All());
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();  // layout, range, scroll bar shown
  ASSERT_TRUE(tracks.verticalScrollBar()->isVisible());
  const int client = tracks.viewport()->width();
  ASSERT_LT(client, 1050);
  int sum = 0;
  for (int c = 0; c < 7; ++c) sum += tracks.columnWidth(c);
  EXPECT_EQ(tracks.columnWidth(1), 12 * (client / 100));
  EXPECT_EQ(sum, client);
  EXPECT_FALSE(tracks.horizontalScrollBar()->isVisible());

  InfoListView info(f.model);
  ShowWithClientWidth(info, 1000);
  EXPECT_EQ(info.columnWidth(0), 400);
  EXPECT_EQ(info.columnWidth(1), 600);
  ISRCListView isrc(f.model);
  ShowWithClientWidth(isrc, 1005);
  widths.clear();
  for (int c = 0; c < 5; ++c) widths.push_back(isrc.columnWidth(c));
  EXPECT_EQ(widths, (std::vector<int>{301, 201, 100, 100, 301}));
  EXPECT_EQ(isrc.model()->headerData(4, Qt::Horizontal).toString(), QStringLiteral("Media Catalog Number"));
}

TEST(ListTrackView, TheToolTipTellsTheBandLimitAndALossyLikeOneUnderAGenuineVerdict) {
  struct TipCase {
    std::optional<BandLimit> limit;
    std::string status;
    const char* tip;
  };
  const std::string lossyNote = "\n结论不是 MPEG，但频带上限像有损编码";
  const TipCase cases[] = {
      {std::nullopt, "CDDA", ""},
      {BandLimit{12000, false}, "CDDA", "频带上限 12.0 kHz，渐降"},
      {BandLimit{21300, true}, "CDDA", "频带上限 21.3 kHz，陡峭"},  // where genuine audio ends too
      {BandLimit{16640, true}, "MPEG", "频带上限 16.6 kHz，陡峭：典型的有损编码（MP3 128 kbit/s 或 MP3 VBR V5）"},
      {BandLimit{16640, true}, "CDDA",
       "频带上限 16.6 kHz，陡峭：典型的有损编码（MP3 128 kbit/s 或 MP3 VBR V5）\n结论不是 MPEG，但频带上限像有损编码"},
      {BandLimit{12000, true}, "未知的", "频带上限 12.0 kHz，陡峭：典型的有损编码\n结论不是 MPEG，但频带上限像有损编码"},
  };
  Fixture f;
  std::vector<TrackRow> rows;
  for (const TipCase& c : cases) {
    TrackRow row = Row(static_cast<int>(rows.size()) + 1, "t", "1", c.status);
    row.bandLimit = c.limit;
    EXPECT_EQ(BandLimitTip(row).toStdString(), c.tip);
    rows.push_back(row);
  }
  // Each row's cells carry its tip, for the mouse and for a screen reader; the disc row has none.
  f.SetTracks(rows, Row(0, "disc", "9", "CDDA"));
  TrackListView tracks(f.model);
  Send(&tracks, DataChange::Refresh, RowTarget::All());
  Send(&tracks, DataChange::Refresh, RowTarget::Disc());
  ASSERT_EQ(tracks.ItemCount(), static_cast<int>(std::size(cases)) + 1);
  for (int i = 0; i < tracks.ItemCount(); ++i) {
    const char* expected = i < static_cast<int>(std::size(cases)) ? cases[i].tip : "";
    for (const int role : {static_cast<int>(Qt::ToolTipRole), static_cast<int>(Qt::AccessibleDescriptionRole)}) {
      const QVariant tip = tracks.Items()->data(tracks.Items()->index(i, 6), role);
      EXPECT_EQ(tip.toString().toStdString(), expected) << i << " role " << role;
    }
  }
}

TEST(ListViews, DataChangedFollowsTheTable) {
  Fixture f;
  f.SetTracks({Row(1, "a", "1", "x"), Row(2, "b", "2", "y"), Row(3, "c", "3", "z")});
  TrackListView tracks(f.model);
  ShowWithClientWidth(tracks, 500, 300);
  EXPECT_TRUE(tracks.BackgroundShown());  // set at creation
  PostDataChanged(&tracks, DataChange::Refresh, RowTarget::All());
  QCoreApplication::processEvents();
  ASSERT_EQ(tracks.ItemCount(), 3);
  EXPECT_FALSE(tracks.BackgroundShown());
  Send(&tracks, DataChange::Refresh, RowTarget::Disc());
  ASSERT_EQ(tracks.ItemCount(), 4);

  // Clear, then a full fill: built from scratch with the present texts.
  f.SetTracks({Row(1, "A", "1", "x"), Row(2, "B", "2", "y"), Row(3, "C", "3", "z")});
  Send(&tracks, DataChange::Clear, RowTarget::All());
  EXPECT_EQ(tracks.ItemCount(), 0);
  EXPECT_TRUE(tracks.BackgroundShown());
  Send(&tracks, DataChange::Refresh, RowTarget::All());
  ASSERT_EQ(tracks.ItemCount(), 3);
  EXPECT_FALSE(tracks.BackgroundShown());
  for (int i = 0; i < 3; ++i) EXPECT_EQ(tracks.ItemState(i), 0);
  EXPECT_EQ(tracks.ItemText(0, 0), QStringLiteral("A"));
  EXPECT_EQ(tracks.ItemText(2, 0), QStringLiteral("C"));

  // Refresh of one row rewrites its texts only; beyond the rows nothing happens.
  f.model.UpdateRow(1, [](TrackRow& r) { r.statusText = "MPEG"; r.nameText = "B2"; });
  Send(&tracks, DataChange::Refresh, RowTarget::Row(1));
  EXPECT_EQ(tracks.ItemText(1, 6), QStringLiteral("MPEG"));
  EXPECT_EQ(tracks.ItemText(1, 0), QStringLiteral("B2"));
  const auto snapshot = [&] {
    std::vector<QString> all;
    for (int i = 0; i < tracks.ItemCount(); ++i)
      for (int c = 0; c < 7; ++c) all.push_back(tracks.ItemText(i, c));
    return all;
  };
  const auto before = snapshot();
  Send(&tracks, DataChange::Refresh, RowTarget::Row(5));
  EXPECT_EQ(snapshot(), before);

  // Resizing keeps the picture away while there are rows, and brings it back when there are none.
  ShowWithClientWidth(tracks, 520, 300);
  EXPECT_FALSE(tracks.BackgroundShown());
  f.SetTracks({});
  Send(&tracks, DataChange::Clear, RowTarget::All());
  ShowWithClientWidth(tracks, 540, 300);
  EXPECT_TRUE(tracks.BackgroundShown());
  const QImage empty = GrabClient(tracks);
  EXPECT_NE(Pixel(empty, 270, 150 - tracks.horizontalHeader()->height() / 2), QColor(255, 255, 255));

  // ISRC: all, one by index, beyond the end nothing.
  f.model.SetIsrcRows({{"Audio 01", "Japan", "ABC", "1999", "JPABC9900001"},
                       {"Audio 02", "N/A", "XYZ", "2001", "QQXYZ0100002"}});
  ISRCListView isrc(f.model);
  Send(&isrc, DataChange::Refresh, RowTarget::All());
  ASSERT_EQ(isrc.ItemCount(), 2);
  EXPECT_EQ(isrc.ItemText(1, 4), QStringLiteral("QQXYZ0100002"));
  Send(&isrc, DataChange::Clear, RowTarget::All());
  EXPECT_EQ(isrc.ItemCount(), 0);
  Send(&isrc, DataChange::Refresh, RowTarget::Row(0));
  ASSERT_EQ(isrc.ItemCount(), 1);
  EXPECT_EQ(isrc.ItemText(0, 1), QStringLiteral("Japan"));
  Send(&isrc, DataChange::Refresh, RowTarget::Row(2));
  Send(&isrc, DataChange::Refresh, RowTarget::Disc());
  EXPECT_EQ(isrc.ItemCount(), 1);
  Send(&isrc, DataChange::Refresh, RowTarget::Row(1));
  ASSERT_EQ(isrc.ItemCount(), 2);
  EXPECT_EQ(isrc.ItemText(1, 2), QStringLiteral("XYZ"));

  // Information: clear empties it; a fill adds one item per row.
  InfoListView info(f.model);
  Send(&info, DataChange::Refresh, RowTarget::All());
  EXPECT_EQ(info.ItemCount(), 0);
  f.model.SetInfoRows({{"", "Drive"}, {"Vendor", "V"}, {"Product", "P"}});
  Send(&info, DataChange::Refresh, RowTarget::All());
  EXPECT_EQ(info.ItemCount(), 3);
  Send(&info, DataChange::Clear, RowTarget::All());
  EXPECT_EQ(info.ItemCount(), 0);
}

TEST(ListViews, KeyboardMovesTheCurrentRowAndLeavesTheWindowKeys) {
  Fixture f;
  f.SetTracks({Row(1, "a", "1", "x"), Row(2, "b", "2", "y"), Row(3, "c", "3", "z")});
  TrackListView tracks(f.model);
  ShowWithClientWidth(tracks, 500);
  Send(&tracks, DataChange::Refresh, RowTarget::All());
  tracks.setCurrentIndex(tracks.model()->index(0, 0));
  const auto press = [&](int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent event(QEvent::KeyPress, key, mods);
    QCoreApplication::sendEvent(&tracks, &event);
    return event.isAccepted();
  };
  EXPECT_TRUE(press(Qt::Key_Down));
  EXPECT_EQ(tracks.currentIndex().row(), 1);
  EXPECT_TRUE(press(Qt::Key_Down));
  EXPECT_TRUE(press(Qt::Key_Up));
  EXPECT_EQ(tracks.currentIndex().row(), 1);
  for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space, Qt::Key_Escape}) EXPECT_FALSE(press(key)) << key;
  EXPECT_FALSE(press(Qt::Key_T, Qt::AltModifier));
  EXPECT_EQ(tracks.currentIndex().row(), 1);
}

}  // namespace
}  // namespace ossel
