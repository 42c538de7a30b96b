// The window as a user drives it: keys, commands while a job runs, settings, the console, the about and help pages,
// media notices, and one whole analysis compared with the command line's.
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QMimeData>
#include <QSettings>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "views/about_dialog.h"
#include "views/console.h"
#include "app/main_frame.h"
#include "app/main_panel.h"
#include "platform/win_ioctl.h"
#include "support/disc_images.h"
#include "support/process.h"
#include "views/ext_tab_ctrl.h"
#include "views/flat_combo_box.h"
#include "views/help_dialog.h"
#include "views/indicators.h"
#include "views/list_views.h"

namespace ossel {
namespace {

using namespace std::chrono_literals;

// Raw reads wait while the gate is shut, so a test can hold a job in the middle of a track.
class ReadGate {
 public:
  void Shut() {
    std::lock_guard lock(mutex_);
    open_ = false;
    waiting_ = 0;
  }
  void Open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }
  void Pass() {
    std::unique_lock lock(mutex_);
    ++waiting_;
    changed_.notify_all();
    changed_.wait(lock, [this] { return open_; });
  }
  // Serves the window until a reader waits at the gate.
  bool WaitForReader() {
    return QTest::qWaitFor([this] {
      std::lock_guard lock(mutex_);
      return waiting_ > 0;
    }, 20000);
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = true;
  int waiting_ = 0;
};

class GatedBackend : public DeviceBackend {
 public:
  GatedBackend(std::unique_ptr<DeviceBackend> inner, ReadGate& gate) : inner_(std::move(inner)), gate_(gate) {}
  IoStatus Control(const DeviceRequest& request, std::uint32_t& transferred, IoDeadline deadline) override {
    if (request.code == ioctl::kCdromRawRead) gate_.Pass();
    return inner_->Control(request, transferred, deadline);
  }
  std::string Description() const override { return inner_->Description(); }

 private:
  std::unique_ptr<DeviceBackend> inner_;
  ReadGate& gate_;
};

// A disc of noise tracks in one BINARY file; each track of 2200 sectors gives enough blocks to be judged.
std::string WriteNoiseDisc(const test::ImageFolder& folder, int tracks) {
  constexpr int kSectors = 2200;
  test::Samples all;
  std::string cue = "FILE \"disc.bin\" BINARY\n";
  for (int i = 0; i < tracks; ++i) {
    const test::Samples track = test::Noise(std::int64_t{kSectors} * test::kFramesPerSector, 11 + i);
    all.insert(all.end(), track.begin(), track.end());
    const int start = i * kSectors;
    char index[64];
    std::snprintf(index, sizeof index, "  TRACK %02d AUDIO\n    INDEX 01 %02d:%02d:%02d\n", i + 1, start / 4500,
                  start / 75 % 60, start % 75);
    cue += index;
  }
  EXPECT_TRUE(test::WriteRaw(folder / "disc.bin", all));
  EXPECT_TRUE(test::WriteText(folder / "disc.cue", cue));
  return folder / "disc.cue";
}

// The program's window on a virtual disc of its own (at D:), with the given stored settings.
struct Window {
  test::ImageFolder folder;
  DriveTable table;
  std::string cue;
  std::shared_ptr<VirtualDisc> disc;
  ReadGate gate;
  char letter = 0;
  std::vector<QString> messages;
  std::unique_ptr<CMainFrame> frame;
  bool jobFinished = false;

  explicit Window(const std::vector<std::pair<QString, QVariant>>& settings = {}, int tracks = 2) {
    {
      QSettings stored("Velmora", "Analyzer");
      stored.clear();
      for (const auto& [name, value] : settings) stored.setValue(name, value);
    }
    cue = WriteNoiseDisc(folder, tracks);
    std::string error;
    disc = VirtualDisc::FromCueSheet(cue, error);
    EXPECT_TRUE(disc) << error;
    DriveTable::Drive drive = disc->AsDrive();
    drive.open = [this, open = drive.open] { return std::make_unique<GatedBackend>(open(), gate); };
    letter = table.AddCdDrive(drive);
    MainPanel::messageSink = [this](const QString& text) { messages.push_back(text); };
    frame = std::make_unique<CMainFrame>(table);
    EXPECT_TRUE(frame->Create());
    QObject::connect(panel(), &MainPanel::jobFinished, [this] { jobFinished = true; });
    frame->show();
    EXPECT_TRUE(QTest::qWaitForWindowActive(frame.get()));
  }
  ~Window() {
    gate.Open();
    frame.reset();
    MainPanel::messageSink = nullptr;
  }

  MainPanel* panel() const { return frame->panel(); }
  int Page() const { return panel()->tabs()->CurrentSelection(); }
  int Rows() const { return panel()->model().RowCount(); }
  // A key pressed on whatever has the focus, as the keyboard sends it.
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : frame.get();
    QTest::keyClick(target, key, modifiers);
  }
  bool WaitForJob() {
    const bool ended = QTest::qWaitFor([this] { return jobFinished; }, 60000);
    jobFinished = false;
    return ended;
  }
  std::string ConsoleText() const { return panel()->console()->toPlainText().toStdString(); }
};

int Count(const std::string& text, const std::string& part) {
  int n = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST(Window, KeysSelectPagesAndDisabledPagesRefuse) {
  Window w;
  EXPECT_EQ(w.panel()->tabs()->TabCount(), 7);  // no console page unless the setting asks for it
  w.Key(Qt::Key_C, Qt::AltModifier);           // no disc read yet: the CD information page is disabled
  EXPECT_EQ(w.Page(), kPageTracks);
  const std::vector<std::pair<Qt::Key, Qt::KeyboardModifiers>> helpKeys = {
      {Qt::Key_H, Qt::AltModifier}, {Qt::Key_F1, Qt::NoModifier}, {Qt::Key_Semicolon, Qt::NoModifier}};
  for (const auto& [key, modifiers] : helpKeys) {
    w.Key(Qt::Key_T, Qt::AltModifier);
    w.Key(key, modifiers);
    EXPECT_EQ(w.Page(), kPageHelp) << key;
  }
  w.Key(Qt::Key_A, Qt::AltModifier);
  EXPECT_EQ(w.Page(), kPageAbout);
  w.Key(Qt::Key_O, Qt::AltModifier);
  EXPECT_EQ(w.Page(), kPageAbout);
  w.Key(Qt::Key_T, Qt::AltModifier);
  w.Key(Qt::Key_R, Qt::ControlModifier);
  EXPECT_EQ(w.Rows(), 2);
  w.Key(Qt::Key_C, Qt::AltModifier);
  EXPECT_EQ(w.Page(), kPageCdInfo);
  w.Key(Qt::Key_S, Qt::AltModifier);  // nothing analysed yet
  EXPECT_EQ(w.Page(), kPageCdInfo);
  EXPECT_TRUE(w.messages.empty());
}

TEST(Window, EnterAnalysesTheDiscLikeTheCommandLine) {
  Window w;
  w.Key(Qt::Key_Return);
  ASSERT_TRUE(w.WaitForJob());
  QTest::qWait(50);  // the job's last queued calls
  const test::ProcessResult cli = test::RunOssel({"analyze", "--jobs", "1", w.cue});
  ASSERT_EQ(cli.exitStatus, 0) << cli.err;
  EXPECT_EQ(w.ConsoleText(), cli.out);
  EXPECT_EQ(Count(w.ConsoleText(), "光盘结论"), 1);
  for (const TrackRow& row : w.panel()->model().RowsCopy()) EXPECT_EQ(row.statusText, "CDDA") << row.nameText;
  EXPECT_FALSE(w.panel()->model().DiscRowCopy().statusText.empty());
  EXPECT_TRUE(w.panel()->PageEnabled(kPageSpectrum));
  EXPECT_TRUE(w.panel()->PageEnabled(kPageFrequency));
  EXPECT_FALSE(w.panel()->PageEnabled(kPageIsrc));  // the disc has no ISRC codes
  EXPECT_TRUE(w.panel()->driveBox()->isEnabled());
  EXPECT_EQ(w.panel()->trackNumber()->text(), "00");
  w.Key(Qt::Key_Return);  // a second analysis adds its report after the first
  ASSERT_TRUE(w.WaitForJob());
  QTest::qWait(50);
  EXPECT_EQ(w.ConsoleText(), cli.out + cli.out);
}

// The disc's image cut short as its first track is read: the list shows the failure on the track and disc rows, not
// a verdict, the message names the file once, and the console has no disc verdict.
TEST(Window, AnImageCutShortWhileItIsReadShowsTheFailureNotAVerdict) {
  Window w;
  w.gate.Shut();
  w.Key(Qt::Key_Return);
  ASSERT_TRUE(w.gate.WaitForReader());
  ASSERT_TRUE(test::Truncate(w.folder / "disc.bin", 1000));
  w.gate.Open();
  ASSERT_TRUE(w.WaitForJob());
  QTest::qWait(50);  // the job's last queued calls
  const TrackListView* list = w.panel()->trackList();
  ASSERT_EQ(list->ItemCount(), w.Rows() + 1);
  for (int item = 0; item < list->ItemCount(); ++item)
    EXPECT_EQ(list->ItemText(item, 6), QStringLiteral("读取失败")) << item;
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_EQ(w.messages[0], QString::fromStdString(w.folder / "disc.bin") + ": changed while the disc was read");
  EXPECT_EQ(Count(w.ConsoleText(), "光盘结论"), 0);
}

TEST(Window, WhileAJobRunsOnlyCancelActsAndEscCancels) {
  Window w;
  w.gate.Shut();
  w.Key(Qt::Key_Return);
  ASSERT_TRUE(w.gate.WaitForReader());
  EXPECT_FALSE(w.panel()->driveBox()->isEnabled());
  EXPECT_EQ(w.Page(), kPageTracks);
  w.Key(Qt::Key_Return);                  // a second analysis
  w.Key(Qt::Key_R, Qt::ControlModifier);  // read new disc
  w.Key(Qt::Key_Space);                   // eject
  EXPECT_TRUE(w.disc->loaded());
  EXPECT_EQ(w.Rows(), 2);
  w.Key(Qt::Key_Escape);
  EXPECT_TRUE(w.panel()->controller().worker().CancelRequested());
  EXPECT_TRUE(w.panel()->driveBox()->isEnabled());
  w.gate.Open();
  ASSERT_TRUE(w.WaitForJob());
  QTest::qWait(50);
  EXPECT_EQ(Count(w.ConsoleText(), "光盘结论"), 0);
  EXPECT_EQ(Count(w.ConsoleText(), "音频轨道"), 0);  // the interrupted track has no report
}

TEST(Window, SpaceEjectsAndLoadsWithoutReadingTheDisc) {
  Window w;
  w.Key(Qt::Key_R, Qt::ControlModifier);
  ASSERT_EQ(w.Rows(), 2);
  w.Key(Qt::Key_Space);
  EXPECT_FALSE(w.disc->loaded());
  EXPECT_EQ(w.Rows(), 0);
  EXPECT_FALSE(w.panel()->PageEnabled(kPageCdInfo));
  w.Key(Qt::Key_Space);
  EXPECT_TRUE(w.disc->loaded());
  EXPECT_EQ(w.Rows(), 0);
  w.Key(Qt::Key_R, Qt::ControlModifier);
  EXPECT_EQ(w.Rows(), 2);
}

TEST(Window, CopyKeysInTheConsoleDoNothing) {
  Window w({{"ConsoleEnabled", 1}});
  EXPECT_EQ(w.panel()->tabs()->TabCount(), 8);
  w.panel()->console()->Append("report text");
  w.Key(Qt::Key_O, Qt::AltModifier);
  ASSERT_EQ(w.Page(), kPageConsole);
  w.panel()->console()->selectAll();
  QApplication::clipboard()->setText("before");
  w.Key(Qt::Key_C, Qt::ControlModifier);
  w.Key(Qt::Key_Insert, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "before");
  EXPECT_EQ(w.Page(), kPageConsole);
}

TEST(Window, StoredSettingsAreReadAndTheChoicesWrittenBack) {
  struct Case {
    std::vector<std::pair<QString, QVariant>> stored;
    QString skipItem;
    int ratio;
  };
  const Case cases[] = {
      {{{"cdDrive", 0x144}, {"SkipMode", 12}}, "8", 8},  // only the low byte of the letter; the mode at most 7
      {{{"SkipMode", -3}}, "1", 1},                      // a negative mode reads every block
      {{{"SkipMode", "junk"}}, "1", 1},                  // an unreadable value is the default
  };
  for (const Case& c : cases) {
    {
      Window w(c.stored);
      EXPECT_EQ(w.panel()->driveBox()->currentText(), "D:");
      EXPECT_EQ(w.panel()->skipBox()->currentText(), c.skipItem);
      EXPECT_EQ(w.panel()->skipRatio()->value(), c.ratio);
    }
    QSettings stored("Velmora", "Analyzer");
    EXPECT_EQ(stored.value("cdDrive").toInt(), 'D');
    EXPECT_EQ(stored.value("SkipMode").toInt(), c.ratio - 1);
    EXPECT_FALSE(stored.contains("ConsoleEnabled"));
  }
  Window two({{"ConsoleEnabled", 2}});
  EXPECT_EQ(two.panel()->tabs()->TabCount(), 7);
}

TEST(Window, ADriveChangeAndACloseDuringAJobWaitForItWhileTheWindowLives) {
  Window w;
  w.gate.Shut();
  w.Key(Qt::Key_Return);
  ASSERT_TRUE(w.gate.WaitForReader());
  w.Key(Qt::Key_Escape);
  // The drive change waits for the job; the job's queued calls must still be served meanwhile.
  std::thread opener([&] {
    std::this_thread::sleep_for(300ms);
    w.gate.Open();
  });
  emit w.panel()->driveBox()->activated(0);
  opener.join();
  EXPECT_EQ(w.Rows(), 2);  // read again after the job
  EXPECT_TRUE(w.messages.empty());

  w.gate.Shut();
  w.Key(Qt::Key_Return);
  ASSERT_TRUE(w.gate.WaitForReader());
  std::thread closer([&] {
    std::this_thread::sleep_for(300ms);
    w.gate.Open();
  });
  w.frame->close();  // returns once the job has stopped
  closer.join();
  EXPECT_EQ(Count(w.ConsoleText(), "光盘结论"), 0);
}

TEST(Window, MediaNoticesResetAndReloadOnlyTheSelectedDrive) {
  Window w;
  w.Key(Qt::Key_R, Qt::ControlModifier);
  ASSERT_EQ(w.Rows(), 2);
  w.frame->OnMediaEvent({'Q', false});
  EXPECT_EQ(w.Rows(), 2);
  w.frame->OnMediaEvent({w.letter, false});
  EXPECT_EQ(w.Rows(), 0);
  w.frame->OnMediaEvent({w.letter, true});
  EXPECT_EQ(w.Rows(), 0);  // read a second later
  EXPECT_TRUE(QTest::qWaitFor([&] { return w.Rows() == 2; }, 5000));
}

TEST(Window, DroppedDiscsAreMountedAndSelected) {
  Window w;
  ASSERT_TRUE(test::WriteSound(w.folder / "one.wav", test::Tone(588 * 100, 440)));
  ASSERT_TRUE(test::WriteText(w.folder / "broken.cue", "FILE \"missing.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"));
  auto drop = [&](const std::string& path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.frame.get(), &enter);
    QDropEvent event(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.frame.get(), &event);
  };
  drop(w.folder / "one.wav");
  EXPECT_EQ(w.panel()->driveBox()->currentText(), "E:");
  EXPECT_EQ(w.panel()->driveBox()->toolTip().toStdString(), w.folder / "one.wav");
  EXPECT_EQ(w.Rows(), 1);
  drop(w.folder / "broken.cue");  // said, and nothing else changes
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_TRUE(w.messages[0].contains("missing.wav"));
  EXPECT_EQ(w.panel()->driveBox()->count(), 2);
  EXPECT_EQ(w.panel()->driveBox()->currentText(), "E:");
  EXPECT_EQ(w.Rows(), 1);
}

TEST(Console, EachAppendEndsWithOneMoreLineBreakAndShowsTheEnd) {
  Console console;
  console.resize(300, 100);
  console.Append("first block\r\n");
  EXPECT_EQ(console.toPlainText(), "first block\n\n");
  for (int i = 0; i < 50; ++i) console.Append("line\r\n");
  console.Append("last");
  EXPECT_TRUE(console.toPlainText().endsWith("line\n\nlast\n"));
  EXPECT_EQ(console.verticalScrollBar()->value(), console.verticalScrollBar()->maximum());
}

class UrlCatcher : public QObject {
  Q_OBJECT

 public:
  std::vector<QUrl> opened;

 public slots:
  void Open(const QUrl& url) { opened.push_back(url); }
};

TEST(AboutAndHelp, EnterOnTheAboutPageDonatesAndEscapeOnTheHelpPageGoesHome) {
  UrlCatcher catcher;
  QDesktopServices::setUrlHandler("https", &catcher, "Open");
  {
    Window w;
    w.Key(Qt::Key_A, Qt::AltModifier);
    w.Key(Qt::Key_Return);
    w.Key(Qt::Key_Escape);
    EXPECT_EQ(w.Page(), kPageAbout);
    ASSERT_EQ(catcher.opened.size(), 1u);
    EXPECT_EQ(catcher.opened[0].toString(), kDonationUrl);
    EXPECT_FALSE(w.panel()->controller().worker().CancelRequested());  // Esc did not cancel
    EXPECT_EQ(w.Rows(), 0);                                              // Enter did not analyse
    EXPECT_EQ(w.panel()->about()->link()->toolTip(), "Velmora Software Homepage");
    // The build line tells the version the command line tells.
    const test::ProcessResult version = test::RunOssel({"--version"});
    ASSERT_EQ(version.exitStatus, 0) << version.err;
    ASSERT_TRUE(version.out.starts_with("ossel ")) << version.out;
    EXPECT_EQ(w.panel()->about()->buildLine()->text().toStdString(),
              "构建版本 " + version.out.substr(6, version.out.find_last_not_of('\n') - 5));

    w.Key(Qt::Key_H, Qt::AltModifier);
    CExplorer* browser = w.panel()->help()->browser();
    const QUrl start = browser->source();
    EXPECT_TRUE(start.toLocalFile().endsWith("help/index.html"));
    browser->setSource(QUrl::fromLocalFile(QFileInfo(start.toLocalFile()).dir().filePath("keys.html")));
    w.Key(Qt::Key_Escape);
    EXPECT_EQ(browser->source(), start);
    EXPECT_EQ(w.Page(), kPageHelp);
  }
  QDesktopServices::unsetUrlHandler("https");
}

TEST(Window, TheToolBarHasNoMenuAndStaysShown) {
  Window w;
  MainToolBar* bar = w.frame->toolBar();
  // A right-click on the tool bar, and the context-menu request the window system makes of it; a menu that opens
  // is counted and closed.
  int menus = 0;
  auto closeMenu = [&menus] {
    QTimer::singleShot(200, [&menus] {
      if (QWidget* menu = QApplication::activePopupWidget()) {
        ++menus;
        menu->close();
      }
    });
  };
  const QPoint at(bar->width() - 10, bar->height() / 2);
  closeMenu();
  QTest::mouseClick(bar, Qt::RightButton, {}, at);
  QTest::qWait(300);
  closeMenu();
  QContextMenuEvent request(QContextMenuEvent::Mouse, at, bar->mapToGlobal(at));
  QApplication::sendEvent(bar, &request);
  QTest::qWait(300);
  EXPECT_EQ(menus, 0);
  EXPECT_EQ(w.frame->createPopupMenu(), nullptr);
  // Nor does the tool bar's own show-and-hide action hide it.
  bar->toggleViewAction()->trigger();
  QApplication::processEvents();
  EXPECT_TRUE(bar->isVisible());
  EXPECT_TRUE(w.panel()->driveBox()->isVisible());
}

}  // namespace
}  // namespace ossel

#include "window_test.moc"
