// The command line's side of the analysis job for one disc: the console report goes to the disc's output with
// "\n" line breaks, errors to its error output, and the results are kept for the summary, CSV and JSON.
#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "analysis/disc_model.h"
#include "analysis/job_host.h"

namespace ossel::cli {

// Where one disc's texts go; called from the job's threads.
struct DiscOutput {
  std::function<void(const std::string&)> report;  // the report's text as it grows; empty to keep it only
  std::function<void(const std::string&)> error;   // one error line, without "ossel: " and line break
  std::function<void(int rowIndex)> trackDone;     // a track is finished (judged, or too short to judge)
};

class CliHost : public JobHost {
 public:
  struct TrackRecord {
    int blocks = 0;
    std::optional<TrackResult> result;
    bool readFailed = false;  // ended after the disc's source broke: what it read is no verdict's ground
  };

  CliHost(DiscModel& model, DiscOutput output);

  void ClearAnalysisViews() override;
  void UpdatePageAvailability() override {}
  int SelectedPage() override { return kPageTracks; }
  void SetTrackNumberText(const std::string&) override {}
  void ConsoleAppend(const std::string& text) override;
  void EnableDriveBox() override {}
  void PostDataChanged(View, DataChange, RowTarget) override {}
  void ShowError(const std::string& text) override;
  void TrackJudged(int rowIndex, int blocks, const TrackResult* result) override;
  void DiscJudged(int verdict, double probability) override;

  // Read once the job has ended.
  const std::string& Console() const { return console_; }
  const std::vector<std::optional<TrackRecord>>& Tracks() const { return tracks_; }
  std::optional<int> discVerdict;
  double discProbability = 0.0;
  bool failed = false;     // the job reported an error
  std::string firstError;  // the first one

 private:
  DiscModel& model_;
  DiscOutput output_;
  std::mutex mutex_;
  std::string console_;  // the console's text, "\r\n" line breaks
  std::vector<std::optional<TrackRecord>> tracks_;
};

// The console's text as the command line prints it: "\r\n" becomes "\n".
std::string UnixLineBreaks(const std::string& text);

}  // namespace ossel::cli
