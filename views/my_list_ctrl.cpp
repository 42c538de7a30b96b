#include "views/my_list_ctrl.h"

#include <QHeaderView>
#include <QStyleOption>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QSvgRenderer>
#include <QToolTip>
#include <algorithm>

#include "views/sys_colors.h"
#include "views/window_events.h"

namespace ossel {

namespace {

// Drops the last character (a whole surrogate pair where there is one).
void DropLastChar(QString& text) {
  int n = static_cast<int>(text.size());
  if (n >= 2 && text.at(n - 1).isLowSurrogate() && text.at(n - 2).isHighSurrogate()) {
    text.chop(2);
  } else {
    text.chop(1);
  }
}

// Whether `text` holds a single character (a surrogate pair counts as one).
bool IsOneChar(const QString& text) {
  return text.size() == 1 || (text.size() == 2 && text.at(0).isHighSurrogate() && text.at(1).isLowSurrogate());
}

constexpr int kFirstColumnMargin = 4;
constexpr int kFirstColumnInset = 2;
constexpr int kColumnMargin = 12;
constexpr int kColumnInset = 6;
constexpr int kTextFlags = Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip;

QFont RowFont(const CMyListCtrl* list, int state) {
  QFont font = list->font();
  if (state & kStateHeaderRow) font.setWeight(QFont::Bold);
  return font;
}

// The text drawn in a cell and where: the cell rectangle and the text as DrawItem computes them.
struct CellText {
  QString text;
  QRect rect;
  int flags = 0;
  bool shortened = false;
};

CellText LayoutCell(const CMyListCtrl* list, const QFontMetrics& metrics, const QRect& cell, int column,
                    const QString& fullText) {
  CellText out;
  const QString text = fullText.left(CMyListCtrl::kItemTextMax);
  if (column == 0) {
    QRect label = cell;
    label.setWidth(cell.width() - list->labelMargin);
    out.text = ShortenText(metrics, text, label.width(), kFirstColumnMargin);
    out.rect = label.adjusted(kFirstColumnInset, 0, -kFirstColumnInset, 0);
    out.flags = kTextFlags | Qt::AlignLeft;
  } else {
    out.text = ShortenText(metrics, text, cell.width(), kColumnMargin);
    out.rect = cell.adjusted(kColumnInset, 0, -kColumnInset, 0);
    Qt::Alignment align = Qt::AlignLeft;
    if (out.text == text) {
      const Qt::Alignment columnAlign = list->Items()->ColumnAt(column).alignment;
      if (columnAlign & Qt::AlignRight) {
        align = Qt::AlignRight;
      } else if (columnAlign & Qt::AlignHCenter) {
        align = Qt::AlignHCenter;
      }
    }
    out.flags = kTextFlags | static_cast<int>(align);
  }
  out.shortened = out.text != text;
  return out;
}

// The header bar: titles that do not fit their column end in "..." instead of being cut off.
class ListHeader : public QHeaderView {
 public:
  explicit ListHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {}

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
    if (!rect.isValid()) return;
    QStyleOptionHeaderV2 opt;
    initStyleOption(&opt);
    initStyleOptionForIndex(&opt, logicalIndex);
    opt.rect = rect;
    const QRect label = style()->subElementRect(QStyle::SE_HeaderLabel, &opt, this);
    opt.text = opt.fontMetrics.elidedText(opt.text, Qt::ElideRight, label.width());
    opt.textElideMode = Qt::ElideNone;
    painter->save();
    painter->setClipRect(rect, Qt::IntersectClip);
    style()->drawControl(QStyle::CE_Header, &opt, painter, this);
    painter->restore();
  }
};

}  // namespace

QString ShortenText(const QFontMetrics& metrics, const QString& text, int width, int margin) {
  if (text.isEmpty() || margin + metrics.horizontalAdvance(text) <= width) return text;
  const QString dots = QStringLiteral("...");
  const int dotsWidth = metrics.horizontalAdvance(dots);
  QString rest = text;
  while (!IsOneChar(rest)) {
    DropLastChar(rest);
    if (margin + metrics.horizontalAdvance(rest) + dotsWidth <= width) break;
  }
  return rest + dots;
}

// ---------------------------------------------------------------------------------------------------------------
// ListItemModel

ListItemModel::ListItemModel(QObject* parent) : QAbstractTableModel(parent) {}

int ListItemModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(items_.size());
}

int ListItemModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant ListItemModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= ItemCount() || index.column() >= columnCount()) return {};
  switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
      return ItemText(index.row(), index.column());
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(ColumnAt(index.column()).alignment | Qt::AlignVCenter);
    case kStateRole:
      return ItemState(index.row());
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole: {  // what the tip shows on hover, a screen reader reads with the cell
      const QString tip = ItemToolTip(index.row());
      return tip.isEmpty() ? QVariant() : QVariant(tip);
    }
    default:
      return {};
  }
}

QVariant ListItemModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal) {
    if (section < 0 || section >= columnCount()) return {};
    switch (role) {
      case Qt::DisplayRole:
      case Qt::AccessibleTextRole:
        return ColumnAt(section).title;
      case Qt::TextAlignmentRole:
        return QVariant::fromValue(ColumnAt(section).alignment | Qt::AlignVCenter);
      default:
        return {};
    }
  }
  if (role == Qt::DisplayRole) return section + 1;
  return {};
}

Qt::ItemFlags ListItemModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

int ListItemModel::InsertColumn(int column, const QString& title, Qt::Alignment alignment) {
  column = std::clamp(column, 0, columnCount());
  beginInsertColumns(QModelIndex(), column, column);
  columns_.insert(columns_.begin() + column, Column{title, alignment});
  for (Item& item : items_) {
    if (static_cast<int>(item.texts.size()) > column) item.texts.insert(item.texts.begin() + column, QString());
  }
  endInsertColumns();
  return column;
}

int ListItemModel::InsertItem(int index, const QString& text) {
  index = std::clamp(index, 0, ItemCount());
  beginInsertRows(QModelIndex(), index, index);
  Item item;
  item.texts.push_back(text);
  items_.insert(items_.begin() + index, std::move(item));
  endInsertRows();
  return index;
}

bool ListItemModel::SetItemText(int item, int column, const QString& text) {
  if (item < 0 || item >= ItemCount() || column < 0 || column >= columnCount()) return false;
  auto& texts = items_[static_cast<size_t>(item)].texts;
  if (static_cast<int>(texts.size()) <= column) texts.resize(static_cast<size_t>(column) + 1);
  if (texts[static_cast<size_t>(column)] != text) {
    texts[static_cast<size_t>(column)] = text;
    const QModelIndex cell = this->index(item, column);
    emit dataChanged(cell, cell, {Qt::DisplayRole, Qt::AccessibleTextRole});
  }
  return true;
}

bool ListItemModel::SetItemState(int item, int state, int mask) {
  if (item < 0 || item >= ItemCount()) return false;
  int& bits = items_[static_cast<size_t>(item)].state;
  const int changed = (bits & ~mask) | (state & mask);
  if (changed != bits) {
    bits = changed;
    emit dataChanged(index(item, 0), index(item, columnCount() - 1));
  }
  return true;
}

void ListItemModel::DeleteAllItems() {
  if (items_.empty()) return;
  beginResetModel();
  items_.clear();
  endResetModel();
}

QString ListItemModel::ItemText(int item, int column) const {
  if (item < 0 || item >= ItemCount() || column < 0) return {};
  const auto& texts = items_[static_cast<size_t>(item)].texts;
  return column < static_cast<int>(texts.size()) ? texts[static_cast<size_t>(column)] : QString();
}

int ListItemModel::ItemState(int item) const {
  return (item >= 0 && item < ItemCount()) ? items_[static_cast<size_t>(item)].state : 0;
}

bool ListItemModel::SetItemToolTip(int item, const QString& text) {
  if (item < 0 || item >= ItemCount()) return false;
  QString& tip = items_[static_cast<size_t>(item)].toolTip;
  if (tip != text) {
    tip = text;
    emit dataChanged(index(item, 0), index(item, columnCount() - 1), {Qt::ToolTipRole, Qt::AccessibleDescriptionRole});
  }
  return true;
}

QString ListItemModel::ItemToolTip(int item) const {
  return (item >= 0 && item < ItemCount()) ? items_[static_cast<size_t>(item)].toolTip : QString();
}

// ---------------------------------------------------------------------------------------------------------------
// ListRowDelegate

ListRowDelegate::ListRowDelegate(CMyListCtrl* list) : QStyledItemDelegate(list), list_(list) {}

void ListRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const int row = index.row();
  const int column = index.column();
  const int state = index.data(ListItemModel::kStateRole).toInt();
  const QRect cell = option.rect;

  painter->save();
  const QColor rowColor = (row % 2 == 1) ? list_->oddRowColor : list_->evenRowColor;
  QColor text;
  if (state & kStateHeaderRow) {
    text = GetSysColor(SysColor::BtnText);
    painter->fillRect(cell, GetSysColor(SysColor::BtnFace));
  } else {
    text = GetSysColor((state & kStateGreyed) ? SysColor::InactiveCaptionText : SysColor::WindowText);
    painter->fillRect(cell, rowColor);
  }

  const QFont font = RowFont(list_, state);
  painter->setFont(font);
  painter->setPen(text);
  const QFontMetrics metrics(font);
  const CellText layout = LayoutCell(list_, metrics, cell, column, list_->ItemText(row, column));
  if (!layout.text.isEmpty()) painter->drawText(layout.rect, layout.flags, layout.text);

  if (state & kStateSummaryRow) painter->fillRect(QRect(cell.left(), cell.top(), cell.width(), 1),
                                                  GetSysColor(SysColor::WindowText));
  painter->restore();
}

QSize ListRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const QFontMetrics metrics(RowFont(list_, index.data(ListItemModel::kStateRole).toInt()));
  const int margin = index.column() == 0 ? kFirstColumnMargin + list_->labelMargin : kColumnMargin;
  return {metrics.horizontalAdvance(index.data().toString()) + margin,
          std::max(option.rect.height(), list_->verticalHeader()->defaultSectionSize())};
}

bool ListRowDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                const QModelIndex& index) {
  if (event && event->type() == QEvent::ToolTip && index.isValid()) {
    const QString full = list_->ItemText(index.row(), index.column());
    const QFontMetrics metrics(RowFont(list_, index.data(ListItemModel::kStateRole).toInt()));
    const CellText layout = LayoutCell(list_, metrics, option.rect, index.column(), full);
    const QString tip = list_->Items()->ItemToolTip(index.row());
    if (layout.shortened || !tip.isEmpty()) {
      const QString shown = !layout.shortened ? tip : tip.isEmpty() ? full : full + QLatin1Char('\n') + tip;
      QToolTip::showText(event->globalPos(), shown, view, option.rect);
      return true;
    }
  }
  return QStyledItemDelegate::helpEvent(event, view, option, index);
}

// ---------------------------------------------------------------------------------------------------------------
// CMyListCtrl

CMyListCtrl::CMyListCtrl(QWidget* parent)
    : QTableView(parent),
      items_(new ListItemModel(this)),
      delegate_(new ListRowDelegate(this)) {
  setHorizontalHeader(new ListHeader(this));
  setModel(items_);
  setItemDelegate(delegate_);
  setShowGrid(false);
  setWordWrap(false);
  setCornerButtonEnabled(false);
  setSortingEnabled(false);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setTabKeyNavigation(false);
  setFocusPolicy(Qt::StrongFocus);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);

  QPalette pal = palette();
  pal.setColor(QPalette::Base, GetSysColor(SysColor::Window));
  pal.setColor(QPalette::Text, GetSysColor(SysColor::WindowText));
  setPalette(pal);

  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  horizontalHeader()->setStretchLastSection(false);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setSectionsClickable(false);
  horizontalHeader()->setMinimumSectionSize(0);

  UpdateRowHeight();
}

void CMyListCtrl::UpdateRowHeight() {
  // Fixed rows suited to the font (bold header rows included).
  QFont bold = font();
  bold.setWeight(QFont::Bold);
  const int rowHeight = std::max(QFontMetrics(font()).height(), QFontMetrics(bold).height()) + 4;
  verticalHeader()->setMinimumSectionSize(rowHeight);
  verticalHeader()->setDefaultSectionSize(rowHeight);
}

void CMyListCtrl::changeEvent(QEvent* event) {
  QTableView::changeEvent(event);
  if (event->type() == QEvent::FontChange) UpdateRowHeight();
}

CMyListCtrl::~CMyListCtrl() = default;

int CMyListCtrl::InsertColumn(int column, const QString& title, Qt::Alignment alignment) {
  const int at = items_->InsertColumn(column, title, alignment);
  LayoutColumns();
  return at;
}

int CMyListCtrl::InsertItem(int index, const QString& text) { return items_->InsertItem(index, text); }

bool CMyListCtrl::SetItemText(int item, int column, const QString& text) {
  return items_->SetItemText(item, column, text);
}

bool CMyListCtrl::SetItemState(int item, int state, int mask) { return items_->SetItemState(item, state, mask); }

void CMyListCtrl::DeleteAllItems() { items_->DeleteAllItems(); }

void CMyListCtrl::SetGridLines(bool on) {
  gridLines_ = on;
  viewport()->update();
}

void CMyListCtrl::SetColumnHeaderVisible(bool visible) { horizontalHeader()->setVisible(visible); }

void CMyListCtrl::SetBackgroundPicture(const QByteArray& svg) {
  if (svg.isEmpty()) {
    if (!background_) return;
    background_.reset();
  } else {
    auto renderer = std::make_unique<QSvgRenderer>(svg);
    if (!renderer->isValid()) return;
    background_ = std::move(renderer);
  }
  viewport()->update();
}

std::vector<int> CMyListCtrl::ColumnWidths(int clientWidth) const {
  const int n = ColumnCount();
  if (n == 0) return {};
  return std::vector<int>(static_cast<size_t>(n), clientWidth / n);
}

void CMyListCtrl::LayoutColumns() {
  const std::vector<int> widths = ColumnWidths(viewport()->width());
  const int n = std::min(ColumnCount(), static_cast<int>(widths.size()));
  for (int c = 0; c < n; ++c) horizontalHeader()->resizeSection(c, std::max(0, widths[static_cast<size_t>(c)]));
}

bool CMyListCtrl::event(QEvent* event) {
  if (event->type() == DataChangedEvent::kType) {
    const auto* notice = static_cast<const DataChangedEvent*>(event);
    OnDataChanged(notice->change, notice->rows);
    return true;
  }
  return QTableView::event(event);
}

void CMyListCtrl::OnDataChanged(DataChange, RowTarget) {}

void CMyListCtrl::resizeEvent(QResizeEvent* event) {
  // Called for the list's own size and for its viewport's (the client area): widths follow the client width.
  QTableView::resizeEvent(event);
  LayoutColumns();
  OnSize();
}

void CMyListCtrl::paintEvent(QPaintEvent* event) {
  if (background_) {
    // The picture is centred (offsets 50 % and 50 %) in the client area, behind the rows.
    QPainter painter(viewport());
    const QSize picture = background_->defaultSize();
    const QSize client = viewport()->size();
    const QRect target((client.width() - picture.width()) / 2, (client.height() - picture.height()) / 2,
                       picture.width(), picture.height());
    background_->render(&painter, QRectF(target));
  }
  QTableView::paintEvent(event);
  if (gridLines_ && ColumnCount() > 0) {
    // Grid lines as the list control draws them after the rows: along the right edge of every column and the bottom
    // edge of every row position, over the whole client area.
    QPainter painter(viewport());
    painter.setPen(GetSysColor(SysColor::BtnFace));
    const int height = viewport()->height();
    const int width = viewport()->width();
    for (int c = 0; c < ColumnCount(); ++c) {
      const int x = columnViewportPosition(c) + columnWidth(c) - 1;
      if (x >= 0 && x < width) painter.drawLine(x, 0, x, height);
    }
    const int rowHeight = verticalHeader()->defaultSectionSize();
    if (rowHeight > 0) {
      const int first = ItemCount() > 0 ? rowViewportPosition(rowAt(0) < 0 ? 0 : rowAt(0)) : 0;
      const int offset = ((first % rowHeight) + rowHeight) % rowHeight;
      for (int y = offset + rowHeight - 1; y < height; y += rowHeight) painter.drawLine(0, y, width, y);
    }
  }
  if (hasFocus() && currentIndex().isValid()) {
    // Where the keyboard is: a dotted frame around the current row while the list has the focus.
    QPainter painter(viewport());
    const int row = currentIndex().row();
    const QRect frame(0, rowViewportPosition(row), viewport()->width() - 1, rowHeight(row) - 1);
    painter.setPen(QPen(GetSysColor(SysColor::WindowText), 1, Qt::DotLine));
    painter.drawRect(frame);
  }
}

void CMyListCtrl::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTableView::currentChanged(current, previous);
  viewport()->update();
}

void CMyListCtrl::focusInEvent(QFocusEvent* event) {
  QTableView::focusInEvent(event);
  viewport()->update();
}

void CMyListCtrl::focusOutEvent(QFocusEvent* event) {
  QTableView::focusOutEvent(event);
  viewport()->update();
}

void CMyListCtrl::keyPressEvent(QKeyEvent* event) {
  // Enter, Space, Esc and Alt+letters are the window's commands: leave them to it.
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
    case Qt::Key_Escape:
      event->ignore();
      return;
    default:
      break;
  }
  if (event->modifiers() & Qt::AltModifier) {
    event->ignore();
    return;
  }
  QTableView::keyPressEvent(event);
}

}  // namespace ossel
