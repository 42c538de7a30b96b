#include "app/analyzer_app.h"

int main(int argc, char** argv) {
  ossel::AnalyzerApp app(argc, argv);
  if (!app.InitInstance()) return app.exitStatus;
  const int status = app.exec();
  return status != 0 ? status : app.exitStatus;
}
