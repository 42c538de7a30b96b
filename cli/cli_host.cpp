#include "cli/cli_host.h"

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

CliHost::CliHost(DiscModel& model, DiscOutput output) : model_(model), output_(std::move(output)) {}

void CliHost::ClearAnalysisViews() {}

void CliHost::ConsoleAppend(const std::string& text) {
  std::string appended;
  ConsoleAppendTo(appended, text);
  std::lock_guard lock(mutex_);
  console_ += appended;
  if (output_.report) output_.report(UnixLineBreaks(appended));
}

void CliHost::ShowError(const std::string& text) {
  std::lock_guard lock(mutex_);
  if (!failed) firstError = text;
  failed = true;
  if (output_.error) output_.error(text);
}

void CliHost::TrackJudged(int rowIndex, int blocks, const TrackResult* result) {
  if (rowIndex < 0) return;
  {
    std::lock_guard lock(mutex_);
    if (tracks_.size() <= static_cast<std::size_t>(rowIndex)) tracks_.resize(static_cast<std::size_t>(rowIndex) + 1);
    TrackRecord record;
    record.blocks = blocks;
    if (result) record.result = *result;
    record.readFailed = model_.RowCopy(rowIndex).statusText == ReadFailedWord();
    tracks_[static_cast<std::size_t>(rowIndex)] = record;
  }
  if (output_.trackDone) output_.trackDone(rowIndex);
}

void CliHost::DiscJudged(int verdict, double probability) {
  std::lock_guard lock(mutex_);
  discVerdict = verdict;
  discProbability = probability;
}

}  // namespace ossel::cli
