#include "app/main_frame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QMimeData>
#include <QSocketNotifier>
#include <QToolButton>

#include "app/commands.h"
#include "app/main_panel.h"
#include "platform/media_monitor.h"
#include "views/flat_combo_box.h"
#include "views/indicators.h"
#include "views/svg_pixmap.h"

namespace ossel {

namespace {

constexpr QSize kButtonSize(39, 54);
constexpr QSize kImageSize(32, 48);

struct ButtonSpec {
  int command;
  const char* image;  // file stem under :/toolbar/, empty for the placeholders
  const char* tip;
};

const std::array<ButtonSpec, 6> kButtons{{
    {kCmdPlaceholder, "", ""},
    {kCmdReadNewDisc, "read", QT_TRANSLATE_NOOP("Window", "读取新的光盘")},
    {kCmdEjectOrLoad, "eject", QT_TRANSLATE_NOOP("Window", "弹出光盘")},
    {kCmdAnalyze, "analyze", QT_TRANSLATE_NOOP("Window", "分析光盘")},
    {kCmdCancel, "cancel", QT_TRANSLATE_NOOP("Window", "取消检查光盘")},
    {kCmdPlaceholder, "", ""},
}};

QIcon ButtonIcon(const QString& stem) {
  QIcon icon;
  icon.addPixmap(SvgPixmap(":/toolbar/" + stem + "-normal.svg", kImageSize), QIcon::Normal);
  icon.addPixmap(SvgPixmap(":/toolbar/" + stem + "-hot.svg", kImageSize), QIcon::Active);
  icon.addPixmap(SvgPixmap(":/toolbar/" + stem + "-disabled.svg", kImageSize), QIcon::Disabled);
  return icon;
}

}  // namespace

MainToolBar::MainToolBar(QWidget* parent) : QToolBar(parent) {
  setMovable(false);
  setFloatable(false);
  // It cannot be hidden: no context menu, and its show-and-hide action does nothing.
  setContextMenuPolicy(Qt::PreventContextMenu);
  toggleViewAction()->setEnabled(false);
  toggleViewAction()->setVisible(false);
  setIconSize(kImageSize);
  setObjectName("toolbar");
  for (std::size_t i = 0; i < kButtons.size(); ++i) {
    const ButtonSpec& spec = kButtons[i];
    if (spec.command == kCmdPlaceholder) {
      // The place of an embedded control: the command has no handler, and the controls cover the whole button.
      auto* place = new QWidget(this);
      place->setFixedSize(kButtonSize);
      addWidget(place);
      slots_[i] = place;
      continue;
    }
    auto* button = new QToolButton(this);
    button->setFixedSize(kButtonSize);
    button->setIconSize(kImageSize);
    button->setAutoRaise(true);
    button->setIcon(ButtonIcon(spec.image));
    const QString tip = QCoreApplication::translate("Window", spec.tip);
    button->setToolTip(tip);
    button->setAccessibleName(tip);
    button->setFocusPolicy(Qt::NoFocus);
    const int id = spec.command;
    connect(button, &QToolButton::clicked, this, [this, id] { emit command(id); });
    addWidget(button);
    slots_[i] = button;
  }
}

CMainFrame::CMainFrame(DriveTable& drives, QWidget* parent) : QMainWindow(parent), drives_(drives) {
  setWindowIcon(QIcon(SvgPixmap(":/icons/ossel-analyzer.svg", QSize(128, 128))));
  resize(668, 462);
  setMinimumSize(340, 260);
  setAcceptDrops(true);
}

CMainFrame::~CMainFrame() {
  qApp->removeEventFilter(this);
  if (panel_) panel_->Shutdown();
}

bool CMainFrame::Create() {
  toolBar_ = new MainToolBar(this);
  addToolBar(Qt::TopToolBarArea, toolBar_);
  connect(toolBar_, &MainToolBar::command, this, &CMainFrame::OnCommand);

  panel_ = new MainPanel(drives_, this);
  PlaceControls();
  setCentralWidget(panel_);
  if (!panel_->Create()) return false;
  qApp->installEventFilter(this);
  WatchMedia();
  return true;
}

void CMainFrame::PlaceControls() {
  // On the placeholder buttons 0 and 5: a display and a drop-down, inside the button moved 4 pixels right and down.
  auto place = [](QWidget* button, QWidget* display, CFlatComboBox* box) {
    display->setParent(button);
    display->setGeometry(4, 4, 32, 48);
    box->setParent(button);
    box->setGeometry(4, 4, 32, box->sizeHint().height());
    box->setMaxVisibleItems(8);
    box->raise();
    display->show();
    box->show();
  };
  place(toolBar_->slot(0), panel_->trackNumber(), panel_->driveBox());
  place(toolBar_->slot(5), panel_->skipRatio(), panel_->skipBox());
}

void CMainFrame::OnCommand(int id) {
  if (panel_ && panel_->OnCommand(id)) return;
  if (id == kCmdOpenImage) {
    const QStringList files = QFileDialog::getOpenFileNames(
        this, QCoreApplication::translate("Window", "Open disc image"), QString(),
        QCoreApplication::translate("Window", "Disc images and audio (*.cue *.flac *.wav *.aif *.aiff *.wv);;Cue sheets (*.cue);;All files (*)"));
    if (!files.isEmpty()) panel_->OpenImages(files);
  }
  // The edit and pane commands, and the placeholders, have no handler.
}

void CMainFrame::OnMediaEvent(const MediaEvent& event) {
  if (panel_) panel_->MediaChanged(event);
}

void CMainFrame::WatchMedia() {
  media_ = std::make_unique<MediaMonitor>();
  if (!media_->Start()) {
    media_.reset();
    return;
  }
  mediaNotifier_ = new QSocketNotifier(media_->Fd(), QSocketNotifier::Read, this);
  connect(mediaNotifier_, &QSocketNotifier::activated, this, [this] {
    for (const MediaEvent& event : media_->ReadPending(drives_)) OnMediaEvent(event);
  });
}

bool CMainFrame::KeyBelongsToPage(const QKeyEvent& key) const {
  // The help and about pages work like dialogs: Enter, Escape and Space are theirs while they have the focus.
  if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return false;
  if (key.key() != Qt::Key_Return && key.key() != Qt::Key_Enter && key.key() != Qt::Key_Escape &&
      key.key() != Qt::Key_Space) {
    return false;
  }
  const QWidget* focus = QApplication::focusWidget();
  for (const QWidget* w = focus; w; w = w->parentWidget()) {
    if (w == reinterpret_cast<const QWidget*>(panel_->help()) || w == reinterpret_cast<const QWidget*>(panel_->about())) {
      return true;
    }
  }
  return false;
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
  const bool shortcut = event->type() == QEvent::ShortcutOverride;
  if (!shortcut && event->type() != QEvent::KeyPress) return QMainWindow::eventFilter(watched, event);
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget || widget->window() != this) return QMainWindow::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  const std::optional<int> command = CommandForKey(*key);
  if (!command || KeyBelongsToPage(*key)) return QMainWindow::eventFilter(watched, event);
  // The table takes the key before any control sees it, and so before any shortcut of a control.
  event->accept();
  if (!shortcut && !key->isAutoRepeat()) OnCommand(*command);
  return true;
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (panel_) panel_->Shutdown();
  event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
  QStringList paths;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) paths << url.toLocalFile();
  }
  if (paths.isEmpty() || !panel_) return;
  event->acceptProposedAction();
  panel_->OpenImages(paths);
}

}  // namespace ossel
