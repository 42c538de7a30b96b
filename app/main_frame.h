// The main window: the tool bar with its six buttons and four embedded controls (always shown: no menu can hide
// it), the main panel as its only pane, the keys of the accelerator table, dropped discs, and the media-change
// notices. Every command goes to the panel first.
#pragma once

#include <QMainWindow>
#include <QToolBar>
#include <memory>

#include "platform/drive_table.h"

class QSocketNotifier;
class QToolButton;

namespace ossel {

class MainPanel;
class MediaMonitor;
struct MediaEvent;

class MainToolBar : public QToolBar {
  Q_OBJECT

 public:
  explicit MainToolBar(QWidget* parent = nullptr);
  // What stands at a position (0 to 5): a tool button, or at 0 and 5 the place of two embedded controls.
  QWidget* slot(int position) const { return slots_[static_cast<size_t>(position)]; }

 signals:
  void command(int id);

 private:
  std::array<QWidget*, 6> slots_{};
};

class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  explicit CMainFrame(DriveTable& drives = DriveTable::System(), QWidget* parent = nullptr);
  ~CMainFrame() override;

  // Makes the tool bar and the panel; false when the panel cannot be made.
  bool Create();

  // Routes a command: the panel first, then the frame (which has no handlers of its own).
  void OnCommand(int id);
  // A disc went from or arrived in a drive (the window's media-change notice): handed to the panel.
  void OnMediaEvent(const MediaEvent& event);

  MainPanel* panel() const { return panel_; }
  MainToolBar* toolBar() const { return toolBar_; }

  // None: the tool bar is always shown, so the window has no menu for showing and hiding it.
  QMenu* createPopupMenu() override { return nullptr; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void PlaceControls();
  void WatchMedia();
  // Whether a key belongs to the page that has the focus rather than to the accelerator table.
  bool KeyBelongsToPage(const QKeyEvent& key) const;

  DriveTable& drives_;
  MainToolBar* toolBar_ = nullptr;
  MainPanel* panel_ = nullptr;
  std::unique_ptr<MediaMonitor> media_;
  QSocketNotifier* mediaNotifier_ = nullptr;
};

}  // namespace ossel
