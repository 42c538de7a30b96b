// Cue sheets: the text of a sheet read into the files, tracks and indexes of a disc.
//
// A sheet is read as people have them: a UTF-8 byte-order mark, CRLF line ends, commands in any letter case. A sheet
// is refused only when no track table can be built from it; whatever else is wrong with it is read the way its ripper
// meant it, and the caller is told so in a note naming the sheet and the line: a file named the way Windows names it,
// in another letter case, in a legacy code page, or converted to another lossless format (FindCueFile); a malformed
// ISRC or CATALOG, which is left out; a data track whose file is missing or a placeholder, which is laid out as a data
// track without contents.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/audio_source.h"

namespace ossel::vdisc {

enum class FileKind { Binary, Motorola, Sound };

struct CueFile {
  std::string path;  // as found
  std::string name;  // as the sheet writes it
  int line = 0;
  FileKind kind = FileKind::Sound;
  // Only data tracks lie in the file: it is never read, and may be missing or a placeholder of any size.
  bool dataOnly = false;
};

struct CueIndex {
  int number = 0;
  std::int32_t time = 0;  // sectors from the start of its file
  int file = 0;
};

struct CueTrack {
  int line = 0;
  int number = 0;  // as the sheet numbers it: the first may be any of 1 to 99, the others follow it
  int sectorBytes = kSectorBytes;  // what one sector takes in a raw file, from the track mode
  std::int32_t pregap = 0;         // silence before the track that no file holds
  std::int32_t postgap = 0;        // silence after it
  std::vector<CueIndex> indexes;
  bool audio = true;
  std::string isrc;  // well formed, or empty
};

struct CueSheet {
  std::string catalog;
  std::vector<CueFile> files;
  std::vector<CueTrack> tracks;
};

// Reads and checks a whole sheet; every file it names is there (or has a stand-in) when this succeeds. False with a
// one-line `error` naming the sheet and the line, or the missing file. Stand-ins are told in one line of `notes`.
bool ReadCueSheet(const std::string& cuePath, CueSheet& sheet, std::string& error, std::vector<std::string>* notes);

// The text of a sheet, without its byte-order mark; false with `error` when it is missing, empty or too large.
bool ReadCueText(const std::string& cuePath, std::string& text, std::string& error);

// The text with the command keywords in capitals (FILE and its type, TRACK and its mode, INDEX, FLAGS and its
// flags, ...); everything else, quoted names, values and line ends included, is kept byte for byte.
std::string UpperCaseCueCommands(std::string_view text);

// The files the FILE lines of a sheet name, as written, whatever the letter case of the commands. Lenient: lines
// that are not understood are passed over (reading the whole sheet refuses them).
struct CueFileName {
  std::string name;
  bool raw = false;       // BINARY or MOTOROLA: raw CD-DA, which no sound file replaces
  bool dataOnly = false;  // every track in it is a data track: the file need not be there
};
std::vector<CueFileName> CueFileNames(std::string_view text);

// The lossless extensions of the sound files a disc takes, lower case, the most likely stand-in first.
const std::vector<std::string>& LosslessExtensions();

// Of `folderNames` (the entries of the folder of a missing file named `name`), the one to take in its place: the
// same name before the extension and a lossless extension, in the order of LosslessExtensions. Empty when none.
std::string LosslessStandIn(const std::string& name, const std::vector<std::string>& folderNames);

// Whether a sheet's text is UTF-8 throughout; when it is not, its names may be in a legacy code page.
bool IsUtf8(std::string_view text);

// The file a FILE line names, found by these rules in order, each tried only when the ones before find nothing:
//   - the name as written, below the sheet's folder `folder` unless it is absolute;
//   - backslashes read as folder separators; a path rooted on another machine (a drive letter "C:\...", a leading
//     backslash) and every other path that is not there, by the ends of the path below the sheet's folder, its last
//     part alone beside the sheet the last;
//   - for each of these, the one file whose name differs in letter case only, then (a sound file) the file of the
//     same name with another lossless extension;
//   - when the sheet is not UTF-8 (`legacyText`), all of this again with the name decoded from a legacy code page.
struct FoundCueFile {
  std::string path;   // empty when nothing was found
  std::string rules;  // how it was found, for a note; empty when the name as written is there
  std::string error;  // "path: why" when the rules find no one file (two that differ in letter case only)
  std::string name;   // the name as the sheet meant it, in UTF-8, when it was read from another code page
};
FoundCueFile FindCueFile(const std::string& folder, const std::string& name, bool soundFile, bool legacyText);

}  // namespace ossel::vdisc
