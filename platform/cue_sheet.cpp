#include "platform/cue_sheet.h"

#include <iconv.h>
#include <libcue.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
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

  // What was read the way its ripper meant it, "line N: what", in the order of the sheet.
  std::vector<std::string>& notes() { return notes_; }

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
    MarkDataOnlyFiles();
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
  // A line that costs nothing of the track table is passed over, and the caller told.
  bool PassOver(const std::string& why) {
    notes_.push_back("line " + std::to_string(line_) + ": " + why);
    return true;
  }

  // A file is data only when every sector in it belongs to a data track: every index in it is a data track's, and
  // what lies before its first index (which belongs to the track of the index before) too.
  void MarkDataOnlyFiles() {
    std::vector<int> state(sheet_.files.size(), 0);  // 0 no index, 1 data only, 2 audio
    const CueTrack* before = nullptr;                 // the track of the index before
    for (const CueTrack& track : sheet_.tracks) {
      for (const CueIndex& index : track.indexes) {
        int& file = state[static_cast<std::size_t>(index.file)];
        if (file == 0) file = index.time > 0 && (before ? before->audio : track.audio) ? 2 : 1;
        if (track.audio) file = 2;
        before = &track;
      }
    }
    for (std::size_t i = 0; i < sheet_.files.size(); ++i) sheet_.files[i].dataOnly = state[i] == 1;
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
    file.name = w[1];
    file.line = line_;
    sheet_.files.push_back(std::move(file));
    return true;
  }

  bool Track(const std::vector<std::string>& w) {
    if (!Takes(w, 2, "a number and a mode")) return false;
    if (sheet_.files.empty()) return Refuse("TRACK before any FILE");
    if (!sheet_.tracks.empty() && !TrackComplete()) return false;
    const std::optional<int> number = Number(w[1]);
    // The first track may have any number (the second disc of a set ripped as one starts at 04); the others follow.
    const int expected =
        sheet_.tracks.empty() ? (number && *number >= 1 ? *number : 1) : sheet_.tracks.back().number + 1;
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
    track.number = *number;
    track.audio = w[2] == "AUDIO";
    if (!track.audio) track.sectorBytes = std::stoi(w[2].substr(6));
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

  // Metadata never costs the disc: what is malformed is passed over with a note.
  bool Isrc(const std::vector<std::string>& w) {
    if (sheet_.tracks.empty()) return PassOver("ISRC outside a track, passed over");
    if (!Takes(w, 1, "a code")) return PassOver(why_ + ", passed over");
    const std::string code = NormalIsrc(w[1]);
    if (code.empty())
      return PassOver("ISRC '" + Shown(w[1]) + "' passed over: an ISRC is a country (2 letters), an owner (3 letters "
                      "or digits), a year (2 digits) and a number (5 digits)");
    sheet_.tracks.back().isrc = code;
    // Read as the ripper meant it, and said: the sheet's form is not the code's.
    if (code != w[1]) notes_.push_back("line " + std::to_string(line_) + ": ISRC '" + Shown(w[1]) + "' read as " + code);
    return true;
  }

  bool Catalog(const std::vector<std::string>& w) {
    if (!sheet_.tracks.empty()) return PassOver("CATALOG inside a track, passed over");
    if (!Takes(w, 1, "a number")) return PassOver(why_ + ", passed over");
    if (w[1].size() != 13 || !IsDigits(w[1]))
      return PassOver("CATALOG '" + Shown(w[1]) + "' passed over: a catalogue number is 13 digits");
    sheet_.catalog = w[1];
    return true;
  }

  // The 12 characters of an ISRC, as rippers also write it: with hyphens ("US-S1Z-99-00001"), in lower case. Empty
  // when what is left is not an ISRC.
  static std::string NormalIsrc(const std::string& text) {
    std::string code;
    for (char c : text) {
      if (c == '-') continue;
      code += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    const auto letter = [](char c) { return c >= 'A' && c <= 'Z'; };
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (code.size() != 12 || !letter(code[0]) || !letter(code[1])) return {};
    for (std::size_t i = 2; i < 12; ++i)
      if (!digit(code[i]) && (i >= 5 || !letter(code[i]))) return {};
    return code;
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
    return Refuse("track " + std::to_string(track.number) + " has no INDEX 01");
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
  std::vector<std::string> notes_;
  int lastIndexFile_ = -1;
  std::int32_t lastIndexTime_ = 0;
};

std::int32_t Index1Time(const CueTrack& track) {
  for (const CueIndex& index : track.indexes)
    if (index.number == 1) return index.time;
  return -1;
}

// Reads the sheet again with libcue, which must agree with the scan on the tracks, where each one starts and which
// are audio.
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
    if (track.audio != (track_get_mode(parsed) == MODE_AUDIO)) {
      error = Fault(cuePath, "line " + std::to_string(track.line) + ": the cue parser misreads this track's mode");
      return false;
    }
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

// The text for libcue: the lines of the commands the scan passes over (REM, CD-TEXT, FLAGS) and of the codes it reads
// itself (ISRC, CATALOG) are emptied, their line ends kept, so that a title libcue cannot read (unquoted, with an
// apostrophe or a Latin-1 letter) or a code written the way rippers write it never troubles it.
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
    const std::string_view command = std::string_view(text).substr(word, wordEnd - word);
    if (OneOf(command, kIgnoredCommands) || command == "ISRC" || command == "CATALOG")
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
  std::sort(names.begin(), names.end());  // messages that name two of them always name them alike
  return names;
}

// ---------------------------------------------------------------------------------------------------------------
// Finding the files a sheet names.

// The code points of UTF-8 text; false when it is not UTF-8 (overlong forms, surrogates and what lies past U+10FFFF
// included).
bool DecodeUtf8(std::string_view text, std::u32string* out) {
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    const int length = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (length == 0 || i + length > text.size()) return false;
    char32_t c = length == 1 ? b : b & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      c = c << 6 | (next & 0x3F);
    }
    constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kLeast[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    if (out) out->push_back(c);
    i += static_cast<std::size_t>(length);
  }
  return true;
}

// The small letter of a capital: ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic, which is what file names of
// rips hold; other code points are kept.
char32_t FoldCase(char32_t c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) ||
      (c >= 0x410 && c <= 0x42F))
    return c + 0x20;
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  if (c == 0x178) return 0xFF;
  const bool evenCapital = (c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177);
  const bool oddCapital = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
  if ((evenCapital && c % 2 == 0) || (oddCapital && c % 2 == 1)) return c + 1;
  return c;
}

// A name for comparing without regard to letter case; a name that is not UTF-8 by its ASCII letters only.
std::u32string CaseFolded(const std::string& name) {
  std::u32string folded;
  if (DecodeUtf8(name, &folded)) {
    for (char32_t& c : folded) c = FoldCase(c);
    return folded;
  }
  folded.clear();
  for (char c : name)
    folded.push_back(c >= 'A' && c <= 'Z' ? static_cast<char32_t>(c - 'A' + 'a') : static_cast<unsigned char>(c));
  return folded;
}

// `text` from the code page `page` to UTF-8; false when it holds what the code page has no character for.
bool FromCodePage(const std::string& text, const char* page, std::string& out) {
  const iconv_t cd = ::iconv_open("UTF-8", page);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  out.assign(text.size() * 4 + 4, '\0');
  char* in = const_cast<char*>(text.data());
  std::size_t inLeft = text.size();
  char* to = out.data();
  std::size_t toLeft = out.size();
  const bool done = ::iconv(cd, &in, &inLeft, &to, &toLeft) != static_cast<std::size_t>(-1) && inLeft == 0;
  ::iconv_close(cd);
  out.resize(out.size() - toLeft);
  return done;
}

// The code pages a sheet that is not UTF-8 is read in, in this order. The multi-byte pages come first: a name in a
// single-byte page almost never decodes in them (their second bytes are bounded) and, when it does, rarely names a
// file that is there, while every byte string decodes in a single-byte page. Of these, windows-1251 (Cyrillic) comes
// before windows-1252 (Western): its letters are what a Cyrillic name is made of, where a Western name rarely holds
// more than a few accented letters that could as well be Cyrillic; and every candidate is only taken when it names a
// file that is there.
constexpr const char* kCodePages[] = {"CP932", "GB18030", "WINDOWS-1251", "WINDOWS-1252"};
constexpr const char* kCodePageNames[] = {"Shift-JIS", "GBK", "windows-1251", "windows-1252"};

// The name as written is taken when anything is there (a FIFO is then refused by name when it is opened); any other
// candidate only when it is a regular file.
bool Present(const fs::path& path, bool asWritten) {
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  return asWritten ? fs::exists(status) : fs::is_regular_file(status);
}

struct Candidate {
  fs::path path;
  std::string rule;  // empty for the name as written
};

// Where a name may be, in the order tried: as written, with its backslashes as folder separators, then the ends of
// the path below the sheet's folder, the shortest (the last part beside the sheet) the last.
std::vector<Candidate> Candidates(const fs::path& folder, const std::string& name) {
  std::vector<Candidate> candidates;
  const auto add = [&](fs::path path, std::string rule) {
    for (const Candidate& c : candidates)
      if (c.path == path) return;
    candidates.push_back({std::move(path), std::move(rule)});
  };
  const fs::path written(name);
  add(written.is_absolute() ? written : folder / written, "");
  std::string slashed = name;
  std::replace(slashed.begin(), slashed.end(), '\\', '/');
  const bool drive = slashed.size() >= 2 && slashed[1] == ':' && std::isalpha(static_cast<unsigned char>(slashed[0]));
  if (drive) slashed.erase(0, 2);
  const bool rooted = drive || (!slashed.empty() && slashed[0] == '/');
  if (!rooted && slashed != name) add(folder / slashed, "its backslashes read as folder separators");
  std::vector<std::string> parts;
  for (std::size_t at = 0; at <= slashed.size();) {
    const std::size_t end = std::min(slashed.find('/', at), slashed.size());
    if (end > at && slashed.compare(at, end - at, ".") != 0) parts.push_back(slashed.substr(at, end - at));
    at = end + 1;
  }
  for (std::size_t first = 0; first < parts.size(); ++first) {
    fs::path tail = folder;
    for (std::size_t i = first; i < parts.size(); ++i) tail /= parts[i];
    if (first + 1 == parts.size())
      add(tail, "its last part, beside the sheet");
    else
      add(tail, rooted ? "a path of another machine, read below the sheet's folder"
                       : "the end of its path, below the sheet's folder");
  }
  return candidates;
}

std::string JoinRules(const std::string& a, const std::string& b) {
  return a.empty() ? b : b.empty() ? a : a + "; " + b;
}

// The first candidate of `name` there is, by the name as it is, its letter case, or a lossless sibling.
FoundCueFile FindByName(const fs::path& folder, const std::string& name, bool soundFile) {
  FoundCueFile found;
  for (const Candidate& c : Candidates(folder, name)) {
    if (Present(c.path, c.rule.empty())) {
      found.path = c.path.string();
      found.rules = c.rule;
      return found;
    }
    const fs::path parent = c.path.parent_path();
    const std::vector<std::string> names = FolderNames(parent);
    const std::string wanted = c.path.filename().string();
    const std::u32string folded = CaseFolded(wanted);
    std::vector<std::string> matches;
    for (const std::string& candidate : names)
      if (CaseFolded(candidate) == folded) matches.push_back(candidate);
    if (matches.size() > 1) {
      found.error = Fault(EscapeControls(c.path.string()), "two files match it but for letter case, \"" +
                                                                EscapeControls(matches[0]) + "\" and \"" +
                                                                EscapeControls(matches[1]) + "\"");
      return found;
    }
    if (matches.size() == 1) {
      found.path = (parent / matches[0]).string();
      found.rules = JoinRules(c.rule, "its name in another letter case");
      return found;
    }
    if (soundFile) {
      const std::string standIn = LosslessStandIn(wanted, names);
      if (!standIn.empty()) {
        found.path = (parent / standIn).string();
        found.rules = JoinRules(c.rule, "the same name with another lossless extension");
        return found;
      }
      // Both at once: converted after ripping, and named in another letter case.
      const std::u32string stem = CaseFolded(fs::path(wanted).stem().string());
      for (const std::string& extension : LosslessExtensions()) {
        for (const std::string& candidate : names) {
          const fs::path path(candidate);
          if (LowerExtension(path) != extension || CaseFolded(path.stem().string()) != stem) continue;
          found.path = (parent / candidate).string();
          found.rules = JoinRules(JoinRules(c.rule, "its name in another letter case"),
                                  "the same name with another lossless extension");
          return found;
        }
      }
    }
  }
  return found;
}

// Every file of the sheet found by FindCueFile. A data-only file need not be there: it is never read. Each rule that
// found a file is told once in `notes` ("line N: ..."), at the first file it found, with how many more it found.
bool FindFiles(const std::string& cuePath, const std::string& text, CueSheet& sheet, std::string& error,
               std::vector<std::string>& notes) {
  const bool legacy = !IsUtf8(text);
  const std::string folder = fs::path(cuePath).parent_path().string();
  struct Told {
    std::string rules, first;
    int more = 0;
  };
  std::vector<Told> told;
  const auto tell = [&](const std::string& rules, std::string first) {
    for (Told& t : told)
      if (t.rules == rules) return void(++t.more);
    told.push_back({rules, std::move(first), 0});
  };
  for (CueFile& file : sheet.files) {
    const FoundCueFile found = FindCueFile(folder, file.name, file.kind == FileKind::Sound, legacy);
    const std::string line = "line " + std::to_string(file.line) + ": \"" +
                             Shown(found.name.empty() ? file.name : found.name) + "\"";
    if (!found.error.empty() && !file.dataOnly) {
      error = found.error + " (named by " + cuePath + ")";
      return false;
    }
    if (found.path.empty()) {
      if (!file.dataOnly) {
        error = Fault(Shown(file.path), "file not found (named by " + cuePath + ")");
        return false;
      }
      tell("data", line + " not found: its data track is laid out without contents, as data tracks are never read");
      continue;
    }
    if (!found.rules.empty())
      tell(found.rules, line + " not found, using \"" + Shown(fs::path(found.path).filename().string()) + "\" (" +
                            found.rules + ")");
    file.path = found.path;
  }
  for (const Told& t : told) {
    std::string note = t.first;
    if (t.more > 0) note += ", and likewise for " + std::to_string(t.more) + " more files";
    notes.push_back(std::move(note));
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
  std::vector<int> tracks;  // of each file: 0 none yet, else what the tracks in it were (lenient: no index is read)
  std::vector<std::string> words;
  for (std::size_t begin = 0; begin < text.size();) {
    std::size_t end = text.find('\n', begin);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(begin, end - begin);
    begin = end + 1;
    if (!SplitWords(line, words) || words.size() < 2) continue;
    const std::string command = AsciiUpper(words[0]);
    if (command == "TRACK" && !files.empty()) {
      const bool audio = AsciiUpper(words.back()) == "AUDIO";
      if (!audio && tracks.back() == 0) files.back().dataOnly = true;
      if (audio) files.back().dataOnly = false;
      tracks.back() += audio ? 2 : 1;
      continue;
    }
    if (command != "FILE") continue;
    const std::string type = AsciiUpper(words.back());
    files.push_back({words[1], words.size() > 2 && (type == "BINARY" || type == "MOTOROLA"), false});
    tracks.push_back(0);
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

bool IsUtf8(std::string_view text) { return DecodeUtf8(text, nullptr); }

FoundCueFile FindCueFile(const std::string& folder, const std::string& name, bool soundFile, bool legacyText) {
  FoundCueFile found = FindByName(folder, name, soundFile);
  if (!found.path.empty() || !found.error.empty() || !legacyText || IsUtf8(name)) return found;
  for (std::size_t i = 0; i < std::size(kCodePages); ++i) {
    std::string decoded;
    if (!FromCodePage(name, kCodePages[i], decoded) || decoded == name) continue;
    FoundCueFile again = FindByName(folder, decoded, soundFile);
    if (again.path.empty() && again.error.empty()) continue;
    again.rules = JoinRules(std::string("its name read as ") + kCodePageNames[i], again.rules);
    again.name = decoded;
    return again;
  }
  return found;
}

bool ReadCueSheet(const std::string& cuePath, CueSheet& sheet, std::string& error, std::vector<std::string>* notes) {
  std::string text;
  if (!ReadCueText(cuePath, text, error)) return false;
  text = UpperCaseCueCommands(text);
  CueScanner scanner(cuePath);
  std::vector<std::string>& told = scanner.notes();
  if (!scanner.Scan(text, sheet, error) || !ReadWithLibcue(LayoutLines(text), cuePath, sheet, error) ||
      !FindFiles(cuePath, text, sheet, error, told))
    return false;
  // Every note begins "line N: ", and they are told in the order of the sheet.
  const auto line = [](const std::string& note) { return std::atoi(note.c_str() + 5); };
  std::stable_sort(told.begin(), told.end(),
                   [&](const std::string& a, const std::string& b) { return line(a) < line(b); });
  if (notes)
    for (const std::string& note : told) notes->push_back(cuePath + ": " + note);
  return true;
}

}  // namespace ossel::vdisc
