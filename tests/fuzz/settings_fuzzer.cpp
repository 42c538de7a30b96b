// Any bytes as the window's stored settings file. Whatever the file holds, reading it neither fails nor hangs, and
// the values the settings write back when they go read back as the same values.
#include <QSettings>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

#include "app/settings.h"
#include "fuzz_files.h"

namespace {

struct Values {
  char cdDrive;
  std::int32_t skipMode;
  bool console;
};

Values Read() {
  const ossel::Settings settings;
  return {settings.cdDrive, settings.skipMode, settings.consoleEnabled};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string file = [] {
    const std::string folder = ossel::fuzz::ScratchFolder() + "/settings";
    std::filesystem::create_directories(folder + "/Velmora");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(folder));
    return folder + "/Velmora/Analyzer.conf";
  }();
  // QSettings keeps what it parsed of a file until the file's size or time changes: each input gets a time of its
  // own, so that it is read afresh whatever came before.
  static std::filesystem::file_time_type stamp = std::filesystem::file_time_type::clock::now();
  stamp += std::chrono::seconds(1);
  ossel::fuzz::WriteFile(file, data, size);
  std::filesystem::last_write_time(file, stamp);

  const Values first = Read();  // and written back as it goes
  const Values second = Read();
  OSSEL_FUZZ_CHECK(second.cdDrive == first.cdDrive);
  OSSEL_FUZZ_CHECK(second.skipMode == first.skipMode);
  OSSEL_FUZZ_CHECK(second.console == first.console);
  return 0;
}
