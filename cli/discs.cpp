#include "cli/discs.h"

#include <filesystem>
#include <system_error>

namespace ossel::cli {

std::optional<std::vector<DiscEntry>> ListDiscs(const DiscOptions& options, std::string& error) {
  std::vector<DiscEntry> entries;
  if (options.drive) {
    const char letter = *options.drive;
    if (DriveTable::System().TypeOf(letter) != DriveType::Cdrom) {
      error = std::string("no CD drive at ") + letter + ":";
      return std::nullopt;
    }
    entries.push_back({std::string(1, letter) + ":", std::nullopt, letter, {}});
  }

  if (!options.paths.empty()) {
    // A path that is no disc keeps its place among the discs, in path order.
    for (DiscSource& source : FindDiscs(options.paths, options.recursive)) {
      DiscEntry entry;
      entry.name = source.name;
      if (source.problem.empty())
        entry.source = std::move(source);
      else
        entry.problem = std::move(source.problem);
      entries.push_back(std::move(entry));
    }
    if (entries.empty()) {
      error = "no disc in " + options.paths.front() + (options.paths.size() > 1 ? " and the others named" : "");
      return std::nullopt;
    }
    return entries;
  }

  if (entries.empty()) {
    CdDrive probe;
    if (probe.driveLetters.empty()) {
      error = "no CD drive found: name a cue sheet, audio files or a folder, or --drive LETTER";
      return std::nullopt;
    }
    const char letter = probe.driveLetters.front();
    entries.push_back({std::string(1, letter) + ":", std::nullopt, letter, {}});
  }
  return entries;
}

MountedEntry::~MountedEntry() {
  if (virtual_ && letter_) DriveTable::System().Remove(letter_);
}

bool MountedEntry::Mount(const DiscEntry& entry, std::string& error, std::vector<std::string>& notes) {
  if (!entry.problem.empty()) {
    error = entry.name + ": " + entry.problem;
    return false;
  }
  if (!entry.source) {
    letter_ = entry.drive;
    return true;
  }
  auto mounted = MountDisc(*entry.source, DriveTable::System(), error, &notes);
  if (!mounted) return false;
  letter_ = mounted->letter;
  disc_ = mounted->disc;
  virtual_ = true;
  return true;
}

std::string MountedEntry::TrackFile(int number) const {
  if (!disc_) return {};
  for (const VirtualTrack& track : disc_->Tracks()) {
    if (track.number == number) return track.file;
  }
  return {};
}

bool OpenDisc(CdDrive& drive, char letter, const std::string& name, std::string& error) {
  if (!drive.Open(letter)) {
    error = "can't open drive " + name;
    return false;
  }
  if (!drive.ReadTrackTable()) {
    error = "no readable disc in " + name;
    return false;
  }
  return true;
}

std::string DiscStem(const DiscEntry& entry) {
  if (!entry.source) return entry.drive ? std::string(1, entry.drive) : std::string("disc");
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path path = fs::absolute(fs::path(entry.name), ec).lexically_normal();
  if (ec) path = fs::path(entry.name).lexically_normal();
  if (!path.has_filename()) path = path.parent_path();
  const bool folder = entry.source->cueSheet.empty() ? fs::is_directory(path, ec) : false;
  const std::string stem = (folder ? path.filename() : path.stem()).string();
  return stem.empty() || stem == "." || stem == ".." ? std::string("disc") : stem;
}

}  // namespace ossel::cli
