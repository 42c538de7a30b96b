// What a user names as discs (cue sheets, audio files, folders) made into virtual discs, and mounted in a drive
// table under the next free letters.
//
// Each cue sheet named is a disc. The audio files named together form one disc, one track each, in the order named
// (lossy files too). A folder is a disc by these rules, in this order:
//   - its cue sheets whose files are all found, by the rules a disc is made by (vdisc::FindCueFile: a Windows path, a
//     name in another letter case or code page, a lossless stand-in; a file of data tracks only need not be there),
//     are one disc each, in natural order of their names ("CD1.cue", "CD2.cue");
//   - without such a sheet, its lossless audio files (WAV, FLAC, AIFF and their kin), in natural order of their names
//     ("2 …" before "10 …"), are the tracks of one disc. Lossy files are never tracks of a folder's disc;
//   - otherwise it is no disc: an error names the sheet and its missing file, or says the folder holds neither.
// Hidden files and folders (a leading dot) are passed over.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/drive_table.h"

namespace ossel {

class VirtualDisc;

// What one disc is made of: a cue sheet, or audio files; or, with `problem`, a path where a disc was looked for
// that is none.
struct DiscSource {
  std::string name;                     // what listings show: the cue sheet, the folder, or the first audio file
  std::string cueSheet;                 // the disc's sheet, or empty
  std::vector<std::string> audioFiles;  // without a sheet: the tracks, in order
  std::string note;                     // to tell when the disc is made: why a folder's cue sheet was passed over
  std::string problem;                  // why `name` is no disc (it cannot be read, or names a missing file)
};

// The discs of `paths`, in the order named; with `recursive`, every folder at or below a named folder that is a disc
// counts, those of one named folder in path order (natural order of each part of the path). Only the folders are
// read, never the audio files, so that a library is searched quickly; symbolic links to folders are followed, each
// folder once. What cannot be read, or is no disc, is an entry with a `problem` in its place in the same order, and
// the search goes on. A named folder without a disc is a problem; below it, only folders with a cue sheet that is
// no disc are.
std::vector<DiscSource> FindDiscs(const std::vector<std::string>& paths, bool recursive);
// The same, with the problems apart, each as "path: reason", in their order.
std::vector<DiscSource> FindDiscs(const std::vector<std::string>& paths, bool recursive,
                                  std::vector<std::string>& problems);

// Opens the files of the disc and checks them. Null with a one-line `error` naming the file and the fault. What the
// caller should know (the disc's note, a stand-in for a missing file of its sheet) is added to `notes`.
std::shared_ptr<VirtualDisc> MakeDisc(const DiscSource& source, std::string& error,
                                      std::vector<std::string>* notes = nullptr);

struct MountedDisc {
  char letter = 0;
  std::string name;  // the cue sheet, the first audio file, or the folder
  std::shared_ptr<VirtualDisc> disc;
};

// Makes the disc and mounts it under the next free letter; remove it with table.Remove(letter) when done. Nothing
// with `error` when the disc is unusable or no letter is free.
std::optional<MountedDisc> MountDisc(const DiscSource& source, DriveTable& table, std::string& error,
                                     std::vector<std::string>* notes = nullptr);

// Mounts every disc of `paths` (FindDiscs without recursion), in the order named. Nothing is mounted when any of
// them is unusable; `error` then names it and the fault.
std::vector<MountedDisc> MountImages(const std::vector<std::string>& paths, DriveTable& table, std::string& error,
                                     std::vector<std::string>* notes = nullptr);

bool IsCueSheetPath(const std::string& path);
// Files that libsndfile reads without loss: WAV, FLAC, AIFF and their kin, by extension.
bool IsLosslessAudioPath(const std::string& path);
// "track 2" before "track 10": runs of digits compare by value, the rest by character.
bool NaturalLess(const std::string& a, const std::string& b);
// Paths part by part, each part in natural order: "b/2/x" before "b/10", "a" before "a/b".
bool NaturalPathLess(const std::string& a, const std::string& b);

}  // namespace ossel
