// Any bytes as a cue sheet, in a folder of small sound and raw files it may name: the letter-case pass, the lenient
// scan of the folder reader, the folder rules, and the disc the sheet makes, read through a drive.
#include <sndfile.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "disc_check.h"
#include "fuzz_files.h"
#include "platform/cue_sheet.h"
#include "platform/image_mount.h"
#include "platform/virtual_disc.h"

namespace {

using namespace ossel;
using fuzz::WriteSound;

constexpr int kSector = 588;

// The folder the sheet lies in: a.wav (5 sectors, stereo), b.flac (3 sectors and 100 frames, mono), c.aiff (2
// sectors), d.bin (3 raw sectors), e.flac (the stand-in for a missing e.wav), sub/f.wav (1 sector).
const std::string& DiscFolder() {
  static const std::string folder = [] {
    const std::string path = fuzz::ScratchFolder() + "/disc";
    std::filesystem::create_directories(path + "/sub");
    WriteSound(path + "/a.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 5 * kSector);
    WriteSound(path + "/b.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1, 3 * kSector + 100);
    WriteSound(path + "/c.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 2, 2 * kSector);
    WriteSound(path + "/e.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, kSector);
    WriteSound(path + "/sub/f.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, kSector);
    fuzz::WriteFile(path + "/d.bin", std::string(3 * 2352, '\x01'));
    return path;
  }();
  return folder;
}

bool IsAsciiLower(char c) { return c >= 'a' && c <= 'z'; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  // Capitals for the keywords only: the same length, and no byte changed but an ASCII letter to its capital.
  const std::string upper = vdisc::UpperCaseCueCommands(text);
  OSSEL_FUZZ_CHECK(upper.size() == text.size());
  for (std::size_t i = 0; i < text.size(); ++i)
    OSSEL_FUZZ_CHECK(upper[i] == text[i] || (IsAsciiLower(text[i]) && upper[i] == text[i] - 'a' + 'A'));
  for (const vdisc::CueFileName& file : vdisc::CueFileNames(text))
    OSSEL_FUZZ_CHECK(text.find(file.name) != std::string::npos);

  const std::string& folder = DiscFolder();
  const std::string sheet = folder + "/disc.cue";
  fuzz::WriteFile(sheet, data, size);

  // The folder rules: the sheet is a disc when all it names is there; else the folder's sound files are.
  std::vector<std::string> problems;
  const std::vector<DiscSource> sources = FindDiscs({folder}, false, problems);
  OSSEL_FUZZ_CHECK(sources.size() == 1);
  OSSEL_FUZZ_CHECK(!sources[0].cueSheet.empty() || !sources[0].audioFiles.empty());

  std::string error;
  std::vector<std::string> notes;
  const std::shared_ptr<VirtualDisc> disc = VirtualDisc::FromCueSheet(sheet, error, &notes);
  if (!disc) {
    OSSEL_FUZZ_CHECK(!error.empty() && error.find('\n') == std::string::npos);
    return 0;
  }
  for (const std::string& note : notes)
    OSSEL_FUZZ_CHECK(note.rfind(sheet + ": line ", 0) == 0 && note.find('\n') == std::string::npos);
  fuzz::CheckDisc(disc);
  return 0;
}
