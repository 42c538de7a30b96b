// The command line's side of the analysis job: the console report goes to standard output with "\n" line breaks,
// progress goes to standard error when that is a terminal, and the results are kept for the JSON output.
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "analysis/disc_model.h"
#include "analysis/job_host.h"

namespace ossel::cli {

class CliHost : public JobHost {
 public:
  struct TrackRecord {
    int blocks = 0;
    std::optional<TrackResult> result;
  };

  // With `printReport` the console text is written to standard output as it arrives.
  CliHost(DiscModel& model, bool printReport, bool showProgress);

  void ClearAnalysisViews() override;
  void UpdatePageAvailability() override {}
  int SelectedPage() override { return kPageTracks; }
  void SetTrackNumberText(const std::string&) override {}
  void ConsoleAppend(const std::string& text) override;
  void EnableDriveBox() override {}
  void PostDataChanged(View view, int wParam, int lParam) override;
  void ShowError(const std::string& text) override;
  void TrackJudged(int rowIndex, int blocks, const TrackResult* result) override;
  void DiscJudged(int verdict, double probability) override;

  // Ends the progress line, if one is showing.
  void EndProgress();

  const std::string& Console() const { return console_; }
  const std::vector<std::optional<TrackRecord>>& Tracks() const { return tracks_; }
  std::optional<int> discVerdict;
  double discProbability = 0.0;
  bool failed = false;  // the job reported an error

 private:
  DiscModel& model_;
  bool printReport_;
  bool showProgress_;
  std::mutex progressMutex_;
  bool progressShown_ = false;
  std::string console_;  // the console's text, "\r\n" line breaks
  std::vector<std::optional<TrackRecord>> tracks_;
};

// The console's text as the command line prints it: "\r\n" becomes "\n".
std::string UnixLineBreaks(const std::string& text);

}  // namespace ossel::cli
