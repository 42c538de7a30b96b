// The texts of several discs worked on side by side, written in the order of the discs, so that a run gives the
// same output whatever the number of jobs: the first unfinished disc's texts go out as they come, the others' are
// held until every disc before them is finished. On a terminal, one progress line stays at the bottom of standard
// error: discs done of all (and how many of them came from the result cache), the audio analysed, the speed and the
// time left.
#pragma once

#include <chrono>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace ossel::cli {

class OrderedOutput {
 public:
  OrderedOutput(std::size_t discs, bool showProgress);

  // Standard output and standard error of disc `disc`.
  void Out(std::size_t disc, const std::string& text);
  void Err(std::size_t disc, const std::string& text);

  // The disc is finished: `inOrder` runs when every disc before it has run its own, under the lock that orders the
  // output (it may write to standard output and error directly, and keep what it likes).
  void Finish(std::size_t disc, std::function<void()> inOrder);

  // What the progress line counts: audio seconds of discs being worked on (once their length is known), and
  // audio seconds analysed.
  void AddAudio(double seconds);
  void AddAnalysed(double seconds);
  // A disc whose outputs came from the result cache: none of its audio is analysed.
  void AddCached();
  // Removes the progress line for good.
  void EndProgress();

 private:
  struct Held {
    std::vector<std::pair<std::FILE*, std::string>> pieces;
    std::function<void()> inOrder;
    bool finished = false;
  };

  void Write(std::size_t disc, std::FILE* stream, const std::string& text);
  static void Put(std::FILE* stream, const std::string& text);
  void ClearProgressLocked();
  void DrawProgressLocked();

  std::mutex mutex_;
  std::vector<Held> held_;
  std::size_t head_ = 0;  // the first disc not yet written to the end

  bool showProgress_;
  bool progressShown_ = false;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point lastDrawn_{};
  std::size_t discsDone_ = 0;
  double audioKnown_ = 0.0;     // seconds of audio of the discs whose length is known
  std::size_t discsKnown_ = 0;  // how many those are
  std::size_t discsCached_ = 0;  // discs from the result cache
  double analysed_ = 0.0;       // seconds of audio analysed
};

}  // namespace ossel::cli
