// The window closed, or destroyed outright, while a job is at each kind of point of a disc: the first read, the
// middle of a track, the last read of a track, a read that never answers. It goes within a bounded time, without
// the disc verdict and without an interrupted track's report.
#include <QApplication>
#include <QSettings>
#include <QTest>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "app/commands.h"
#include "views/console.h"
#include "app/main_frame.h"
#include "app/main_panel.h"
#include "platform/win_ioctl.h"
#include "support/disc_images.h"

namespace ossel {
namespace {

using namespace std::chrono_literals;

// Raw read number `at` of the job waits until the job is asked to stop (for at most 20 s), or never answers.
struct CloseProbe {
  int at = 0;
  bool hang = false;
  std::atomic<int> reads{0};
  std::atomic<bool> reached{false};
  std::atomic<const ManualResetEvent*> cancel{nullptr};
};

class ProbedBackend : public DeviceBackend {
 public:
  ProbedBackend(std::unique_ptr<DeviceBackend> inner, CloseProbe& probe) : inner_(std::move(inner)), probe_(probe) {}
  IoStatus Control(const DeviceRequest& request, std::uint32_t& transferred, IoDeadline deadline) override {
    if (request.code == ioctl::kCdromRawRead && probe_.reads++ == probe_.at) {
      probe_.reached = true;
      const auto until = std::chrono::steady_clock::now() + 20s;
      if (probe_.hang) {
        std::this_thread::sleep_until(std::min(deadline, until));
        transferred = 0;
        return IoStatus::TimedOut;
      }
      while (!(probe_.cancel.load() && probe_.cancel.load()->IsSet()) && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(1ms);
    }
    return inner_->Control(request, transferred, deadline);
  }
  std::string Description() const override { return inner_->Description(); }

 private:
  std::unique_ptr<DeviceBackend> inner_;
  CloseProbe& probe_;
};

// Two tracks of 700 sectors: reads 0 to 21 are the first track's, 22 on the second's.
std::shared_ptr<VirtualDisc> TwoTrackDisc(const test::ImageFolder& folder) {
  const test::Samples audio = test::Noise(1400 * test::kFramesPerSector, 3);
  EXPECT_TRUE(test::WriteRaw(folder / "disc.bin", audio));
  EXPECT_TRUE(test::WriteText(folder / "disc.cue", "FILE \"disc.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                                                   "  TRACK 02 AUDIO\n    INDEX 01 00:09:25\n"));
  std::string error;
  auto disc = VirtualDisc::FromCueSheet(folder / "disc.cue", error);
  EXPECT_TRUE(disc) << error;
  return disc;
}

TEST(WindowClosing, DuringAJobAtAnyPointTheWindowGoesWithinBoundedTime) {
  struct Case {
    const char* name;
    int at;
    bool hang;
    bool destroy;  // the frame deleted without a close first
  };
  const std::vector<Case> cases = {
      {"the first read", 0, false, false},
      {"the middle of the first track", 10, false, false},
      {"the last read of the first track", 21, false, false},
      {"the second track, the frame deleted", 25, false, true},
      {"a read that never answers", 5, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QSettings("Velmora", "Analyzer").clear();
    test::ImageFolder folder;
    auto disc = TwoTrackDisc(folder);
    ASSERT_TRUE(disc);
    CloseProbe probe;
    probe.at = c.at;
    probe.hang = c.hang;
    DriveTable table;
    DriveTable::Drive drive = disc->AsDrive();
    drive.open = [&probe, open = drive.open] { return std::make_unique<ProbedBackend>(open(), probe); };
    table.AddCdDrive(drive);
    auto frame = std::make_unique<CMainFrame>(table);
    ASSERT_TRUE(frame->Create());
    frame->show();
    probe.cancel = &frame->panel()->controller().worker().cancelEvent();
    frame->OnCommand(kCmdAnalyze);
    ASSERT_TRUE(QTest::qWaitFor([&] { return probe.reached.load(); }, 30000));

    const auto start = std::chrono::steady_clock::now();
    if (!c.destroy) {
      frame->close();
      // The interrupted first track leaves no report.
      EXPECT_EQ(frame->panel()->console()->toPlainText().toStdString(), "");
    }
    frame.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_EQ(probe.reads.load(), c.at + 1);  // no read after the one in work
  }
}

}  // namespace
}  // namespace ossel
