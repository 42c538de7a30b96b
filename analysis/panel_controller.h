// The panel's commands without the window: reading a disc, ejecting, analysing, cancelling, changing drives and
// closing, with the job-lock rules that keep them from running into a job. The desktop panel forwards its commands
// here and implements PanelHost; tests drive it with a recording host.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "analysis/analysis_thread.h"
#include "analysis/disc_model.h"
#include "analysis/job_host.h"
#include "platform/language.h"
#include "platform/media_monitor.h"

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
  // The drive table changed (discs were opened): the drive box lists the drives again, with `letter` selected.
  virtual void DrivesChanged(char letter) = 0;
  // Runs `work` on this thread once `delay` has passed, without holding anything up meanwhile (a window's timer).
  // The controller may be gone by then: `work` checks that itself.
  virtual void RunLater(std::chrono::milliseconds delay, std::function<void()> work) = 0;
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

  // Mounts the discs of `paths` (cue sheets, audio files, folders) under new drive letters, lists the drives again
  // and reads the first new one. Refused while a job runs; an unusable file is reported through ShowError. False
  // when no disc was read.
  bool OpenDiscs(const std::vector<std::string>& paths);

  // A disc went from, or arrived in, a drive; ignored while a job runs (its tray is locked and its rows stay as
  // they are). The selected drive's rows go at once; an arrived disc is read a second later (kArrivalDelay), when
  // the drive has settled, through the host's timer.
  void MediaChanged(const MediaEvent& event);
  static constexpr std::chrono::milliseconds kArrivalDelay{1000};

  // Panel operations, also used by the commands.
  void ResetDisc(char letter);
  void LoadDisc(char letter);
  bool ReselectDrive();

  AnalysisThread& worker() { return *worker_; }
  // Enters the job lock, serving the host while a job holds it.
  AnalysisThread::JobLock WaitForJobLock();
  int CurrentTrack() const { return worker_->CurrentTrack(); }
  // The "%02d" text of the track-number display when the page changes: the track in work, "00" with no job.
  std::string TrackNumberText() const;

 private:
  DiscModel& model_;
  PanelHost& host_;
  void MediaRemoved(char letter);
  // Reads the disc unless a job runs.
  void LoadDiscIfIdle(char letter);

  std::unique_ptr<AnalysisThread> worker_;
  bool closed_ = false;
  // Work handed to the host's timer holds a weak reference: it does nothing once the controller is gone.
  std::shared_ptr<PanelController*> self_ = std::make_shared<PanelController*>(this);
};

}  // namespace ossel
