// The main panel: the window below the tool bar. It owns the tab control with its eight pages, the disc's rows and
// lists (the DiscModel), the settings, the worker, and the four tool-bar controls that the frame places. Commands
// arrive here first; their logic lives in PanelController, which this panel serves as its host.
//
// Threading: the worker calls the host methods while it holds the job lock. None of them waits for this thread:
// what touches widgets is queued onto it, UM_DATA_CHANGED is posted, and the selected page is kept in an atomic.
#pragma once

#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>

#include "analysis/disc_model.h"
#include "analysis/panel_controller.h"

namespace ossel {

class AboutDialog;
class CExtTabCtrl;
class CFlatComboBox;
class CHelpDialog;
class Console;
class EqualizerView;
class ISRCListView;
class InfoListView;
class Settings;
class SkipMode;
class SpectrumView;
class TrackListView;
class TrackNum;

inline constexpr char kAppTitle[] = QT_TRANSLATE_NOOP("Window", "Ossel 分析器");
inline constexpr char kWindowTitle[] = QT_TRANSLATE_NOOP("Window", "Ossel 分析器 - 1.2");

class MainPanel : public QWidget, public PanelHost {
  Q_OBJECT

 public:
  explicit MainPanel(DriveTable& drives = DriveTable::System(), QWidget* parent = nullptr);
  ~MainPanel() override;

  // Makes the pages, starts the worker, opens the drive and fills the tool-bar boxes. False when the panel cannot
  // work (then the window is not made).
  bool Create();
  // A command of the tool bar or the keys; false when the panel has no handler for it.
  bool OnCommand(int id);
  // The closing steps: stops a running job (waiting for it while serving the window), unlocks the tray, and stops
  // the worker. Safe to call more than once.
  void Shutdown();

  // Opens the discs of dropped or chosen files (PanelController::OpenDiscs).
  bool OpenImages(const QStringList& paths);
  // A disc went from or arrived in a drive (PanelController::MediaChanged); nothing once the panel has shut down.
  void MediaChanged(const MediaEvent& event);

  // The controls the frame places on the tool bar (it owns their windows from then on).
  CFlatComboBox* driveBox() const { return driveBox_; }
  CFlatComboBox* skipBox() const { return skipBox_; }
  TrackNum* trackNumber() const { return trackNumber_; }
  SkipMode* skipRatio() const { return skipRatio_; }

  CExtTabCtrl* tabs() const { return tabs_; }
  TrackListView* trackList() const { return trackList_; }
  InfoListView* infoList() const { return infoList_; }
  ISRCListView* isrcList() const { return isrcList_; }
  SpectrumView* spectrum() const { return spectrum_; }
  EqualizerView* frequency() const { return frequency_; }
  CHelpDialog* help() const { return help_; }
  AboutDialog* about() const { return about_; }
  Console* console() const { return console_; }
  DiscModel& model() { return model_; }
  PanelController& controller() { return *controller_; }
  Settings& settings() { return *settings_; }
  bool PageEnabled(int page) const;

  // Where error message boxes go; tests put a recorder here. Null shows a message box.
  static std::function<void(const QString&)> messageSink;

  // Job host and panel host.
  void ClearAnalysisViews() override;
  void UpdatePageAvailability() override;
  int SelectedPage() override { return selectedPage_; }
  void SetTrackNumberText(const std::string& text) override;
  void ConsoleAppend(const std::string& text) override;
  void EnableDriveBox() override;
  void PostDataChanged(View view, DataChange change, RowTarget rows) override;
  void ShowError(const std::string& text) override;
  void TrackJudged(int rowIndex, int blocks, const TrackResult* result) override;
  void SelectPage(int page) override;
  void SetPageEnabled(int page, bool enabled) override;
  void DisableDriveBox() override;
  char DriveBoxLetter() override;
  void DrivesChanged(char letter) override;
  void RunLater(std::chrono::milliseconds delay, std::function<void()> work) override;
  void ServeWhileWaiting() override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 signals:
  // A job has ended (its last step, after the job lock was released).
  void jobFinished();

 private:
  void OnPageChanged();
  void OnSkipChanged(int index);
  void FillDriveBox();
  void SelectDriveItem(char letter);
  // Runs `work` on the user-interface thread: at once there, queued from the worker.
  void RunOnUi(std::function<void()> work);
  QWidget* ViewWidget(View view) const;
  void ShowMessage(const QString& text);

  DiscModel model_;
  std::unique_ptr<Settings> settings_;
  std::unique_ptr<PanelController> controller_;
  std::atomic<int> selectedPage_{kPageTracks};

  CExtTabCtrl* tabs_ = nullptr;
  TrackListView* trackList_ = nullptr;
  InfoListView* infoList_ = nullptr;
  ISRCListView* isrcList_ = nullptr;
  SpectrumView* spectrum_ = nullptr;
  EqualizerView* frequency_ = nullptr;
  CHelpDialog* help_ = nullptr;
  AboutDialog* about_ = nullptr;
  Console* console_ = nullptr;

  CFlatComboBox* driveBox_;
  CFlatComboBox* skipBox_;
  TrackNum* trackNumber_;
  SkipMode* skipRatio_;
};

}  // namespace ossel
