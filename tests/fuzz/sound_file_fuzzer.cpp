// Any bytes as a sound file (WAV, FLAC, AIFF or whatever else the decoder takes them for): as the one track of a
// disc of audio files and, when that is a disc, as the file of a two-track cue sheet with a pregap. A file is
// refused when the disc is made, or the disc reads through a drive.
#include <cstdint>
#include <string>
#include <vector>

#include "disc_check.h"
#include "fuzz_files.h"
#include "platform/virtual_disc.h"

namespace {

using namespace ossel;

const std::string kSheet =
    "FILE \"track.wav\" WAVE\n"
    "  TRACK 01 AUDIO\n"
    "    INDEX 01 00:00:00\n"
    "  TRACK 02 AUDIO\n"
    "    INDEX 00 00:00:01\n"
    "    INDEX 01 00:00:02\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string folder = fuzz::ScratchFolder();
  static const std::string sound = folder + "/track.wav";
  static const std::string sheet = [] {
    fuzz::WriteFile(folder + "/disc.cue", kSheet);
    return folder + "/disc.cue";
  }();
  fuzz::WriteFile(sound, data, size);

  std::string error;
  const std::shared_ptr<VirtualDisc> disc = VirtualDisc::FromAudioFiles({sound}, error);
  if (!disc) {
    OSSEL_FUZZ_CHECK(!error.empty() && error.find('\n') == std::string::npos);
    return 0;
  }
  const std::int32_t sectors = disc->LeadOutLba();
  fuzz::CheckDisc(disc);

  const std::shared_ptr<VirtualDisc> cued = VirtualDisc::FromCueSheet(sheet, error);
  OSSEL_FUZZ_CHECK(static_cast<bool>(cued) == (sectors >= 3));
  if (cued) {
    OSSEL_FUZZ_CHECK(cued->Tracks().size() == 2 && cued->Tracks()[1].pregapLba == 1);
    fuzz::CheckDisc(cued);
  }
  return 0;
}
