// The three settings that survive between runs: the selected drive, the skip mode and whether the console page
// exists. They are read when the panel is made and two of them are written back when it goes away; in between the
// panel and the job work on the fields in memory.
//
// Stored with QSettings, organisation "Velmora", application "Analyzer", in the platform's native format
// (~/.config/Velmora/Analyzer.conf on Linux), as integers "cdDrive", "SkipMode" and "ConsoleEnabled". When a file
// QSettings would read is there but is no regular file (a FIFO would block the start), the settings are the defaults,
// nothing is written back, and stderr says so.
#pragma once

#include <cstdint>
#include <memory>

class QSettings;

namespace ossel {

class Settings {
 public:
  Settings();
  // Writes "cdDrive" and "SkipMode" back; "ConsoleEnabled" is never written.
  ~Settings();
  Settings(const Settings&) = delete;
  Settings& operator=(const Settings&) = delete;

  char cdDrive = 'C';           // only the low 8 bits of the stored value count
  bool consoleEnabled = false;  // only a stored value of exactly 1 turns the console page on
  std::int32_t skipMode = 0;    // as stored; the panel keeps it within 0 to 7

 private:
  std::unique_ptr<QSettings> store_;
};

}  // namespace ossel
