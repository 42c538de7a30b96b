// `ossel cache info` and `ossel cache prune`: the result cache of `ossel analyze`, told and pruned.
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "cli/commands.h"
#include "cli/output_file.h"
#include "cli/result_cache.h"
#include "platform/text_escape.h"

namespace ossel::cli {

namespace {

// "1.9 MiB (1994752 bytes)", or "4096 bytes".
std::string Size(std::int64_t bytes) {
  if (bytes < 1024) return std::to_string(bytes) + " bytes";
  char text[64];
  const double kib = static_cast<double>(bytes) / 1024.0;
  if (kib < 1024.0) {
    std::snprintf(text, sizeof text, "%.1f KiB", kib);
  } else {
    std::snprintf(text, sizeof text, "%.1f MiB", kib / 1024.0);
  }
  return std::string(text) + " (" + std::to_string(bytes) + " bytes)";
}

// The cache's path; false (having said why) when there is none.
bool CachePath(std::string& path) {
  std::string error;
  path = ResultCache::DefaultPath(error);
  if (path.empty()) Fail("no result cache: " + error);
  return !path.empty();
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

// Opens the cache as a run does, a broken one moved aside with its note; false (having said why) when it can't be.
bool OpenCache(ResultCache& cache, const std::string& path) {
  std::string note;
  const bool open = cache.Open(path, note);
  if (!note.empty()) std::fprintf(stderr, "ossel: %s\n", EscapeControls(note).c_str());
  return open;
}

}  // namespace

int RunCacheInfo() {
  std::string path;
  if (!CachePath(path)) return 1;
  ResultCache::Contents contents;
  if (Exists(path)) {
    ResultCache cache;
    if (!OpenCache(cache, path)) return 1;
    std::string error;
    if (!cache.Count(contents, error)) return Fail("can't read the result cache " + EscapeControls(error));
  }
  std::string text = "cache: " + EscapeControls(path) + (Exists(path) ? "\n" : " (none yet)\n");
  text += "discs: " + std::to_string(contents.discs) + "\n";
  text += "results: " + std::to_string(contents.results) + " (one for each skip mode and language a disc was " +
          "analysed with)\n";
  text += "size: " + Size(contents.bytes) + "\n";
  WriteStandardOutput(text);
  return 0;
}

int RunCachePrune() {
  std::string path;
  if (!CachePath(path)) return 1;
  if (!Exists(path)) {
    WriteStandardOutput("no result cache yet: " + EscapeControls(path) + "\n");
    return 0;
  }
  ResultCache cache;
  if (!OpenCache(cache, path)) return 1;
  std::int64_t removed = 0;
  std::string compacted, error;
  if (!cache.Prune(removed, compacted, error)) return Fail("can't prune the result cache " + EscapeControls(error));
  if (!compacted.empty()) {
    std::fprintf(stderr, "ossel: %s was not made smaller: %s\n", EscapeControls(path).c_str(),
                 EscapeControls(compacted).c_str());
  }
  ResultCache::Contents contents;
  if (!cache.Count(contents, error)) return Fail("can't read the result cache " + EscapeControls(error));
  WriteStandardOutput("removed " + std::to_string(removed) + (removed == 1 ? " result" : " results") + "; " +
                      std::to_string(contents.results) + " left of " + std::to_string(contents.discs) +
                      (contents.discs == 1 ? " disc, " : " discs, ") + Size(contents.bytes) + "\n");
  return 0;
}

}  // namespace ossel::cli
