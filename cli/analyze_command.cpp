// `ossel analyze`: every disc of a run judged, side by side when there are several jobs, with the outputs written in
// the order of the discs: the report, or one summary line per disc; a CSV row per track; JSON records; pictures.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <system_error>
#include <thread>

#include "analysis/analyze_job.h"
#include "analysis/report.h"
#include "analysis/track_slots.h"
#include "cli/cli_host.h"
#include "cli/commands.h"
#include "cli/discs.h"
#include "cli/interrupt.h"
#include "cli/json.h"
#include "cli/ordered_output.h"
#include "cli/output_file.h"
#include "cli/picture_loader.h"
#include "cli/records.h"
#include "platform/cue_sheet.h"
#include "platform/text_escape.h"
#include "display/builders.h"

namespace ossel::cli {

namespace {

// At most this many discs are open at once, whatever the number of jobs.
constexpr std::size_t kMostDiscsOpen = 16;

struct PictureSettings {
  std::string folder;
  int width = 1200;
  int height = 600;
};

// Writes the spectrogram and frequency pages of every track of the disc that has them in the store, as
// STEM-NN-spectrum.png and STEM-NN-frequency.png. Each failure is one line to `fail`; false when there was one.
bool WriteTrackPictures(PictureModule& module, const PictureSettings& settings, const std::string& stem,
                        DiscModel& model, const CliHost& host, const std::function<void(const std::string&)>& fail) {
  bool ok = true;
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
      std::string error, png;
      auto buffer = AllocateAligned<std::uint8_t>(bytes);
      if (!buffer) {
        error = path + ": not enough memory";
      } else if (!fits(entry, bytes) || !model.store.ReadEntry(entry, buffer.get())) {
        error = path + ": the track's " + what + " could not be read back";
      } else {
        place(request, buffer.get());
        request.page = page;
        if (!module.Render(request, png, error)) {
          error = path + ": " + error;
        } else if (WriteWholeFile(path, png, error)) {
          return;
        }
      }
      fail("can't write " + error);
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

// The names the pictures of each disc start with: its stem, with "-2", "-3", ... for later discs of the same name.
std::vector<std::string> UniqueStems(const std::vector<DiscEntry>& entries) {
  std::set<std::string> taken;
  std::vector<std::string> stems;
  for (const DiscEntry& entry : entries) {
    const std::string stem = DiscStem(entry);
    std::string unique = stem;
    for (int n = 2; !taken.insert(unique).second; ++n) unique = stem + "-" + std::to_string(n);
    stems.push_back(unique);
  }
  return stems;
}

double PlayingSeconds(const MsfTime& length) {
  return length.minutes * 60.0 + length.seconds + length.frames / 75.0;
}

// The input that `output` names: a disc's cue sheet or audio file, or a file its sheet names; empty when none.
std::string InputAt(const std::vector<DiscEntry>& entries, const std::string& output) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (!fs::exists(output, ec)) return {};
  auto same = [&](const std::string& path) { return fs::equivalent(output, path, ec) && !ec; };
  for (const DiscEntry& entry : entries) {
    if (!entry.source) continue;
    for (const std::string& file : entry.source->audioFiles) {
      if (same(file)) return file;
    }
    const std::string& sheet = entry.source->cueSheet;
    if (sheet.empty()) continue;
    if (same(sheet)) return sheet;
    std::string text, unused;
    if (!vdisc::ReadCueText(sheet, text, unused)) continue;
    // The files as the disc will find them (Windows paths, letter case, stand-ins), not as literally named.
    const std::string folder = fs::path(sheet).parent_path().string();
    const bool legacy = !vdisc::IsUtf8(text);
    for (const vdisc::CueFileName& file : vdisc::CueFileNames(text)) {
      const std::string path = vdisc::FindCueFile(folder, file.name, !file.raw, legacy).path;
      if (!path.empty() && same(path)) return path;
    }
  }
  return {};
}

// One library run: the discs, the shared state of their workers, and the outputs.
class AnalyzeRun {
 public:
  AnalyzeRun(const AnalyzeOptions& options, std::vector<DiscEntry> entries, PictureModule* pictures,
             WholeFile* csvFile, InterruptWatch& interrupts)
      : options_(options),
        entries_(std::move(entries)),
        stems_(pictures ? UniqueStems(entries_) : std::vector<std::string>()),
        pictures_(pictures),
        csvFile_(csvFile),
        csvToStdout_(options.csv == "-"),
        interrupts_(interrupts),
        jobs_(options.jobs.value_or(std::max(1, static_cast<int>(std::thread::hardware_concurrency())))),
        slots_(jobs_),
        output_(entries_.size(), isatty(STDERR_FILENO) != 0) {}

  // The exit status.
  int Run() {
    WriteCsv(CsvHeader());
    const std::size_t workers = jobs_ == 1 ? 1 : std::min({static_cast<std::size_t>(jobs_) + 1, kMostDiscsOpen,
                                                          entries_.size()});
    std::vector<std::thread> threads;
    for (std::size_t w = 1; w < workers; ++w) threads.emplace_back([this] { Work(); });
    Work();
    for (std::thread& thread : threads) thread.join();
    output_.EndProgress();

    if (options_.summary) WriteStandardOutput(totals_.Line() + "\n");
    if (options_.discs.json) {
      WriteStandardOutput(JsonText(json_.size() == 1 && entries_.size() == 1 ? json_.front() : json_) + "\n");
    }
    FlushStandardOutput();
    if (const int status = interrupts_.SignalExitStatus()) return status;
    return failed_ || StandardOutputFailed() ? 1 : 0;
  }

 private:
  void Work() {
    for (;;) {
      const std::size_t index = next_++;
      if (index >= entries_.size()) return;
      if (interrupts_.Interrupted()) {
        DiscOutcome outcome;
        outcome.name = entries_[index].name;
        outcome.notStarted = true;
        Finish(index, std::move(outcome), nullptr, nullptr);
        continue;
      }
      AnalyzeDisc(index);
    }
  }

  // The CSV rows to their file or standard output; a file that can no longer be written is said once, and the run
  // goes on without it.
  void WriteCsv(const std::string& rows) {
    if (csvToStdout_) {
      WriteStandardOutput(rows);
    } else if (csvFile_ && !csvFile_->Failed() && !(csvFile_->Write(rows) && csvFile_->Flush())) {
      // Called before the discs or in disc order, where the ordered output lets its caller write directly.
      std::fprintf(stderr, "ossel: can't write %s\n", EscapeControls(csvFile_->Error()).c_str());
    }
  }

  void AnalyzeDisc(std::size_t index) {
    const DiscEntry& entry = entries_[index];
    const bool report = !options_.summary && !options_.discs.json && !csvToStdout_;
    // Every line about the disc names it first; names and reasons from outside are shown with their control bytes
    // escaped, so that nothing in them reaches the terminal as it is.
    auto error = [this, index, &entry](const std::string& text) {
      output_.Err(index, "ossel: " + EscapeControls(DiscMessage(entry.name, text)) + "\n");
    };
    if (report && entries_.size() > 1) {
      output_.Out(index, (index > 0 ? "\n== " : "== ") + EscapeControls(entry.name) + "\n");
    }

    DiscOutcome outcome;
    outcome.name = entry.name;
    MountedEntry mounted;
    std::vector<std::string> notes;
    std::string why;
    bool ready = mounted.Mount(entry, why, notes);
    for (const std::string& note : notes) error(note);
    // The display data of a disc lives only until its pictures are drawn. Through the system cache, a library of
    // short discs never waits for the disk: unbuffered, every transfer did, and a core stood idle meanwhile.
    DiscModel model(DriveTable::System(), DisplayStore::SystemTempFolder(), false);
    model.skipMode = options_.skip - 1;
    if (ready) ready = OpenDisc(model.drive, mounted.letter(), entry.name, why);
    if (ready) {
      model.cdDrive = mounted.letter();
      model.LoadTrackRows();
      model.LoadDiscInfo();
      if (model.RowCount() == 0) {
        why = "no audio track";
        ready = false;
      }
    }
    if (!ready) {
      error(why);
      outcome.error = DiscReason(entry.name, why);
      Finish(index, std::move(outcome), nullptr, nullptr);
      return;
    }

    double audio = 0.0;
    for (const TrackRow& row : model.RowsCopy()) audio += PlayingSeconds(row.lengthMsf);
    output_.AddAudio(audio);
    DiscOutput texts;
    if (report) texts.report = [this, index](const std::string& text) { output_.Out(index, text); };
    texts.error = error;
    texts.trackDone = [this, &model](int row) {
      output_.AddAnalysed(PlayingSeconds(model.RowCopy(row).lengthMsf));
      if (StandardOutputFailed()) interrupts_.Stop();  // nobody reads the outputs any more
    };
    CliHost host(model, texts);
    // While more discs wait than there are jobs, each disc reads its tracks in turn and the discs run side by side
    // (a disc of its own per job costs less than tracks of one disc spread out: each spread track opens the disc
    // once more). The last discs spread their tracks, so that no job stands idle at the end.
    const bool spread = entries_.size() - index <= static_cast<std::size_t>(jobs_);
    const int parallel = entry.source && spread ? jobs_ : 1;
    {
      AnalysisThread worker([&](AnalysisThread& w) { RunAnalyzeDiscJob(model, host, w, parallel, &slots_); });
      worker.QueueJob();
      interrupts_.Watch(&worker);
      worker.WaitIdle();
      interrupts_.Unwatch(&worker);
    }
    outcome.stopped = interrupts_.Interrupted() && !host.discVerdict;
    if (host.failed) outcome.error = DiscReason(entry.name, host.firstError);
    if (pictures_ && !outcome.stopped &&
        !WriteTrackPictures(*pictures_, {options_.pictures, options_.pictureWidth, options_.pictureHeight},
                            stems_[index], model, host, error)) {
      pictureFailed_ = true;
    }
    outcome.verdict = host.discVerdict;
    outcome.probability = host.discProbability;
    // The job tells the tracks that gave data in track order: one without a record before the last told (or on a
    // disc that was judged) was read and gave none; one after it was never reached.
    const std::vector<TrackRow> rows = model.RowsCopy();
    const auto& records = host.Tracks();
    for (std::size_t n = 0; n < rows.size(); ++n) {
      TrackOutcome track{rows[n].trackNumber, mounted.TrackFile(rows[n].trackNumber), 0, std::nullopt, {}};
      if (n < records.size() && records[n]) {
        track.blocks = records[n]->blocks;
        track.result = records[n]->result;
        if (records[n]->readFailed) track.notAnalysed = "not analysed: the disc's source broke while it was read";
      } else {
        const bool read = outcome.verdict || n < records.size();
        track.notAnalysed = read ? "not analysed: shorter than one analysis block" : "not analysed";
      }
      outcome.tracks.push_back(std::move(track));
    }
    Finish(index, std::move(outcome), &model, &host);
  }

  // Hands the disc's outcome to the ordered output; what it writes is made now, while the model is alive.
  void Finish(std::size_t index, DiscOutcome outcome, DiscModel* model, CliHost* host) {
    std::optional<Json> json;
    if (options_.discs.json) {
      json = model ? AnalysisJson(outcome.name, *model, *host)
                   : outcome.notStarted ? NotStartedJson(outcome) : ErrorJson(outcome);
    }
    output_.Finish(index, [this, outcome = std::move(outcome), json = std::move(json)]() mutable {
      if (!outcome.error.empty() || pictureFailed_) failed_ = true;
      totals_.Add(outcome);
      if (options_.summary) WriteStandardOutput(SummaryLine(outcome) + "\n");
      WriteCsv(CsvRows(outcome));
      if (json) json_.push_back(std::move(*json));
      if (StandardOutputFailed()) interrupts_.Stop();
    });
  }

  const AnalyzeOptions& options_;
  const std::vector<DiscEntry> entries_;
  const std::vector<std::string> stems_;
  PictureModule* pictures_;
  WholeFile* csvFile_;
  const bool csvToStdout_;
  InterruptWatch& interrupts_;
  const int jobs_;
  TrackSlots slots_;
  OrderedOutput output_;
  std::atomic<std::size_t> next_{0};
  std::atomic<bool> pictureFailed_{false};
  // Touched only in disc order, under the ordered output's lock.
  bool failed_ = false;
  SummaryTotals totals_;
  Json json_ = Json::array();
};

}  // namespace

int RunAnalyze(const AnalyzeOptions& options) {
  InterruptWatch interrupts;  // first, so that every thread started later leaves the signals to it

  std::string error;
  auto entries = ListDiscs(options.discs, error);
  if (!entries) return Fail(error);
  // An output must not be one of the files read: it would be emptied before it is read.
  if (!options.csv.empty() && options.csv != "-") {
    const std::string input = InputAt(*entries, options.csv);
    if (!input.empty()) return Usage("--csv " + options.csv + " would overwrite " + input + ", which is read");
  }

  PictureModule pictureModule;  // finished when the command ends
  if (!options.pictures.empty()) {
    if (!pictureModule.Load(error)) return Usage(error);
    std::error_code ec;
    std::filesystem::create_directories(options.pictures, ec);
    if (!std::filesystem::is_directory(options.pictures)) {
      return Fail("can't make the folder " + options.pictures + (ec ? ": " + ec.message() : std::string()));
    }
  }

  WholeFile csvFile;
  const bool csvToFile = !options.csv.empty() && options.csv != "-";
  if (csvToFile && !csvFile.Open(options.csv, error)) return Fail("can't write " + error);

  AnalyzeRun run(options, std::move(*entries), options.pictures.empty() ? nullptr : &pictureModule,
                 csvToFile ? &csvFile : nullptr, interrupts);
  int status = run.Run();
  // The rows of the discs finished go into place, also after an interrupt; a file that failed is not left half.
  if (csvToFile && !csvFile.Failed() && !csvFile.Commit(error)) {
    Fail("can't write " + error);
    if (status == 0) status = 1;
  } else if (csvFile.Failed()) {
    if (status == 0) status = 1;
  }
  return status;
}

}  // namespace ossel::cli
