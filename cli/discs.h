// The discs a command works on: what the user named (cue sheets, audio files, folders, a drive) turned into a list
// of discs, each mounted in the process's drive table only while it is worked on.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/options.h"
#include "device/cd_drive.h"
#include "platform/image_mount.h"
#include "platform/virtual_disc.h"

namespace ossel::cli {

// One disc of a run: a virtual disc to make from its source, a physical drive, or a named path that is no disc
// (`problem` says why; such an entry is reported as a failed disc).
struct DiscEntry {
  std::string name;                  // what listings show: the cue sheet, the folder, the first file, or "X:"
  std::optional<DiscSource> source;  // a virtual disc
  char drive = 0;                    // a physical drive
  std::string problem;
};

// The discs of `options`, in order: the drive (--drive) first, then the discs of the paths; with neither, the first
// CD drive of the machine. Nothing with `error` when there is no disc at all to work on.
std::optional<std::vector<DiscEntry>> ListDiscs(const DiscOptions& options, std::string& error);

// A disc of the list mounted under a drive letter for as long as the object lives.
class MountedEntry {
 public:
  MountedEntry() = default;
  ~MountedEntry();
  MountedEntry(const MountedEntry&) = delete;
  MountedEntry& operator=(const MountedEntry&) = delete;

  // Makes and mounts a virtual disc, or takes the physical drive; false with `error`. What the user should know
  // about the disc (a stand-in for a missing file) goes into `notes`.
  bool Mount(const DiscEntry& entry, std::string& error, std::vector<std::string>& notes);
  char letter() const { return letter_; }
  // The file holding the start of track `number` of a virtual disc; empty when unknown.
  std::string TrackFile(int number) const;

 private:
  std::shared_ptr<VirtualDisc> disc_;
  char letter_ = 0;
  bool virtual_ = false;
};

// Opens the drive and reads its table of contents; false with `error` naming the disc.
bool OpenDisc(CdDrive& drive, char letter, const std::string& name, std::string& error);

// The start of the names of files made for a disc: the cue sheet's or first audio file's name without its
// extension, the folder's name, or the drive's letter; "disc" when there is no better one.
std::string DiscStem(const DiscEntry& entry);

}  // namespace ossel::cli
