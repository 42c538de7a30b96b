#include "views/ext_tab_ctrl.h"

#include <QPainter>
#include <QProxyStyle>
#include <QResizeEvent>
#include <vector>

#include "views/sys_colors.h"

namespace ossel {

namespace {

// Tabs with the narrow margins of a Windows tab control, so that the eight fit the window's starting width.
class CompactTabStyle : public QProxyStyle {
 public:
  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
    if (metric == PM_TabBarTabHSpace) return 12;
    return QProxyStyle::pixelMetric(metric, option, widget);
  }
};

}  // namespace

FixedWidthTabBar::FixedWidthTabBar(QWidget* parent) : QTabBar(parent) {
  auto* style = new CompactTabStyle;
  style->setParent(this);
  setStyle(style);
}

QSize FixedWidthTabBar::tabSizeHint(int index) const {
  QSize size = QTabBar::tabSizeHint(index);
  std::vector<int> own(static_cast<std::size_t>(count()));
  int widest = 0;
  for (int i = 0; i < count(); ++i) {
    own[static_cast<std::size_t>(i)] = QTabBar::tabSizeHint(i).width();
    widest = std::max(widest, own[static_cast<std::size_t>(i)]);
  }
  // The common width: the widest tab's, or the largest at which the tabs, none narrower than its own, fill the bar.
  // Where not even their own widths fit, the bar scrolls and the tabs stay as wide as the widest.
  auto total = [&](int common) {
    int sum = 0;
    for (int w : own) sum += std::max(w, common);
    return sum;
  };
  int common = widest;
  if (width() > 0 && total(0) <= width()) {
    while (total(common) > width()) --common;
  }
  size.setWidth(std::max(size.width(), common));
  return size;
}

CExtTabCtrl::CExtTabCtrl(QWidget* parent)
    : QWidget(parent),
      bar_(new FixedWidthTabBar(this)),
      enabledIcon_(QPixmap(":/images/tab-enabled.xpm")),
      disabledIcon_(QPixmap(":/images/tab-disabled.xpm")) {
  bar_->setDrawBase(false);
  bar_->setExpanding(false);
  bar_->setUsesScrollButtons(true);
  bar_->setIconSize(QSize(16, 8));
  bar_->setFocusPolicy(Qt::NoFocus);
  // The disabled icon is the page's mark, so it must not be greyed again.
  disabledIcon_.addPixmap(QPixmap(":/images/tab-disabled.xpm"), QIcon::Disabled);
  connect(bar_, &QTabBar::currentChanged, this, &CExtTabCtrl::SelectionChanged);
}

void CExtTabCtrl::SetPages(std::vector<PageEntry> pages) {
  const QSignalBlocker block(bar_);
  while (bar_->count() > 0) bar_->removeTab(0);
  pages_ = std::move(pages);
  for (const PageEntry& entry : pages_) {
    bar_->addTab(entry.enabled ? enabledIcon_ : disabledIcon_, entry.caption);
    if (entry.page) entry.page->hide();
  }
  current_ = -1;
  RefreshImages();
  bar_->setGeometry(0, 0, width(), bar_->sizeHint().height());
}

void CExtTabCtrl::SetPageEnabled(int index, bool enabled) {
  if (index < 0 || index >= static_cast<int>(pages_.size())) return;
  pages_[static_cast<size_t>(index)].enabled = enabled;
  RefreshImages();
}

bool CExtTabCtrl::PageEnabled(int index) const {
  return index >= 0 && index < static_cast<int>(pages_.size()) && pages_[static_cast<size_t>(index)].enabled;
}

QWidget* CExtTabCtrl::PageAt(int index) const {
  return index >= 0 && index < static_cast<int>(pages_.size()) ? pages_[static_cast<size_t>(index)].page : nullptr;
}

void CExtTabCtrl::RefreshImages() {
  for (int i = 0; i < bar_->count(); ++i) {
    const bool enabled = PageEnabled(i);
    bar_->setTabIcon(i, enabled ? enabledIcon_ : disabledIcon_);
    bar_->setTabEnabled(i, enabled);
  }
}

bool CExtTabCtrl::SelectPage(int index) {
  if (index < 0 || index >= bar_->count() || !PageEnabled(index)) return false;
  if (bar_->currentIndex() == index) {
    SelectionChanged(index);
  } else {
    bar_->setCurrentIndex(index);
  }
  return true;
}

QRect CExtTabCtrl::PageArea() const {
  const int tabHeight = bar_->count() > 0 ? bar_->tabRect(0).height() : bar_->sizeHint().height();
  return rect().adjusted(3, tabHeight + 3, -3, -3);
}

void CExtTabCtrl::SelectionChanged(int sel) {
  if (QWidget* page = PageAt(sel)) {
    if (current_ != sel) {
      if (QWidget* previous = PageAt(current_)) previous->hide();
    }
    current_ = sel;
    page->setGeometry(PageArea());
    page->show();
    page->setFocus();
  }
  emit pageChanged();
}

void CExtTabCtrl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  bar_->setGeometry(0, 0, width(), bar_->sizeHint().height());
  if (QWidget* page = PageAt(current_)) page->setGeometry(PageArea());
}

void CExtTabCtrl::paintEvent(QPaintEvent*) {
  // The frame around the page area.
  QPainter p(this);
  const QRect r = PageArea().adjusted(-2, -2, 1, 1);
  p.setPen(GetSysColor(SysColor::BtnHighlight));
  p.drawLine(r.topLeft(), r.topRight());
  p.drawLine(r.topLeft(), r.bottomLeft());
  p.setPen(GetSysColor(SysColor::BtnShadow));
  p.drawLine(r.bottomLeft(), r.bottomRight());
  p.drawLine(r.topRight(), r.bottomRight());
}

}  // namespace ossel
