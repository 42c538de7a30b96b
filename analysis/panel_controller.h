// The panel's commands without the window: reading a disc, ejecting, analysing, cancelling, changing drives and
// closing, with the job-lock rules that keep them from running into a job. The desktop panel forwards its commands
// here and implements PanelHost; tests drive it with a recording host.
#pragma once

#include <memory>

#include "analysis/analysis_thread.h"
#include "analysis/disc_model.h"
#include "analysis/job_host.h"
#include "platform/language.h"

namespace ossel {

inline constexpr char kCantOpenDrive[] = OSSEL_TEXT("Message", "CAN'T OPEN SELECTED DRIVE!");

// What the commands need of the window beyond what the job needs.
class PanelHost : public JobHost {
 public:
  virtual void SelectPage(int page) = 0;
  // Enables or disables a page's tab (and refreshes the tab images).
  virtual void SetPageEnabled(int page, bool enabled) = 0;
  virtual void DisableDriveBox() = 0;
  // The letter at the drive box's selected index (0 when the box is empty).
  virtual char DriveBoxLetter() = 0;
  // Called again and again while a command waits for a running job to let go of the job lock. A window serves its
  // event queue here, so that the job's queued calls into it keep flowing and it keeps painting.
  virtual void ServeWhileWaiting();
};

class PanelController {
 public:
  // Starts the worker; `parallelTracks` is handed to every job.
  PanelController(DiscModel& model, PanelHost& host, int parallelTracks = 1);
  // Runs the closing steps, then stops the worker.
  ~PanelController();
  PanelController(const PanelController&) = delete;
  PanelController& operator=(const PanelController&) = delete;

  // Opens the stored drive, else the first CD drive (which becomes the stored one). False when there are drives
  // but none opens; true with no CD drive at all.
  bool OpenInitialDrive();

  // Commands. Those that touch the drive or the rows try the job lock and do nothing while a job runs.
  void ReadNewDisc();
  void EjectOrLoad();
  void Analyze();
  void Cancel();
  // The drive box's selection changed: waits for a running job, then reads the newly selected drive.
  void DriveChanged();
  // Closing: asks a running job to stop, waits for it, and unlocks the tray.
  void Close();

  // Media notices for a drive letter; ignored while a job runs (its tray is locked and its rows stay as they are).
  void MediaRemoved(char letter);
  void MediaArrived(char letter);
  // The second half of an arrival, for hosts that wait without blocking: reads the disc unless a job runs.
  void LoadDiscIfIdle(char letter);

  // Panel operations, also used by the commands.
  void ResetDisc(char letter);
  void LoadDisc(char letter);
  bool ReselectDrive();

  AnalysisThread& worker() { return *worker_; }
  // Enters the job lock, serving the host while a job holds it.
  std::unique_lock<std::recursive_mutex> WaitForJobLock();
  int CurrentTrack() const { return worker_->currentTrack; }
  // The "%02d" text of the track-number display when the page changes: the track in work, "00" with no job.
  std::string TrackNumberText() const;

 private:
  DiscModel& model_;
  PanelHost& host_;
  std::unique_ptr<AnalysisThread> worker_;
  bool closed_ = false;
};

}  // namespace ossel
