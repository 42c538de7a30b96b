// `ossel drives`, `ossel toc` and `ossel info`.
#include <cstdio>
#include <functional>

#include "analysis/disc_model.h"
#include "cli/commands.h"
#include "cli/discs.h"
#include "cli/json.h"
#include "cli/output_file.h"
#include "cli/records.h"
#include "device/track_row.h"
#include "platform/text_escape.h"

namespace ossel::cli {

// Messages quote names and texts from outside, whose control bytes are shown escaped.
int Fail(const std::string& message) {
  std::fprintf(stderr, "ossel: %s\n", EscapeControls(message).c_str());
  return 1;
}

int Usage(const std::string& message) {
  std::fprintf(stderr, "ossel: %s\n", EscapeControls(message).c_str());
  return 2;
}

namespace {

void PrintTocText(const std::string& name, const CdDrive& drive) {
  const TrackTable& toc = drive.trackTable();
  std::printf("Disc: %s\n", EscapeControls(name).c_str());
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

// What a drive says about itself is shown with its control bytes escaped, as every name is.
void PrintInfoText(const std::string& name, const std::vector<InfoRow>& info, const std::vector<IsrcRow>& isrc) {
  std::printf("Disc: %s\n", EscapeControls(name).c_str());
  for (const InfoRow& row : info) {
    if (row.label.empty()) {
      std::printf("\n[%s]\n", EscapeControls(row.value).c_str());
    } else {
      std::printf("  %s: %s\n", EscapeControls(row.label).c_str(), EscapeControls(row.value).c_str());
    }
  }
  std::printf("\n[ISRC]\n");
  if (isrc.empty()) std::printf("  (none)\n");
  for (const IsrcRow& row : isrc) {
    std::printf("  %s\n", EscapeControls(row.track + "  " + row.code + "  " + row.country + "  " + row.publisher +
                                        "  " + row.year).c_str());
  }
}

// Works on each disc in turn, mounted only while it is worked on; a disc that fails gets its error line and the
// others are still done. `work` prints the disc's text, or returns its JSON record (null to print nothing). The
// exit status is 1 when some disc failed.
int ForEachDisc(const DiscOptions& options,
                const std::function<bool(const DiscEntry&, char letter, std::size_t index, Json* json,
                                         std::string& error)>& work) {
  std::string error;
  auto entries = ListDiscs(options, error);
  if (!entries) return Fail(error);
  int status = 0;
  Json records = Json::array();
  for (std::size_t i = 0; i < entries->size(); ++i) {
    const DiscEntry& entry = (*entries)[i];
    MountedEntry mounted;
    std::vector<std::string> notes;
    error.clear();
    const bool ok = mounted.Mount(entry, error, notes);
    for (const std::string& note : notes) Fail(DiscMessage(entry.name, note));
    Json record;
    if (!ok || !work(entry, mounted.letter(), i, options.json ? &record : nullptr, error)) {
      Fail(DiscMessage(entry.name, error));
      status = 1;
      if (options.json && entries->size() > 1) {
        records.push_back(Json{{"name", entry.name}, {"error", DiscReason(entry.name, error)}});
      }
      continue;
    }
    if (options.json) records.push_back(std::move(record));
    if (!FlushStandardOutput()) break;  // nobody reads the output any more
  }
  if (options.json && !records.empty()) {
    std::printf("%s\n", JsonText(entries->size() == 1 ? records.front() : records).c_str());
  }
  return status;
}

}  // namespace

int RunDrives() {
  CdDrive probe;
  for (char letter : probe.driveLetters) {
    const DriveTable::Drive drive = DriveTable::System().Lookup(letter);
    std::printf("%c:  %s\n", letter,
                EscapeControls(drive.description + (drive.vendorProduct.empty() ? "" : "  ") + drive.vendorProduct)
                    .c_str());
  }
  if (probe.driveLetters.empty()) std::fprintf(stderr, "ossel: no CD drive found\n");
  return 0;
}

int RunToc(const DiscOptions& options) {
  return ForEachDisc(options, [](const DiscEntry& entry, char letter, std::size_t index, Json* json,
                                 std::string& error) {
    CdDrive drive;
    if (!OpenDisc(drive, letter, entry.name, error)) return false;
    if (json) {
      *json = TocJson(drive);
    } else {
      if (index > 0) std::printf("\n");
      PrintTocText(entry.name, drive);
    }
    return true;
  });
}

int RunInfo(const DiscOptions& options) {
  return ForEachDisc(options, [](const DiscEntry& entry, char letter, std::size_t index, Json* json,
                                 std::string& error) {
    DiscModel model;
    if (!OpenDisc(model.drive, letter, entry.name, error)) return false;
    model.cdDrive = letter;
    model.LoadTrackRows();
    model.LoadDiscInfo();
    for (const TrackRow& row : model.RowsCopy()) model.AddIsrc(row.trackNumber);
    const std::vector<InfoRow> info = model.InfoRowsCopy();
    const std::vector<IsrcRow> isrc = model.IsrcRowsCopy();
    if (json) {
      *json = InfoJson(entry.name, info, isrc);
    } else {
      if (index > 0) std::printf("\n");
      PrintInfoText(entry.name, info, isrc);
    }
    return true;
  });
}

}  // namespace ossel::cli
