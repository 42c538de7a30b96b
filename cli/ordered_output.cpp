#include "cli/ordered_output.h"

#include "cli/output_file.h"

namespace ossel::cli {

namespace {

// "1:02:03" or "2:03".
std::string Duration(double seconds) {
  const long s = seconds < 0 ? 0 : static_cast<long>(seconds + 0.5);
  char text[32];
  if (s >= 3600) {
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  } else {
    std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
  }
  return text;
}

}  // namespace

OrderedOutput::OrderedOutput(std::size_t discs, bool showProgress) : held_(discs), showProgress_(showProgress) {}

void OrderedOutput::Out(std::size_t disc, const std::string& text) { Write(disc, stdout, text); }
void OrderedOutput::Err(std::size_t disc, const std::string& text) { Write(disc, stderr, text); }

void OrderedOutput::Write(std::size_t disc, std::FILE* stream, const std::string& text) {
  std::lock_guard lock(mutex_);
  if (disc != head_) {
    held_[disc].pieces.emplace_back(stream, text);
    return;
  }
  ClearProgressLocked();
  Put(stream, text);
  DrawProgressLocked();
}

void OrderedOutput::Finish(std::size_t disc, std::function<void()> inOrder) {
  std::lock_guard lock(mutex_);
  held_[disc].inOrder = std::move(inOrder);
  held_[disc].finished = true;
  ++discsDone_;
  ClearProgressLocked();
  while (head_ < held_.size() && held_[head_].finished) {
    Held done = std::move(held_[head_]);
    if (done.inOrder) done.inOrder();
    if (++head_ == held_.size()) break;
    // The next disc's held texts go out; from now on it writes directly.
    for (auto& [stream, text] : held_[head_].pieces) Put(stream, text);
    held_[head_].pieces.clear();
  }
  DrawProgressLocked();
}

void OrderedOutput::Put(std::FILE* stream, const std::string& text) {
  if (stream == stdout) {
    // Once standard output has failed (a full disk, a reader gone), nothing more is written to it.
    if (!StandardOutputFailed()) WriteStandardOutput(text);
    return;
  }
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fflush(stream);
}

void OrderedOutput::AddAudio(double seconds) {
  std::lock_guard lock(mutex_);
  audioKnown_ += seconds;
  ++discsKnown_;
}

void OrderedOutput::AddAnalysed(double seconds) {
  std::lock_guard lock(mutex_);
  analysed_ += seconds;
  // A track ends a few times a second at most; the line is redrawn at most every tenth of a second.
  const auto now = std::chrono::steady_clock::now();
  if (now - lastDrawn_ < std::chrono::milliseconds(100)) return;
  ClearProgressLocked();
  DrawProgressLocked();
}

void OrderedOutput::AddCached() {
  std::lock_guard lock(mutex_);
  ++discsCached_;
}

void OrderedOutput::EndProgress() {
  std::lock_guard lock(mutex_);
  ClearProgressLocked();
  showProgress_ = false;
}

void OrderedOutput::ClearProgressLocked() {
  if (!progressShown_) return;
  std::fputs("\r\033[K", stderr);
  progressShown_ = false;
}

void OrderedOutput::DrawProgressLocked() {
  if (!showProgress_) return;
  const auto now = std::chrono::steady_clock::now();
  lastDrawn_ = now;
  const double wall = std::chrono::duration<double>(now - start_).count();
  const double speed = wall > 0.5 ? analysed_ / wall : 0.0;
  // The discs not yet opened are taken to be as long as the average of those that are; those from the cache cost
  // nothing.
  const double perDisc = discsKnown_ ? audioKnown_ / static_cast<double>(discsKnown_) : 0.0;
  const std::size_t opened = std::min(held_.size(), discsKnown_ + discsCached_);
  const double total = audioKnown_ + perDisc * static_cast<double>(held_.size() - opened);
  std::string line = "discs " + std::to_string(discsDone_) + "/" + std::to_string(held_.size());
  if (discsCached_ > 0) line += " (" + std::to_string(discsCached_) + " from the cache)";
  char text[96];
  std::snprintf(text, sizeof text, "  audio %.2f h", analysed_ / 3600.0);
  line += text;
  if (speed > 0) {
    std::snprintf(text, sizeof text, "  %.1fx real time  left %s", speed, Duration((total - analysed_) / speed).c_str());
    line += text;
  }
  std::fprintf(stderr, "\r\033[K%s", line.c_str());
  std::fflush(stderr);
  progressShown_ = true;
}

}  // namespace ossel::cli
