#include "analysis/panel_controller.h"

#include <chrono>
#include <thread>

#include "analysis/analyze_job.h"
#include "device/text_format.h"
#include "platform/image_mount.h"

namespace ossel {

void PanelHost::ServeWhileWaiting() { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }

PanelController::PanelController(DiscModel& model, PanelHost& host, int parallelTracks)
    : model_(model), host_(host) {
  worker_ = std::make_unique<AnalysisThread>(
      [this, parallelTracks](AnalysisThread& worker) { RunAnalyzeDiscJob(model_, host_, worker, parallelTracks); });
}

PanelController::~PanelController() {
  Close();
  worker_.reset();
}

bool PanelController::OpenInitialDrive() {
  CdDrive& drive = model_.drive;
  if (model_.cdDrive != 0 && drive.Open(model_.cdDrive)) return true;
  if (drive.driveLetters.empty()) return true;
  model_.cdDrive = drive.driveLetters.front();
  return drive.Open(model_.cdDrive);
}

void PanelController::ReadNewDisc() {
  AnalysisThread::JobLock lock = worker_->TryJobLock();
  if (!lock) return;
  ReselectDrive();
}

void PanelController::EjectOrLoad() {
  AnalysisThread::JobLock lock = worker_->TryJobLock();
  if (!lock) return;
  CdDrive& drive = model_.drive;
  drive.UnlockTray();
  if (drive.trayLoaded) {
    drive.EjectTray();
  } else {
    drive.LoadTray();
  }
  ResetDisc(model_.cdDrive);
}

void PanelController::Analyze() {
  AnalysisThread::JobLock lock = worker_->TryJobLock();
  if (!lock) return;
  ReselectDrive();
  if (model_.RowCount() == 0) return;
  host_.PostDataChanged(View::TrackList, DataChange::Clear, RowTarget::All());
  host_.PostDataChanged(View::TrackList, DataChange::Refresh, RowTarget::All());
  worker_->QueueJob();
  host_.SelectPage(kPageTracks);
  host_.DisableDriveBox();
}

void PanelController::Cancel() {
  worker_->Cancel();
  host_.SelectPage(kPageTracks);
  host_.EnableDriveBox();
}

void PanelController::DriveChanged() { ReselectDrive(); }

void PanelController::Close() {
  if (closed_) return;
  closed_ = true;
  worker_->Cancel();
  auto lock = WaitForJobLock();
  worker_->SetClosing();
  if (!model_.drive.IsOpen()) return;
  if (!model_.drive.UnlockTray()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    model_.drive.UnlockTray();
  }
}

void PanelController::MediaRemoved(char letter) {
  AnalysisThread::JobLock lock = worker_->TryJobLock();
  if (!lock) return;
  ResetDisc(letter);
}

void PanelController::MediaChanged(const MediaEvent& event) {
  MediaRemoved(event.letter);
  if (!event.arrived) return;
  std::weak_ptr<PanelController*> self = self_;
  const char letter = event.letter;
  host_.RunLater(kArrivalDelay, [self, letter] {
    if (const auto controller = self.lock()) (*controller)->LoadDiscIfIdle(letter);
  });
}

bool PanelController::OpenDiscs(const std::vector<std::string>& paths) {
  if (paths.empty()) return false;
  AnalysisThread::JobLock lock = worker_->TryJobLock();
  if (!lock) return false;
  std::string error;
  const std::vector<MountedDisc> mounted = MountImages(paths, model_.drive.Drives(), error);
  if (mounted.empty()) {
    host_.ShowError(error);
    return false;
  }
  model_.drive.EnumerateDrives();
  host_.DrivesChanged(mounted.front().letter);
  return ReselectDrive();
}

void PanelController::LoadDiscIfIdle(char letter) {
  AnalysisThread::JobLock lock = worker_->TryJobLock();
  if (!lock) return;
  LoadDisc(letter);
}

std::unique_lock<std::recursive_mutex> PanelController::WaitForJobLock() {
  AnalysisThread::JobLock lock = worker_->TryJobLock();
  while (!lock.owns_lock()) {
    host_.ServeWhileWaiting();
    lock.try_lock();
  }
  return lock;
}

void PanelController::ResetDisc(char letter) {
  if (letter != model_.cdDrive) return;
  host_.SelectPage(kPageTracks);
  model_.ClearDisc();
  host_.PostDataChanged(View::TrackList, DataChange::Clear, RowTarget::All());
  host_.PostDataChanged(View::InfoList, DataChange::Clear, RowTarget::All());
  host_.SetPageEnabled(kPageCdInfo, false);
  model_.ClearAnalysisData();
  host_.ClearAnalysisViews();
  model_.drive.Close();
  // A selected letter that is no CD drive (the default one on a machine without any) has nothing to reopen.
  if (model_.drive.driveLetters.find(model_.cdDrive) == std::string::npos) return;
  if (!model_.drive.Open(model_.cdDrive)) host_.ShowError(Translate("Message", kCantOpenDrive));
}

void PanelController::LoadDisc(char letter) {
  if (letter != model_.cdDrive) return;
  model_.LoadTrackRows();
  host_.PostDataChanged(View::TrackList, DataChange::Refresh, RowTarget::All());
  if (model_.LoadDiscInfo()) host_.PostDataChanged(View::InfoList, DataChange::Refresh, RowTarget::All());
  host_.SetPageEnabled(kPageCdInfo, true);
}

bool PanelController::ReselectDrive() {
  auto lock = WaitForJobLock();
  ResetDisc(model_.cdDrive);
  model_.drive.Close();
  model_.cdDrive = host_.DriveBoxLetter();
  if (!model_.drive.Open(model_.cdDrive)) {
    host_.ShowError(Translate("Message", kCantOpenDrive));
    return false;
  }
  LoadDisc(model_.cdDrive);
  return true;
}

std::string PanelController::TrackNumberText() const { return FormatText("%02d", worker_->CurrentTrack() + 1); }

}  // namespace ossel
