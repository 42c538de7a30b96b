#include "analysis/analyze_job.h"

#include <condition_variable>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "analysis/report.h"
#include "detector/track_detector.h"
#include "detector/verdict_rules.h"
#include "device/text_format.h"
#include "display/band_limit.h"
#include "display/builders.h"

namespace ossel {

const double* JobFrequencyAxis() {
  static const std::vector<double> axis = [] {
    std::vector<double> values(TrackDetector::kBins);
    TrackDetector::FillFrequencyAxis(values.data());
    return values;
  }();
  return axis.data();
}

namespace {

// What one worker needs to analyse a track: its own detector and buffers and, when several tracks are read at
// once, its own handle on the disc (a drive object's time-out setting belongs to one reader at a time).
struct TrackWorkspace {
  std::unique_ptr<TrackDetector> detector;
  BuildBuffers buffers;
  std::unique_ptr<CdDrive> ownDrive;

  bool Allocate(std::int32_t maxWidth) {
    detector = TrackDetector::Create();
    return detector && buffers.Allocate(maxWidth);
  }
  // Opens the disc of `shared` once more for this worker.
  bool OpenOwnDrive(const CdDrive& shared) {
    ownDrive = std::make_unique<CdDrive>(shared.Drives());
    return ownDrive->Open(shared.OpenLetter()) && ownDrive->ReadTrackTable();
  }
};

// What the analysis of one track produced, for the steps that follow it in track order.
struct TrackOutcome {
  std::int32_t blocks = 0;  // -1 cancelled, 0 nothing read
  TrackBuild build;
  std::int32_t imageEntry = -1;
  std::int32_t profileEntry = -1;
  std::optional<TrackResult> result;  // judged tracks only
  std::optional<BandLimit> bandLimit;  // found in the profile of a track that gave data
  DiscLikelihoods likelihoods;        // the factors this track brings to the disc verdict
  std::string storeError;             // why its display data could not be stored; empty when it was
};

class Job {
 public:
  Job(DiscModel& model, JobHost& host, AnalysisThread& worker, TrackSlots* slots)
      : model_(model), host_(host), worker_(worker), drive_(model.drive), slots_(slots) {}

  void Run(int parallelTracks) {
    AnalysisThread::JobLock jobLock = worker_.LockJob();
    if (worker_.Closing()) return;
    worker_.ResetReadErrors();
    model_.ClearAnalysisData();
    host_.ClearAnalysisViews();
    drive_.LockTray();
    host_.PostDataChanged(View::TrackList, DataChange::Clear, RowTarget::All());
    host_.PostDataChanged(View::TrackList, DataChange::Refresh, RowTarget::All());
    startTime_ = ClockSeconds();

    const std::int32_t maxWidth = PrepareRows();
    const int rows = model_.RowCount();
    if (!model_.store.IsOpen()) {
      // Without its store the disc's pictures would be drawn from nothing: the disc is not analysed.
      ReportStoreFailure(model_.store.Error());
    } else if (AllocateWorkspaces(std::max(1, std::min(parallelTracks, rows)), maxWidth)) {
      const int workers = static_cast<int>(workspaces_.size());
      const bool finished = workers == 1 ? RunInOrder(rows) : RunInParallel(rows, workers);
      if (finished) FinishDisc();
    } else {
      host_.ShowError(Translate("Message", kInsufficientMemory));
    }

    workspaces_.clear();
    ReportMediumFault();
    drive_.UnlockTray();
    jobLock.unlock();
    host_.EnableDriveBox();
  }

 private:
  // What went lastingly wrong with the disc's medium so far (a virtual disc's file changed or broke); empty when
  // nothing did. Failed reads of a physical disc are not such a fault: they are counted, and read as silence.
  std::string MediumFault() const {
    const DriveTable::Drive entry = drive_.Drives().Lookup(drive_.OpenLetter());
    return entry.fault ? entry.fault() : std::string();
  }

  // A virtual disc whose file changed or broke while it was read has failed those reads: its error names the file,
  // so that the silence put in their place is not taken for the disc's audio.
  void ReportMediumFault() {
    const std::string fault = MediumFault();
    if (!fault.empty()) host_.ShowError(fault);
  }

  // The display store could not be made or written; said once per job.
  void ReportStoreFailure(const std::string& reason) {
    if (storeFailureShown_) return;
    storeFailureShown_ = true;
    host_.ShowError(FormatText(Translate("Message", kCantStoreDisplayData), model_.store.Folder().c_str(),
                               reason.c_str()));
  }

  // Sizes every audio row's image; returns the widest.
  std::int32_t PrepareRows() {
    std::int32_t maxWidth = 0;
    const int rows = model_.RowCount();
    for (int n = 0; n < rows; ++n) {
      worker_.SetCurrentTrack(n);
      const int track = model_.RowCopy(n).trackNumber;
      const std::int32_t first = drive_.TrackStart(track);
      const std::int32_t last = drive_.TrackEnd(track);
      if (!drive_.IsAudioTrack(track) || first < 0 || last < 0) continue;
      const std::int32_t width = TrackImageWidth(first, last);
      model_.UpdateRow(n, [&](TrackRow& row) {
        row.imageEntry = -1;
        row.profileEntry = -1;
        row.imageHeight = kImageHeight;
        row.imageWidth = width;
        row.imageColumns = 0;
        row.frequencyAxis = JobFrequencyAxis();
        row.bandLimit.reset();
      });
      maxWidth = std::max(maxWidth, width);
    }
    return maxWidth;
  }

  // False when not even one workspace could be had. Extra workspaces that cannot be had (memory, or the disc not
  // opening once more) are done without: fewer tracks run at once.
  bool AllocateWorkspaces(int count, std::int32_t maxWidth) {
    disc_ = DiscLikelihoods{};
    workspaces_.resize(static_cast<std::size_t>(count));
    if (!workspaces_.front().Allocate(maxWidth)) return false;
    if (count == 1) return true;
    std::size_t ready = 0;  // workspaces with a detector, buffers and a drive of their own
    if (workspaces_.front().OpenOwnDrive(drive_)) {
      for (ready = 1; ready < workspaces_.size(); ++ready) {
        TrackWorkspace& workspace = workspaces_[ready];
        if (!workspace.Allocate(maxWidth) || !workspace.OpenOwnDrive(drive_)) break;
      }
    }
    workspaces_.resize(std::max<std::size_t>(ready, 1));
    if (ready <= 1) workspaces_.front().ownDrive.reset();  // one reader reads through the job's own drive
    return true;
  }

  // One worker, one track after the other. False when cancelled.
  bool RunInOrder(int rows) {
    for (int n = 0; n < rows; ++n) {
      BeginTrack(n);
      if (slots_) slots_->Acquire();
      TrackOutcome outcome = AnalyzeTrack(n, workspaces_.front());
      if (slots_) slots_->Release();
      if (outcome.blocks < 0) return false;
      EndTrack(n, outcome);
    }
    return true;
  }

  // Several tracks at once; each track begins and ends in row order on this thread. False when cancelled.
  bool RunInParallel(int rows, int workers) {
    std::mutex mutex;
    std::condition_variable finished;
    std::vector<std::optional<TrackOutcome>> outcomes(static_cast<std::size_t>(rows));
    std::vector<std::thread> threads(static_cast<std::size_t>(rows));
    std::vector<int> freeWorkspaces;
    for (int w = workers - 1; w >= 0; --w) freeWorkspaces.push_back(w);
    std::vector<int> workspaceOf(static_cast<std::size_t>(rows), -1);

    bool cancelled = false;
    int next = 0;
    for (int n = 0; n < rows && !cancelled; ++n) {
      // Keep every workspace busy with the next tracks.
      while (next < rows && !freeWorkspaces.empty() && !worker_.CancelRequested()) {
        if (slots_) {
          // While a track of this disc is still to be finished, only a free slot is taken; else one is waited for.
          if (next > n) {
            if (!slots_->TryAcquire()) break;
          } else {
            slots_->Acquire();
          }
        }
        const int w = freeWorkspaces.back();
        freeWorkspaces.pop_back();
        workspaceOf[static_cast<std::size_t>(next)] = w;
        BeginTrack(next);
        threads[static_cast<std::size_t>(next)] = std::thread([&, track = next, w] {
          TrackOutcome outcome = AnalyzeTrack(track, workspaces_[static_cast<std::size_t>(w)]);
          if (slots_) slots_->Release();
          std::lock_guard lock(mutex);
          outcomes[static_cast<std::size_t>(track)] = std::move(outcome);
          finished.notify_all();
        });
        ++next;
      }
      if (n >= next) {  // cancelled before this track could start
        cancelled = true;
        break;
      }
      std::unique_lock lock(mutex);
      finished.wait(lock, [&] { return outcomes[static_cast<std::size_t>(n)].has_value(); });
      TrackOutcome outcome = std::move(*outcomes[static_cast<std::size_t>(n)]);
      lock.unlock();
      threads[static_cast<std::size_t>(n)].join();
      freeWorkspaces.push_back(workspaceOf[static_cast<std::size_t>(n)]);
      if (outcome.blocks < 0) {
        cancelled = true;
      } else {
        EndTrack(n, outcome);
      }
    }
    if (cancelled) worker_.Cancel();  // the tracks still running stop at their next read
    for (auto& thread : threads) {
      if (thread.joinable()) thread.join();
    }
    return !cancelled;
  }

  void BeginTrack(int n) {
    worker_.SetCurrentTrack(n);
    model_.UpdateRow(n, [](TrackRow& row) {
      row.elapsedText = "00:00";
      row.readErrorText = "0";
      row.statusText = "0%";
    });
    host_.PostDataChanged(View::TrackList, DataChange::Refresh, RowTarget::Row(n));
    const int page = host_.SelectedPage();
    if (page != kPageSpectrum && page != kPageFrequency) host_.SetTrackNumberText(FormatText("%02d", n + 1));
    const int isrc = model_.AddIsrc(model_.RowCopy(n).trackNumber);
    if (isrc >= 0) host_.PostDataChanged(View::IsrcList, DataChange::Refresh, RowTarget::Row(isrc));
    host_.UpdatePageAvailability();
  }

  // Reads and judges one track and stores its display data; runs on whichever thread owns `workspace`.
  TrackOutcome AnalyzeTrack(int n, TrackWorkspace& workspace) {
    TrackOutcome outcome;
    const TrackRow row = model_.RowCopy(n);
    outcome.build.trackNumber = row.trackNumber;
    outcome.build.imageWidth = row.imageWidth;
    workspace.buffers.ClearTrack();
    // The detector's disc likelihoods start afresh for every track, so that after the track they hold exactly the
    // factors this track brings; the job multiplies them into the disc's in track order.
    double unused = 0.0;
    workspace.detector->DiscVerdict(true, unused);

    int reportedFailures = 0;
    CdDrive& drive = workspace.ownDrive ? *workspace.ownDrive : drive_;
    BuildContext context{drive, *workspace.detector, worker_.cancelEvent(), workspace.buffers,
                         [&](const BuildProgress& progress) {
                           worker_.CountReadErrors(progress.failedReads - reportedFailures);
                           reportedFailures = progress.failedReads;
                           model_.UpdateRow(n, [&](TrackRow& r) {
                             r.elapsedText = progress.elapsedText;
                             r.readErrorText = progress.readErrorText;
                             r.statusText = progress.statusText;
                           });
                           host_.PostDataChanged(View::TrackList, DataChange::Refresh, RowTarget::Row(n));
                         }};
    const int skip = model_.skipMode.load();
    outcome.blocks = skip <= 0 ? BuildContinuous(context, outcome.build)
                               : BuildSampled(context, outcome.build, std::min(skip, 7) + 1);
    worker_.CountReadErrors(outcome.build.failedReads - reportedFailures);
    if (outcome.blocks <= 0) return outcome;
    outcome.bandLimit = FindBandLimit(workspace.buffers.profileSum.get(), outcome.build.profileScale,
                                      workspace.buffers.powerSum.get());

    outcome.imageEntry = model_.store.Append(workspace.buffers.image.get(),
                                             static_cast<std::uint32_t>(kImageHeight * outcome.build.imageWidth));
    if (outcome.imageEntry < 0) outcome.storeError = model_.store.Error();
    outcome.profileEntry = model_.store.Append(workspace.buffers.profileSum.get(), kProfileBytes);
    if (outcome.profileEntry < 0 && outcome.storeError.empty()) outcome.storeError = model_.store.Error();
    if (outcome.blocks >= TrackDetector::kMinimumBlocks) {
      outcome.result = workspace.detector->FinishTrack();
      outcome.likelihoods = {workspace.detector->DiscMpegLikelihood(), workspace.detector->DiscCddaLikelihood()};
    }
    return outcome;
  }

  // Once the medium has broken, the track that ends is not judged: what it read after the break is silence put in
  // place of the failed reads. Such a track that gave no data shows the failure too.
  void EndTrack(int n, const TrackOutcome& outcome) {
    const bool broken = !MediumFault().empty();
    if (outcome.blocks == 0) {
      if (broken) {
        model_.UpdateRow(n, [](TrackRow& row) { row.statusText = ReadFailedWord(); });
        host_.PostDataChanged(View::TrackList, DataChange::Refresh, RowTarget::Row(n));
      }
      return;
    }
    const TrackResult* result = outcome.result && !broken ? &*outcome.result : nullptr;
    const std::string status = broken   ? ReadFailedWord()
                               : result ? TrackVerdictWord(result->verdict)
                                        : UndecidedWord();
    model_.UpdateRow(n, [&](TrackRow& row) {
      row.imageEntry = outcome.imageEntry;
      row.profileEntry = outcome.profileEntry;
      row.imageWidth = outcome.build.imageWidth;
      row.imageColumns = outcome.build.columns;
      row.profileScale = outcome.build.profileScale;
      if (!broken) row.bandLimit = outcome.bandLimit;
      row.statusText = status;
    });
    disc_.mpeg *= outcome.likelihoods.mpeg;
    disc_.cdda *= outcome.likelihoods.cdda;
    host_.ConsoleAppend(TrackReportBlock(n, outcome.blocks, result, status));
    if (!outcome.storeError.empty()) ReportStoreFailure(outcome.storeError);
    host_.TrackJudged(n, outcome.blocks, result);

    host_.PostDataChanged(View::TrackList, DataChange::Refresh, RowTarget::Row(n));
    host_.PostDataChanged(View::Spectrum, DataChange::Refresh, RowTarget::All());
    host_.PostDataChanged(View::Frequency, DataChange::Refresh, RowTarget::All());
    host_.UpdatePageAvailability();
    host_.PostDataChanged(View::InfoList, DataChange::Clear, RowTarget::All());
    host_.PostDataChanged(View::InfoList, DataChange::Refresh, RowTarget::All());
  }

  // A disc whose medium broke while it was read gets no verdict: its row shows the failure.
  void FinishDisc() {
    const bool broken = !MediumFault().empty();
    double probability = 0.0;
    const Verdict verdict = JudgeDisc(disc_, probability);
    const std::string word = broken ? ReadFailedWord() : DiscVerdictWord(static_cast<int>(verdict));
    const int rows = model_.RowCount();
    if (rows > 0) {
      const std::int32_t first = drive_.TrackStart(model_.RowCopy(0).trackNumber);
      const std::int32_t last = drive_.TrackEnd(model_.RowCopy(rows - 1).trackNumber);
      const std::string elapsed = SpanText(ClockSeconds() - startTime_);
      const std::string errors = FormatText("%d", worker_.ReadErrorTotal());
      model_.UpdateDiscRow([&](TrackRow& disc) {
        disc.nameText = DiscRowName();
        disc.startMsf = MsfTime::FromSectors(first);
        disc.lengthMsf = MsfTime::FromSectors(last);
        disc.sizeText = TrackSizeText(last - first);
        disc.elapsedText = elapsed;
        disc.readErrorText = errors;
        disc.statusText = word;
      });
    }
    if (!broken) {
      host_.ConsoleAppend(DiscReportLine(word, probability));
      host_.DiscJudged(static_cast<int>(verdict), probability);
    }
    host_.PostDataChanged(View::TrackList, DataChange::Refresh, RowTarget::Disc());
    worker_.SetCurrentTrack(-1);
    host_.SetTrackNumberText("00");
  }

  DiscModel& model_;
  JobHost& host_;
  AnalysisThread& worker_;
  CdDrive& drive_;
  TrackSlots* slots_;
  std::vector<TrackWorkspace> workspaces_;
  DiscLikelihoods disc_;
  std::int64_t startTime_ = 0;
  bool storeFailureShown_ = false;
};

}  // namespace

void RunAnalyzeDiscJob(DiscModel& model, JobHost& host, AnalysisThread& worker, int parallelTracks,
                       TrackSlots* slots) {
  Job(model, host, worker, slots).Run(parallelTracks);
}

}  // namespace ossel
