// ossel: the analyzer's command line.
#include <CLI/CLI.hpp>

#include <cctype>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/output_file.h"
#include "platform/language.h"

namespace {

using ossel::cli::AnalyzeOptions;
using ossel::cli::DiscOptions;

const char kDiscs[] =
    "DISC is a cue sheet (each one a disc), audio files (WAV, FLAC, AIFF... at 44100 Hz; together one disc, a track\n"
    "each), or a folder: its cue sheet (one disc per sheet), else its lossless audio files in natural order of their\n"
    "names. With --recursive, every such folder at or below the named ones. With no DISC, the first CD drive.\n"
    "See man ossel for the outputs and the exit status.";

// The disc options every command but `drives` takes.
void AddDiscOptions(CLI::App& command, DiscOptions& options, std::string& drive) {
  command.add_option("DISC", options.paths, "cue sheets, audio files or folders")->type_name("");
  command.add_option("--drive", drive, "a CD drive by letter (see ossel drives)")->type_name("LETTER");
  command.add_flag("-r,--recursive", options.recursive, "every folder at or below those named that makes a disc");
  command.add_flag("--json", options.json, "the records as JSON");
  command.footer(kDiscs);
}

// "D" or "D:" in either case; false otherwise.
bool DriveLetter(const std::string& text, std::optional<char>& letter) {
  if (text.empty()) return true;
  if (text.size() > 2 || (text.size() == 2 && text[1] != ':') || !std::isalpha(static_cast<unsigned char>(text[0]))) {
    return false;
  }
  letter = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
  return true;
}

// "WIDTHxHEIGHT", each side from 64 to 8192 pixels.
bool PictureSize(const std::string& text, int& width, int& height) {
  const std::size_t x = text.find('x');
  if (x == std::string::npos) return false;
  auto side = [](const std::string& digits) -> int {
    if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos) return -1;
    const int value = std::stoi(digits);
    return value >= 64 && value <= 8192 ? value : -1;
  };
  width = side(text.substr(0, x));
  height = side(text.substr(x + 1));
  return width > 0 && height > 0;
}

// A subcommand as the parser holds it: its options are bound to storage the command owns, and `run` carries it
// out once the line has been parsed.
struct Command {
  CLI::App* parser = nullptr;
  std::function<int()> run;
};

// "--drive" checked and set into `options`; then the command.
int WithDrive(const std::string& drive, DiscOptions& options, const std::function<int()>& command) {
  if (!DriveLetter(drive, options.drive)) return ossel::cli::Usage("--drive takes one letter, not '" + drive + "'");
  return command();
}

Command DrivesCommand(CLI::App& app) {
  return {app.add_subcommand("drives", "list the CD drives (letter, device, vendor and product)"),
          [] { return ossel::cli::RunDrives(); }};
}

// `toc` and `info`: the disc options and nothing else.
Command DiscCommand(CLI::App& app, const std::string& name, const std::string& description,
                    int (*run)(const DiscOptions&)) {
  struct State {
    DiscOptions options;
    std::string drive;
  };
  auto state = std::make_shared<State>();
  CLI::App* parser = app.add_subcommand(name, description);
  AddDiscOptions(*parser, state->options, state->drive);
  return {parser, [state, run] { return WithDrive(state->drive, state->options, [&] { return run(state->options); }); }};
}

// "K/N" with 1 <= K <= N <= 1000000.
bool Shard(const std::string& text, int& shard, int& shards) {
  const std::size_t slash = text.find('/');
  if (slash == std::string::npos) return false;
  auto number = [](const std::string& digits) -> int {
    if (digits.empty() || digits.size() > 7 || digits.find_first_not_of("0123456789") != std::string::npos) return -1;
    return std::stoi(digits);
  };
  shard = number(text.substr(0, slash));
  shards = number(text.substr(slash + 1));
  return shard >= 1 && shards >= shard && shards <= 1000000;
}

// Whether two outputs named differently are one file.
bool SameFile(const std::string& a, const std::string& b) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (fs::absolute(a, ec).lexically_normal() == fs::absolute(b, ec).lexically_normal()) return true;
  return fs::exists(a, ec) && fs::exists(b, ec) && fs::equivalent(a, b, ec) && !ec;
}

// What the parser saw of the options of `analyze` that take a value.
struct AnalyzeGiven {
  bool csv = false, jsonl = false, pictures = false;
  std::string pictureSize, shard;
};

// The checks of `analyze` that the parser cannot make itself, in the order they are reported.
int CheckAnalyzeOptions(AnalyzeOptions& analyze, const AnalyzeGiven& given) {
  const std::string& pictureSize = given.pictureSize;
  const bool csvGiven = given.csv, picturesGiven = given.pictures;
  if (!pictureSize.empty() && !PictureSize(pictureSize, analyze.pictureWidth, analyze.pictureHeight)) {
    return ossel::cli::Usage("--picture-size takes WIDTHxHEIGHT, each from 64 to 8192 pixels, not '" + pictureSize +
                             "'");
  }
  if (csvGiven && analyze.csv.empty()) {
    return ossel::cli::Usage("--csv takes the file to write the rows to, or - for standard output");
  }
  if (picturesGiven && analyze.pictures.empty()) {
    return ossel::cli::Usage("--pictures takes the folder to write the pictures to");
  }
  if (analyze.csv == "-" && (analyze.summary || analyze.discs.json)) {
    return ossel::cli::Usage("--csv - writes to standard output, which --summary and --json need too");
  }
  if (given.jsonl && analyze.jsonl.empty()) {
    return ossel::cli::Usage("--jsonl takes the file to write the records to, or - for standard output");
  }
  if (analyze.jsonl == "-" && (analyze.summary || analyze.discs.json || analyze.csv == "-")) {
    return ossel::cli::Usage("--jsonl - writes to standard output, which --summary, --json and --csv - need too");
  }
  if (!analyze.jsonl.empty() && analyze.jsonl != "-" && !analyze.csv.empty() && analyze.csv != "-" &&
      SameFile(analyze.csv, analyze.jsonl)) {
    return ossel::cli::Usage("--csv and --jsonl name the same file, " + analyze.jsonl);
  }
  if (!given.shard.empty() && !Shard(given.shard, analyze.shard, analyze.shards)) {
    return ossel::cli::Usage("--shard takes K/N, the K-th of N shards (1 <= K <= N), not '" + given.shard + "'");
  }
  return 0;
}

Command AnalyzeCommand(CLI::App& app) {
  struct State {
    AnalyzeOptions analyze;
    std::string drive;
    AnalyzeGiven given;
    int jobs = 0;
    CLI::Option* jobsOption = nullptr;
    CLI::Option* csv = nullptr;
    CLI::Option* jsonl = nullptr;
    CLI::Option* pictures = nullptr;
  };
  auto state = std::make_shared<State>();
  AnalyzeOptions& analyze = state->analyze;
  CLI::App* parser = app.add_subcommand("analyze", "judge every audio track and each disc; prints the analysis report");
  AddDiscOptions(*parser, analyze.discs, state->drive);
  parser->add_option("--skip", analyze.skip, "analyse one piece in K (1 = every block, the default)")
      ->type_name("K")
      ->check(CLI::Range(1, 8));
  state->jobsOption =
      parser->add_option("--jobs", state->jobs, "tracks analysed at once, across discs (default: the cores)")
          ->type_name("N")
          ->check(CLI::Range(1, 64));
  parser->add_flag("--summary", analyze.summary, "one line per disc and a totals line instead of the report");
  state->csv =
      parser->add_option("--csv", analyze.csv, "one row per track to FILE, or - for standard output")->type_name("FILE");
  state->jsonl = parser->add_option("--jsonl", analyze.jsonl,
                                    "the records as JSON Lines to FILE (or - for standard output), each disc's as it "
                                    "is done")
                     ->type_name("FILE");
  state->pictures =
      parser->add_option("--pictures", analyze.pictures, "also each track's two pages as PNG in DIR")->type_name("DIR");
  parser->add_option("--picture-size", state->given.pictureSize, "their size, each side 64 to 8192 (default 1200x600)")
      ->type_name("WxH")
      ->needs(state->pictures);
  parser->add_option("--shard", state->given.shard, "only the K-th of every N discs found, in path order")
      ->type_name("K/N");
  CLI::Option* noCache = parser->add_flag("--no-cache", analyze.noCache, "neither read nor write the result cache");
  parser->add_flag("--refresh", analyze.refresh, "analyse every disc and replace its result in the cache")
      ->excludes(noCache);
  parser->add_flag("--stage-times", analyze.stageTimes,
                   "afterwards, the time each stage of the analysis took, summed over its threads, on standard error");
  return {parser, [state] {
            return WithDrive(state->drive, state->analyze.discs, [&] {
              AnalyzeOptions& analyze = state->analyze;
              if (state->jobsOption->count() > 0) analyze.jobs = state->jobs;
              state->given.csv = state->csv->count() > 0;
              state->given.jsonl = state->jsonl->count() > 0;
              state->given.pictures = state->pictures->count() > 0;
              const int status = CheckAnalyzeOptions(analyze, state->given);
              return status ? status : ossel::cli::RunAnalyze(analyze);
            });
          }};
}

// `cache info` and `cache prune`.
Command CacheCommand(CLI::App& app) {
  CLI::App* parser = app.add_subcommand("cache", "the result cache of analyze: where it is and what it holds, or pruned");
  parser->require_subcommand(1);
  parser->add_subcommand("info", "where the result cache is, how many discs it holds and how big it is");
  CLI::App* prune =
      parser->add_subcommand("prune", "remove the results of discs whose files are gone or changed, or of other versions");
  return {parser, [parser, prune] {
            return parser->got_subcommand(prune) ? ossel::cli::RunCachePrune() : ossel::cli::RunCacheInfo();
          }};
}

// Parses the line into one of `commands` and runs it; the exit status.
int Parse(CLI::App& app, const std::vector<Command>& commands, int argc, char** argv) {
  if (argc < 2) {
    std::fputs(app.help().c_str(), stderr);
    return 2;
  }
  const std::string first = argv[1];
  if (first.empty() || first[0] != '-') {
    const auto named = app.get_subcommands([&](const CLI::App* command) { return command->get_name() == first; });
    if (named.empty()) return ossel::cli::Usage("unknown command '" + first + "' (see ossel --help)");
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);
    std::string where = "ossel";
    for (const CLI::App* command : app.get_subcommands()) where += " " + command->get_name();
    return ossel::cli::Usage(std::string(e.what()) + " (see " + where + " --help)");
  }
  for (const Command& command : commands) {
    if (app.got_subcommand(command.parser)) return command.run();
  }
  return 2;  // require_subcommand(1) leaves no other way
}

int Run(int argc, char** argv) {
  // The language is taken out of the arguments first, so that it may stand anywhere on the line.
  std::string languageError;
  const std::optional<ossel::Language> language = ossel::LanguageFromChoice(argc, argv, languageError);
  if (!languageError.empty()) return ossel::cli::Usage(languageError);
  if (language) ossel::SetLanguage(*language);

  CLI::App app("Ossel Analyzer's command line: is the audio of a CD, an image or a rip genuine CD audio, or decoded "
               "from a lossy MPEG source?",
               "ossel");
  app.set_version_flag("--version", "ossel " OSSEL_VERSION, "the program's version");
  // Only for the help: "--lang" is taken out of the arguments before they are parsed.
  std::string languageForHelp;
  app.add_option("--lang", languageForHelp,
                 "en: the report, the information and the track texts in English (also OSSEL_LANG=en); any command")
      ->type_name("LANG");
  app.require_subcommand(1);
  app.fallthrough(false);

  const std::vector<Command> commands{
      DrivesCommand(app),
      DiscCommand(app, "toc", "print the table of contents", ossel::cli::RunToc),
      DiscCommand(app, "info", "the drive and disc information and the ISRC codes", ossel::cli::RunInfo),
      AnalyzeCommand(app),
      CacheCommand(app),
  };
  return Parse(app, commands, argc, argv);
}

}  // namespace

int main(int argc, char** argv) {
  // A reader that has gone away is a failed write, said as every other one is, not a silent end of the process.
  std::signal(SIGPIPE, SIG_IGN);
  return ossel::cli::FinishStandardOutput(Run(argc, argv));
}
