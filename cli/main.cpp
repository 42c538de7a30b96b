// ossel: the analyzer's command line.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/commands.h"

namespace {

const char kUsage[] =
    "usage: ossel COMMAND [ARGUMENTS]\n"
    "\n"
    "Commands:\n"
    "  drives                      list the CD drives (letter, device, vendor and product)\n"
    "  toc [DISC] [--json]         print the table of contents\n"
    "  info [DISC] [--json]        the drive and disc information and the ISRC codes\n"
    "  analyze [DISC...] [--skip K] [--jobs N] [--json] [--pictures DIR [--picture-size WxH]]\n"
    "                              judge every audio track and the disc; prints the analysis report\n"
    "      --skip K                analyse one piece in K (1 = every block, the default; up to 8)\n"
    "      --jobs N                tracks analysed at once (default: the number of cores; 1 for a drive)\n"
    "      --pictures DIR          also write each track's spectrogram and frequency pages to DIR as\n"
    "                              DISC-NN-spectrum.png and DISC-NN-frequency.png\n"
    "      --picture-size WxH      their size in pixels, each side 64 to 8192 (default 1200x600)\n"
    "\n"
    "DISC is one of (analyze takes several: each cue sheet is a disc):\n"
    "  IMAGE.cue ...               a cue sheet (BINARY, MOTOROLA or WAVE files); each one is a disc\n"
    "  AUDIO FILES...              WAV, FLAC, AIFF... at 44100 Hz, one track each, together one disc\n"
    "  --drive LETTER              a CD drive by letter (see `ossel drives`)\n"
    "With no DISC, the first CD drive.\n"
    "\n"
    "Options:\n"
    "  --help                      this text\n"
    "  --version                   the program's version\n";

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string command = args.front();
  args.erase(args.begin());
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (command == "--version") {
    std::printf("ossel %s\n", OSSEL_VERSION);
    return 0;
  }
  if (command == "drives") return ossel::cli::RunDrives(args);
  if (command == "toc") return ossel::cli::RunToc(args);
  if (command == "analyze") return ossel::cli::RunAnalyze(args);
  if (command == "info") return ossel::cli::RunInfo(args);
  std::fprintf(stderr, "ossel: unknown command '%s' (see ossel --help)\n", command.c_str());
  return 2;
}
