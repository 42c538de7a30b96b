// Finding the discs of a music library: 1,000 album folders of 12 files each (ten tracks, a cover, a cue sheet or a
// text file), 100 artists of ten albums. The files are empty but for the sheets: the search reads folders only.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/image_mount.h"

namespace {

namespace fs = std::filesystem;

constexpr int kArtists = 100;
constexpr int kAlbumsPerArtist = 10;
constexpr int kTracks = 10;

class Library {
 public:
  Library() {
    std::string pattern = (fs::temp_directory_path() / "ossel-library-XXXXXX").string();
    root_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
    for (int a = 1; a <= kArtists; ++a) {
      for (int b = 1; b <= kAlbumsPerArtist; ++b) {
        const fs::path album = fs::path(root_) / ("Artist " + std::to_string(a)) / ("Album " + std::to_string(b));
        fs::create_directories(album);
        std::string sheet;
        for (int t = 1; t <= kTracks; ++t) {
          char name[32];
          std::snprintf(name, sizeof name, "%02d Track.flac", t);
          std::ofstream(album / name).flush();
          sheet += std::string("FILE \"") + name + "\" WAVE\n  TRACK " + std::to_string(t) + " AUDIO\n" +
                   "    INDEX 01 00:00:00\n";
        }
        std::ofstream(album / "cover.jpg").flush();
        // Half the albums come with a sheet, the others with a text file.
        if (b % 2 == 0)
          std::ofstream(album / "album.cue") << sheet;
        else
          std::ofstream(album / "info.txt") << "ripped\n";
      }
    }
  }
  ~Library() {
    std::error_code ec;
    if (!root_.empty()) fs::remove_all(root_, ec);
  }
  const std::string& root() const { return root_; }

 private:
  std::string root_;
};

void BM_FindDiscs(benchmark::State& state) {
  static const Library library;
  std::size_t discs = 0;
  for (auto _ : state) {
    std::vector<std::string> problems;
    const std::vector<ossel::DiscSource> found = ossel::FindDiscs({library.root()}, true, problems);
    discs = found.size();
    if (!problems.empty()) state.SkipWithError(problems.front().c_str());
    benchmark::DoNotOptimize(found.data());
  }
  state.counters["discs"] = static_cast<double>(discs);
}
BENCHMARK(BM_FindDiscs)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
