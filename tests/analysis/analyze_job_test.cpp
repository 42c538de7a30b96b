// The analyze-disc job on virtual discs: the report, the rows, the store and what the host is told.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <set>

#include "analysis/analyze_job.h"
#include "analysis/report.h"
#include "platform/virtual_disc.h"
#include "support/disc_images.h"
#include "tests/analysis/disc_bench.h"

namespace ossel {
namespace {

using namespace std::chrono_literals;
using test::Bench;
using test::Count;

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

  // What the pages will show: both tracks have a spectrogram and a profile of their own in the store.
  const std::set<int> entries{row1.imageEntry, row1.profileEntry, row2.imageEntry, row2.profileEntry};
  EXPECT_EQ(entries.size(), 4u);
  EXPECT_GE(*entries.begin(), 0);
  EXPECT_EQ(bench.model.store.EntryCount(), 4);
  EXPECT_EQ(row1.imageHeight, 1025);
  EXPECT_EQ(row1.imageWidth % 4, 0);
  EXPECT_EQ(row1.frequencyAxis, JobFrequencyAxis());

  // What the host is told: the track display counts through the tracks and ends at "00" with the job, the drive
  // box comes back last, and the list's last notice is the disc row's.
  EXPECT_EQ(bench.currentTrack, -1);
  const auto calls = bench.host.Calls();
  EXPECT_EQ(calls.back(), "enable-drive-box");
  std::vector<std::string> trackNumbers;
  for (const std::string& call : calls) {
    if (call.rfind("track-number ", 0) == 0) trackNumbers.push_back(call.substr(13));
  }
  EXPECT_EQ(trackNumbers, (std::vector<std::string>{"01", "02", "00"}));
  const auto posts = bench.host.Posts();
  ASSERT_FALSE(posts.empty());
  EXPECT_EQ(posts.back().view, View::TrackList);
  EXPECT_EQ(posts.back().rows, RowTarget::Disc());
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
  bench.host.onPost = [&](View view, DataChange change, RowTarget rows) {
    if (view == View::TrackList && change == DataChange::Refresh && rows == RowTarget::Row(1)) running->Cancel();
  };
  AnalysisThread worker([&](AnalysisThread& w) { RunAnalyzeDiscJob(bench.model, bench.host, w); });
  running = &worker;
  worker.QueueJob();
  worker.WaitIdle();

  const std::string console = bench.host.Console();
  EXPECT_EQ(Count(console, "音轨: "), 1);
  EXPECT_EQ(Count(console, "光盘结论"), 0);
  EXPECT_EQ(worker.CurrentTrack(), 1);
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
  EXPECT_GE(bench.model.RowCopy(0).imageEntry, 0);
  EXPECT_EQ(bench.model.store.EntryCount(), 2);  // the second job's image and profile only
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
    bench.host.onPost = [&](View view, DataChange change, RowTarget rows) {
      if (c.change && view == View::TrackList && change == DataChange::Refresh && rows == RowTarget::Row(1) && posts++ == c.changeAtPost)
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
    if (post.view == View::IsrcList && post.change == DataChange::Refresh) {
      EXPECT_EQ(post.rows, RowTarget::Row(0));
      ++isrcPosts;
    }
  }
  EXPECT_EQ(isrcPosts, 1);
}

}  // namespace
}  // namespace ossel
