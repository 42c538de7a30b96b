#include "cli/records.h"

#include <charconv>
#include <cmath>

#include "analysis/report.h"
#include "detector/track_result.h"
#include "display/band_limit.h"
#include "platform/text_escape.h"

namespace ossel::cli {

namespace {

Json ResultJson(const TrackResult& r) {
  Json json = Json::object();
  json["cutoffMean1"] = r.cutoffMean1;
  json["cutoffMean2"] = r.cutoffMean2;
  json["cutoffMeanGap12"] = r.cutoffMeanGap12;
  json["cutoffMean3"] = r.cutoffMean3;
  json["cutoffMean4"] = r.cutoffMean4;
  json["cutoffMeanGap34"] = r.cutoffMeanGap34;
  json["cutoffPeakPosition"] = r.cutoffPeakPosition;
  json["minPhaseSpread"] = r.minPhaseSpread;
  json["cutoffCount1"] = r.cutoffCount1;
  json["cutoffCount2"] = r.cutoffCount2;
  json["cutoffCount3"] = r.cutoffCount3;
  json["cutoffCount4"] = r.cutoffCount4;
  json["cutoffRatio21"] = r.cutoffRatio21;
  json["cutoffRatio43"] = r.cutoffRatio43;
  json["stagesDone"] = r.stagesDone;
  const int stages = std::max(0, std::min(r.stagesDone, 3));
  Json scores = Json::array(), probabilities = Json::array();
  for (int i = 0; i < stages; ++i) {
    scores.push_back(r.stageScore[i]);
    probabilities.push_back(r.stageProbability[i]);
  }
  json["stageScore"] = std::move(scores);
  json["stageProbability"] = std::move(probabilities);
  json["stageContrast"] = r.stageContrast;
  json["verdict"] = r.verdict;
  json["hfPeakValue"] = r.hfPeakValue;
  json["hfPeakFrequency"] = r.hfPeakFrequency;
  return json;
}

void AddRowTexts(Json& json, const TrackRow& row) {
  json["elapsedText"] = row.elapsedText;
  json["readErrorText"] = row.readErrorText;
  json["statusText"] = row.statusText;
}

Json IsrcJson(const std::vector<IsrcRow>& rows) {
  Json json = Json::array();
  for (const IsrcRow& row : rows) {
    json.push_back(Json{{"track", row.track}, {"country", row.country}, {"publisher", row.publisher},
                        {"year", row.year}, {"code", row.code}});
  }
  return json;
}

Json BandLimitJson(const std::optional<BandLimit>& limit) {
  if (!limit) return nullptr;
  Json json = Json::object();
  json["hz"] = std::lround(limit->hz);
  json["sharp"] = limit->sharp;
  const std::string source = LikelySource(limit);
  json["likelySource"] = source.empty() ? Json(nullptr) : Json(source);
  return json;
}

std::string Number(double value) {
  char text[64];
  auto [end, ec] = std::to_chars(text, text + sizeof text, value);
  return ec == std::errc() ? std::string(text, end) : std::string();
}

}  // namespace

std::string TrackCode(const TrackOutcome& track) {
  if (!track.notAnalysed.empty()) return {};
  return track.result ? VerdictWord(VerdictFromCode(track.result->verdict)) : "UNKN";
}

std::string DiscReason(const std::string& name, const std::string& text) {
  const std::string lead = name + ": ";
  return text.compare(0, lead.size(), lead) == 0 ? text.substr(lead.size()) : text;
}

std::string DiscMessage(const std::string& name, const std::string& text) {
  return name + ": " + DiscReason(name, text);
}

std::string MsfText(std::int32_t lba) {
  const std::int32_t a = lba + 150;
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", a / 4500, a / 75 % 60, a % 75);
  return text;
}

bool LossyLikeGenuine(const TrackOutcome& track) {
  const std::string code = TrackCode(track);
  return (code == "CDDA" || code == "UNKN") && LossyLike(track.bandLimit);
}

Json AnalysisJson(const DiscOutcome& outcome, DiscModel& model, const CliHost& host) {
  Json json = Json::object();
  json["name"] = outcome.name;
  if (host.discVerdict) {
    json["disc"] = Json{{"verdict", DiscVerdictWord(*host.discVerdict)}, {"probability", host.discProbability}};
  } else {
    json["disc"] = nullptr;
  }
  Json tracks = Json::array();
  const std::vector<TrackRow> rows = model.RowsCopy();
  for (std::size_t n = 0; n < rows.size(); ++n) {
    const TrackRow& row = rows[n];
    const auto& record = n < host.Tracks().size() ? host.Tracks()[n] : std::nullopt;
    Json track = Json::object();
    track["track"] = row.trackNumber;
    track["firstSector"] = model.drive.TrackStart(row.trackNumber);
    track["lastSector"] = model.drive.TrackEnd(row.trackNumber);
    track["processedBlocks"] = record ? record->blocks : 0;
    // A track that gave data has its code, UNKN when too little to judge; one that gave none, or was read after the
    // disc's source broke, has no verdict.
    if (record && !record->readFailed) {
      track["verdict"] = record->result ? VerdictWord(VerdictFromCode(record->result->verdict)) : "UNKN";
    } else {
      track["verdict"] = nullptr;
    }
    track["result"] = record && record->result ? ResultJson(*record->result) : Json(nullptr);
    AddRowTexts(track, row);
    track["bandLimit"] = BandLimitJson(row.bandLimit);
    if (n < outcome.tracks.size() && !outcome.tracks[n].file.empty()) track["file"] = outcome.tracks[n].file;
    tracks.push_back(std::move(track));
  }
  json["tracks"] = std::move(tracks);
  const TrackRow disc = model.DiscRowCopy();
  Json discRow = Json::object();
  discRow["nameText"] = disc.nameText;
  discRow["startMsf"] = disc.startMsf.Text();
  discRow["lengthMsf"] = disc.lengthMsf.Text();
  discRow["sizeText"] = disc.sizeText;
  AddRowTexts(discRow, disc);
  json["discRow"] = std::move(discRow);
  json["isrc"] = IsrcJson(model.IsrcRowsCopy());
  json["report"] = UnixLineBreaks(host.Console());
  return json;
}

Json ErrorJson(const DiscOutcome& outcome) { return Json{{"name", outcome.name}, {"error", outcome.error}}; }

Json NotStartedJson(const DiscOutcome& outcome) { return Json{{"name", outcome.name}, {"notStarted", true}}; }

Json TocJson(const CdDrive& drive) {
  const TrackTable& toc = drive.trackTable();
  Json json = Json::object();
  json["firstTrack"] = toc.firstTrack;
  json["lastTrack"] = toc.lastTrack;
  Json tracks = Json::array();
  for (int n = toc.firstTrack; n <= toc.lastTrack; ++n) {
    const std::int32_t first = drive.TrackStart(n);
    if (first < 0) continue;
    Json track = Json::object();
    track["track"] = n;
    track["audio"] = drive.IsAudioTrack(n);
    track["startMsf"] = MsfText(first);
    track["firstSector"] = first;
    track["lastSector"] = drive.TrackEnd(n);
    tracks.push_back(std::move(track));
  }
  json["tracks"] = std::move(tracks);
  const std::int32_t leadOut = drive.TrackEnd(toc.lastTrack) + 1;
  json["leadOut"] = Json{{"msf", MsfText(leadOut)}, {"sector", leadOut}};
  return json;
}

Json InfoJson(const std::string& name, const std::vector<InfoRow>& info, const std::vector<IsrcRow>& isrc) {
  Json rows = Json::array();
  for (const InfoRow& row : info) rows.push_back(Json{{"label", row.label}, {"value", row.value}});
  return Json{{"name", name}, {"info", std::move(rows)}, {"isrc", IsrcJson(isrc)}};
}

std::string SummaryLine(const DiscOutcome& outcome) {
  const std::string name = EscapeControls(outcome.name);
  if (outcome.notStarted) return "NOT STARTED  " + name;
  if (!outcome.error.empty() && outcome.tracks.empty()) return "ERROR  " + name + ": " + EscapeControls(outcome.error);
  int cdda = 0, mpeg = 0, undecided = 0, none = 0;
  for (const TrackOutcome& track : outcome.tracks) {
    const std::string code = TrackCode(track);
    (code == "CDDA" ? cdda : code == "MPEG" ? mpeg : code == "UNKN" ? undecided : none) += 1;
  }
  char text[96];
  if (outcome.verdict && outcome.error.empty()) {
    std::snprintf(text, sizeof text, "%-5s  %f", DiscVerdictWord(*outcome.verdict).c_str(), outcome.probability);
  } else {
    std::snprintf(text, sizeof text, "%-5s  %-8s", outcome.stopped ? "STOP" : "ERROR", "-");
  }
  std::string line = text;
  std::snprintf(text, sizeof text, "  CDDA %2d  MPEG %2d  UNKN %2d  not analysed %2d  ", cdda, mpeg, undecided, none);
  line += text;
  line += name;
  if (!outcome.error.empty()) line += ": " + EscapeControls(outcome.error);
  return line;
}

DiscCounts CountsOf(const DiscOutcome& outcome) {
  DiscCounts counts;
  if (outcome.error.empty() && !outcome.stopped && !outcome.notStarted && outcome.verdict) {
    const std::string word = DiscVerdictWord(*outcome.verdict);
    counts.verdict = word == "CDDA" ? DiscCounts::kCdda : word == "MPEG" ? DiscCounts::kMpeg : DiscCounts::kUnknown;
  }
  for (const TrackOutcome& track : outcome.tracks) {
    const std::string code = TrackCode(track);
    (code == "CDDA" ? counts.cdda : code == "MPEG" ? counts.mpeg : code == "UNKN" ? counts.undecided : counts.noData) += 1;
    if (LossyLikeGenuine(track)) ++counts.lossyLike;
  }
  return counts;
}

std::string CountsText(const DiscCounts& counts) {
  char text[96];
  std::snprintf(text, sizeof text, "%d %d %d %d %d %d", counts.verdict, counts.cdda, counts.mpeg, counts.undecided,
                counts.noData, counts.lossyLike);
  return text;
}

bool ReadCounts(const std::string& text, DiscCounts& counts) {
  int end = 0;
  DiscCounts read;
  const bool whole = std::sscanf(text.c_str(), "%d %d %d %d %d %d%n", &read.verdict, &read.cdda, &read.mpeg,
                                 &read.undecided, &read.noData, &read.lossyLike, &end) == 6 &&
                     static_cast<std::size_t>(end) == text.size();
  if (!whole || read.verdict < 0 || read.verdict > 3 || read.cdda < 0 || read.mpeg < 0 || read.undecided < 0 ||
      read.noData < 0 || read.lossyLike < 0 || read.lossyLike > read.cdda + read.undecided) {
    return false;
  }
  counts = read;
  return true;
}

void SummaryTotals::Add(const DiscCounts& counts, bool cached) {
  ++discs_;
  (counts.verdict == DiscCounts::kCdda   ? discCdda_
   : counts.verdict == DiscCounts::kMpeg ? discMpeg_
   : counts.verdict == DiscCounts::kUnknown ? discUnknown_
                                            : discFailed_) += 1;
  tracks_ += counts.cdda + counts.mpeg + counts.undecided + counts.noData;
  cdda_ += counts.cdda;
  mpeg_ += counts.mpeg;
  undecided_ += counts.undecided;
  noData_ += counts.noData;
  lossyLike_ += counts.lossyLike;
  if (cached) ++cached_;
}

std::string SummaryTotals::Line() const {
  char text[320];
  std::snprintf(text, sizeof text, "%d disc%s: %d CDDA, %d MPEG, %d UNKN, %d not analysed; %d track%s: %d CDDA, "
                "%d MPEG, %d UNKN, %d not analysed", discs_, discs_ == 1 ? "" : "s", discCdda_, discMpeg_,
                discUnknown_, discFailed_, tracks_, tracks_ == 1 ? "" : "s", cdda_, mpeg_, undecided_, noData_);
  std::string line = text;
  if (lossyLike_ > 0) line += "; " + std::to_string(lossyLike_) + " CDDA or UNKN with a lossy-like band limit";
  if (cached_ > 0) line += "; " + std::to_string(cached_) + (cached_ == 1 ? " disc" : " discs") + " from the cache";
  return line;
}

std::string CsvField(const std::string& text) {
  const std::string shown = EscapeControls(text);
  if (shown.find_first_of(",\"") == std::string::npos) return shown;
  std::string quoted = "\"";
  for (char c : shown) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string CsvHeader() {
  return "disc,track,file,verdict,processed_blocks,cutoff_hz,stage1_score,stage1_probability,stage2_score,"
         "stage2_probability,stage3_score,stage3_probability,disc_verdict,disc_probability,error,band_limit_hz,"
         "band_limit_sharp,likely_source\r\n";
}

std::string CsvRows(const DiscOutcome& outcome) {
  std::string discVerdict, discProbability;
  if (outcome.notStarted) {
    discVerdict = "NOT STARTED";
  } else if (!outcome.error.empty()) {
    discVerdict = "ERROR";
  } else if (outcome.stopped) {
    discVerdict = "STOP";
  } else if (outcome.verdict) {
    discVerdict = DiscVerdictWord(*outcome.verdict);
    discProbability = Number(outcome.probability);
  }
  const std::string discFields = "," + discVerdict + "," + discProbability + ",";
  if (outcome.tracks.empty()) return CsvField(outcome.name) + ",,,,,,,,,,,," + discFields.substr(1) +
                                     CsvField(outcome.error) + ",,,\r\n";
  std::string rows;
  for (const TrackOutcome& track : outcome.tracks) {
    std::string row = CsvField(outcome.name) + "," + std::to_string(track.number) + "," + CsvField(track.file) + "," +
                      TrackCode(track) + "," + std::to_string(track.blocks) + ",";
    if (track.result) row += Number(track.result->cutoffPeakPosition);
    const int stages = track.result ? std::max(0, std::min(track.result->stagesDone, 3)) : 0;
    for (int i = 0; i < 3; ++i) {
      row += ",";
      if (i < stages) row += Number(track.result->stageScore[i]);
      row += ",";
      if (i < stages) row += Number(track.result->stageProbability[i]);
    }
    // The disc's error, else why this track gave no data.
    rows += row + discFields + CsvField(outcome.error.empty() ? track.notAnalysed : outcome.error) + ",";
    if (track.bandLimit) {
      rows += std::to_string(std::lround(track.bandLimit->hz)) + "," + (track.bandLimit->sharp ? "true" : "false") +
              "," + CsvField(LikelySource(track.bandLimit));
    } else {
      rows += ",,";
    }
    rows += "\r\n";
  }
  return rows;
}

}  // namespace ossel::cli
