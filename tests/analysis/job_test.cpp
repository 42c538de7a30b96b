// The analyze-disc job and the commands around it, on virtual discs.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>

#include "analysis/analyze_job.h"
#include "analysis/report.h"
#include "platform/virtual_disc.h"
#include "support/disc_images.h"
#include "tests/analysis/recording_host.h"

namespace ossel {
namespace {

using namespace std::chrono_literals;

// Sectors of a track whose continuous reading gives exactly `blocks` blocks: the last sector is never read, and
// `blocks` × 16384 bytes need this many sectors before it.
int SectorsForBlocks(int blocks) { return (blocks * 16384 + 2351) / 2352 + 1; }

// A virtual disc in a drive table of its own, loaded into a model with a recording host.
struct Bench {
  test::ImageFolder folder;
  DriveTable table;
  DiscModel model{table, folder.path()};
  test::RecordingHost host{model};
  char letter = 0;

  explicit Bench(const std::shared_ptr<VirtualDisc>& disc) { Insert(disc); }
  // Tracks that give these numbers of blocks when read continuously.
  explicit Bench(const std::vector<int>& blocks) {
    std::vector<int> sectors;
    for (int b : blocks) sectors.push_back(SectorsForBlocks(b));
    Insert(test::NoiseDisc(folder, sectors, 7));
  }
  struct Sectors {
    std::vector<int> counts;
  };
  explicit Bench(const Sectors& sectors) { Insert(test::NoiseDisc(folder, sectors.counts, 7)); }

  void Insert(const std::shared_ptr<VirtualDisc>& disc) {
    ASSERT_TRUE(disc);
    letter = table.AddCdDrive(disc->AsDrive());
    model.cdDrive = letter;
    host.driveBoxLetter = letter;
  }

  void Load() {
    ASSERT_TRUE(model.drive.Open(letter));
    ASSERT_TRUE(model.LoadTrackRows());
  }
  // Runs one job to its end on a worker, as the Analyze command queues it.
  void RunJob(int parallelTracks = 1) {
    AnalysisThread worker([&](AnalysisThread& w) { RunAnalyzeDiscJob(model, host, w, parallelTracks); });
    worker.QueueJob();
    worker.WaitIdle();
    currentTrack = worker.currentTrack;
    readErrorTotal = worker.readErrorTotal;
  }
  int currentTrack = 0;
  int readErrorTotal = 0;
};

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(AnalyzeJob, TracksOf300And301BlocksAndTheDiscLine) {
  Bench bench({300, 301});
  bench.Load();
  bench.RunJob();
  const std::string console = bench.host.Console();

  const std::string first =
      "音轨: 01\r\n"
      "------------------------------------------------------------\r\n"
      "经过加工的数据块: 300\r\n"
      "没有足够的数据来分析\r\n"
      "音轨结论: 未知的\r\n\r\n";
  ASSERT_EQ(console.substr(0, first.size()), first);
  const std::string second = console.substr(first.size());
  EXPECT_EQ(second.rfind("音轨: 02\r\n------------------------------------------------------------\r\n"
                         "经过加工的数据块: 301\r\n最大频率: ",
                         0),
            0u);

  const TrackRow row1 = bench.model.RowCopy(0);
  const TrackRow row2 = bench.model.RowCopy(1);
  EXPECT_EQ(row1.statusText, "未知的");
  EXPECT_TRUE(row2.statusText == "CDDA" || row2.statusText == "MPEG" || row2.statusText == "未知的");
  EXPECT_NE(second.find("音轨结论: " + row2.statusText + "\r\n\r\n光盘结论: "), std::string::npos);

  const TrackRow disc = bench.model.DiscRowCopy();
  EXPECT_EQ(disc.nameText, "光盘结论");
  const std::string discLine = "光盘结论: " + disc.statusText + " 的概率为 ";
  EXPECT_EQ(console.find(discLine), console.rfind("光盘结论"));
  EXPECT_EQ(console.substr(console.size() - 4), "\r\n\r\n");
  EXPECT_EQ(disc.startMsf.Text(), "00:00.00");
  const int lastSector = bench.model.drive.TrackEnd(2);
  EXPECT_EQ(disc.lengthMsf.Text(), MsfTime::FromSectors(lastSector).Text());
  EXPECT_EQ(disc.sizeText, TrackSizeText(lastSector));
  EXPECT_EQ(disc.readErrorText, "0");

  // Both tracks stored their image and profile, in order.
  EXPECT_EQ(row1.imageEntry, 0);
  EXPECT_EQ(row1.profileEntry, 1);
  EXPECT_EQ(row2.imageEntry, 2);
  EXPECT_EQ(row2.profileEntry, 3);
  EXPECT_EQ(row1.imageHeight, 1025);
  EXPECT_EQ(row1.imageWidth % 4, 0);
  EXPECT_EQ(row1.frequencyAxis, JobFrequencyAxis());

  EXPECT_EQ(bench.currentTrack, -1);
  const auto calls = bench.host.Calls();
  EXPECT_EQ(calls.back(), "enable-drive-box");
  EXPECT_TRUE(bench.host.Called("track-number 02"));
  EXPECT_EQ(calls[calls.size() - 2], "track-number 00");
  const auto posts = bench.host.Posts();
  ASSERT_FALSE(posts.empty());
  EXPECT_EQ(posts.back().view, View::TrackList);
  EXPECT_EQ(posts.back().lParam, kDiscRow);
}

TEST(AnalyzeJob, SeveralTracksAtOnceGiveTheSameReport) {
  Bench one({301, 320, 310});
  one.Load();
  one.RunJob(1);
  Bench three({301, 320, 310});
  three.Load();
  three.RunJob(3);
  EXPECT_EQ(one.host.Console(), three.host.Console());
  for (int n = 0; n < 3; ++n) EXPECT_EQ(one.model.RowCopy(n).statusText, three.model.RowCopy(n).statusText);
}

TEST(AnalyzeJob, CancelLeavesNoLinesForTheInterruptedTrackAndNoDiscLine) {
  Bench bench({301, 301, 301});
  bench.Load();
  AnalysisThread* running = nullptr;
  bench.host.onPost = [&](View view, int wParam, int lParam) {
    if (view == View::TrackList && wParam == kDataRefresh && lParam == 1) running->Cancel();
  };
  AnalysisThread worker([&](AnalysisThread& w) { RunAnalyzeDiscJob(bench.model, bench.host, w); });
  running = &worker;
  worker.QueueJob();
  worker.WaitIdle();

  const std::string console = bench.host.Console();
  EXPECT_EQ(Count(console, "音轨: "), 1);
  EXPECT_EQ(Count(console, "光盘结论"), 0);
  EXPECT_EQ(worker.currentTrack, 1);
  EXPECT_EQ(bench.model.RowCopy(1).imageEntry, -1);
  EXPECT_TRUE(bench.model.DiscRowCopy().nameText.empty());
  EXPECT_EQ(bench.host.Calls().back(), "enable-drive-box");
}

TEST(AnalyzeJob, ReportsAccumulateOverJobsWhileTheStoreStartsAfresh) {
  Bench bench({301});
  bench.Load();
  bench.RunJob();
  const std::string once = bench.host.Console();
  bench.RunJob();
  EXPECT_EQ(bench.host.Console(), once + once);
  EXPECT_EQ(bench.model.RowCopy(0).imageEntry, 0);
  EXPECT_EQ(bench.model.store.EntryCount(), 2);
}

TEST(AnalyzeJob, FailedReadsAreCountedPerTrackAndForTheDisc) {
  // Sampling with step 2 reads pieces at 0, 14, ... 2800, and the last one runs past the end of the disc: that read
  // fails, and its block is still analysed as silence.
  Bench bench(Bench::Sectors{{2801}});
  bench.Load();
  bench.model.skipMode = 1;
  bench.RunJob();
  const TrackRow row = bench.model.RowCopy(0);
  EXPECT_GE(std::stoi(row.readErrorText), 1);
  EXPECT_EQ(bench.readErrorTotal, std::stoi(row.readErrorText));
  EXPECT_EQ(bench.model.DiscRowCopy().readErrorText, row.readErrorText);
}

// The disc's image changed under the job: the tracks that end after the change and the disc row show the failure,
// not a verdict drawn from the silence that stands in for the failed reads; the disc gets no verdict, and the error
// is shown once. A disc read whole keeps its verdicts.
TEST(AnalyzeJob, AnImageChangedWhileItIsReadFailsTheRowsInsteadOfJudgingThem) {
  const std::vector<int> blocks = {301, 301, 301};
  Bench clean(blocks);
  clean.Load();
  clean.RunJob();
  ASSERT_EQ(clean.model.DiscRowCopy().statusText, "CDDA");

  struct Case {
    const char* name;
    int changeAtPost;  // the change is made at this data-changed notice of row 1 (0: as the track begins)
    std::function<bool(const std::string&)> change;  // none: the disc is read whole
    int firstFailed;   // the rows from this one on show the failure
  };
  const int none = static_cast<int>(blocks.size());
  const std::vector<Case> cases = {
      {"read whole", 0, nullptr, none},
      {"cut short as track 2 begins", 0, [](const std::string& f) { return test::Truncate(f, 1000); }, 1},
      {"overwritten while track 2 is read", 2, [](const std::string& f) { return test::Scribble(f, 0, 64); }, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bench bench(blocks);
    bench.Load();
    int posts = 0;
    bool changed = false;
    bench.host.onPost = [&](View view, int wParam, int lParam) {
      if (c.change && view == View::TrackList && wParam == kDataRefresh && lParam == 1 && posts++ == c.changeAtPost)
        changed = c.change(bench.folder / "disc.bin");
    };
    bench.RunJob();
    EXPECT_EQ(changed, c.change != nullptr);
    const bool failed = c.firstFailed < none;
    for (int n = 0; n < none; ++n) {
      EXPECT_EQ(bench.model.RowCopy(n).statusText, n < c.firstFailed ? clean.model.RowCopy(n).statusText : "读取失败")
          << n;
    }
    EXPECT_EQ(bench.model.DiscRowCopy().statusText, failed ? "读取失败" : "CDDA");
    EXPECT_EQ(bench.model.DiscRowCopy().nameText, "光盘结论");
    EXPECT_EQ(Count(bench.host.Console(), "光盘结论: "), failed ? 0 : 1);
    EXPECT_EQ(bench.host.discVerdicts, failed ? 0 : 1);
    int errors = 0;
    for (const std::string& call : bench.host.Calls()) {
      if (call.rfind("error ", 0) != 0) continue;
      ++errors;
      EXPECT_EQ(call, "error " + (bench.folder / "disc.bin") + ": changed while the disc was read");
    }
    EXPECT_EQ(errors, failed ? 1 : 0);
  }
}

TEST(AnalyzeJob, ANegativeSkipSettingReadsEveryBlock) {
  Bench bench({301});
  bench.Load();
  bench.model.skipMode = -4;
  bench.RunJob();
  EXPECT_NE(bench.host.Console().find("经过加工的数据块: 301\r\n"), std::string::npos);
}

TEST(AnalyzeJob, TheIsrcOfEachTrackIsListedAsItsTrackStarts) {
  test::ImageFolder folder;
  ASSERT_TRUE(test::WriteRaw(folder / "disc.bin", test::Noise(2 * 2200 * test::kFramesPerSector, 9)));
  ASSERT_TRUE(test::WriteText(folder / "disc.cue", "FILE \"disc.bin\" BINARY\n"
                                                   "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                                                   "  TRACK 02 AUDIO\n    ISRC USS1Z9900001\n"
                                                   "    INDEX 01 00:29:25\n"));
  std::string error;
  auto disc = VirtualDisc::FromCueSheet(folder / "disc.cue", error);
  ASSERT_TRUE(disc) << error;
  Bench bench(disc);
  bench.Load();
  bench.RunJob();
  const auto isrc = bench.model.IsrcRowsCopy();
  ASSERT_EQ(isrc.size(), 1u);
  EXPECT_EQ(isrc[0].track, "音频轨道 2");
  EXPECT_EQ(isrc[0].country, "United States");
  EXPECT_EQ(isrc[0].year, "1999");
  int isrcPosts = 0;
  for (const auto& post : bench.host.Posts()) {
    if (post.view == View::IsrcList && post.wParam == kDataRefresh) {
      EXPECT_EQ(post.lParam, 0);
      ++isrcPosts;
    }
  }
  EXPECT_EQ(isrcPosts, 1);
}

TEST(PanelCommands, AnalyzeOnADiscWithoutAudioTracksQueuesNothing) {
  test::ImageFolder folder;
  ASSERT_TRUE(test::WriteRaw(folder / "data.bin", test::Noise(600 * test::kFramesPerSector, 1)));
  ASSERT_TRUE(test::WriteText(folder / "data.cue", "FILE \"data.bin\" BINARY\n  TRACK 01 MODE1/2352\n"
                                                   "    INDEX 01 00:00:00\n"));
  std::string error;
  auto disc = VirtualDisc::FromCueSheet(folder / "data.cue", error);
  ASSERT_TRUE(disc) << error;
  Bench bench(disc);
  PanelController panel(bench.model, bench.host);
  panel.Analyze();
  panel.worker().WaitIdle();
  EXPECT_EQ(bench.model.RowCount(), 0);
  EXPECT_TRUE(bench.host.Called("enable-page 1"));  // the disc was read
  EXPECT_FALSE(bench.host.Called("disable-drive-box"));
  EXPECT_EQ(bench.host.Console(), "");
}

// Holds the job at its first progress notice of the first track until the test lets it go.
struct Gate {
  std::mutex mutex;
  std::condition_variable changed;
  bool reached = false;
  bool open = false;

  void Hold(const ManualResetEvent* orUntil = nullptr) {
    std::unique_lock lock(mutex);
    reached = true;
    changed.notify_all();
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!open && !(orUntil && orUntil->IsSet()) && std::chrono::steady_clock::now() < deadline)
      changed.wait_for(lock, 5ms);
  }
  void WaitReached() {
    std::unique_lock lock(mutex);
    changed.wait_for(lock, 20s, [&] { return reached; });
  }
  void Open() {
    std::lock_guard lock(mutex);
    open = true;
    changed.notify_all();
  }
};

TEST(PanelCommands, AnalyzeWhileAJobRunsIsIgnored) {
  Bench bench({301});
  PanelController panel(bench.model, bench.host);
  Gate gate;
  bench.host.onPost = [&](View view, int wParam, int lParam) {
    if (view == View::TrackList && wParam == kDataRefresh && lParam == 0 && !gate.reached) gate.Hold();
  };
  panel.Analyze();
  gate.WaitReached();
  panel.Analyze();      // finds the job lock held
  panel.ReadNewDisc();  // likewise
  panel.EjectOrLoad();  // likewise
  gate.Open();
  panel.worker().WaitIdle();
  EXPECT_EQ(Count(bench.host.Console(), "光盘结论"), 1);
  EXPECT_EQ(bench.model.RowCount(), 1);
}

TEST(PanelCommands, CancelWithNoJobAndTheNextAnalyzeRunsToTheEnd) {
  Bench bench({301});
  PanelController panel(bench.model, bench.host);
  panel.Cancel();
  EXPECT_TRUE(panel.worker().cancelEvent.IsSet());
  EXPECT_TRUE(bench.host.Called("select-page 0"));
  EXPECT_TRUE(bench.host.Called("enable-drive-box"));
  panel.Analyze();
  panel.worker().WaitIdle();
  EXPECT_EQ(Count(bench.host.Console(), "光盘结论"), 1);
}

TEST(PanelCommands, ClosingDuringAJobWaitsForItToStop) {
  Bench bench({301, 301});
  auto panel = std::make_unique<PanelController>(bench.model, bench.host);
  Gate gate;
  bench.host.onPost = [&](View view, int wParam, int lParam) {
    if (view == View::TrackList && wParam == kDataRefresh && lParam == 0 && !gate.reached)
      gate.Hold(&panel->worker().cancelEvent);
  };
  panel->Analyze();
  gate.WaitReached();
  auto closing = std::async(std::launch::async, [&] { panel->Close(); });
  ASSERT_EQ(closing.wait_for(20s), std::future_status::ready);
  EXPECT_EQ(Count(bench.host.Console(), "光盘结论"), 0);
  panel.reset();
}

TEST(PanelCommands, AJobQueuedJustBeforeClosingStartsNoWork) {
  Bench bench({301});
  PanelController panel(bench.model, bench.host);
  {
    // The window holds the job lock, so the queued job waits for it until the window has closed.
    std::lock_guard window(panel.worker().jobLock);
    panel.Analyze();
    panel.Close();
    bench.host.Forget();
  }
  panel.worker().WaitIdle();
  EXPECT_TRUE(bench.host.Calls().empty());
  EXPECT_TRUE(bench.host.Posts().empty());
  EXPECT_EQ(bench.host.Console(), "");
}

TEST(PanelCommands, ReadNewDiscListsTheAudioTracksAndEjectTogglesTheTray) {
  Bench bench({301, 301});
  PanelController panel(bench.model, bench.host);
  panel.ReadNewDisc();
  ASSERT_EQ(bench.model.RowCount(), 2);
  const TrackRow row = bench.model.RowCopy(1);
  EXPECT_EQ(row.trackNumber, 2);
  EXPECT_EQ(row.nameText, "音频轨道 02");
  EXPECT_EQ(row.startMsf.Text(), MsfTime::FromSectors(SectorsForBlocks(301)).Text());
  EXPECT_FALSE(bench.model.InfoRowsCopy().empty());

  ASSERT_TRUE(bench.model.drive.trayLoaded);
  panel.EjectOrLoad();
  EXPECT_FALSE(bench.model.drive.trayLoaded);
  EXPECT_EQ(bench.model.RowCount(), 0);
  panel.EjectOrLoad();
  EXPECT_TRUE(bench.model.drive.trayLoaded);
  EXPECT_EQ(bench.model.RowCount(), 0);  // a loaded tray is not read until asked
}

TEST(PanelCommands, AnUnopenableDriveSaysSo) {
  Bench bench({301});
  bench.host.driveBoxLetter = 'Q';
  PanelController panel(bench.model, bench.host);
  panel.ReadNewDisc();
  EXPECT_TRUE(bench.host.Called(std::string("error ") + kCantOpenDrive));
  EXPECT_EQ(bench.model.RowCount(), 0);
}

}  // namespace
}  // namespace ossel
