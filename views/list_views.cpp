#include "views/list_views.h"

#include <QCoreApplication>
#include <QFile>

#include "analysis/disc_model.h"
#include "analysis/job_host.h"
#include "analysis/report.h"
#include "device/drive_info.h"
#include "device/isrc.h"
#include "device/track_row.h"
#include "display/band_limit.h"
#include "views/sys_colors.h"

namespace ossel {

namespace {

QString Text(const std::string& s) { return QString::fromStdString(s); }

// The picture's file with `hint` as the text of its element "hint" (unchanged when it has none).
QByteArray PictureWithHint(const QString& file, const QString& hint) {
  QFile picture(file);
  if (!picture.open(QIODevice::ReadOnly)) return {};
  QByteArray svg = picture.readAll();
  const qsizetype element = svg.indexOf("<text id=\"hint\"");
  const qsizetype open = element < 0 ? -1 : svg.indexOf('>', element);
  const qsizetype close = open < 0 ? -1 : svg.indexOf("</text>", open);
  if (close < 0) return svg;
  return svg.replace(open + 1, close - open - 1, hint.toHtmlEscaped().toUtf8());
}

}  // namespace

QString BandLimitTip(const TrackRow& row) {
  if (!row.bandLimit) return {};
  const BandLimit& limit = *row.bandLimit;
  const QString kHz = QString::number(limit.hz / 1000.0, 'f', 1);
  if (!limit.sharp) return QCoreApplication::translate("Lists", "频带上限 %1 kHz，渐降").arg(kHz);
  if (!LossyLike(row.bandLimit)) return QCoreApplication::translate("Lists", "频带上限 %1 kHz，陡峭").arg(kHz);
  // The encodings' names are the same in every language; the word that joins them is not.
  QStringList names;
  for (const std::string& name : LikelyEncodingNames(limit.hz)) names << Text(name);
  const QString encodings = names.join(QCoreApplication::translate("Lists", " 或 "));
  QString tip = encodings.isEmpty()
                    ? QCoreApplication::translate("Lists", "频带上限 %1 kHz，陡峭：典型的有损编码").arg(kHz)
                    : QCoreApplication::translate("Lists", "频带上限 %1 kHz，陡峭：典型的有损编码（%2）")
                          .arg(kHz, encodings);
  // The verdict word of an MPEG track (code 0) is the same in every language.
  if (row.statusText != TrackVerdictWord(0.0))
    tip += QLatin1Char('\n') + QCoreApplication::translate("Lists", "结论不是 MPEG，但频带上限像有损编码");
  return tip;
}

// ---------------------------------------------------------------------------------------------------------------
// TrackListView

TrackListView::TrackListView(DiscModel& model, QWidget* parent)
    : CMyListCtrl(parent),
      model_(model),
      background_(PictureWithHint(QString::fromLatin1(kBackgroundPicture),
                                  QCoreApplication::translate("Lists", "读取光盘 (Ctrl+R) 或打开光盘映像 (Ctrl+O)"))) {
  setObjectName(QStringLiteral("trackList"));
  setAccessibleName(QCoreApplication::translate("Lists", "Tracks"));
  oddRowColor = FromColorRef(0xFFF0F0);
  InsertColumn(0, QCoreApplication::translate("Lists", "文件名称"), Qt::AlignLeft);
  InsertColumn(1, QCoreApplication::translate("Lists", "开始时间"), Qt::AlignRight);
  InsertColumn(2, QCoreApplication::translate("Lists", "播放时间"), Qt::AlignRight);
  InsertColumn(3, QCoreApplication::translate("Lists", "大小, Mb"), Qt::AlignRight);
  InsertColumn(4, QCoreApplication::translate("Lists", "Uptime"), Qt::AlignRight);
  InsertColumn(5, QCoreApplication::translate("Lists", "错误"), Qt::AlignRight);
  InsertColumn(6, QCoreApplication::translate("Lists", "状态"), Qt::AlignRight);
  if (!HasBackgroundPicture()) SetBackgroundPicture(background_);
}

std::vector<int> TrackListView::ColumnWidths(int w) const {
  const int unit = w / 100;
  return {w - 75 * unit, 12 * unit, 12 * unit, 15 * unit, 12 * unit, 12 * unit, 12 * unit};
}

void TrackListView::SetItemTexts(int item, const TrackRow& row) {
  SetItemText(item, 0, Text(row.nameText));
  SetItemText(item, 1, Text(row.startMsf.Text()));
  SetItemText(item, 2, Text(row.lengthMsf.Text()));
  SetItemText(item, 3, Text(row.sizeText));
  SetItemText(item, 4, Text(row.elapsedText));
  SetItemText(item, 5, Text(row.readErrorText));
  SetItemText(item, 6, Text(row.statusText));
  SetItemToolTip(item, BandLimitTip(row));
}

int TrackListView::InsertRow(int index, const TrackRow& row) {
  // The first items added to the empty list take the picture away, unless there are no track rows to show.
  if (ItemCount() == 0 && model_.RowCount() > 0) SetBackgroundPicture(QByteArray());
  const int item = InsertItem(index, Text(row.nameText));
  SetItemTexts(item, row);
  return item;
}

void TrackListView::OnDataChanged(DataChange change, RowTarget rows) {
  if (change == DataChange::Clear) {
    DeleteAllItems();
    SetBackgroundPicture(background_);
    return;
  }
  if (rows.IsAll()) {
    const std::vector<TrackRow> copies = model_.RowsCopy();
    for (size_t i = 0; i < copies.size(); ++i) InsertRow(static_cast<int>(i), copies[i]);
  } else if (rows.IsDisc()) {
    const int item = InsertRow(model_.RowCount(), model_.DiscRowCopy());
    SetItemState(item, kStateSummaryRow, kStateSummaryRow);
  } else if (rows.Index() >= 0 && rows.Index() < model_.RowCount()) {
    SetItemTexts(rows.Index(), model_.RowCopy(rows.Index()));
  }
}

void TrackListView::OnSize() {
  if (model_.RowCount() == 0) SetBackgroundPicture(background_);
}

// ---------------------------------------------------------------------------------------------------------------
// InfoListView

InfoListView::InfoListView(DiscModel& model, QWidget* parent) : CMyListCtrl(parent), model_(model) {
  setObjectName(QStringLiteral("infoList"));
  setAccessibleName(QCoreApplication::translate("Lists", "CD information"));
  SetGridLines(true);
  SetColumnHeaderVisible(false);
  InsertColumn(0, QCoreApplication::translate("Lists", "Parameter"), Qt::AlignLeft);
  InsertColumn(1, QCoreApplication::translate("Lists", "Value"), Qt::AlignLeft);
}

std::vector<int> InfoListView::ColumnWidths(int w) const { return {4 * w / 10, 6 * w / 10}; }

void InfoListView::OnDataChanged(DataChange change, RowTarget) {
  if (change == DataChange::Clear) {
    DeleteAllItems();
    return;
  }
  const std::vector<InfoRow> rows = model_.InfoRowsCopy();
  for (size_t i = 0; i < rows.size(); ++i) {
    const int index = static_cast<int>(i);
    if (!rows[i].label.empty()) {
      const int item = InsertItem(index, Text(rows[i].label));
      SetItemText(item, 1, Text(rows[i].value));
    } else {
      const int item = InsertItem(index, Text(rows[i].value));
      SetItemState(item, kStateHeaderRow, kStateHeaderRow);
    }
  }
}

// ---------------------------------------------------------------------------------------------------------------
// ISRCListView

ISRCListView::ISRCListView(DiscModel& model, QWidget* parent) : CMyListCtrl(parent), model_(model) {
  setObjectName(QStringLiteral("isrcList"));
  setAccessibleName(QCoreApplication::translate("Lists", "ISRC"));
  SetGridLines(true);
  InsertColumn(0, QCoreApplication::translate("Lists", "Track"), Qt::AlignLeft);
  InsertColumn(1, QCoreApplication::translate("Lists", "Country"), Qt::AlignLeft);
  InsertColumn(2, QCoreApplication::translate("Lists", "Publisher"), Qt::AlignLeft);
  InsertColumn(3, QCoreApplication::translate("Lists", "Year"), Qt::AlignLeft);
  InsertColumn(4, QCoreApplication::translate("Lists", "Media Catalog Number"), Qt::AlignLeft);
}

std::vector<int> ISRCListView::ColumnWidths(int w) const {
  return {3 * w / 10, w / 5, w / 10, w / 10, 3 * w / 10};
}

void ISRCListView::AddRow(int index, const IsrcRow& row) {
  const int item = InsertItem(index, Text(row.track));
  SetItemText(item, 1, Text(row.country));
  SetItemText(item, 2, Text(row.publisher));
  SetItemText(item, 3, Text(row.year));
  SetItemText(item, 4, Text(row.code));
}

void ISRCListView::OnDataChanged(DataChange change, RowTarget rows) {
  if (change == DataChange::Clear) {
    DeleteAllItems();
    return;
  }
  const std::vector<IsrcRow> entries = model_.IsrcRowsCopy();
  const int index = rows.Index();
  if (rows.IsAll()) {
    for (size_t i = 0; i < entries.size(); ++i) AddRow(static_cast<int>(i), entries[i]);
  } else if (index >= 0 && index < static_cast<int>(entries.size())) {
    AddRow(index, entries[static_cast<size_t>(index)]);
  }
}

}  // namespace ossel
