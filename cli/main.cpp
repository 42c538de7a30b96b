// ossel: the analyzer's command line.
#include <CLI/CLI.hpp>

#include <cctype>
#include <csignal>
#include <cstdio>
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

}  // namespace

namespace {

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

  app.add_subcommand("drives", "list the CD drives (letter, device, vendor and product)");

  DiscOptions tocOptions, infoOptions;
  std::string tocDrive, infoDrive;
  CLI::App* toc = app.add_subcommand("toc", "print the table of contents");
  AddDiscOptions(*toc, tocOptions, tocDrive);
  CLI::App* info = app.add_subcommand("info", "the drive and disc information and the ISRC codes");
  AddDiscOptions(*info, infoOptions, infoDrive);

  AnalyzeOptions analyze;
  std::string analyzeDrive, pictureSize;
  int jobs = 0;
  CLI::App* analyzeCommand =
      app.add_subcommand("analyze", "judge every audio track and each disc; prints the analysis report");
  AddDiscOptions(*analyzeCommand, analyze.discs, analyzeDrive);
  analyzeCommand->add_option("--skip", analyze.skip, "analyse one piece in K (1 = every block, the default)")
      ->type_name("K")
      ->check(CLI::Range(1, 8));
  CLI::Option* jobsOption =
      analyzeCommand->add_option("--jobs", jobs, "tracks analysed at once, across discs (default: the cores)")
          ->type_name("N")
          ->check(CLI::Range(1, 64));
  analyzeCommand->add_flag("--summary", analyze.summary, "one line per disc and a totals line instead of the report");
  CLI::Option* csv = analyzeCommand->add_option("--csv", analyze.csv, "one row per track to FILE, or - for standard output")
      ->type_name("FILE");
  CLI::Option* pictures =
      analyzeCommand->add_option("--pictures", analyze.pictures, "also each track's two pages as PNG in DIR")
          ->type_name("DIR");
  analyzeCommand->add_option("--picture-size", pictureSize, "their size, each side 64 to 8192 (default 1200x600)")
      ->type_name("WxH")
      ->needs(pictures);

  if (argc < 2) {
    std::fputs(app.help().c_str(), stderr);
    return 2;
  }
  const std::string first = argv[1];
  if (first.empty() || first[0] != '-') {
    const auto commands = app.get_subcommands([&](const CLI::App* command) { return command->get_name() == first; });
    if (commands.empty()) {
      return ossel::cli::Usage("unknown command '" + first + "' (see ossel --help)");
    }
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);
    std::string where = "ossel";
    for (const CLI::App* command : app.get_subcommands()) where += " " + command->get_name();
    return ossel::cli::Usage(std::string(e.what()) + " (see " + where + " --help)");
  }

  if (app.got_subcommand("drives")) return ossel::cli::RunDrives();
  auto letter = [](const std::string& text, DiscOptions& options) {
    return DriveLetter(text, options.drive) ? 0
                                            : ossel::cli::Usage("--drive takes one letter, not '" + text + "'");
  };
  if (app.got_subcommand(toc)) {
    const int status = letter(tocDrive, tocOptions);
    return status ? status : ossel::cli::RunToc(tocOptions);
  }
  if (app.got_subcommand(info)) {
    const int status = letter(infoDrive, infoOptions);
    return status ? status : ossel::cli::RunInfo(infoOptions);
  }

  if (const int status = letter(analyzeDrive, analyze.discs)) return status;
  if (jobsOption->count() > 0) analyze.jobs = jobs;
  if (!pictureSize.empty() && !PictureSize(pictureSize, analyze.pictureWidth, analyze.pictureHeight)) {
    return ossel::cli::Usage("--picture-size takes WIDTHxHEIGHT, each from 64 to 8192 pixels, not '" + pictureSize +
                             "'");
  }
  if (csv->count() > 0 && analyze.csv.empty()) {
    return ossel::cli::Usage("--csv takes the file to write the rows to, or - for standard output");
  }
  if (pictures->count() > 0 && analyze.pictures.empty()) {
    return ossel::cli::Usage("--pictures takes the folder to write the pictures to");
  }
  if (analyze.csv == "-" && (analyze.summary || analyze.discs.json)) {
    return ossel::cli::Usage("--csv - writes to standard output, which --summary and --json need too");
  }
  return ossel::cli::RunAnalyze(analyze);
}

}  // namespace

int main(int argc, char** argv) {
  // A reader that has gone away is a failed write, said as every other one is, not a silent end of the process.
  std::signal(SIGPIPE, SIG_IGN);
  return ossel::cli::FinishStandardOutput(Run(argc, argv));
}
