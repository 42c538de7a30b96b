#include "device/track_row.h"

#include <cstdio>

#include "platform/crt_format.h"
#include "platform/language.h"

namespace ossel {

std::string MsfTime::Text() const {
  char text[48];
  std::snprintf(text, sizeof text, "%02d:%02d.%02d", minutes, seconds, frames);
  return text;
}

std::string TrackNameText(int trackNumber) {
  char text[48];
  std::snprintf(text, sizeof text, Translate("TrackRow", "音频轨道 %02d"), trackNumber);
  return text;
}

std::string TrackSizeText(std::int32_t sectors) { return FormatFixed(sectors * 0.00225830078125, 2) + " Mb"; }

}  // namespace ossel
