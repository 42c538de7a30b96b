// What a user names as discs (cue sheets, audio files, folders) made into virtual discs and mounted in a drive
// table under the next free letters.
//
// Each cue sheet is a disc. The audio files named together form one disc, one track each, in the order named.
// A folder holding exactly one cue sheet is that sheet's disc; otherwise its lossless audio files, in natural
// order of their names ("2 …" before "10 …"), are one disc.
#pragma once

#include <string>
#include <vector>

#include "platform/drive_table.h"

namespace ossel {

struct MountedDisc {
  char letter = 0;
  std::string name;  // the cue sheet, the first audio file, or the folder
};

// Mounts every disc of `paths`, in the order named (the audio files' disc where its first file was named).
// Nothing is mounted when any of them is unusable; `error` then names it and the fault.
std::vector<MountedDisc> MountImages(const std::vector<std::string>& paths, DriveTable& table, std::string& error);

bool IsCueSheetPath(const std::string& path);
// Files that libsndfile reads without loss: WAV, FLAC, AIFF and their kin, by extension.
bool IsLosslessAudioPath(const std::string& path);
// "track 2" before "track 10": runs of digits compare by value, the rest by character.
bool NaturalLess(const std::string& a, const std::string& b);

}  // namespace ossel
