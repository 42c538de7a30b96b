#include "cli/discs.h"

#include <algorithm>
#include <cstdio>
#include <cctype>

#include "cli/commands.h"
#include "platform/image_mount.h"

namespace ossel::cli {

std::optional<std::vector<DiscArg>> MountDiscs(const DiscSelection& selection, std::string& error) {
  std::vector<DiscArg> discs;
  if (selection.drive) {
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(*selection.drive)));
    if (DriveTable::System().TypeOf(letter) != DriveType::Cdrom) {
      error = std::string("no CD drive at ") + letter + ":";
      return std::nullopt;
    }
    discs.push_back({std::string(1, letter) + ":", letter, true});
  }

  if (!selection.images.empty()) {
    const std::vector<MountedDisc> mounted = MountImages(selection.images, DriveTable::System(), error);
    if (mounted.empty()) return std::nullopt;
    for (const MountedDisc& disc : mounted) discs.push_back({disc.name, disc.letter, false});
  }

  if (discs.empty()) {
    CdDrive probe;
    if (probe.driveLetters.empty()) {
      error = "no CD drive found: name a cue sheet or audio files, or --drive LETTER";
      return std::nullopt;
    }
    const char letter = probe.driveLetters.front();
    discs.push_back({std::string(1, letter) + ":", letter, true});
  }
  return discs;
}

std::optional<DiscSelection> SelectionFromArgs(const ParsedArgs& parsed, std::string& error) {
  DiscSelection selection;
  selection.images = parsed.positional;
  if (auto letter = parsed.Value("--drive")) {
    std::string text = *letter;
    if (text.size() == 2 && text[1] == ':') text.pop_back();
    if (text.size() != 1) {
      error = "--drive takes one letter, not '" + *letter + "'";
      return std::nullopt;
    }
    selection.drive = text[0];
  }
  return selection;
}

bool OpenDisc(CdDrive& drive, const DiscArg& disc, std::string& error) {
  if (!drive.Open(disc.letter)) {
    error = "can't open drive " + disc.name;
    return false;
  }
  if (!drive.ReadTrackTable()) {
    error = "no readable disc in " + disc.name;
    return false;
  }
  return true;
}

int RunDiscCommand(const std::vector<std::string>& args, const DiscCommand& command) {
  std::string error;
  std::set<std::string> flags = command.flags;
  std::set<std::string> valued = command.valued;
  flags.insert("--json");
  valued.insert("--drive");
  auto parsed = ParseArgs(args, flags, valued, error);
  if (!parsed) return Fail(error);
  if (command.check && !command.check(*parsed, error)) return Fail(error);
  auto selection = SelectionFromArgs(*parsed, error);
  if (!selection) return Fail(error);
  auto discs = MountDiscs(*selection, error);
  if (!discs) return Fail(error);

  const bool json = parsed->Has("--json");
  const bool several = discs->size() > 1;
  JsonWriter writer;
  if (json && several) writer.BeginArray();
  for (std::size_t i = 0; i < discs->size(); ++i) {
    if (auto status = command.run(*parsed, (*discs)[i], i, discs->size(), json ? &writer : nullptr)) return *status;
  }
  if (json) {
    if (several) writer.EndArray();
    std::printf("%s\n", writer.Text().c_str());
  }
  return 0;
}

}  // namespace ossel::cli
