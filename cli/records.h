// What the command line writes about discs: the JSON records, the summary lines and the CSV rows.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "analysis/disc_model.h"
#include "cli/cli_host.h"
#include "cli/json.h"
#include "device/cd_drive.h"

namespace ossel::cli {

// One track of a disc.
struct TrackOutcome {
  int number = 0;
  std::string file;  // the file holding its start, where known
  int blocks = 0;
  std::optional<TrackResult> result;  // none: too little data to judge, or not analysed
  std::string notAnalysed;            // why the track gave no data (too short, never reached); empty when it did
  std::optional<BandLimit> bandLimit;  // where its spectrum ends, when it ends short of the top
};

// What became of one disc of a run.
struct DiscOutcome {
  std::string name;
  std::string error;        // why it could not be analysed (to the end); empty when it was
  bool stopped = false;     // interrupted before its verdict
  bool notStarted = false;  // the run was interrupted before the disc was begun
  std::optional<int> verdict;
  double probability = 0.0;
  std::vector<TrackOutcome> tracks;  // every audio track of the disc, in order
};

// The verdict code of a track: "CDDA", "MPEG" or "UNKN" (undecided, or too little data to judge); empty for a track
// that gave no data.
std::string TrackCode(const TrackOutcome& track);

// A CDDA or undecided track whose band limit is lossy-like: the case the verdict alone does not show.
bool LossyLikeGenuine(const TrackOutcome& track);

// The analysis record of a disc (`ossel analyze --json`), its tracks' files taken from `outcome` (its name too), and
// the one of a disc that could not be analysed.
Json AnalysisJson(const DiscOutcome& outcome, DiscModel& model, const CliHost& host);
Json ErrorJson(const DiscOutcome& outcome);
Json NotStartedJson(const DiscOutcome& outcome);
// The table of contents (`ossel toc --json`) and the information rows (`ossel info --json`).
Json TocJson(const CdDrive& drive);
Json InfoJson(const std::string& name, const std::vector<InfoRow>& info, const std::vector<IsrcRow>& isrc);

// Why a disc failed, without its name in front: every line about a disc puts the name there itself.
std::string DiscReason(const std::string& name, const std::string& text);
// "NAME: reason", as every error line about a disc reads.
std::string DiscMessage(const std::string& name, const std::string& text);

// "MM:SS:FF" of a sector address, counted from the start of the disc (150 sectors before address 0).
std::string MsfText(std::int32_t lba);

// "CDDA  0.999871  CDDA 10  MPEG  0  UNKN  1  not analysed  0  PATH"; "ERROR  PATH: reason"
// for a disc that failed before its tracks, "NOT STARTED  PATH" for one the run never began. Names are shown with
// their control bytes escaped, so that each disc has one line.
std::string SummaryLine(const DiscOutcome& outcome);

// What one disc adds to the totals: its verdict and how many of its tracks had each code.
struct DiscCounts {
  enum Verdict { kNotAnalysed = 0, kCdda = 1, kMpeg = 2, kUnknown = 3 };
  int verdict = kNotAnalysed;  // failed, stopped, never begun or without a verdict: not analysed
  int cdda = 0, mpeg = 0, undecided = 0, noData = 0;
  int lossyLike = 0;  // of the CDDA and undecided tracks, those with a lossy-like band limit (LossyLikeGenuine)
};
DiscCounts CountsOf(const DiscOutcome& outcome);
// The counts as the result cache keeps them, "V C M U N L"; ReadCounts is false for a text that is no such line.
std::string CountsText(const DiscCounts& counts);
bool ReadCounts(const std::string& text, DiscCounts& counts);

class SummaryTotals {
 public:
  // A disc; `cached` when its outputs came from the result cache.
  void Add(const DiscCounts& counts, bool cached = false);
  // "12 discs: 10 CDDA, 1 MPEG, 0 UNKN, 1 not analysed; 130 tracks: 120 CDDA, 9 MPEG, 1 UNKN, 0 not analysed", with
  // "; 3 CDDA or UNKN with a lossy-like band limit" after it when any track was such, and "; 8 discs from the cache"
  // when any were.
  std::string Line() const;

 private:
  int discs_ = 0, discCdda_ = 0, discMpeg_ = 0, discUnknown_ = 0, discFailed_ = 0, cached_ = 0;
  int tracks_ = 0, cdda_ = 0, mpeg_ = 0, undecided_ = 0, noData_ = 0, lossyLike_ = 0;
};

// RFC 4180: a header row, then one row per track; a disc that failed before its tracks, or was never begun, has one
// row with its disc verdict (ERROR, NOT STARTED) and reason. The band limit's columns come last: its frequency in
// whole Hz, "true" or "false" for sharp, and the likely source; all empty for a track without one.
std::string CsvHeader();
std::string CsvRows(const DiscOutcome& outcome);
// A field with its control bytes escaped, quoted when it holds a comma or a quote; quotes inside doubled.
std::string CsvField(const std::string& text);

}  // namespace ossel::cli
