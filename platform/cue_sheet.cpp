#include "platform/cue_sheet.h"

#include <libcue.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>

#include "platform/regular_file.h"
#include "platform/text_escape.h"

namespace ossel::vdisc {

namespace fs = std::filesystem;

namespace {

// Cue sheets. libcue is lax: it skips lines it cannot parse, takes any time, and forgets file types, the catalogue
// number and which file an index lies in. So the sheet's text is scanned here first; the scan refuses every line it
// does not understand and records the layout, and libcue's reading is checked against it.

constexpr std::uintmax_t kMaxCueSheetBytes = 1 << 20;

// Commands that say nothing about the layout of the disc.
constexpr const char* kIgnoredCommands[] = {"REM",       "CDTEXTFILE", "TITLE",   "PERFORMER", "SONGWRITER",
                                            "COMPOSER",  "ARRANGER",   "MESSAGE", "DISC_ID",   "GENRE",
                                            "TOC_INFO1", "TOC_INFO2",  "UPC_EAN", "SIZE_INFO", "FLAGS"};
constexpr const char* kTrackModes[] = {"AUDIO",      "MODE1/2048", "MODE1/2352", "MODE2/2048",
                                       "MODE2/2332", "MODE2/2336", "MODE2/2342", "MODE2/2352"};

// Splits a line into words; a quoted word may hold blanks. False on an unmatched quote.
bool SplitWords(std::string_view line, std::vector<std::string>& words) {
  words.clear();
  std::size_t i = 0;
  while (true) {
    while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    if (i == line.size()) return true;
    if (line[i] == '"') {
      const std::size_t close = line.find('"', i + 1);
      if (close == std::string_view::npos) return false;
      words.emplace_back(line.substr(i + 1, close - i - 1));
      i = close + 1;
    } else {
      const std::size_t start = i;
      while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) ++i;
      words.emplace_back(line.substr(start, i - start));
    }
  }
}

bool IsDigits(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

// Text of the sheet as a message quotes it: control bytes and what is not UTF-8 as \xHH.
std::string Shown(const std::string& text) { return EscapeControls(text); }

// "line N: a NUL byte, ...", the line counted up to the first NUL of `text`; empty when it holds none.
std::string NulLine(const std::string& text) {
  const std::size_t nul = text.find('\0');
  if (nul == std::string::npos) return {};
  const auto line = std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(nul), '\n') + 1;
  return "line " + std::to_string(line) + ": a NUL byte, which no text file holds";
}

// Line ends of CR alone, as old Mac text has them: the whole sheet reads as one line.
bool CrOnlyLineEnds(const std::string& text) {
  const std::size_t cr = text.find('\r');
  return text.find('\n') == std::string::npos && cr != std::string::npos && cr + 1 < text.size();
}

class CueScanner {
 public:
  explicit CueScanner(std::string cuePath) : cuePath_(std::move(cuePath)), folder_(fs::path(cuePath_).parent_path()) {}

  bool Scan(const std::string& text, CueSheet& sheet, std::string& error) {
    // Before any command is read: a NUL would cut the words, and a sheet of one long line would be misread.
    if (const std::string nul = NulLine(text); !nul.empty()) {
      error = Fault(cuePath_, nul);
      return false;
    }
    if (CrOnlyLineEnds(text)) {
      error = Fault(cuePath_, "its line ends are CR only, as in old Mac text; it needs LF or CRLF line ends");
      return false;
    }
    std::istringstream lines(text);
    std::string line;
    std::vector<std::string> words;
    while (std::getline(lines, line)) {
      ++line_;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!SplitWords(line, words)) return Fail("unmatched quote", error);
      if (!words.empty() && !Command(words)) return Fail(why_, error);
    }
    if (sheet_.tracks.empty()) {
      error = Fault(cuePath_, "the cue sheet holds no track");
      return false;
    }
    if (!TrackComplete()) return Fail(why_, error);
    sheet = std::move(sheet_);
    return true;
  }

 private:
  bool Fail(const std::string& why, std::string& error) const {
    error = Fault(cuePath_, "line " + std::to_string(line_) + ": " + why);
    return false;
  }
  bool Refuse(std::string why) {
    why_ = std::move(why);
    return false;
  }

  bool Command(const std::vector<std::string>& w) {
    const std::string& c = w[0];
    if (c == "FILE") return File(w);
    if (c == "TRACK") return Track(w);
    if (c == "INDEX") return Index(w);
    if (c == "PREGAP" || c == "POSTGAP") return Gap(w, c == "POSTGAP");
    if (c == "ISRC") return Isrc(w);
    if (c == "CATALOG") return Catalog(w);
    if (std::find(std::begin(kIgnoredCommands), std::end(kIgnoredCommands), c) != std::end(kIgnoredCommands))
      return true;
    return Refuse("unknown command '" + Shown(c) + "'");
  }

  // The command has `count` words after it, `what`; false with why when it has fewer or more.
  bool Takes(const std::vector<std::string>& w, std::size_t count, const char* what) {
    if (w.size() < count + 1) return Refuse(w[0] + " needs " + what);
    if (w.size() > count + 1)
      return Refuse(w[0] + " takes " + what + "; the line has more after " + (count == 1 ? "it" : "them") + ": '" +
                    Shown(w[count + 1]) + "'");
    return true;
  }

  bool File(const std::vector<std::string>& w) {
    if (!Takes(w, 2, "a name and a type")) return false;
    CueFile file;
    if (w[2] == "BINARY") {
      file.kind = FileKind::Binary;
    } else if (w[2] == "MOTOROLA") {
      file.kind = FileKind::Motorola;
    } else if (w[2] != "WAVE" && w[2] != "AIFF" && w[2] != "FLAC" && w[2] != "MP3") {
      return Refuse("unknown file type '" + Shown(w[2]) + "'");
    }
    const fs::path name(w[1]);
    file.path = (name.is_absolute() ? name : folder_ / name).string();
    sheet_.files.push_back(std::move(file));
    return true;
  }

  bool Track(const std::vector<std::string>& w) {
    if (!Takes(w, 2, "a number and a mode")) return false;
    if (sheet_.files.empty()) return Refuse("TRACK before any FILE");
    if (!sheet_.tracks.empty() && !TrackComplete()) return false;
    const std::optional<int> number = Number(w[1]);
    const int expected = static_cast<int>(sheet_.tracks.size()) + 1;
    if (!number && IsDigits(w[1]) && w[1].find_first_not_of('0') != std::string::npos &&
        w[1].size() - w[1].find_first_not_of('0') > 2)
      return Refuse("TRACK " + w[1] + ": a disc holds at most 99 tracks");
    if (!number) return Refuse("TRACK " + Shown(w[1]) + ": a track number is one or two digits");
    if (expected > 99) return Refuse("TRACK " + w[1] + ": a disc holds at most 99 tracks");
    if (number != expected) return Refuse("TRACK " + w[1] + " where track " + std::to_string(expected) + " belongs");
    if (std::find(std::begin(kTrackModes), std::end(kTrackModes), w[2]) == std::end(kTrackModes))
      return Refuse("unknown track mode '" + Shown(w[2]) + "'");
    CueTrack track;
    track.line = line_;
    if (w[2] != "AUDIO") track.sectorBytes = std::stoi(w[2].substr(6));
    sheet_.tracks.push_back(std::move(track));
    return true;
  }

  bool Index(const std::vector<std::string>& w) {
    if (!Takes(w, 2, "a number and a time")) return false;
    CueTrack* track = Current("INDEX");
    const std::optional<int> number = Number(w[1]);
    std::int32_t time = 0;
    if (!track || !Time(w[2], time)) return false;
    const int expected = track->indexes.empty() ? -1 : track->indexes.back().number + 1;
    if (!number || (expected < 0 ? *number > 1 : *number != expected))
      return Refuse("INDEX " + Shown(w[1]) + " out of order: indexes count up from 00 or 01");
    const int file = static_cast<int>(sheet_.files.size()) - 1;
    if (file == lastIndexFile_ && time < lastIndexTime_)
      return Refuse("INDEX " + w[1] + " " + w[2] + " lies before the previous index of the same file");
    lastIndexFile_ = file;
    lastIndexTime_ = time;
    track->indexes.push_back({*number, time, file});
    return true;
  }

  bool Gap(const std::vector<std::string>& w, bool post) {
    const char* name = post ? "POSTGAP" : "PREGAP";
    if (!Takes(w, 1, "a time")) return false;
    CueTrack* track = Current(name);
    std::int32_t time = 0;
    if (!track || !Time(w[1], time)) return false;
    if (post ? !HasIndex1(*track) : !track->indexes.empty())
      return Refuse(std::string(name) + (post ? " before INDEX 01" : " after an INDEX"));
    (post ? track->postgap : track->pregap) = time;
    return true;
  }

  bool Isrc(const std::vector<std::string>& w) {
    CueTrack* track = Current("ISRC");
    if (!track || !Takes(w, 1, "a code")) return false;
    const auto isrcCharacter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); };
    if (w[1].size() != 12 || !std::all_of(w[1].begin(), w[1].end(), isrcCharacter))
      return Refuse("ISRC must be 12 capital letters and digits");
    return true;
  }

  bool Catalog(const std::vector<std::string>& w) {
    if (!sheet_.tracks.empty()) return Refuse("CATALOG inside a track");
    if (!Takes(w, 1, "a number")) return false;
    if (w[1].size() != 13 || !IsDigits(w[1]))
      return Refuse("CATALOG must be 13 digits");
    sheet_.catalog = w[1];
    return true;
  }

  CueTrack* Current(const char* command) {
    if (sheet_.tracks.empty()) {
      Refuse(std::string(command) + " outside a track");
      return nullptr;
    }
    return &sheet_.tracks.back();
  }

  static bool HasIndex1(const CueTrack& track) {
    return std::any_of(track.indexes.begin(), track.indexes.end(), [](const CueIndex& i) { return i.number == 1; });
  }

  bool TrackComplete() {
    const CueTrack& track = sheet_.tracks.back();
    if (HasIndex1(track)) return true;
    line_ = track.line;  // the error points at the track
    return Refuse("track " + std::to_string(sheet_.tracks.size()) + " has no INDEX 01");
  }

  static std::optional<int> Number(const std::string& text) {
    if (text.empty() || text.size() > 2 || !IsDigits(text)) return std::nullopt;
    return std::stoi(text);
  }

  // "mm:ss:ff" with seconds up to 59 and frames up to 74.
  bool Time(const std::string& text, std::int32_t& sectors) {
    int part[3] = {0, 0, 0};
    std::size_t start = 0;
    for (int i = 0; i < 3; ++i) {
      const std::size_t end = i < 2 ? text.find(':', start) : text.size();
      const std::string digits = end == std::string::npos ? std::string() : text.substr(start, end - start);
      if (digits.empty() || digits.size() > 3 || !IsDigits(digits))
        return Refuse("'" + Shown(text) + "' is not a time mm:ss:ff");
      part[i] = std::stoi(digits);
      start = end + 1;
    }
    if (part[1] > 59) return Refuse("impossible time " + text + ": seconds over 59");
    if (part[2] > 74) return Refuse("impossible time " + text + ": frames over 74");
    sectors = (part[0] * 60 + part[1]) * ioctl::kFramesPerSecond + part[2];
    return true;
  }

  std::string cuePath_;
  fs::path folder_;
  int line_ = 0;
  std::string why_;
  CueSheet sheet_;
  int lastIndexFile_ = -1;
  std::int32_t lastIndexTime_ = 0;
};

std::int32_t Index1Time(const CueTrack& track) {
  for (const CueIndex& index : track.indexes)
    if (index.number == 1) return index.time;
  return -1;
}

// Reads the track modes and ISRC codes with libcue, which must agree with the scan on the tracks and where each
// one starts.
bool ReadWithLibcue(const std::string& text, const std::string& cuePath, CueSheet& sheet, std::string& error) {
  // libcue reads a text only up to a NUL, and one cut short there leaks what it had read so far.
  if (const std::string nul = NulLine(text); !nul.empty()) {
    error = Fault(cuePath, nul);
    return false;
  }
  static std::mutex parserLock;  // libcue keeps its parser state in globals
  std::lock_guard lock(parserLock);
  std::unique_ptr<Cd, void (*)(Cd*)> cd(cue_parse_string(text.c_str()), cd_delete);
  const int count = cd ? cd_get_ntrack(cd.get()) : 0;
  if (count != static_cast<int>(sheet.tracks.size())) {
    error = Fault(cuePath, "the cue parser reads " + std::to_string(count) + " of its " +
                               std::to_string(sheet.tracks.size()) + " tracks");
    return false;
  }
  for (int i = 0; i < count; ++i) {
    CueTrack& track = sheet.tracks[static_cast<std::size_t>(i)];
    const Track* parsed = cd_get_track(cd.get(), i + 1);
    if (!parsed || track_get_index(parsed, 1) != Index1Time(track)) {
      error = Fault(cuePath, "line " + std::to_string(track.line) + ": the cue parser misreads this track");
      return false;
    }
    track.audio = track_get_mode(parsed) == MODE_AUDIO;
    const char* isrc = track_get_isrc(parsed);
    track.isrc = isrc ? isrc : "";
  }
  return true;
}

// ---------------------------------------------------------------------------------------------------------------
// Letter case. The scan and libcue both know the commands in capitals only, so the keywords are put in capitals
// before either reads the text.

constexpr const char* kLayoutCommands[] = {"FILE", "TRACK", "INDEX", "PREGAP", "POSTGAP", "ISRC", "CATALOG"};
constexpr const char* kFileTypes[] = {"BINARY", "MOTOROLA", "WAVE", "AIFF", "FLAC", "MP3"};
constexpr const char* kFlags[] = {"DCP", "4CH", "PRE", "SCMS"};

template <std::size_t N>
bool OneOf(std::string_view word, const char* const (&list)[N]) {
  return std::find(std::begin(list), std::end(list), word) != std::end(list);
}

// Capitals of ASCII letters only: a Latin-1 or UTF-8 byte is never changed.
std::string AsciiUpper(std::string_view word) {
  std::string upper(word);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return upper;
}

bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// The words of one line of `text`, [begin, end), as places in the text; a quoted word includes its quotes.
class LineWords {
 public:
  LineWords(std::string& text, std::size_t begin, std::size_t end) : text_(text), at_(begin), end_(end) {}

  // The next word, false at the end of the line.
  bool Next() {
    while (at_ < end_ && IsBlank(text_[at_])) ++at_;
    if (at_ >= end_) return false;
    begin_ = at_;
    quoted_ = text_[at_] == '"';
    if (quoted_) {
      const std::size_t close = text_.find('"', at_ + 1);
      at_ = close == std::string::npos || close >= end_ ? end_ : close + 1;
    } else {
      while (at_ < end_ && !IsBlank(text_[at_])) ++at_;
    }
    return true;
  }

  // Puts the word in capitals when, in capitals, it is one of `list`; returns it in capitals.
  template <std::size_t N>
  std::string Capitalise(const char* const (&list)[N]) {
    if (quoted_) return {};
    std::string upper = AsciiUpper(std::string_view(text_).substr(begin_, at_ - begin_));
    if (!OneOf(upper, list)) return {};
    text_.replace(begin_, upper.size(), upper);
    return upper;
  }

 private:
  std::string& text_;
  std::size_t at_, end_;
  std::size_t begin_ = 0;
  bool quoted_ = false;
};

void CapitaliseLine(std::string& text, std::size_t begin, std::size_t end) {
  LineWords words(text, begin, end);
  if (!words.Next()) return;
  std::string command = words.Capitalise(kLayoutCommands);
  if (command.empty()) command = words.Capitalise(kIgnoredCommands);
  if (command == "FILE") {
    if (words.Next() && words.Next()) words.Capitalise(kFileTypes);
  } else if (command == "TRACK") {
    if (words.Next() && words.Next()) words.Capitalise(kTrackModes);
  } else if (command == "FLAGS") {
    while (words.Next()) words.Capitalise(kFlags);
  }
}

// The text for libcue: the lines of the commands the scan passes over (REM, CD-TEXT, FLAGS) are emptied, their line
// ends kept, so that a title libcue cannot read (unquoted, with an apostrophe or a Latin-1 letter) never troubles it.
std::string LayoutLines(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t begin = 0; begin < text.size();) {
    std::size_t end = text.find('\n', begin);
    end = end == std::string::npos ? text.size() : end + 1;
    std::size_t word = begin;
    while (word < end && IsBlank(text[word])) ++word;
    std::size_t wordEnd = word;
    while (wordEnd < end && !IsBlank(text[wordEnd])) ++wordEnd;
    if (OneOf(std::string_view(text).substr(word, wordEnd - word), kIgnoredCommands))
      out += '\n';
    else
      out.append(text, begin, end - begin);
    begin = end;
  }
  // libcue ends every command with a line end, the last one too: a sheet saved without one would read as broken.
  if (!out.empty() && out.back() != '\n') out += '\n';
  return out;
}

// ---------------------------------------------------------------------------------------------------------------
// Stand-ins for missing sound files.

std::string LowerExtension(const fs::path& path) {
  std::string extension = path.extension().string();
  for (char& c : extension)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return extension;
}

// The regular files of a folder, by name; empty when it cannot be read.
std::vector<std::string> FolderNames(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec), end; !ec && it != end; it.increment(ec))
    if (it->is_regular_file(ec)) names.push_back(it->path().filename().string());
  return names;
}

// Every file of the sheet is there, or a lossless file of the same name stands in for a missing sound file.
bool FindFiles(const std::string& cuePath, CueSheet& sheet, std::string& error, std::vector<std::string>* notes) {
  std::string firstStandIn;
  int standIns = 0;
  fs::path listed;
  std::vector<std::string> names;
  for (CueFile& file : sheet.files) {
    std::error_code ec;
    if (fs::exists(fs::status(file.path, ec))) continue;
    const fs::path missing(file.path);
    std::string standIn;
    if (file.kind == FileKind::Sound) {
      if (standIns == 0 || listed != missing.parent_path()) {
        listed = missing.parent_path();
        names = FolderNames(listed);
      }
      standIn = LosslessStandIn(missing.filename().string(), names);
    }
    if (standIn.empty()) {
      error = Fault(Shown(file.path), "file not found (named by " + cuePath + ")");
      return false;
    }
    if (standIns++ == 0)
      firstStandIn = "\"" + Shown(missing.filename().string()) + "\" not found, using \"" + Shown(standIn) + "\"";
    file.path = (missing.parent_path() / standIn).string();
  }
  if (standIns > 0 && notes) {
    std::string note = cuePath + ": " + firstStandIn;
    if (standIns > 1) note += ", and likewise for " + std::to_string(standIns - 1) + " more files";
    notes->push_back(std::move(note));
  }
  return true;
}

}  // namespace

bool ReadCueText(const std::string& cuePath, std::string& text, std::string& error) {
  if (!CheckFile(cuePath, error)) return false;
  if (!ReadRegularFile(cuePath, kMaxCueSheetBytes + 1, text, error)) return false;
  if (text.size() > kMaxCueSheetBytes) {
    error = Fault(cuePath, "too large for a cue sheet");
    return false;
  }
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);  // a UTF-8 byte-order mark
  return true;
}


std::string UpperCaseCueCommands(std::string_view text) {
  std::string out(text);
  for (std::size_t begin = 0; begin < out.size();) {
    std::size_t end = out.find('\n', begin);
    if (end == std::string::npos) end = out.size();
    CapitaliseLine(out, begin, end);
    begin = end + 1;
  }
  return out;
}

std::vector<CueFileName> CueFileNames(std::string_view text) {
  std::vector<CueFileName> files;
  std::vector<std::string> words;
  for (std::size_t begin = 0; begin < text.size();) {
    std::size_t end = text.find('\n', begin);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(begin, end - begin);
    begin = end + 1;
    if (!SplitWords(line, words) || words.size() < 2 || AsciiUpper(words[0]) != "FILE") continue;
    const std::string type = AsciiUpper(words.back());
    files.push_back({words[1], words.size() > 2 && (type == "BINARY" || type == "MOTOROLA")});
  }
  return files;
}

const std::vector<std::string>& LosslessExtensions() {
  // The formats rips are converted to come first. WavPack comes last: libsndfile cannot decode it, so such a file
  // is refused when the disc is made, with an error naming it.
  static const std::vector<std::string> kExtensions = {".flac", ".wav",  ".aiff", ".aif", ".w64", ".rf64",
                                                       ".caf",  ".wave", ".aifc", ".au",  ".snd", ".wv"};
  return kExtensions;
}

std::string LosslessStandIn(const std::string& name, const std::vector<std::string>& folderNames) {
  const std::string stem = fs::path(name).stem().string();
  for (const std::string& extension : LosslessExtensions()) {
    for (const std::string& candidate : folderNames) {
      const fs::path path(candidate);
      if (candidate != name && path.stem() == stem && LowerExtension(path) == extension) return candidate;
    }
  }
  return {};
}

bool ReadCueSheet(const std::string& cuePath, CueSheet& sheet, std::string& error, std::vector<std::string>* notes) {
  std::string text;
  if (!ReadCueText(cuePath, text, error)) return false;
  text = UpperCaseCueCommands(text);
  return CueScanner(cuePath).Scan(text, sheet, error) && ReadWithLibcue(LayoutLines(text), cuePath, sheet, error) &&
         FindFiles(cuePath, sheet, error, notes);
}

}  // namespace ossel::vdisc
