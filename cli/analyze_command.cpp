// `ossel analyze` and `ossel info`.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <system_error>
#include <thread>
#include <tuple>
#include <utility>

#include "analysis/analyze_job.h"
#include "analysis/report.h"
#include "cli/args.h"
#include "cli/cli_host.h"
#include "cli/commands.h"
#include "cli/discs.h"
#include "cli/interrupt.h"
#include "cli/json.h"
#include "cli/pictures/picture_loader.h"
#include "spectrum/builders.h"

namespace ossel::cli {

namespace {

void WriteResult(JsonWriter& json, const TrackResult& r) {
  json.BeginObject();
  json.Key("cutoffMean1").Double(r.cutoffMean1);
  json.Key("cutoffMean2").Double(r.cutoffMean2);
  json.Key("cutoffMeanGap12").Double(r.cutoffMeanGap12);
  json.Key("cutoffMean3").Double(r.cutoffMean3);
  json.Key("cutoffMean4").Double(r.cutoffMean4);
  json.Key("cutoffMeanGap34").Double(r.cutoffMeanGap34);
  json.Key("cutoffPeakPosition").Double(r.cutoffPeakPosition);
  json.Key("minPhaseSpread").Double(r.minPhaseSpread);
  json.Key("cutoffCount1").Double(r.cutoffCount1);
  json.Key("cutoffCount2").Double(r.cutoffCount2);
  json.Key("cutoffCount3").Double(r.cutoffCount3);
  json.Key("cutoffCount4").Double(r.cutoffCount4);
  json.Key("cutoffRatio21").Double(r.cutoffRatio21);
  json.Key("cutoffRatio43").Double(r.cutoffRatio43);
  json.Key("stagesDone").Int(r.stagesDone);
  const int stages = std::max(0, std::min(r.stagesDone, 3));
  json.Key("stageScore").BeginArray();
  for (int i = 0; i < stages; ++i) json.Double(r.stageScore[i]);
  json.EndArray();
  json.Key("stageProbability").BeginArray();
  for (int i = 0; i < stages; ++i) json.Double(r.stageProbability[i]);
  json.EndArray();
  json.Key("stageContrast").Double(r.stageContrast);
  json.Key("verdict").Double(r.verdict);
  json.Key("hfPeakValue").Double(r.hfPeakValue);
  json.Key("hfPeakFrequency").Double(r.hfPeakFrequency);
  json.EndObject();
}

void WriteRowTexts(JsonWriter& json, const TrackRow& row) {
  json.Key("elapsedText").String(row.elapsedText);
  json.Key("readErrorText").String(row.readErrorText);
  json.Key("statusText").String(row.statusText);
}

void WriteIsrcRows(JsonWriter& json, const std::vector<IsrcRow>& rows) {
  json.BeginArray();
  for (const IsrcRow& row : rows) {
    json.BeginObject();
    json.Key("track").String(row.track);
    json.Key("country").String(row.country);
    json.Key("publisher").String(row.publisher);
    json.Key("year").String(row.year);
    json.Key("code").String(row.code);
    json.EndObject();
  }
  json.EndArray();
}

void WriteInfoRows(JsonWriter& json, const std::vector<InfoRow>& rows) {
  json.BeginArray();
  for (const InfoRow& row : rows) {
    json.BeginObject();
    json.Key("label").String(row.label);
    json.Key("value").String(row.value);
    json.EndObject();
  }
  json.EndArray();
}

void WriteAnalysisJson(JsonWriter& json, const std::string& name, DiscModel& model, const CliHost& host) {
  json.BeginObject();
  json.Key("name").String(name);
  json.Key("disc");
  if (host.discVerdict) {
    json.BeginObject();
    json.Key("verdict").String(DiscVerdictWord(*host.discVerdict));
    json.Key("probability").Double(host.discProbability);
    json.EndObject();
  } else {
    json.Null();
  }
  json.Key("tracks").BeginArray();
  const std::vector<TrackRow> rows = model.RowsCopy();
  for (std::size_t n = 0; n < rows.size(); ++n) {
    const TrackRow& row = rows[n];
    const auto& record = n < host.Tracks().size() ? host.Tracks()[n] : std::nullopt;
    json.BeginObject();
    json.Key("track").Int(row.trackNumber);
    json.Key("firstSector").Int(model.drive.TrackStart(row.trackNumber));
    json.Key("lastSector").Int(model.drive.TrackEnd(row.trackNumber));
    json.Key("processedBlocks").Int(record ? record->blocks : 0);
    json.Key("verdict");
    if (record && record->result) {
      json.String(VerdictWord(VerdictFromCode(record->result->verdict)));
      json.Key("result");
      WriteResult(json, *record->result);
    } else {
      json.Null();
      json.Key("result").Null();
    }
    WriteRowTexts(json, row);
    json.EndObject();
  }
  json.EndArray();
  const TrackRow disc = model.DiscRowCopy();
  json.Key("discRow").BeginObject();
  json.Key("nameText").String(disc.nameText);
  json.Key("startMsf").String(disc.startMsf.Text());
  json.Key("lengthMsf").String(disc.lengthMsf.Text());
  json.Key("sizeText").String(disc.sizeText);
  WriteRowTexts(json, disc);
  json.EndObject();
  json.Key("isrc");
  WriteIsrcRows(json, model.IsrcRowsCopy());
  json.Key("report").String(UnixLineBreaks(host.Console()));
  json.EndObject();
}

// Opens the disc in a fresh model and reads its rows and information, as reading a new disc does.
bool LoadModel(DiscModel& model, const DiscArg& disc, std::string& error) {
  if (!OpenDisc(model.drive, disc, error)) return false;
  model.cdDrive = disc.letter;
  model.LoadTrackRows();
  model.LoadDiscInfo();
  return true;
}

std::optional<int> ParseCount(const std::optional<std::string>& text, int low, int high) {
  if (!text) return std::nullopt;
  char* end = nullptr;
  const long value = std::strtol(text->c_str(), &end, 10);
  if (text->empty() || *end != '\0' || value < low || value > high) return -1;
  return static_cast<int>(value);
}

// --picture-size: "WIDTHxHEIGHT", each side from kSmallestSide to kLargestSide pixels.
constexpr int kSmallestSide = 64;
constexpr int kLargestSide = 8192;

std::optional<std::pair<int, int>> ParsePictureSize(const std::string& text) {
  const std::size_t x = text.find('x');
  if (x == std::string::npos) return std::nullopt;
  auto side = [](const std::string& digits) -> int {
    if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos) return -1;
    const int value = std::stoi(digits);
    return value >= kSmallestSide && value <= kLargestSide ? value : -1;
  };
  const int width = side(text.substr(0, x));
  const int height = side(text.substr(x + 1));
  if (width < 0 || height < 0) return std::nullopt;
  return std::pair(width, height);
}

// The start of the pictures' file names: the cue sheet's or the first audio file's name without its extension, the
// folder's name, or the drive's letter.
std::string DiscStem(const DiscArg& disc) {
  if (disc.physical) return std::string(1, disc.letter);
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path path = fs::absolute(fs::path(disc.name), ec).lexically_normal();
  if (ec) path = fs::path(disc.name).lexically_normal();
  if (!path.has_filename()) path = path.parent_path();
  const std::string stem = (fs::is_directory(path, ec) ? path.filename() : path.stem()).string();
  return stem.empty() || stem == "." || stem == ".." ? std::string("disc") : stem;
}

struct PictureSettings {
  std::string folder;
  int width = 1200;
  int height = 600;
  std::set<std::string> stemsTaken;  // discs of one run with the same name get "-2", "-3", ... after it

  std::string UniqueStem(const DiscArg& disc) {
    const std::string stem = DiscStem(disc);
    std::string unique = stem;
    for (int n = 2; !stemsTaken.insert(unique).second; ++n) unique = stem + "-" + std::to_string(n);
    return unique;
  }
};

// Writes the spectrogram and frequency pages of every track of the disc that has them in the store. False when
// any picture could not be made; each failure has its line on stderr.
bool WriteTrackPictures(PictureModule& module, PictureSettings& settings, const DiscArg& disc,
                        DiscModel& model, const CliHost& host) {
  bool ok = true;
  const std::string stem = settings.UniqueStem(disc);
  const std::vector<TrackRow> rows = model.RowsCopy();
  auto fits = [&](std::int32_t entry, std::uint64_t bytes) {
    const auto stored = model.store.EntryAt(entry);
    return stored && stored->size == bytes;
  };
  for (std::size_t n = 0; n < rows.size(); ++n) {
    const TrackRow& row = rows[n];
    char number[16];
    std::snprintf(number, sizeof number, "%02d", row.trackNumber);
    const std::string base = settings.folder + "/" + stem + "-" + number + "-";
    const auto& record = n < host.Tracks().size() ? host.Tracks()[n] : std::nullopt;

    OsselPictureRequest request{};
    request.width = settings.width;
    request.height = settings.height;
    request.seconds = row.lengthMsf.minutes * 60 + row.lengthMsf.seconds;
    request.topFrequency = row.frequencyAxis ? row.frequencyAxis[kProfileValues / 2 - 1] : 0.0;
    request.profileScale = row.profileScale;
    request.cutoffHz = record && record->result ? record->result->cutoffPeakPosition : 0.0;

    auto draw = [&](int page, const std::string& path, const char* what, std::int32_t entry, std::uint64_t bytes,
                    auto&& place) {
      std::string error;
      auto buffer = AllocateAligned<std::uint8_t>(bytes);
      if (!buffer) {
        error = "not enough memory";
      } else if (!fits(entry, bytes) || !model.store.ReadEntry(entry, buffer.get())) {
        error = std::string("the track's ") + what + " could not be read back";
      } else {
        place(request, buffer.get());
        request.page = page;
        request.outputPath = path.c_str();
        if (module.Render(request, error)) return;
      }
      Fail("can't write " + path + ": " + error);
      ok = false;
    };
    if (row.imageEntry >= 0 && row.imageWidth > 0) {
      const std::uint64_t bytes = static_cast<std::uint64_t>(row.imageWidth) * kImageHeight;
      draw(OSSEL_PICTURE_SPECTRUM, base + "spectrum.png", "spectrogram", row.imageEntry, bytes,
           [&](OsselPictureRequest& r, std::uint8_t* data) {
             r.image = data;
             r.imageWidth = row.imageWidth;
           });
    }
    if (row.profileEntry >= 0) {
      draw(OSSEL_PICTURE_FREQUENCY, base + "frequency.png", "frequency profile", row.profileEntry, kProfileBytes,
           [](OsselPictureRequest& r, std::uint8_t* data) { r.profile = reinterpret_cast<const double*>(data); });
    }
  }
  return ok;
}

}  // namespace

int RunAnalyze(const std::vector<std::string>& args) {
  InterruptWatch interrupts;
  std::optional<int> skip, jobs;
  int status = 0;
  const bool progress = isatty(STDERR_FILENO) != 0;
  // Errors in the use of --pictures and --picture-size end the command with status 2 (the others with 1).
  bool usageError = false;
  std::optional<PictureSettings> pictures;
  PictureModule pictureModule;  // finished when the command ends

  DiscCommand command;
  command.valued = {"--skip", "--jobs", "--pictures", "--picture-size"};
  command.check = [&](const ParsedArgs& parsed, std::string& error) {
    skip = ParseCount(parsed.Value("--skip"), 1, 8);
    jobs = ParseCount(parsed.Value("--jobs"), 1, 64);
    if (skip && *skip < 0) error = "--skip takes a number from 1 to 8";
    if (jobs && *jobs < 0) error = "--jobs takes a number from 1 to 64";
    if (!error.empty()) return false;

    const auto folder = parsed.Value("--pictures");
    const auto size = parsed.Value("--picture-size");
    if (!folder && !size) return true;
    usageError = true;
    if (size && !folder) {
      error = "--picture-size goes with --pictures DIR";
      return false;
    }
    pictures.emplace();
    pictures->folder = *folder;
    if (pictures->folder.empty()) {
      error = "--pictures takes the folder to write the pictures to";
      return false;
    }
    if (size) {
      const auto parsedSize = ParsePictureSize(*size);
      if (!parsedSize) {
        error = "--picture-size takes WIDTHxHEIGHT, each from " + std::to_string(kSmallestSide) + " to " +
                std::to_string(kLargestSide) + " pixels, not '" + *size + "'";
        return false;
      }
      std::tie(pictures->width, pictures->height) = *parsedSize;
    }
    if (!pictureModule.Load(error)) return false;
    usageError = false;
    std::error_code ec;
    std::filesystem::create_directories(pictures->folder, ec);
    if (!std::filesystem::is_directory(pictures->folder)) {
      error = "can't make the folder " + pictures->folder + (ec ? ": " + ec.message() : std::string());
      return false;
    }
    return true;
  };
  command.run = [&](const ParsedArgs&, const DiscArg& disc, std::size_t index, std::size_t count,
                    JsonWriter* json) -> std::optional<int> {
    if (interrupts.Interrupted()) return kInterruptedExitStatus;
    DiscModel model;
    model.skipMode = skip ? *skip - 1 : 0;
    std::string error;
    if (!LoadModel(model, disc, error)) return Fail(error);
    if (model.RowCount() == 0) return Fail("no audio track on " + disc.name);
    const int parallel = disc.physical ? 1 : jobs.value_or(static_cast<int>(std::thread::hardware_concurrency()));

    if (!json && count > 1) std::printf("%s== %s\n", index > 0 ? "\n" : "", disc.name.c_str());
    std::fflush(stdout);
    CliHost host(model, !json, progress);
    {
      AnalysisThread worker([&](AnalysisThread& w) { RunAnalyzeDiscJob(model, host, w, parallel); });
      interrupts.Watch(&worker);
      worker.QueueJob();
      worker.WaitIdle();
      interrupts.Watch(nullptr);
    }
    host.EndProgress();
    if (host.failed) status = 1;
    if (pictures && !interrupts.Interrupted() && !WriteTrackPictures(pictureModule, *pictures, disc, model, host)) {
      status = 1;
    }
    if (json) WriteAnalysisJson(*json, disc.name, model, host);
    return std::nullopt;
  };
  const int stopped = RunDiscCommand(args, command);
  if (usageError) return 2;
  if (interrupts.Interrupted()) return kInterruptedExitStatus;
  return stopped != 0 ? stopped : status;
}

int RunInfo(const std::vector<std::string>& args) {
  DiscCommand command;
  command.run = [](const ParsedArgs&, const DiscArg& disc, std::size_t index, std::size_t,
                   JsonWriter* json) -> std::optional<int> {
    DiscModel model;
    std::string error;
    if (!LoadModel(model, disc, error)) return Fail(error);
    for (const TrackRow& row : model.RowsCopy()) model.AddIsrc(row.trackNumber);
    const std::vector<InfoRow> info = model.InfoRowsCopy();
    const std::vector<IsrcRow> isrc = model.IsrcRowsCopy();
    if (json) {
      json->BeginObject();
      json->Key("name").String(disc.name);
      json->Key("info");
      WriteInfoRows(*json, info);
      json->Key("isrc");
      WriteIsrcRows(*json, isrc);
      json->EndObject();
      return std::nullopt;
    }
    if (index > 0) std::printf("\n");
    std::printf("Disc: %s\n", disc.name.c_str());
    for (const InfoRow& row : info) {
      if (row.label.empty()) {
        std::printf("\n[%s]\n", row.value.c_str());
      } else {
        std::printf("  %s: %s\n", row.label.c_str(), row.value.c_str());
      }
    }
    std::printf("\n[ISRC]\n");
    if (isrc.empty()) std::printf("  (none)\n");
    for (const IsrcRow& row : isrc) {
      std::printf("  %s  %s  %s  %s  %s\n", row.track.c_str(), row.code.c_str(), row.country.c_str(),
                  row.publisher.c_str(), row.year.c_str());
    }
    return std::nullopt;
  };
  return RunDiscCommand(args, command);
}

}  // namespace ossel::cli
