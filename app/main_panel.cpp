#include "app/main_panel.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QThread>
#include <QTimer>

#include "views/about_dialog.h"
#include "app/commands.h"
#include "views/console.h"
#include "app/settings.h"
#include "platform/language.h"
#include "views/ext_tab_ctrl.h"
#include "views/flat_combo_box.h"
#include "views/graphic_pages.h"
#include "views/help_dialog.h"
#include "views/indicators.h"
#include "views/list_views.h"
#include "views/window_events.h"

namespace ossel {

std::function<void(const QString&)> MainPanel::messageSink;

MainPanel::MainPanel(DriveTable& drives, QWidget* parent)
    : QWidget(parent),
      model_(drives),
      settings_(std::make_unique<Settings>()),
      driveBox_(new CFlatComboBox(this)),
      skipBox_(new CFlatComboBox(this)),
      trackNumber_(new TrackNum(this)),
      skipRatio_(new SkipMode(this)) {
  driveBox_->setAccessibleName(QCoreApplication::translate("Window", "Drive"));
  skipBox_->setAccessibleName(QCoreApplication::translate("Window", "Skip mode"));
  driveBox_->setToolTip(QCoreApplication::translate("Window", "Drive"));
  skipBox_->setToolTip(QCoreApplication::translate("Window", "Read one piece in n"));
}

MainPanel::~MainPanel() {
  Shutdown();
  if (settings_) {
    settings_->cdDrive = model_.cdDrive;
    settings_->skipMode = model_.skipMode;
  }
}

bool MainPanel::Create() {
  tabs_ = new CExtTabCtrl(this);
  tabs_->setObjectName("tabs");

  // The pages, in the order they are made.
  infoList_ = new InfoListView(model_, tabs_);
  isrcList_ = new ISRCListView(model_, tabs_);
  spectrum_ = new SpectrumView(model_, trackNumber_, tabs_);
  frequency_ = new EqualizerView(model_, trackNumber_, tabs_);
  help_ = new CHelpDialog(tabs_);
  about_ = new AboutDialog(tabs_);
  console_ = new Console(tabs_);
  trackList_ = new TrackListView(model_, tabs_);
  console_->setFont(trackList_->font());

  std::vector<PageEntry> pages{
      {QCoreApplication::translate("Window", "&Tracks"), trackList_, true},
      {QCoreApplication::translate("Window", "&CD Info"), infoList_, false},
      {QCoreApplication::translate("Window", "&ISRC Info"), isrcList_, false},
      {QCoreApplication::translate("Window", "光谱(&S)"), spectrum_, false},
      {QCoreApplication::translate("Window", "频率(&F)"), frequency_, false},
      {QCoreApplication::translate("Window", "&Help"), help_, true},
      {QCoreApplication::translate("Window", "&About"), about_, true},
  };
  // The console page is made either way (the report goes to it), but it has a tab only when the settings say so.
  console_->hide();
  if (settings_->consoleEnabled) pages.push_back({QCoreApplication::translate("Window", "控制台(&O)"), console_, true});
  tabs_->SetPages(std::move(pages));
  connect(tabs_, &CExtTabCtrl::pageChanged, this, &MainPanel::OnPageChanged);

  model_.cdDrive = settings_->cdDrive;
  controller_ = std::make_unique<PanelController>(model_, *this);
  if (!controller_->OpenInitialDrive()) {
    // Neither the stored drive nor the first one opens (on Linux often a matter of device permissions): say so and
    // go on without a drive, so that disc images can still be analysed.
    ShowMessage(Translate("Message", kCantOpenDrive));
  }

  if (about_) window()->setWindowTitle(QCoreApplication::translate("Window", kWindowTitle));

  FillDriveBox();
  SelectDriveItem(model_.cdDrive);
  connect(driveBox_, &QComboBox::activated, this, [this] { controller_->DriveChanged(); });
  connect(driveBox_, &QComboBox::currentIndexChanged, this,
          [this](int index) { driveBox_->setToolTip(driveBox_->itemData(index, Qt::ToolTipRole).toString()); });

  for (int i = 1; i <= 8; ++i) skipBox_->addItem(QString::number(i));
  int skip = settings_->skipMode;
  skip = std::clamp(skip, 0, 7);
  model_.skipMode = skip;
  skipBox_->setCurrentIndex(skip);
  skipRatio_->SetValue(skip + 1);
  connect(skipBox_, &QComboBox::currentIndexChanged, this, &MainPanel::OnSkipChanged);

  tabs_->SelectPage(kPageTracks);
  return true;
}

void MainPanel::Shutdown() {
  if (!controller_) return;
  controller_->Close();
  controller_.reset();
}

bool MainPanel::OnCommand(int id) {
  if (!controller_) return false;
  switch (id) {
    case kCmdReadNewDisc:
      controller_->ReadNewDisc();
      return true;
    case kCmdEjectOrLoad:
      controller_->EjectOrLoad();
      return true;
    case kCmdAnalyze:
      controller_->Analyze();
      return true;
    case kCmdCancel:
      controller_->Cancel();
      return true;
    case kCmdPageTracks:
    case kCmdPageCdInfo:
    case kCmdPageIsrc:
    case kCmdPageSpectrum:
    case kCmdPageFrequency:
      SelectPage(id - kCmdPageTracks);
      return true;
    case kCmdPageHelp:
      SelectPage(kPageHelp);
      return true;
    case kCmdPageAbout:
      SelectPage(kPageAbout);
      return true;
    case kCmdPageConsole:
      if (settings_->consoleEnabled) SelectPage(kPageConsole);
      return true;
    default:
      return false;
  }
}

bool MainPanel::PageEnabled(int page) const { return tabs_->PageEnabled(page); }

bool MainPanel::OpenImages(const QStringList& paths) {
  if (!controller_) return false;
  std::vector<std::string> names;
  for (const QString& path : paths) names.push_back(path.toStdString());
  return controller_->OpenDiscs(names);
}

void MainPanel::MediaChanged(const MediaEvent& event) {
  if (controller_) controller_->MediaChanged(event);
}

void MainPanel::FillDriveBox() {
  const QSignalBlocker block(driveBox_);
  driveBox_->clear();
  for (char letter : model_.drive.driveLetters) {
    const DriveTable::Drive drive = model_.drive.Drives().Lookup(letter);
    driveBox_->addItem(QString("%1:").arg(QChar(letter)), QVariant(static_cast<int>(letter)));
    driveBox_->setItemData(driveBox_->count() - 1, QString::fromStdString(drive.description), Qt::ToolTipRole);
  }
}

void MainPanel::SelectDriveItem(char letter) {
  int index = driveBox_->findData(QVariant(static_cast<int>(letter)));
  if (index < 0) index = 0;
  driveBox_->setCurrentIndex(driveBox_->count() > 0 ? index : -1);
  driveBox_->setToolTip(driveBox_->itemData(driveBox_->currentIndex(), Qt::ToolTipRole).toString());
}

void MainPanel::OnPageChanged() {
  selectedPage_ = tabs_->CurrentSelection();
  if (selectedPage_ != kPageSpectrum && selectedPage_ != kPageFrequency && controller_) {
    trackNumber_->SetText(QString::fromStdString(controller_->TrackNumberText()));
  }
}

void MainPanel::OnSkipChanged(int index) {
  if (index < 0) return;
  model_.skipMode = index;
  settings_->skipMode = index;
  skipRatio_->SetValue(index + 1);
}

void MainPanel::RunOnUi(std::function<void()> work) {
  if (QThread::currentThread() == thread()) {
    work();
  } else {
    QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
  }
}

QWidget* MainPanel::ViewWidget(View view) const {
  switch (view) {
    case View::TrackList: return trackList_;
    case View::InfoList: return infoList_;
    case View::IsrcList: return isrcList_;
    case View::Spectrum: return spectrum_;
    case View::Frequency: return frequency_;
  }
  return nullptr;
}

void MainPanel::ShowMessage(const QString& text) {
  if (messageSink) {
    messageSink(text);
    return;
  }
  QMessageBox box(QMessageBox::Critical, QCoreApplication::translate("Window", kAppTitle), text, QMessageBox::Ok, this);
  box.exec();
}

void MainPanel::ClearAnalysisViews() {
  RunOnUi([this] {
    const int page = tabs_->CurrentSelection();
    if (page == kPageIsrc || page == kPageSpectrum || page == kPageFrequency) SelectPage(kPageTracks);
    for (int p : {kPageIsrc, kPageSpectrum, kPageFrequency}) tabs_->SetPageEnabled(p, false);
  });
  for (View view : {View::IsrcList, View::Spectrum, View::Frequency}) {
    PostDataChanged(view, DataChange::Clear, RowTarget::All());
  }
}

void MainPanel::UpdatePageAvailability() {
  RunOnUi([this] {
    if (!model_.IsrcRowsCopy().empty()) tabs_->SetPageEnabled(kPageIsrc, true);
    if (spectrum_->HasData()) tabs_->SetPageEnabled(kPageSpectrum, true);
    if (frequency_->HasData()) tabs_->SetPageEnabled(kPageFrequency, true);
  });
}

void MainPanel::SetTrackNumberText(const std::string& text) {
  RunOnUi([this, text] { trackNumber_->SetText(QString::fromStdString(text)); });
}

void MainPanel::ConsoleAppend(const std::string& text) {
  RunOnUi([this, text] { console_->Append(text); });
}

void MainPanel::EnableDriveBox() {
  const bool fromJob = QThread::currentThread() != thread();
  RunOnUi([this, fromJob] {
    driveBox_->setEnabled(true);
    if (fromJob) emit jobFinished();
  });
}

void MainPanel::PostDataChanged(View view, DataChange change, RowTarget rows) {
  ossel::PostDataChanged(ViewWidget(view), change, rows);
}

void MainPanel::ShowError(const std::string& text) {
  RunOnUi([this, text] { ShowMessage(QString::fromStdString(text)); });
}

void MainPanel::TrackJudged(int rowIndex, int, const TrackResult* result) {
  const double cutoff = result ? result->cutoffPeakPosition : 0.0;
  RunOnUi([this, rowIndex, cutoff] { frequency_->SetCutoff(rowIndex, cutoff); });
}

void MainPanel::SelectPage(int page) { tabs_->SelectPage(page); }

void MainPanel::SetPageEnabled(int page, bool enabled) { tabs_->SetPageEnabled(page, enabled); }

void MainPanel::DisableDriveBox() { driveBox_->setEnabled(false); }

char MainPanel::DriveBoxLetter() {
  const QVariant data = driveBox_->currentData();
  return data.isValid() ? static_cast<char>(data.toInt()) : 0;
}

void MainPanel::DrivesChanged(char letter) {
  FillDriveBox();
  SelectDriveItem(letter);
}

void MainPanel::RunLater(std::chrono::milliseconds delay, std::function<void()> work) {
  QTimer::singleShot(delay, this, std::move(work));
}

void MainPanel::ServeWhileWaiting() {
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 5);
  QThread::msleep(2);
}

void MainPanel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (tabs_) tabs_->setGeometry(rect());
}

}  // namespace ossel
