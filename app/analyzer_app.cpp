#include "app/analyzer_app.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFont>
#include <QTimer>
#include <QTranslator>
#include <cstdio>

#include "app/commands.h"
#include "app/main_frame.h"
#include "app/main_panel.h"
#include "platform/language.h"
#include "drawing/page_pictures.h"

namespace ossel {

namespace {

// How long the window stalls while it analyses: the largest interval between the ticks of a 1 ms timer.
class TimingProbe : public QObject {
 public:
  explicit TimingProbe(QObject* parent) : QObject(parent) {
    tick_.setInterval(1);
    connect(&tick_, &QTimer::timeout, this, [this] { longest_ = std::max(longest_, clock_.restart()); });
  }
  void Start() {
    clock_.start();
    job_.start();
    tick_.start();
  }
  void Report() {
    tick_.stop();
    std::printf("window analysis: %.3f s\nlongest event-loop gap: %lld ms\n", job_.elapsed() / 1000.0,
                static_cast<long long>(longest_));
    std::fflush(stdout);
  }

 private:
  QTimer tick_;
  QElapsedTimer clock_;
  QElapsedTimer job_;
  qint64 longest_ = 0;
};

}  // namespace

bool InstallTranslation(QCoreApplication& app) {
  if (CurrentLanguage() != Language::English) return true;
  auto* translator = new QTranslator(&app);
  if (!translator->load(QCoreApplication::applicationDirPath() + "/i18n/ossel_en.qm")) {
    delete translator;
    return false;
  }
  app.installTranslator(translator);
  return true;
}

void SetWindowFonts() {
  InstallFontSubstitutes();
  QFont font("MS Shell Dlg");
  font.setPointSize(8);
  QApplication::setFont(font);
}

AnalyzerApp::AnalyzerApp(int& argc, char** argv) : QApplication(argc, argv) {
  setOrganizationName("Velmora");
  setApplicationVersion(OSSEL_VERSION);
  setDesktopFileName("ossel-analyzer");
  if (!InstallTranslation(*this)) std::fprintf(stderr, "ossel-analyzer: the English texts are missing\n");
  // The name a screen reader and the window manager give the program, in the chosen language. The settings do not
  // depend on it: they name their own organisation and application.
  setApplicationName(QCoreApplication::translate("Window", kAppTitle));
  SetWindowFonts();
}

AnalyzerApp::~AnalyzerApp() = default;

bool AnalyzerApp::InitInstance() {
  QCommandLineParser parser;
  parser.setApplicationDescription("Judges whether the music of an audio CD, a disc image or a rip is genuine CD audio.");
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption analyze("analyze", "Start the analysis of the disc at once.");
  const QCommandLineOption timing("report-timing",
                                  "Analyse, then print the longest stall of the window and the analysis time, and quit.");
  // Only for the help: main() takes "--lang" out of the arguments before the application sees them.
  const QCommandLineOption language("lang", "en: the window in English (also OSSEL_LANG=en).", "LANG");
  parser.addOption(analyze);
  parser.addOption(language);
  parser.addOption(timing);
  parser.addPositionalArgument("discs", "Cue sheets, audio files or folders to open as a disc.", "[DISC...]");
  parser.process(*this);

  frame_ = std::make_unique<CMainFrame>();
  if (!frame_->Create()) {
    frame_.reset();
    return false;
  }
  frame_->show();
  frame_->activateWindow();

  const QStringList discs = parser.positionalArguments();
  if (!discs.isEmpty() && !frame_->panel()->OpenImages(discs)) {
    if (parser.isSet(timing)) return false;
  }
  if (parser.isSet(timing)) {
    auto* probe = new TimingProbe(this);
    connect(frame_->panel(), &MainPanel::jobFinished, probe, [this, probe] {
      probe->Report();
      QTimer::singleShot(0, this, [this] { frame_->close(); });
    });
    QTimer::singleShot(0, this, [this, probe] {
      probe->Start();
      frame_->OnCommand(kCmdAnalyze);
    });
  } else if (parser.isSet(analyze)) {
    QTimer::singleShot(0, this, [this] { frame_->OnCommand(kCmdAnalyze); });
  }
  exitStatus = 0;
  return true;
}

}  // namespace ossel
