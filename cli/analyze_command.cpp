// `ossel analyze`: every disc of a run judged, side by side when there are several jobs, with the outputs written in
// the order of the discs: the report, or one summary line per disc; a CSV row per track; JSON records, as one array
// or as JSON Lines; pictures. A disc whose result the result cache holds is not analysed again: its outputs come
// from there.
#include <unistd.h>

#include <algorithm>
#include <array>
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
#include "cli/result_cache.h"
#include "platform/cue_sheet.h"
#include "platform/text_escape.h"
#include "device/text_format.h"
#include "display/builders.h"
#include "spectrum/stage_clock.h"

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
    if (row.bandLimit) {
      request.bandLimitHz = row.bandLimit->hz;
      request.bandLimitSharp = row.bandLimit->sharp ? 1 : 0;
    }

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
             r.imageColumns = row.imageColumns;
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

// A stream of the run's records, written as the discs finish, in their order: a whole file or standard output. A
// file that can no longer be written is said once, and the run goes on without it.
class RunStream {
 public:
  RunStream(WholeFile* file, bool toStdout) : file_(file), toStdout_(toStdout) {}

  void Write(const std::string& text) {
    if (toStdout_) {
      WriteStandardOutput(text);
    } else if (file_ && !file_->Failed() && !(file_->Write(text) && file_->Flush())) {
      // Called before the discs or in disc order, where the ordered output lets its caller write directly.
      std::fprintf(stderr, "ossel: can't write %s\n", EscapeControls(file_->Error()).c_str());
    }
  }
  bool Wanted() const { return toStdout_ || file_; }

 private:
  WholeFile* file_;
  const bool toStdout_;
};

// What a finished disc writes in disc order.
struct DiscTexts {
  std::string summary;  // its summary line, without the line break
  std::string csv;      // its CSV rows
  std::string json;     // its record; empty when none is written
  DiscCounts counts;
  bool failed = false;  // the disc could not be analysed (to the end)
  bool cached = false;  // from the result cache
};

// One library run: the discs, the shared state of their workers, and the outputs.
class AnalyzeRun {
 public:
  AnalyzeRun(const AnalyzeOptions& options, std::vector<DiscEntry> entries, PictureModule* pictures,
             WholeFile* csvFile, WholeFile* jsonlFile, ResultCache* cache, InterruptWatch& interrupts)
      : options_(options),
        entries_(std::move(entries)),
        stems_(pictures ? UniqueStems(entries_) : std::vector<std::string>()),
        pictures_(pictures),
        csv_(csvFile, options.csv == "-"),
        jsonl_(jsonlFile, options.jsonl == "-"),
        cache_(cache),
        // The pictures of a disc are drawn from its analysis: with them asked for, every disc is analysed.
        readCache_(cache && !options.refresh && !pictures),
        report_(!options.summary && !options.discs.json && options.csv != "-" && options.jsonl != "-"),
        interrupts_(interrupts),
        jobs_(options.jobs.value_or(std::max(1, static_cast<int>(std::thread::hardware_concurrency())))),
        slots_(jobs_),
        output_(entries_.size(), isatty(STDERR_FILENO) != 0) {}

  // The exit status.
  int Run() {
    csv_.Write(CsvHeader());
    // The other workers start with the first disc to be analysed: discs from the cache need none.
    if (!readCache_) StartWorkers();
    Work();
    for (std::thread& thread : threads_) thread.join();
    output_.EndProgress();

    if (options_.summary) WriteStandardOutput(totals_.Line() + "\n");
    if (options_.discs.json) {
      // As the records' array is written: each record as it is, between commas.
      std::string array = "[";
      for (std::size_t n = 0; n < json_.size(); ++n) array += (n ? "," : "") + json_[n];
      WriteStandardOutput((json_.size() == 1 && entries_.size() == 1 ? json_.front() : array + "]") + "\n");
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
        Finish(index, TextsOf(outcome, nullptr, nullptr));
        continue;
      }
      AnalyzeDisc(index);
    }
  }

  // "ossel: NAME: text" on a line of its own. Names and reasons from outside are shown with their control bytes
  // escaped, so that nothing in them reaches the terminal as it is.
  static std::string DiscLine(const DiscEntry& entry, const std::string& text) {
    return "ossel: " + EscapeControls(DiscMessage(entry.name, text)) + "\n";
  }

  // What the cache had to say about itself while working on disc `index`.
  void CacheNote(std::size_t index, const std::string& note) {
    if (!note.empty()) output_.Err(index, "ossel: " + EscapeControls(note) + "\n");
  }

  // The disc's outputs as a run that analysed it wrote them.
  void FromCache(std::size_t index, const CachedDisc& cached) {
    if (!cached.notes.empty()) output_.Err(index, cached.notes);
    if (report_) output_.Out(index, cached.report);
    output_.AddCached();
    DiscTexts texts;
    texts.summary = cached.summary;
    texts.csv = cached.csv;
    texts.json = cached.json;
    texts.counts = cached.counts;
    texts.cached = true;
    Finish(index, std::move(texts));
  }

  // Starts the other workers, once: the first time it is called, the first worker is the only one there is (later
  // calls, from any worker, find them started).
  void StartWorkers() {
    if (workersStarted_) return;
    workersStarted_ = true;
    const std::size_t workers = jobs_ == 1 ? 1 : std::min({static_cast<std::size_t>(jobs_) + 1, kMostDiscsOpen,
                                                          entries_.size()});
    for (std::size_t w = 1; w < workers; ++w) threads_.emplace_back([this] { Work(); });
  }

  void AnalyzeDisc(std::size_t index) {
    const DiscEntry& entry = entries_[index];
    // Every line about the disc names it first.
    auto error = [this, index, &entry](const std::string& text) { output_.Err(index, DiscLine(entry, text)); };
    if (report_ && entries_.size() > 1) {
      output_.Out(index, (index > 0 ? "\n== " : "== ") + EscapeControls(entry.name) + "\n");
    }
    std::optional<CacheKey> key;
    if (cache_) key = KeyOf(entry, options_.skip);
    if (key && readCache_) {
      std::string note;
      const std::optional<CachedDisc> cached = cache_->Find(*key, note);
      CacheNote(index, note);
      if (cached) return FromCache(index, *cached);
    }
    StartWorkers();

    DiscOutcome outcome;
    outcome.name = entry.name;
    MountedEntry mounted;
    std::vector<std::string> notes;
    std::string why;
    bool ready = mounted.Mount(entry, why, notes);
    CachedDisc kept;  // what the cache keeps of the disc, as it goes out
    for (const std::string& note : notes) {
      error(note);
      kept.notes += DiscLine(entry, note);
    }
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
      Finish(index, TextsOf(outcome, nullptr, nullptr));
      return;
    }

    double audio = 0.0;
    for (const TrackRow& row : model.RowsCopy()) audio += PlayingSeconds(row.lengthMsf);
    output_.AddAudio(audio);
    DiscOutput texts;
    // The report is kept as it goes out (the job tells it in order, one piece at a time).
    texts.report = [this, index, &kept](const std::string& text) {
      kept.report += text;
      if (report_) output_.Out(index, text);
    };
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
    bool broke = false;
    for (std::size_t n = 0; n < rows.size(); ++n) {
      TrackOutcome track{rows[n].trackNumber, mounted.TrackFile(rows[n].trackNumber), 0, std::nullopt, {}, {}};
      if (n < records.size() && records[n]) {
        track.blocks = records[n]->blocks;
        track.result = records[n]->result;
        track.bandLimit = rows[n].bandLimit;
        if (records[n]->readFailed) track.notAnalysed = "not analysed: the disc's source broke while it was read";
        broke = broke || records[n]->readFailed;
      } else {
        const bool read = outcome.verdict || n < records.size();
        track.notAnalysed = read ? "not analysed: shorter than one analysis block" : "not analysed";
      }
      outcome.tracks.push_back(std::move(track));
    }
    DiscTexts done = TextsOf(outcome, &model, &host);
    // Only a disc analysed to its end, undisturbed, from files that did not change meanwhile, is kept.
    if (key && outcome.error.empty() && !outcome.stopped && !broke && !interrupts_.Interrupted()) {
      const std::optional<CacheKey> after = KeyOf(entry, options_.skip);
      if (after && after->files == key->files) {
        kept.json = done.json;
        kept.csv = done.csv;
        kept.summary = done.summary;
        kept.counts = done.counts;
        std::string note;
        cache_->Store(*after, kept, note);
        CacheNote(index, note);
      }
    }
    if (!options_.discs.json && !jsonl_.Wanted()) done.json.clear();
    Finish(index, std::move(done));
  }

  // What the disc writes, made now, while its model is alive. Its record is made when any output or the cache takes
  // it.
  DiscTexts TextsOf(const DiscOutcome& outcome, DiscModel* model, CliHost* host) const {
    DiscTexts texts;
    texts.summary = SummaryLine(outcome);
    texts.csv = CsvRows(outcome);
    texts.counts = CountsOf(outcome);
    texts.failed = !outcome.error.empty();
    if (options_.discs.json || jsonl_.Wanted() || (cache_ && model)) {
      texts.json = JsonText(model ? AnalysisJson(outcome, *model, *host)
                                  : outcome.notStarted ? NotStartedJson(outcome) : ErrorJson(outcome));
    }
    return texts;
  }

  // Hands the disc's texts to the ordered output, which writes them in disc order.
  void Finish(std::size_t index, DiscTexts texts) {
    output_.Finish(index, [this, texts = std::move(texts)]() mutable {
      if (texts.failed || pictureFailed_) failed_ = true;
      totals_.Add(texts.counts, texts.cached);
      if (options_.summary) WriteStandardOutput(texts.summary + "\n");
      csv_.Write(texts.csv);
      if (!texts.json.empty()) {
        jsonl_.Write(texts.json + "\n");
        if (options_.discs.json) json_.push_back(std::move(texts.json));
      }
      if (StandardOutputFailed()) interrupts_.Stop();
    });
  }

  const AnalyzeOptions& options_;
  const std::vector<DiscEntry> entries_;
  const std::vector<std::string> stems_;
  PictureModule* pictures_;
  RunStream csv_;
  RunStream jsonl_;
  ResultCache* cache_;
  const bool readCache_;
  const bool report_;  // the report goes to standard output
  InterruptWatch& interrupts_;
  const int jobs_;
  TrackSlots slots_;
  OrderedOutput output_;
  std::atomic<std::size_t> next_{0};
  std::vector<std::thread> threads_;  // the workers but the first
  bool workersStarted_ = false;       // touched by the first worker alone
  std::atomic<bool> pictureFailed_{false};
  // Touched only in disc order, under the ordered output's lock.
  bool failed_ = false;
  SummaryTotals totals_;
  std::vector<std::string> json_;
};

// The K-th of every N discs, in their order.
std::vector<DiscEntry> Shard(std::vector<DiscEntry> entries, int shard, int shards) {
  if (shards <= 1) return entries;
  std::vector<DiscEntry> kept;
  for (std::size_t n = static_cast<std::size_t>(shard - 1); n < entries.size(); n += static_cast<std::size_t>(shards)) {
    kept.push_back(std::move(entries[n]));
  }
  return kept;
}

// An output file of the run that must not be one of the files read; 0, or the usage error's status.
int CheckNotInput(const std::vector<DiscEntry>& entries, const char* option, const std::string& output) {
  if (output.empty() || output == "-") return 0;
  const std::string input = InputAt(entries, output);
  return input.empty() ? 0 : Usage(std::string(option) + " " + output + " would overwrite " + input + ", which is read");
}

// The result cache for the run; null when it is not to be used or cannot be, with the note said.
ResultCache* OpenCache(ResultCache& cache, const AnalyzeOptions& options, const std::vector<DiscEntry>& entries) {
  if (options.noCache) return nullptr;
  // Physical drives are never kept: a run of drives alone does not open it.
  if (std::none_of(entries.begin(), entries.end(), [](const DiscEntry& e) { return e.source.has_value(); })) {
    return nullptr;
  }
  std::string note;
  const std::string path = ResultCache::DefaultPath(note);
  const bool open = !path.empty() && cache.Open(path, note);
  if (path.empty()) note = "the result cache is not used: " + note;
  if (!note.empty()) std::fprintf(stderr, "ossel: %s\n", EscapeControls(note).c_str());
  return open ? &cache : nullptr;
}

// Commits a run's output file; the status, made 1 when the file failed.
int CommitOutput(WholeFile& file, bool used, int status) {
  std::string error;
  if (used && !file.Failed() && !file.Commit(error)) {
    Fail("can't write " + error);
    return status == 0 ? 1 : status;
  }
  return used && file.Failed() && status == 0 ? 1 : status;
}

// Everything `analyze` does once the options are checked.
int RunAnalyzeCommand(const AnalyzeOptions& options, InterruptWatch& interrupts) {
  std::string error;
  auto entries = ListDiscs(options.discs, error);
  if (!entries) return Fail(error);
  // An output must not be one of the files read: it would be emptied before it is read.
  if (const int status = CheckNotInput(*entries, "--csv", options.csv)) return status;
  if (const int status = CheckNotInput(*entries, "--jsonl", options.jsonl)) return status;
  // Every shard sees every disc found, in the same order, and keeps its own of them.
  *entries = Shard(std::move(*entries), options.shard, options.shards);

  PictureModule pictureModule;  // finished when the command ends
  if (!options.pictures.empty()) {
    if (!pictureModule.Load(error)) return Usage(error);
    std::error_code ec;
    std::filesystem::create_directories(options.pictures, ec);
    if (!std::filesystem::is_directory(options.pictures)) {
      return Fail("can't make the folder " + options.pictures + (ec ? ": " + ec.message() : std::string()));
    }
  }

  WholeFile csvFile, jsonlFile;
  const bool csvToFile = !options.csv.empty() && options.csv != "-";
  const bool jsonlToFile = !options.jsonl.empty() && options.jsonl != "-";
  if (csvToFile && !csvFile.Open(options.csv, error)) return Fail("can't write " + error);
  if (jsonlToFile && !jsonlFile.Open(options.jsonl, error)) return Fail("can't write " + error);

  ResultCache cache;
  ResultCache* used = OpenCache(cache, options, *entries);
  AnalyzeRun run(options, std::move(*entries), options.pictures.empty() ? nullptr : &pictureModule,
                 csvToFile ? &csvFile : nullptr, jsonlToFile ? &jsonlFile : nullptr, used, interrupts);
  int status = run.Run();
  // The rows of the discs finished go into place, also after an interrupt; a file that failed is not left half.
  status = CommitOutput(csvFile, csvToFile, status);
  return CommitOutput(jsonlFile, jsonlToFile, status);
}

// The table of --stage-times on standard error: each stage's seconds and share of their sum. False when it could not
// be written.
bool PrintStageTimes() {
  const std::array<double, kAnalysisStages> seconds = StageSeconds();
  double total = 0.0;
  for (const double s : seconds) total += s;
  std::string table = "stage          seconds  share\n";
  for (int s = 0; s < kAnalysisStages; ++s) {
    table += FormatText("%-13s %8.3f %5.1f%%\n", StageName(static_cast<AnalysisStage>(s)), seconds[s],
                        total > 0 ? 100 * seconds[s] / total : 0.0);
  }
  table += FormatText("%-13s %8.3f\n", "total", total);
  return std::fputs(table.c_str(), stderr) >= 0 && std::fflush(stderr) == 0;
}

}  // namespace

int RunAnalyze(const AnalyzeOptions& options) {
  InterruptWatch interrupts;  // first, so that every thread started later leaves the signals to it
  if (options.stageTimes) EnableStageClock();
  const int status = RunAnalyzeCommand(options, interrupts);
  // The table asked for and not written is a failure like any other output's; there is nowhere left to say so.
  if (options.stageTimes && !PrintStageTimes() && status == 0) return 1;
  return status;
}

}  // namespace ossel::cli
