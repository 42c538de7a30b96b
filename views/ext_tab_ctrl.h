// The panel's tab control: a fixed table of pages, the selected one shown in the client area below the tabs.
// A tab carries an icon that marks its page enabled or disabled; a disabled page cannot be selected.
#pragma once

#include <QIcon>
#include <QPointer>
#include <QTabBar>
#include <QWidget>
#include <vector>

namespace ossel {

struct PageEntry {
  QString caption;
  QPointer<QWidget> page;  // may be absent
  bool enabled = false;
};

// All tabs as wide as the widest one, as far as the bar's width allows: where it does not, the narrower tabs are
// widened only as far as every tab still fits, and each keeps at least its own width, so no caption is cut. A bar
// too narrow even for that scrolls, its tabs as wide as the widest.
class FixedWidthTabBar : public QTabBar {
  Q_OBJECT

 public:
  explicit FixedWidthTabBar(QWidget* parent = nullptr);

 protected:
  QSize tabSizeHint(int index) const override;
};

class CExtTabCtrl : public QWidget {
  Q_OBJECT

 public:
  explicit CExtTabCtrl(QWidget* parent = nullptr);

  // The page table, one tab per record, in order; the pages are hidden until selected.
  void SetPages(std::vector<PageEntry> pages);
  // Marks a page enabled or disabled: its tab's icon, and whether it can be selected. Out of range does nothing.
  void SetPageEnabled(int index, bool enabled);
  bool PageEnabled(int index) const;
  // Selects an enabled page; a disabled or missing one is refused. True when selected.
  bool SelectPage(int index);
  // The index of the selected tab, -1 when none.
  int CurrentSelection() const { return bar_->currentIndex(); }
  // The index of the page on display.
  int current() const { return current_; }
  int TabCount() const { return bar_->count(); }
  QTabBar* tabBar() const { return bar_; }
  // The rectangle the selected page fills.
  QRect PageArea() const;

 signals:
  // The visible page was switched (delivered at once, before SelectPage returns).
  void pageChanged();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void SelectionChanged(int sel);
  // Sets every tab's icon (and whether it can be selected) from the page records.
  void RefreshImages();
  QWidget* PageAt(int index) const;

  std::vector<PageEntry> pages_;
  FixedWidthTabBar* bar_;
  QIcon enabledIcon_;
  QIcon disabledIcon_;
  int current_ = -1;
};

}  // namespace ossel
