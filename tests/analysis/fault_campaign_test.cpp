// The analyze-disc job against a drive that misbehaves: reads that fail at random or always, reads that come back
// short, requests that never answer, the disc taken out in the middle, Cancel and closing at every point of a short
// disc, and a display store that cannot be written. Whatever happens, the job ends, gives the job lock back, unlocks
// the tray, hands the drive box back, counts every failed read exactly once, and reports no interrupted track.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <numeric>
#include <thread>

#include "analysis/analyze_job.h"
#include "analysis/panel_controller.h"
#include "platform/script_backend.h"
#include "platform/virtual_disc.h"
#include "platform/win_ioctl.h"
#include "support/disc_images.h"
#include "tests/analysis/recording_host.h"

namespace ossel {
namespace {

using namespace std::chrono_literals;

// A job that does not end within this time has hung: the test program stops rather than hold up the run.
constexpr auto kJobBound = 60s;

template <class Future>
void EndsOrDie(Future& future, const char* what) {
  if (future.wait_for(kJobBound) == std::future_status::ready) return;
  std::fprintf(stderr, "FATAL: %s did not end within %lld s\n", what,
               static_cast<long long>(std::chrono::duration_cast<std::chrono::seconds>(kJobBound).count()));
  std::fflush(stderr);
  std::_Exit(3);
}

enum class Fault { None, Fail, Short, Hang };

// A raw read as the drive saw it: its number in the job (from 0), its first sector and its length.
struct Read {
  int index;
  std::int32_t lba;
  int count;
};

// A virtual disc answered through the scriptable device. Every request goes to the disc, except that a fault rule
// may fail a raw read, cut it one sector short or leave it unanswered; a taken-out disc fails every request.
class FaultyDrive {
 public:
  using Rule = std::function<Fault(const Read&)>;

  explicit FaultyDrive(std::shared_ptr<VirtualDisc> disc) : disc_(std::move(disc)), inner_(disc_->OpenBackend()) {
    for (const VirtualTrack& track : disc_->Tracks()) starts_.push_back(track.startLba);
    injected_ = std::vector<int>(starts_.size(), 0);
    device_->SetHandler([this](const DeviceRequest& request) { return Answer(request); });
  }

  DriveTable::Drive AsDrive() { return device_->AsDrive("faulty"); }
  ScriptDevice& device() { return *device_; }

  void SetRule(Rule rule) {
    std::lock_guard lock(mutex_);
    rule_ = std::move(rule);
  }
  void TakeOut() { removed_ = true; }
  void HangEverything() { hangAll_ = true; }
  // Faults given to raw reads of each track (by the track that holds the read's first sector).
  std::vector<int> Injected() const {
    std::lock_guard lock(mutex_);
    return injected_;
  }

 private:
  ScriptDevice::Answer Answer(const DeviceRequest& request) {
    ScriptDevice::Answer answer;
    if (hangAll_) {
      answer.hang = true;
      return answer;
    }
    Fault fault = Fault::None;
    if (request.code == ioctl::kCdromRawRead && request.inputBytes >= sizeof(ioctl::RawReadInfo)) {
      ioctl::RawReadInfo info{};
      std::memcpy(&info, request.input, sizeof info);
      const Read read{reads_++, static_cast<std::int32_t>(info.diskOffset / 2048),
                      static_cast<int>(info.sectorCount)};
      std::lock_guard lock(mutex_);
      if (rule_) fault = rule_(read);
      if (removed_ && fault == Fault::None) fault = Fault::Fail;
      if (fault != Fault::None) {
        const auto at = std::upper_bound(starts_.begin(), starts_.end(), read.lba) - starts_.begin() - 1;
        ++injected_[static_cast<std::size_t>(std::max<std::ptrdiff_t>(at, 0))];
      }
    } else if (removed_) {
      fault = Fault::Fail;
    }
    if (fault == Fault::Fail) {
      answer.status = IoStatus::Failed;
      return answer;
    }
    if (fault == Fault::Hang) {
      answer.hang = true;
      return answer;
    }
    answer.output.resize(request.outputBytes);
    DeviceRequest forwarded = request;
    forwarded.output = answer.output.data();
    std::uint32_t transferred = 0;
    {
      std::lock_guard lock(innerMutex_);  // the disc's backend serves one request at a time
      answer.status = inner_->Control(forwarded, transferred, std::chrono::steady_clock::now() + 10s);
    }
    answer.transferred = transferred;
    if (fault == Fault::Short && transferred >= 2352) answer.transferred = transferred - 2352;
    return answer;
  }

  std::shared_ptr<VirtualDisc> disc_;
  std::shared_ptr<ScriptDevice> device_ = ScriptDevice::Create();
  std::mutex innerMutex_;
  std::unique_ptr<DeviceBackend> inner_;
  mutable std::mutex mutex_;
  Rule rule_;
  std::vector<std::int32_t> starts_;
  std::vector<int> injected_;
  std::atomic<int> reads_{0};
  std::atomic<bool> removed_{false};
  std::atomic<bool> hangAll_{false};
};

// A recording host that also keeps where each report block ends and which tracks were judged.
class CampaignHost : public test::RecordingHost {
 public:
  void ConsoleAppend(const std::string& text) override {
    RecordingHost::ConsoleAppend(text);
    const std::size_t size = Console().size();
    std::lock_guard lock(mutex_);
    consoleEnds_.push_back(size);
  }
  void TrackJudged(int rowIndex, int, const TrackResult*) override {
    std::lock_guard lock(mutex_);
    judged_.push_back(rowIndex);
  }
  void DiscJudged(int, double) override { discJudged_ = true; }

  std::vector<int> Judged() const {
    std::lock_guard lock(mutex_);
    return judged_;
  }
  // The console's length after each report block and after the disc line.
  std::vector<std::size_t> ConsoleEnds() const {
    std::lock_guard lock(mutex_);
    return consoleEnds_;
  }
  bool discJudged() const { return discJudged_; }

 private:
  mutable std::mutex mutex_;
  std::vector<int> judged_;
  std::vector<std::size_t> consoleEnds_;
  std::atomic<bool> discJudged_{false};
};

// A faulty drive in a drive table of its own, loaded into a model.
struct Rig {
  test::ImageFolder folder;
  std::shared_ptr<VirtualDisc> disc;
  std::unique_ptr<FaultyDrive> faulty;
  DriveTable table;
  std::unique_ptr<DiscModel> model;
  std::unique_ptr<CampaignHost> host;
  char letter = 0;

  explicit Rig(const std::vector<int>& trackSectors, const std::string& storeFolder = {}) {
    disc = test::NoiseDisc(folder, trackSectors, 31);
    faulty = std::make_unique<FaultyDrive>(disc);
    letter = table.AddCdDrive(faulty->AsDrive());
    model = std::make_unique<DiscModel>(table, storeFolder.empty() ? folder.path() : storeFolder);
    host = std::make_unique<CampaignHost>();
    model->cdDrive = letter;
    host->driveBoxLetter = letter;
    EXPECT_TRUE(model->drive.Open(letter));
    EXPECT_TRUE(model->LoadTrackRows());
  }

  // Runs one job on a worker of its own; `onWorker` is given the worker before the job is queued.
  void RunJob(int parallelTracks = 1, const std::function<void(AnalysisThread&)>& onWorker = {}) {
    faulty->device().ClearCalls();
    std::promise<void> ended;
    auto future = ended.get_future();
    AnalysisThread worker([&](AnalysisThread& w) {
      RunAnalyzeDiscJob(*model, *host, w, parallelTracks);
      ended.set_value();
    });
    if (onWorker) onWorker(worker);
    worker.QueueJob();
    EndsOrDie(future, "the job");
    readErrorTotal = worker.ReadErrorTotal();
    currentTrack = worker.CurrentTrack();
    jobLockFree = worker.TryJobLock().owns_lock();
  }

  // What every job leaves behind, however it ended.
  void ExpectCleanEnd() const {
    EXPECT_TRUE(jobLockFree);
    const auto calls = host->Calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), "enable-drive-box");
    std::vector<std::uint8_t> lastRemoval;
    for (const auto& call : faulty->device().Calls())
      if (call.code == ioctl::kStorageMediaRemoval) lastRemoval = call.input;
    EXPECT_EQ(lastRemoval, std::vector<std::uint8_t>{0}) << "the tray stays locked";
  }

  // Failed reads shown per track, in the total and on the disc row, against those the drive was made to give.
  void ExpectExactErrorCounts(bool finished) const {
    const std::vector<int> injected = faulty->Injected();
    int total = 0;
    for (int n = 0; n < model->RowCount(); ++n) {
      const std::string shown = model->RowCopy(n).readErrorText;  // empty for a track the job never began
      EXPECT_EQ(shown.empty() ? "0" : shown, std::to_string(injected[static_cast<std::size_t>(n)])) << n;
      total += injected[static_cast<std::size_t>(n)];
    }
    EXPECT_EQ(readErrorTotal, total);
    if (finished) {
      EXPECT_EQ(model->DiscRowCopy().readErrorText, std::to_string(total));
    }
  }

  int readErrorTotal = -1;
  int currentTrack = -2;
  bool jobLockFree = false;
};

// A fixed pseudo-random choice per read, the same on every run and on any thread.
bool Chosen(const Read& read, int perMille) {
  std::uint32_t h = static_cast<std::uint32_t>(read.lba) * 2654435761u ^ 0x9e3779b9u;
  h ^= h >> 15;
  h *= 2246822519u;
  h ^= h >> 13;
  return static_cast<int>(h % 1000) < perMille;
}

// Tracks of 2098 sectors give 301 blocks read continuously: enough to be judged.
constexpr int kJudgedTrack = 2098;

TEST(FaultCampaign, ReadFaultsAreCountedExactlyAndEveryTrackIsStillReported) {
  struct DriveCase {
    const char* name;
    int parallelTracks;
    int skipMode;
    FaultyDrive::Rule rule;
    int minimumFaults;  // the rule must have hit at least this many reads
    std::vector<int> judged = {0, 1, 2};
  };
  const std::vector<DriveCase> cases = {
      {"1% fail", 1, 0, [](const Read& r) { return Chosen(r, 10) ? Fault::Fail : Fault::None; }, 1},
      {"10% fail, 3 tracks at once", 3, 0, [](const Read& r) { return Chosen(r, 100) ? Fault::Fail : Fault::None; },
       10},
      {"10% short, sampled", 1, 1, [](const Read& r) { return Chosen(r, 100) ? Fault::Short : Fault::None; }, 10},
      // Silence counts no blocks: such a track has no report block, as a track that gave nothing.
      {"every read fails", 1, 0, [](const Read&) { return Fault::Fail; }, 190, {}},
      {"every read fails, sampled, 2 at once", 2, 3, [](const Read&) { return Fault::Fail; }, 100, {}},
      {"two reads never answer", 1, 0,
       [](const Read& r) { return r.index == 3 || r.index == 100 ? Fault::Hang : Fault::None; }, 2},
  };
  for (const DriveCase& c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig({kJudgedTrack, kJudgedTrack, kJudgedTrack});
    rig.model->skipMode = c.skipMode;
    rig.faulty->SetRule(c.rule);
    rig.RunJob(c.parallelTracks);
    rig.ExpectCleanEnd();
    rig.ExpectExactErrorCounts(true);
    const auto injected = rig.faulty->Injected();
    EXPECT_GE(std::accumulate(injected.begin(), injected.end(), 0), c.minimumFaults);
    EXPECT_EQ(rig.host->Judged(), c.judged);
    EXPECT_TRUE(rig.host->discJudged());
    EXPECT_EQ(rig.currentTrack, -1);
  }
}

TEST(FaultCampaign, TheDiscTakenOutMidJobFailsTheRestOfItsReads) {
  for (int parallel : {1, 2}) {
    SCOPED_TRACE(parallel);
    Rig rig({kJudgedTrack, kJudgedTrack});
    FaultyDrive* drive = rig.faulty.get();
    rig.faulty->SetRule([drive](const Read& r) {
      if (r.index == 40) drive->TakeOut();
      return Fault::None;
    });
    rig.RunJob(parallel);
    rig.ExpectCleanEnd();
    rig.ExpectExactErrorCounts(true);
    EXPECT_GT(rig.readErrorTotal, 40);
    // Read one after the other, the second track read nothing but silence.
    if (parallel == 1) {
      EXPECT_EQ(rig.host->Judged(), (std::vector<int>{0}));
    }
    EXPECT_TRUE(rig.host->discJudged());
  }
}

TEST(FaultCampaign, ADriveThatAnswersNothingStillEndsTheJob) {
  Rig rig({20});
  rig.model->drive.timeoutSeconds = 1;  // every request but the reads waits this long
  rig.faulty->HangEverything();
  rig.RunJob();
  rig.ExpectCleanEnd();
  EXPECT_EQ(rig.readErrorTotal, 1);  // one read of 19 sectors: the last sector is never read
  EXPECT_EQ(rig.model->RowCopy(0).readErrorText, "1");
  EXPECT_TRUE(rig.model->IsrcRowsCopy().empty());
}

// Cancel just before each sector of a short disc is read, with one reader and with two: the job stops, the report
// holds only whole track blocks of the uninterrupted report, and the cancelled track keeps nothing.
TEST(FaultCampaign, CancelBeforeEverySectorOfAShortDisc) {
  const std::vector<int> sectors = {40, 33};
  const int total = sectors[0] + sectors[1];
  Rig reference(sectors);
  reference.RunJob();
  const std::string full = reference.host->Console();
  // Where the uninterrupted report can be cut: before it, and after each track block.
  std::vector<std::size_t> blockEnds = reference.host->ConsoleEnds();
  ASSERT_EQ(blockEnds.size(), 3u);
  blockEnds.insert(blockEnds.begin(), 0);
  blockEnds.pop_back();

  for (int parallel : {1, 2}) {
    for (int cancelAt = 0; cancelAt <= total; ++cancelAt) {
      SCOPED_TRACE(testing::Message() << "parallel " << parallel << ", cancel before sector " << cancelAt);
      Rig rig(sectors);
      std::atomic<AnalysisThread*> running{nullptr};
      rig.faulty->SetRule([&](const Read& r) {
        if (cancelAt >= r.lba && cancelAt < r.lba + r.count) running.load()->Cancel();
        return Fault::None;
      });
      rig.RunJob(parallel, [&](AnalysisThread& worker) { running = &worker; });
      rig.ExpectCleanEnd();
      rig.ExpectExactErrorCounts(false);
      const std::string console = rig.host->Console();
      // Sectors never read: the last of each track, and none past the disc.
      const bool read = cancelAt < total && cancelAt != sectors[0] - 1 && cancelAt != total - 1;
      if (!read) {
        EXPECT_EQ(console, full);
        continue;
      }
      const int track = cancelAt < sectors[0] ? 0 : 1;
      EXPECT_FALSE(rig.host->discJudged());
      EXPECT_NE(std::find(blockEnds.begin(), blockEnds.end(), console.size()), blockEnds.end());
      EXPECT_EQ(console, full.substr(0, console.size()));
      EXPECT_LE(console.size(), blockEnds[static_cast<std::size_t>(track)]);
      EXPECT_EQ(rig.model->RowCopy(track).imageEntry, -1);
      EXPECT_TRUE(rig.model->DiscRowCopy().statusText.empty());
      const auto judged = rig.host->Judged();
      EXPECT_EQ(std::find(judged.begin(), judged.end(), track), judged.end());
      if (parallel == 1) {
        EXPECT_EQ(rig.currentTrack, track);
      }
    }
  }
}

// The panel closing while a read of the job is under way, at each read of a short disc (32 + 7 sectors, then 32):
// closing returns once the job has stopped, and the tray is unlocked.
TEST(FaultCampaign, ClosingAtEveryReadOfAShortDisc) {
  for (int closeAt = 0; closeAt < 3; ++closeAt) {
    SCOPED_TRACE(closeAt);
    Rig rig({40, 33});
    auto panel = std::make_unique<PanelController>(*rig.model, *rig.host);
    std::promise<void> reached;
    std::atomic<bool> once{false};
    rig.faulty->SetRule([&](const Read& r) {
      if (r.index == closeAt && !once.exchange(true)) {
        reached.set_value();
        // The read goes on until closing has asked the job to stop.
        const auto until = std::chrono::steady_clock::now() + 20s;
        while (!panel->worker().CancelRequested() && std::chrono::steady_clock::now() < until)
          std::this_thread::sleep_for(1ms);
      }
      return Fault::None;
    });
    panel->Analyze();
    ASSERT_GT(rig.model->RowCount(), 0);
    auto atRead = reached.get_future();

    EndsOrDie(atRead, "the read to close at");
    auto closing = std::async(std::launch::async, [&] { panel->Close(); });
    EndsOrDie(closing, "closing");
    EXPECT_FALSE(rig.host->discJudged());
    std::vector<std::uint8_t> lastRemoval;
    for (const auto& call : rig.faulty->device().Calls())
      if (call.code == ioctl::kStorageMediaRemoval) lastRemoval = call.input;
    EXPECT_EQ(lastRemoval, std::vector<std::uint8_t>{0});
    auto gone = std::async(std::launch::async, [&] { panel.reset(); });
    EndsOrDie(gone, "the panel's end");
  }
}

// Writes to files of this process fail past `bytes` (EFBIG, as a full volume fails them with ENOSPC) while the
// object lives.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit limit = previous_;
    limit.rlim_cur = bytes;
    ok_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previousHandler_);
  }
  bool ok() const { return ok_; }

 private:
  rlimit previous_{};
  void (*previousHandler_)(int) = nullptr;
  bool ok_ = false;
};

// The display store full from the start or full after one image: the job ends as always, the report is whole, a
// track whose pictures could not be stored has no entries for the views to read, and the failure is shown once with
// the system's reason. A store that could not be made at all is an error of the disc: nothing is analysed.
TEST(FaultCampaign, ADisplayStoreThatCannotBeWrittenIsAnErrorThatLosesOnlyThePictures) {
  Rig reference({kJudgedTrack, 700});
  reference.RunJob();
  const std::string full = reference.host->Console();
  // The first profile goes right after the first image: a file that may not grow past there holds that image only.
  const auto profile = reference.model->store.EntryAt(reference.model->RowCopy(0).profileEntry);
  ASSERT_TRUE(profile);

  struct StoreCase {
    const char* name;
    bool missingFolder;
    rlim_t limit;  // RLIM_INFINITY: no limit
    int storedEntries;
    const char* reason;
  };
  const std::vector<StoreCase> cases = {
      {"no space at all", false, 0, 0, "File too large"},
      {"room for the first image only", false, profile->offset, 1, "File too large"},
      {"the store's folder is gone", true, RLIM_INFINITY, 0, "No such file or directory"},
  };
  for (const StoreCase& c : cases) {
    SCOPED_TRACE(c.name);
    test::ImageFolder storeFolder;
    const std::string folder = c.missingFolder ? storeFolder / "gone" : storeFolder.path();
    Rig rig({kJudgedTrack, 700}, folder);
    EXPECT_EQ(rig.model->store.IsOpen(), !c.missingFolder);
    {
      FileSizeLimit limit(c.limit);
      ASSERT_TRUE(limit.ok());
      rig.RunJob();
    }
    rig.ExpectCleanEnd();
    const auto calls = rig.host->Calls();
    const auto errors = std::count_if(calls.begin(), calls.end(),
                                      [](const std::string& call) { return call.rfind("error ", 0) == 0; });
    EXPECT_EQ(errors, 1);
    EXPECT_TRUE(rig.host->Called("error can't store the display data in " + folder + ": " + c.reason));
    EXPECT_EQ(rig.model->store.EntryCount(), c.storedEntries);
    EXPECT_EQ(rig.host->Console(), c.missingFolder ? "" : full);
    EXPECT_EQ(rig.host->discJudged(), !c.missingFolder);
    for (int n = 0; n < 2; ++n) {
      const TrackRow row = rig.model->RowCopy(n);
      const int stored = (row.imageEntry >= 0) + (row.profileEntry >= 0);
      EXPECT_EQ(stored, std::max(0, std::min(2, c.storedEntries - 2 * n))) << n;
      EXPECT_EQ(row.statusText, c.missingFolder ? "" : reference.model->RowCopy(n).statusText);
    }
  }
}

}  // namespace
}  // namespace ossel
