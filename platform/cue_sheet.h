// Cue sheets: the text of a sheet read into the files, tracks and indexes of a disc.
//
// A sheet is read as people have them: a UTF-8 byte-order mark, CRLF line ends, commands in any letter case. A
// sound file the sheet names that is missing is replaced by the file of the same name with another lossless
// extension ("01 Track.wav" by "01 Track.flac"), as rips converted after ripping have them; the caller is told so.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/audio_source.h"

namespace ossel::vdisc {

enum class FileKind { Binary, Motorola, Sound };

struct CueFile {
  std::string path;
  FileKind kind = FileKind::Sound;
};

struct CueIndex {
  int number = 0;
  std::int32_t time = 0;  // sectors from the start of its file
  int file = 0;
};

struct CueTrack {
  int line = 0;
  int sectorBytes = kSectorBytes;  // what one sector takes in a raw file, from the track mode
  std::int32_t pregap = 0;         // silence before the track that no file holds
  std::int32_t postgap = 0;        // silence after it
  std::vector<CueIndex> indexes;
  bool audio = true;
  std::string isrc;
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
  bool raw = false;  // BINARY or MOTOROLA: raw CD-DA, which no sound file replaces
};
std::vector<CueFileName> CueFileNames(std::string_view text);

// The lossless extensions of the sound files a disc takes, lower case, the most likely stand-in first.
const std::vector<std::string>& LosslessExtensions();

// Of `folderNames` (the entries of the folder of a missing file named `name`), the one to take in its place: the
// same name before the extension and a lossless extension, in the order of LosslessExtensions. Empty when none.
std::string LosslessStandIn(const std::string& name, const std::vector<std::string>& folderNames);

}  // namespace ossel::vdisc
