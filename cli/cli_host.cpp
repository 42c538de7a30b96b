#include "cli/cli_host.h"

#include <cstdio>

#include "analysis/report.h"

namespace ossel::cli {

std::string UnixLineBreaks(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

CliHost::CliHost(DiscModel& model, bool printReport, bool showProgress)
    : model_(model), printReport_(printReport), showProgress_(showProgress) {}

void CliHost::ClearAnalysisViews() { model_.ClearAnalysisData(); }

void CliHost::ConsoleAppend(const std::string& text) {
  std::string appended;
  ConsoleAppendTo(appended, text);
  console_ += appended;
  if (!printReport_) return;
  EndProgress();
  const std::string out = UnixLineBreaks(appended);
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fflush(stdout);
}

void CliHost::PostDataChanged(View view, int wParam, int lParam) {
  if (!showProgress_ || view != View::TrackList || wParam != kDataRefresh || lParam < 0) return;
  const TrackRow row = model_.RowCopy(lParam);
  std::lock_guard lock(progressMutex_);
  std::fprintf(stderr, "\r\033[Ktrack %02d  %-6s  %s  read errors %s", lParam + 1, row.statusText.c_str(),
               row.elapsedText.c_str(), row.readErrorText.c_str());
  std::fflush(stderr);
  progressShown_ = true;
}

void CliHost::EndProgress() {
  std::lock_guard lock(progressMutex_);
  if (!progressShown_) return;
  std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
  progressShown_ = false;
}

void CliHost::ShowError(const std::string& text) {
  EndProgress();
  std::fprintf(stderr, "ossel: %s\n", text.c_str());
  failed = true;
}

void CliHost::TrackJudged(int rowIndex, int blocks, const TrackResult* result) {
  if (rowIndex < 0) return;
  if (tracks_.size() <= static_cast<std::size_t>(rowIndex)) tracks_.resize(static_cast<std::size_t>(rowIndex) + 1);
  TrackRecord record;
  record.blocks = blocks;
  if (result) record.result = *result;
  tracks_[static_cast<std::size_t>(rowIndex)] = record;
}

void CliHost::DiscJudged(int verdict, double probability) {
  discVerdict = verdict;
  discProbability = probability;
}

}  // namespace ossel::cli
