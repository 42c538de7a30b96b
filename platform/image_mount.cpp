#include "platform/image_mount.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>
#include <set>

#include "platform/virtual_disc.h"

namespace ossel {

namespace fs = std::filesystem;

namespace {

std::string LowerExtension(const std::string& path) {
  std::string ext = fs::path(path).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return ext;
}

// One disc to make: a cue sheet, or audio files.
struct DiscSource {
  std::string cueSheet;
  std::vector<std::string> audioFiles;
  std::string name;
};

bool FolderSource(const std::string& folder, DiscSource& source, std::string& error) {
  std::vector<std::string> cues, audio;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.empty() || name[0] == '.' || !entry.is_regular_file(ec)) continue;
    if (IsCueSheetPath(name)) cues.push_back(entry.path().string());
    if (IsLosslessAudioPath(name)) audio.push_back(entry.path().string());
  }
  if (ec) {
    error = folder + ": " + ec.message();
    return false;
  }
  source.name = folder;
  if (cues.size() == 1) {
    source.cueSheet = cues.front();
    return true;
  }
  if (audio.empty()) {
    error = folder + ": no cue sheet and no lossless audio files in this folder";
    return false;
  }
  std::sort(audio.begin(), audio.end(), NaturalLess);
  source.audioFiles = std::move(audio);
  return true;
}

}  // namespace

bool IsCueSheetPath(const std::string& path) { return LowerExtension(path) == ".cue"; }

bool IsLosslessAudioPath(const std::string& path) {
  static const std::set<std::string> kLossless = {".wav", ".wave", ".flac", ".aif", ".aiff", ".aifc", ".w64",
                                                  ".rf64", ".caf", ".au", ".snd", ".wv"};
  return kLossless.count(LowerExtension(path)) > 0;
}

bool NaturalLess(const std::string& a, const std::string& b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const auto ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[j]);
    if (std::isdigit(ca) && std::isdigit(cb)) {
      std::size_t ei = i, ej = j;
      while (ei < a.size() && std::isdigit(static_cast<unsigned char>(a[ei]))) ++ei;
      while (ej < b.size() && std::isdigit(static_cast<unsigned char>(b[ej]))) ++ej;
      // Compare the values: leading zeros aside, a longer run is larger, else digit by digit.
      std::size_t si = i, sj = j;
      while (si + 1 < ei && a[si] == '0') ++si;
      while (sj + 1 < ej && b[sj] == '0') ++sj;
      if (ei - si != ej - sj) return ei - si < ej - sj;
      const int order = a.compare(si, ei - si, b, sj, ej - sj);
      if (order != 0) return order < 0;
      i = ei;
      j = ej;
      continue;
    }
    if (ca != cb) return ca < cb;
    ++i;
    ++j;
  }
  return a.size() - i < b.size() - j;
}

std::vector<MountedDisc> MountImages(const std::vector<std::string>& paths, DriveTable& table, std::string& error) {
  std::vector<DiscSource> sources;
  std::size_t audioDisc = 0;
  bool haveAudio = false;
  for (const std::string& path : paths) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
      DiscSource source;
      if (!FolderSource(path, source, error)) return {};
      sources.push_back(std::move(source));
    } else if (IsCueSheetPath(path)) {
      sources.push_back({path, {}, path});
    } else {
      if (!haveAudio) {
        haveAudio = true;
        audioDisc = sources.size();
        sources.push_back({{}, {}, path});
      }
      sources[audioDisc].audioFiles.push_back(path);
    }
  }

  std::vector<std::shared_ptr<VirtualDisc>> discs;
  for (const DiscSource& source : sources) {
    auto disc = source.cueSheet.empty() ? VirtualDisc::FromAudioFiles(source.audioFiles, error)
                                        : VirtualDisc::FromCueSheet(source.cueSheet, error);
    if (!disc) return {};
    discs.push_back(std::move(disc));
  }

  std::vector<MountedDisc> mounted;
  for (std::size_t i = 0; i < discs.size(); ++i) {
    const char letter = table.AddCdDrive(discs[i]->AsDrive());
    if (letter == 0) {
      for (const MountedDisc& m : mounted) table.Remove(m.letter);
      error = "too many discs: no free drive letter for " + sources[i].name;
      return {};
    }
    mounted.push_back({letter, sources[i].name});
  }
  return mounted;
}

}  // namespace ossel
