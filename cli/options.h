// What the user asked for on the command line, as the commands take it.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace ossel::cli {

// The discs of a command: paths (cue sheets, audio files, folders) and a drive letter.
struct DiscOptions {
  std::vector<std::string> paths;
  std::optional<char> drive;  // --drive LETTER, in capitals
  bool recursive = false;     // --recursive: every folder below the named ones that is a disc
  bool json = false;
};

struct AnalyzeOptions {
  DiscOptions discs;
  int skip = 1;                   // --skip K: one piece in K
  std::optional<int> jobs;        // --jobs N; the number of cores when not given
  bool summary = false;           // --summary: one line per disc instead of the report
  std::string csv;                // --csv FILE, "-" for standard output; empty for none
  std::string jsonl;              // --jsonl FILE, "-" for standard output; empty for none
  std::string pictures;           // --pictures DIR; empty for none
  int pictureWidth = 1200;        // --picture-size WxH
  int pictureHeight = 600;
  int shard = 1;                  // --shard K/N: the K-th of every N discs found
  int shards = 1;
  bool noCache = false;           // --no-cache: the result cache is neither read nor written
  bool refresh = false;           // --refresh: every disc analysed, its result in the cache replaced
  bool stageTimes = false;        // --stage-times: the time of each stage of the analysis on standard error
};

}  // namespace ossel::cli
