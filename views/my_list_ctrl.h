// CMyListCtrl: the report-style list that draws its own rows: alternating row colours, bold section-header
// rows, a rule above a summary row, and cell texts shortened with "..." to fit. The items live in a small table model
// of its own (texts per column and state bits), filled through list-control-like operations by the derived pages; a
// delegate paints every cell with those colours, rules and shortened texts. Item views give screen readers the rows and cells.
#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QFontMetrics>
#include <QString>
#include <QStyledItemDelegate>
#include <QTableView>
#include <memory>
#include <vector>

#include "analysis/job_host.h"

class QSvgRenderer;

namespace ossel {

// Item state bits read when drawing (beyond the standard selection bits).
inline constexpr int kStateHeaderRow = 0x40;   // section-header row: bold, button-face ground
inline constexpr int kStateSummaryRow = 0x80;  // summary row: a rule along its top
inline constexpr int kStateGreyed = 0x100;     // greyed text

// The text as drawn in `width` pixels with `margin` pixels reserved: unchanged when it is empty or margin + its extent
// is at most width; else characters are dropped from its end one at a time until margin + extent(rest) +
// extent("...") is at most width or one character is left, and "..." is appended.
QString ShortenText(const QFontMetrics& metrics, const QString& text, int width, int margin);

// The items of a list: one text per column and the state bits of each item.
class ListItemModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  static constexpr int kStateRole = Qt::UserRole + 1;  // int: the item's state bits

  struct Column {
    QString title;
    Qt::Alignment alignment;  // Qt::AlignLeft, Qt::AlignRight or Qt::AlignHCenter
  };

  explicit ListItemModel(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  int InsertColumn(int column, const QString& title, Qt::Alignment alignment);
  const Column& ColumnAt(int column) const { return columns_[static_cast<size_t>(column)]; }

  int InsertItem(int index, const QString& text);
  bool SetItemText(int item, int column, const QString& text);
  bool SetItemState(int item, int state, int mask);
  // What the item's cells say when the mouse rests on them (their own text, where it is shortened, goes first).
  bool SetItemToolTip(int item, const QString& text);
  void DeleteAllItems();
  int ItemCount() const { return static_cast<int>(items_.size()); }
  QString ItemText(int item, int column) const;
  int ItemState(int item) const;
  QString ItemToolTip(int item) const;

 private:
  struct Item {
    std::vector<QString> texts;  // one per column; missing ones are empty
    int state = 0;
    QString toolTip;
  };
  std::vector<Column> columns_;
  std::vector<Item> items_;
};

class CMyListCtrl;

// Paints one cell as DrawItem paints that part of its row.
class ListRowDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  explicit ListRowDelegate(CMyListCtrl* list);

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  // A tool tip with the whole text of a cell whose text is shortened.
  bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                 const QModelIndex& index) override;

 private:
  CMyListCtrl* list_;
};

class CMyListCtrl : public QTableView {
  Q_OBJECT

 public:
  explicit CMyListCtrl(QWidget* parent = nullptr);
  ~CMyListCtrl() override;

  // List-control operations.
  int InsertColumn(int column, const QString& title, Qt::Alignment alignment = Qt::AlignLeft);
  int ColumnCount() const { return items_->columnCount(); }
  int InsertItem(int index, const QString& text);
  bool SetItemText(int item, int column, const QString& text);
  bool SetItemState(int item, int state, int mask);
  bool SetItemToolTip(int item, const QString& text) { return items_->SetItemToolTip(item, text); }
  void DeleteAllItems();
  int ItemCount() const { return items_->ItemCount(); }
  QString ItemText(int item, int column) const { return items_->ItemText(item, column); }
  int ItemState(int item) const { return items_->ItemState(item); }
  ListItemModel* Items() const { return items_; }

  // Grid lines along the columns and rows (LVS_EX_GRIDLINES), over the whole client area.
  void SetGridLines(bool on);
  // The header bar with the column titles (hidden is LVS_NOCOLUMNHEADER).
  void SetColumnHeaderVisible(bool visible);

  // The background picture (the contents of an SVG file), drawn centred in the client area behind the rows; empty
  // contents set none.
  void SetBackgroundPicture(const QByteArray& svg);
  bool HasBackgroundPicture() const { return background_ != nullptr; }

  // The column widths for a client width; the base gives all columns equal parts.
  virtual std::vector<int> ColumnWidths(int clientWidth) const;
  // Sets the column widths for the present client (viewport) width.
  void LayoutColumns();

  // Members of the list control, with their values after construction.
  QColor evenRowColor{255, 255, 255};
  QColor oddRowColor{255, 255, 255};
  int labelMargin = 1;  // pixels taken off the right end of the first column's text area

  static constexpr int kItemTextMax = 259;  // item texts are fetched into 260-character buffers

 protected:
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  // UM_DATA_CHANGED; the base does nothing.
  virtual void OnDataChanged(DataChange change, RowTarget rows);
  // After the column widths have been set for a new size (WM_SIZE).
  virtual void OnSize() {}

 private:
  ListItemModel* items_;
  ListRowDelegate* delegate_;
  void UpdateRowHeight();

  std::unique_ptr<QSvgRenderer> background_;
  bool gridLines_ = false;
};

}  // namespace ossel
