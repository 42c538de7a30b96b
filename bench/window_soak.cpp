// The window analysing one disc again and again in one process, for bench/soak.sh: opens the disc given, runs the
// Analyze command COUNT times (each after the one before has ended), prints "analysis N done" after each, and
// waits a second before it quits so that the script can take its last look at the process. The console keeps every
// report (up to its line limit), about 25 kB of the window's memory per analysis of the demo disc; with
// --clear-console it is emptied after each analysis, so that whatever else grows shows.
//
//   bench_window_soak DISC.cue COUNT [--clear-console]     (QT_QPA_PLATFORM=offscreen needs no display)
#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "app/commands.h"
#include "views/console.h"
#include "app/main_frame.h"
#include "app/main_panel.h"

int main(int argc, char** argv) {
  const bool clearConsole = argc == 4 && std::string_view(argv[3]) == "--clear-console";
  if (argc != 3 && !clearConsole) {
    std::fprintf(stderr, "usage: bench_window_soak DISC COUNT [--clear-console]\n");
    return 2;
  }
  QApplication app(argc, argv);
  const int count = std::atoi(argv[2]);
  ossel::CMainFrame frame;
  if (!frame.Create()) return 1;
  frame.show();
  if (!frame.panel()->OpenImages({QString::fromLocal8Bit(argv[1])})) {
    std::fprintf(stderr, "bench_window_soak: cannot open %s\n", argv[1]);
    return 1;
  }
  std::printf("ready\n");
  std::fflush(stdout);
  for (int n = 1; n <= count; ++n) {
    QEventLoop loop;
    QObject::connect(frame.panel(), &ossel::MainPanel::jobFinished, &loop, &QEventLoop::quit);
    QTimer::singleShot(0, &frame, [&frame] { frame.OnCommand(ossel::kCmdAnalyze); });
    loop.exec();
    if (clearConsole) frame.panel()->console()->clear();
    std::printf("analysis %d done\n", n);
    std::fflush(stdout);
  }
  QEventLoop pause;
  QTimer::singleShot(1000, &pause, &QEventLoop::quit);
  pause.exec();
  frame.close();
  return 0;
}
