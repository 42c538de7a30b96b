// A small library for the tests of the result cache, the shards and JSON Lines, and what they read of the outputs.
#pragma once

#include <filesystem>
#include <string>

#include "support/disc_images.h"
#include "support/text_outputs.h"

namespace ossel::test {

// Albums of two FLAC tracks each ("Album 1" ...), an image whose cue sheet names a WAV where only its FLAC stands (a
// note on standard error in every run), and a disc that cannot be analysed, whose name has a comma (quoted in the
// CSV). In path order: the albums, "Broken, Live", "Image".
struct SmallLibrary {
  ImageFolder root;
  int albums;
  bool ok = true;

  explicit SmallLibrary(int albumCount = 3, int seconds = 5) : albums(albumCount) {
    for (int a = 1; a <= albums; ++a) {
      std::filesystem::create_directories(Album(a));
      for (int t = 1; t <= 2; ++t) ok = ok && WriteTrack(Album(a) + "/" + std::to_string(t) + ".flac", a * 10 + t, seconds);
    }
    std::filesystem::create_directories(Image());
    std::filesystem::create_directories(root / "lib/Broken, Live");
    ok = ok && WriteTrack(Image() + "/Image.flac", 7, seconds) &&
         WriteText(Image() + "/Image.cue", "FILE \"Image.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n") &&
         WriteText(root / "lib/Broken, Live/Live.cue", "FILE \"gone.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
  }

  std::string Lib() const { return root / "lib"; }
  std::string Album(int n) const { return root / ("lib/Album " + std::to_string(n)); }
  std::string Image() const { return root / "lib/Image"; }
  // The XDG_CACHE_HOME of the runs that share a cache, and the cache's file.
  std::string Cache() const { return root / "cache"; }
  std::string CacheFile() const { return root / "cache/ossel/results.sqlite"; }
  // How many discs a run keeps: all but the broken one.
  int Kept() const { return albums + 1; }

  static bool WriteTrack(const std::string& path, int seed, int seconds, int format = SF_FORMAT_FLAC) {
    return WriteSound(path, Noise(std::int64_t{seconds} * 44100, static_cast<std::uint32_t>(seed)),
                      SoundFormat{format | SF_FORMAT_PCM_16, 2, 44100});
  }
};

// How many discs the totals line says came from the cache (0 when it says nothing of it).
inline int FromCache(const std::string& out) {
  const auto lines = Lines(out);
  if (lines.empty()) return -1;
  const std::string& last = lines.back();
  const auto at = last.rfind("; ");
  if (at == std::string::npos || last.find(" from the cache", at) == std::string::npos) return 0;
  return std::stoi(last.substr(at + 2));
}

// The output with the totals line's "; N discs from the cache" left out.
inline std::string WithoutCacheCount(std::string out) {
  const auto at = out.rfind("; ");
  const auto end = at == std::string::npos ? at : out.find(" from the cache\n", at);
  if (end != std::string::npos) out.erase(at, end + std::string(" from the cache").size() - at);
  return out;
}

// Standard error without its lines about the result cache; `notes` counts them.
inline std::string WithoutCacheNotes(const std::string& err, int& notes) {
  std::string kept;
  notes = 0;
  for (const std::string& line : Lines(err)) {
    if (line.find("result cache") != std::string::npos) {
      ++notes;
    } else {
      kept += line + "\n";
    }
  }
  return kept;
}

}  // namespace ossel::test
