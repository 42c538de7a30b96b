// `ossel drives` and `ossel toc`.
#include <cstdio>

#include "cli/args.h"
#include "cli/commands.h"
#include "cli/discs.h"
#include "cli/json.h"
#include "device/track_row.h"

namespace ossel::cli {

int Fail(const std::string& message) {
  std::fprintf(stderr, "ossel: %s\n", message.c_str());
  return 1;
}

namespace {

std::string MsfText(std::int32_t lba) {
  const std::int32_t a = lba + 150;
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", a / 4500, a / 75 % 60, a % 75);
  return text;
}

void PrintTocText(const std::string& name, const CdDrive& drive) {
  const TrackTable& toc = drive.trackTable();
  std::printf("Disc: %s\n", name.c_str());
  std::printf("Track  Type   Start     First    Last     Length\n");
  for (int n = toc.firstTrack; n <= toc.lastTrack; ++n) {
    const std::int32_t first = drive.TrackStart(n);
    const std::int32_t last = drive.TrackEnd(n);
    if (first < 0) continue;
    std::printf("%5d  %-5s  %s  %7d  %7d  %s\n", n, drive.IsAudioTrack(n) ? "audio" : "data", MsfText(first).c_str(),
                first, last, MsfTime::FromSectors(last - first + 1).Text().c_str());
  }
  const std::int32_t leadOut = drive.TrackEnd(toc.lastTrack) + 1;
  if (leadOut > 0) std::printf("Lead-out      %s  %7d\n", MsfText(leadOut).c_str(), leadOut);
}

void WriteTocJson(JsonWriter& json, const CdDrive& drive) {
  const TrackTable& toc = drive.trackTable();
  json.BeginObject();
  json.Key("firstTrack").Int(toc.firstTrack);
  json.Key("lastTrack").Int(toc.lastTrack);
  json.Key("tracks").BeginArray();
  for (int n = toc.firstTrack; n <= toc.lastTrack; ++n) {
    const std::int32_t first = drive.TrackStart(n);
    if (first < 0) continue;
    json.BeginObject();
    json.Key("track").Int(n);
    json.Key("audio").Bool(drive.IsAudioTrack(n));
    json.Key("startMsf").String(MsfText(first));
    json.Key("firstSector").Int(first);
    json.Key("lastSector").Int(drive.TrackEnd(n));
    json.EndObject();
  }
  json.EndArray();
  const std::int32_t leadOut = drive.TrackEnd(toc.lastTrack) + 1;
  json.Key("leadOut").BeginObject();
  json.Key("msf").String(MsfText(leadOut));
  json.Key("sector").Int(leadOut);
  json.EndObject();
  json.EndObject();
}

}  // namespace

int RunDrives(const std::vector<std::string>& args) {
  std::string error;
  auto parsed = ParseArgs(args, {}, {}, error);
  if (!parsed) return Fail(error);
  if (!parsed->positional.empty()) return Fail("drives takes no arguments");
  CdDrive probe;
  for (char letter : probe.driveLetters) {
    const DriveTable::Drive drive = DriveTable::System().Lookup(letter);
    std::printf("%c:  %s%s%s\n", letter, drive.description.c_str(), drive.vendorProduct.empty() ? "" : "  ",
                drive.vendorProduct.c_str());
  }
  if (probe.driveLetters.empty()) std::fprintf(stderr, "ossel: no CD drive found\n");
  return 0;
}

int RunToc(const std::vector<std::string>& args) {
  DiscCommand command;
  command.run = [](const ParsedArgs&, const DiscArg& disc, std::size_t index, std::size_t,
                   JsonWriter* json) -> std::optional<int> {
    CdDrive drive;
    std::string error;
    if (!OpenDisc(drive, disc, error)) return Fail(error);
    if (json) {
      WriteTocJson(*json, drive);
    } else {
      if (index > 0) std::printf("\n");
      PrintTocText(disc.name, drive);
    }
    return std::nullopt;
  };
  return RunDiscCommand(args, command);
}

}  // namespace ossel::cli
