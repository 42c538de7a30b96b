#include <cstdio>
#include <string>

#include "app/analyzer_app.h"
#include "platform/language.h"

int main(int argc, char** argv) {
  // The language comes first: every text of the window is made in it.
  std::string error;
  const std::optional<ossel::Language> language = ossel::LanguageFromChoice(argc, argv, error);
  if (!error.empty()) {
    std::fprintf(stderr, "ossel-analyzer: %s\n", error.c_str());
    return 2;
  }
  if (language) ossel::SetLanguage(*language);
  ossel::AnalyzerApp app(argc, argv);
  if (!app.InitInstance()) return app.exitStatus;
  const int status = app.exec();
  return status != 0 ? status : app.exitStatus;
}
