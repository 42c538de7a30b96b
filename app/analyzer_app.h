// The application object: the fonts the pages are drawn with, the main frame, and what the command line asks for
// (discs to open at start-up, an analysis to start).
#pragma once

#include <QApplication>
#include <memory>

namespace ossel {

class CMainFrame;

// With English as the chosen language (platform/language.h), loads the compiled catalogue (i18n/ossel_en.qm beside
// the program) into `app`, so that the window's texts come in English. False when English is chosen and the
// catalogue cannot be loaded.
bool InstallTranslation(QCoreApplication& app);

// The window's fonts: the substitutes for the faces it names, and its own font for every control.
void SetWindowFonts();

class AnalyzerApp : public QApplication {
  Q_OBJECT

 public:
  AnalyzerApp(int& argc, char** argv);
  ~AnalyzerApp() override;

  // Makes and shows the main frame. False (after saying why on standard error for a bad argument) when the
  // program cannot start; the exit status is then `exitStatus`.
  bool InitInstance();
  int exitStatus = 1;

  CMainFrame* frame() const { return frame_.get(); }

 private:
  std::unique_ptr<CMainFrame> frame_;
};

}  // namespace ossel
