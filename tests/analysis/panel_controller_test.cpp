// The panel's commands without the window: the job-lock rules, reading and ejecting, opening discs and media
// changes, told to a recording host.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>

#include "analysis/panel_controller.h"
#include "platform/virtual_disc.h"
#include "support/disc_images.h"
#include "tests/analysis/disc_bench.h"

namespace ossel {
namespace {

using namespace std::chrono_literals;
using test::Bench;
using test::Count;
using test::SectorsForBlocks;

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
  bench.host.onPost = [&](View view, DataChange change, RowTarget rows) {
    if (view == View::TrackList && change == DataChange::Refresh && rows == RowTarget::Row(0) && !gate.reached)
      gate.Hold();
  };
  panel.Analyze();
  gate.WaitReached();
  panel.Analyze();      // finds the job lock held
  panel.ReadNewDisc();  // likewise
  panel.EjectOrLoad();  // likewise
  EXPECT_FALSE(panel.OpenDiscs({bench.folder / "disc.cue"}));  // likewise
  gate.Open();
  panel.worker().WaitIdle();
  EXPECT_EQ(Count(bench.host.Console(), "光盘结论"), 1);
  EXPECT_EQ(bench.model.RowCount(), 1);
}

TEST(PanelCommands, CancelWithNoJobAndTheNextAnalyzeRunsToTheEnd) {
  Bench bench({301});
  PanelController panel(bench.model, bench.host);
  panel.Cancel();
  EXPECT_TRUE(panel.worker().CancelRequested());
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
  bench.host.onPost = [&](View view, DataChange change, RowTarget rows) {
    if (view == View::TrackList && change == DataChange::Refresh && rows == RowTarget::Row(0) && !gate.reached)
      gate.Hold(&panel->worker().cancelEvent());
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
    const AnalysisThread::JobLock window = panel.worker().TryJobLock();
    ASSERT_TRUE(window.owns_lock());
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

// Opening discs mounts them under new letters, tells the host the drive list changed with the first new letter
// selected, and reads that disc; a file that makes no disc is said and changes nothing.
TEST(PanelCommands, OpenDiscsMountsReadsAndSelectsTheFirstNewDrive) {
  Bench bench({301});
  PanelController panel(bench.model, bench.host);
  ASSERT_TRUE(test::WriteSound(bench.folder / "one.wav", test::Tone(588 * 100, 440)));
  ASSERT_TRUE(test::WriteSound(bench.folder / "two.wav", test::Tone(588 * 200, 440)));
  ASSERT_TRUE(panel.OpenDiscs({bench.folder / "one.wav", bench.folder / "two.wav"}));
  const char mounted = bench.model.cdDrive;
  EXPECT_NE(mounted, bench.letter);
  EXPECT_TRUE(bench.host.Called(std::string("drives-changed ") + mounted));
  EXPECT_NE(bench.model.drive.driveLetters.find(mounted), std::string::npos);
  EXPECT_EQ(bench.model.RowCount(), 2);  // one disc of two tracks
  EXPECT_TRUE(bench.host.Called("enable-page 1"));

  bench.host.Forget();
  ASSERT_TRUE(test::WriteText(bench.folder / "broken.cue", "FILE \"missing.wav\" WAVE\n  TRACK 01 AUDIO\n"
                                                           "    INDEX 01 00:00:00\n"));
  EXPECT_FALSE(panel.OpenDiscs({bench.folder / "broken.cue"}));
  EXPECT_FALSE(panel.OpenDiscs({}));
  const auto calls = bench.host.Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].rfind("error ", 0), 0u);
  EXPECT_NE(calls[0].find("missing.wav"), std::string::npos);
  EXPECT_EQ(bench.model.cdDrive, mounted);
  EXPECT_EQ(bench.model.RowCount(), 2);
}

// A disc going out of the selected drive empties its rows at once; one coming in is read only when the host's
// timer fires, a second later; other drives' changes, and a timer firing after the controller has gone, do
// nothing.
TEST(PanelCommands, MediaChangesResetAtOnceAndReadAnArrivedDiscOnTheHostsTimer) {
  Bench bench({301, 301});
  auto panel = std::make_unique<PanelController>(bench.model, bench.host);
  panel->ReadNewDisc();
  ASSERT_EQ(bench.model.RowCount(), 2);

  panel->MediaChanged({'Q', false});
  panel->MediaChanged({'Q', true});
  EXPECT_EQ(bench.model.RowCount(), 2);
  panel->MediaChanged({bench.letter, false});
  EXPECT_EQ(bench.model.RowCount(), 0);

  bench.host.Forget();
  panel->MediaChanged({bench.letter, true});
  EXPECT_TRUE(bench.host.Called("run-later 1000 ms"));
  EXPECT_EQ(bench.model.RowCount(), 0);
  bench.host.RunPending();
  bench.host.RunPending();  // the Q arrival's work: not the selected drive
  EXPECT_EQ(bench.model.RowCount(), 2);

  panel->MediaChanged({bench.letter, true});
  panel.reset();
  bench.host.RunPending();
  EXPECT_EQ(bench.model.RowCount(), 0);
}

}  // namespace
}  // namespace ossel
