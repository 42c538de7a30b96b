// Turns the command line's disc arguments into drive letters: cue sheets and audio files become virtual discs
// mounted in the process's drive table; --drive names a drive directly.
#pragma once

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "cli/args.h"
#include "cli/json.h"
#include "device/cd_drive.h"

namespace ossel::cli {

struct DiscArg {
  std::string name;  // what the user named: the cue sheet, the first audio file, or "X:"
  char letter = 0;
  bool physical = false;
};

struct DiscSelection {
  std::vector<std::string> images;  // cue sheets and audio files, in the order given
  std::optional<char> drive;        // --drive LETTER
};

// The disc arguments of a command: its positional arguments and --drive.
std::optional<DiscSelection> SelectionFromArgs(const ParsedArgs& parsed, std::string& error);

// Each cue sheet is a disc; the audio files together form one disc, placed where the first of them was named.
// With no image and no drive, the first CD drive of the machine. Nothing on failure, with a one-line error.
std::optional<std::vector<DiscArg>> MountDiscs(const DiscSelection& selection, std::string& error);

// Opens the disc's drive and reads its table of contents.
bool OpenDisc(CdDrive& drive, const DiscArg& disc, std::string& error);


// The frame of every command that works disc by disc: its options (--json and --drive come with it), its discs
// mounted, the work done on each disc in order, and with --json one object per disc written to standard output
// (an array of them for several discs).
struct DiscCommand {
  std::set<std::string> flags;
  std::set<std::string> valued;
  // Checks the options before any disc is mounted; false with an error stops the command. May be empty.
  std::function<bool(const ParsedArgs&, std::string& error)> check;
  // Works on disc `index` of `count`; `json` is null without --json. Nothing to go on, or the exit status to stop
  // with at once.
  std::function<std::optional<int>(const ParsedArgs&, const DiscArg&, std::size_t index, std::size_t count,
                                   JsonWriter* json)>
      run;
};

// The exit status: 0 when every disc was done, else the first error's.
int RunDiscCommand(const std::vector<std::string>& args, const DiscCommand& command);

}  // namespace ossel::cli
