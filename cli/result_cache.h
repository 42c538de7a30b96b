// The result cache of `ossel analyze`: every disc analysed to its end, with everything its outputs are written from
// (the report, its notes, the JSON record, the CSV rows, the summary line), kept in an SQLite database,
// $XDG_CACHE_HOME/ossel/results.sqlite (else ~/.cache/ossel/results.sqlite). A result is keyed by what makes it: the
// disc as named, each of its files (path, size, modification time in nanoseconds, inode), the settings that change it
// (skip mode, language) and the version of the engine and of the program. A later run takes the outputs of a disc
// whose key is unchanged from it, byte for byte as the run that analysed the disc wrote them.
//
// Several runs may share it at once: its log is written ahead (WAL), a run waits for another's write for a while
// before it gives up, and each disc is kept in one transaction, so that a run killed at any point leaves it whole. It
// never makes a run fail: a file that cannot be opened or is damaged is moved aside (to results.sqlite.broken) with one
// note and a new one begun, and a run that can have none goes on without it.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "cli/discs.h"
#include "cli/records.h"

struct sqlite3;
struct sqlite3_stmt;

namespace ossel::cli {

// What a disc's result is made from: two runs with the same key write the same outputs for the disc.
struct CacheKey {
  std::string disc;      // the disc's path, absolute: with `name` and `settings`, which entry of the cache is the disc's
  std::string name;      // the disc as the run names it, which its outputs show
  std::string settings;  // the options that change the result: "skip 1, zh"
  std::string version;   // of the engine and the program, and of the English texts in English
  std::string files;     // each file of the disc, absolute, with its size, modification time and inode
};

// The key of a disc of virtual files for this run's settings (the language is the one chosen); none for a physical
// drive or a path that is no disc.
std::optional<CacheKey> KeyOf(const DiscEntry& entry, int skip);

// What a disc's outputs are written from, as the run that analysed it wrote them.
struct CachedDisc {
  std::string report;   // the report, as it went to standard output
  std::string notes;    // its lines on standard error (notes about its files), line breaks included
  std::string json;     // its record, as JsonText writes it
  std::string csv;      // its CSV rows
  std::string summary;  // its summary line, without the line break
  DiscCounts counts;    // what it adds to the totals
};

class ResultCache {
 public:
  ResultCache() = default;
  ~ResultCache();
  ResultCache(const ResultCache&) = delete;
  ResultCache& operator=(const ResultCache&) = delete;

  // $XDG_CACHE_HOME/ossel/results.sqlite, else $HOME/.cache/ossel/results.sqlite; empty, with `error`, when neither
  // names a folder.
  static std::string DefaultPath(std::string& error);

  // Opens the cache at `path`, making it (and its folders, 0700) when missing. One that cannot be opened or is damaged
  // is moved aside and a new one begun. `note` is what the user is told, when there is anything: that it was moved,
  // or why the run goes without one. False when there is no cache to use.
  bool Open(const std::string& path, std::string& note);

  // The result kept for `key`, when it was made from the same files by the same version. Any thread may call it.
  // The first failure of a run makes `note`; a damaged file is moved aside and a new one begun, and after any other
  // failure the run reads no more.
  std::optional<CachedDisc> Find(const CacheKey& key, std::string& note);
  // Keeps `disc` as the result of `key`, in place of the one kept for the disc with the same settings, in one
  // transaction. Failures as Find's; after one that is not damage, the run keeps no more.
  void Store(const CacheKey& key, const CachedDisc& disc, std::string& note);

  struct Contents {
    std::int64_t discs = 0;    // different discs
    std::int64_t results = 0;  // results: a disc has one for each skip mode and language it was analysed with
    std::int64_t bytes = 0;    // the database and its log
  };
  bool Count(Contents& contents, std::string& error);
  // Removes every result that no run can take any more: one of its files gone or changed, or made by another
  // version; then gives the space back. `compacted` is empty, or why the file could not be made smaller (another
  // run is using it).
  bool Prune(std::int64_t& removed, std::string& compacted, std::string& error);

 private:
  enum class Opened { kYes, kBroken, kNo };
  Opened TryOpen(std::string& why);
  void Close();
  void EndReading();
  bool MoveAside(std::string& error);
  // A failure of a read or a write with `rc`: the note, and what follows from it for the rest of the run.
  void Failed(int rc, const std::string& why, bool reading, std::string& note);
  std::string Reason() const;

  std::mutex mutex_;
  std::string path_;
  sqlite3* db_ = nullptr;
  sqlite3_stmt* find_ = nullptr;
  sqlite3_stmt* store_ = nullptr;
  sqlite3_stmt* begin_ = nullptr;
  sqlite3_stmt* commit_ = nullptr;
  int readingSince_ = 0;  // in a read transaction: 1 + the lookups made in it
  dev_t device_ = 0;  // the file opened, so that one begun anew by another run is not moved aside
  ino_t inode_ = 0;
  bool reading_ = true;
  bool writing_ = true;
  bool noted_ = false;  // a failure was told: one note per run
};

}  // namespace ossel::cli
