#include "cli/result_cache.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <set>
#include <thread>
#include <vector>

#include "cli/engine_version.h"
#include "platform/cue_sheet.h"
#include "platform/language.h"

namespace ossel::cli {

namespace {

namespace fs = std::filesystem;

// Raised whenever the table's layout changes; a file of another layout is emptied and made anew.
constexpr int kSchemaVersion = 1;
// How long a run waits for another run's write before it gives up (the write of one disc takes milliseconds).
constexpr int kBusyMilliseconds = 10000;
// The most lookups of one read transaction.
constexpr int kReadsInOneTransaction = 256;

const char kSchema[] =
    "DROP TABLE IF EXISTS discs;"
    "CREATE TABLE discs ("
    "  disc BLOB NOT NULL, name BLOB NOT NULL, settings TEXT NOT NULL, version TEXT NOT NULL, files BLOB NOT NULL,"
    "  report BLOB NOT NULL, notes BLOB NOT NULL, json BLOB NOT NULL, csv BLOB NOT NULL, summary BLOB NOT NULL,"
    "  counts TEXT NOT NULL, stored INTEGER NOT NULL, UNIQUE (disc, name, settings));"
    "PRAGMA user_version = 1;";
const char kFind[] =
    "SELECT version, files, report, notes, json, csv, summary, counts FROM discs"
    " WHERE disc = ?1 AND name = ?2 AND settings = ?3";
const char kStore[] =
    "INSERT OR REPLACE INTO discs (disc, name, settings, version, files, report, notes, json, csv, summary, counts,"
    " stored) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12)";

std::string Absolute(const std::string& path) {
  // Most paths of a library run are absolute and plain already.
  if (!path.empty() && path[0] == '/' && path.back() != '/' && path.find("//") == std::string::npos &&
      path.find("/./") == std::string::npos && path.find("/../") == std::string::npos &&
      !path.ends_with("/.") && !path.ends_with("/..")) {
    return path;
  }
  std::error_code ec;
  const fs::path absolute = fs::absolute(path, ec);
  return ec ? path : absolute.lexically_normal().string();
}

// The files of a key are pairs of fields, each ended by a NUL (which no path holds): a file's absolute path and
// "SIZE MTIME-NS INODE" or "missing"; "absent" and the name a cue sheet gives to a file it names and that is not
// found; "note" and why the folder's cue sheet was passed over.
void AddPair(std::string& files, const std::string& first, const std::string& second) {
  files += first;
  files += '\0';
  files += second;
  files += '\0';
}

std::string FileState(const std::string& absolute) {
  struct stat status;
  if (::stat(absolute.c_str(), &status) != 0) return "missing";
  const long long nanoseconds = static_cast<long long>(status.st_mtim.tv_sec) * 1000000000LL + status.st_mtim.tv_nsec;
  return std::to_string(static_cast<long long>(status.st_size)) + " " + std::to_string(nanoseconds) + " " +
         std::to_string(static_cast<unsigned long long>(status.st_ino));
}

void AddFile(std::string& files, const std::string& path) {
  const std::string absolute = Absolute(path);
  AddPair(files, absolute, FileState(absolute));
}

// Whether every file the pairs name is as they say.
bool FilesUnchanged(const std::string& files) {
  std::vector<std::string> fields;
  for (std::size_t at = 0; at < files.size();) {
    const std::size_t end = files.find('\0', at);
    if (end == std::string::npos) return false;
    fields.push_back(files.substr(at, end - at));
    at = end + 1;
  }
  if (fields.size() % 2 != 0) return false;
  for (std::size_t n = 0; n < fields.size(); n += 2) {
    if (fields[n].empty() || fields[n][0] != '/') continue;  // a note, a name that was not found
    if (fields[n + 1] == "missing" || FileState(fields[n]) != fields[n + 1]) return false;
  }
  return true;
}

// What the English texts are: a hash of the catalogue they come from (FNV-1a), in hexadecimal.
std::string CatalogueHash() {
  std::uint64_t hash = 14695981039346656037ull;
  auto add = [&](const char* text) {
    for (const char* c = text ? text : ""; ; ++c) {
      hash = (hash ^ static_cast<unsigned char>(*c)) * 1099511628211ull;
      if (!*c) break;
    }
  };
  for (const CatalogueEntry* entry = CatalogueBegin(); entry != CatalogueEnd(); ++entry) {
    add(entry->context);
    add(entry->source);
    add(entry->english);
  }
  char text[24];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

const std::string& CacheVersion(bool english) {
  static const std::string original = "engine " + std::to_string(kEngineVersion) + ", ossel " OSSEL_VERSION;
  static const std::string translated = original + ", texts " + CatalogueHash();
  return english ? translated : original;
}

// A failure that says the file itself is at fault, so that a new one is the cure.
bool Damage(int rc) {
  const int primary = rc & 0xff;
  return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB || primary == SQLITE_FORMAT ||
         (primary == SQLITE_READONLY && rc != SQLITE_READONLY_DBMOVED);
}

void Bind(sqlite3_stmt* statement, int index, const std::string& value) {
  sqlite3_bind_blob(statement, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
}

void BindText(sqlite3_stmt* statement, int index, const std::string& value) {
  sqlite3_bind_text(statement, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
}

std::string Column(sqlite3_stmt* statement, int index) {
  const void* bytes = sqlite3_column_blob(statement, index);
  const int size = sqlite3_column_bytes(statement, index);
  return bytes && size > 0 ? std::string(static_cast<const char*>(bytes), static_cast<std::size_t>(size)) : std::string();
}

// Runs `sql`; while another run holds the file (a new file's log being set up), tries again for the busy time.
int Exec(sqlite3* db, const char* sql) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyMilliseconds);
  for (;;) {
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    if ((rc & 0xff) != SQLITE_BUSY || std::chrono::steady_clock::now() > until) return rc;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

int UserVersion(sqlite3* db, int& version) {
  sqlite3_stmt* statement = nullptr;
  int rc = sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &statement, nullptr);
  if (rc == SQLITE_OK) {
    rc = sqlite3_step(statement);
    if (rc == SQLITE_ROW) {
      version = sqlite3_column_int(statement, 0);
      rc = SQLITE_OK;
    }
  }
  sqlite3_finalize(statement);
  return rc;
}

// Makes the folder and those above it that are missing, each 0700 as the user's cache folders are.
bool MakeFolder(const fs::path& folder, std::string& error) {
  fs::path made;
  for (const fs::path& part : folder) {
    made /= part;
    if (::mkdir(made.c_str(), 0700) != 0 && errno != EEXIST) {
      error = made.string() + ": " + std::strerror(errno);
      return false;
    }
  }
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    error = folder.string() + ": " + (ec ? ec.message() : std::string("not a folder"));
    return false;
  }
  return true;
}

}  // namespace

std::optional<CacheKey> KeyOf(const DiscEntry& entry, int skip) {
  if (!entry.source || !entry.problem.empty()) return std::nullopt;
  const DiscSource& source = *entry.source;
  const bool english = CurrentLanguage() == Language::English;
  CacheKey key;
  key.disc = Absolute(entry.name);
  key.name = entry.name;
  key.settings = "skip " + std::to_string(skip) + ", " + (english ? "en" : "zh");
  key.version = CacheVersion(english);
  if (!source.note.empty()) AddPair(key.files, "note", source.note);
  if (!source.cueSheet.empty()) {
    AddFile(key.files, source.cueSheet);
    // The files as the disc will find them: a stand-in taken today may give way to the file named tomorrow.
    std::string text, unused;
    if (vdisc::ReadCueText(source.cueSheet, text, unused)) {
      const std::string folder = fs::path(source.cueSheet).parent_path().string();
      const bool legacy = !vdisc::IsUtf8(text);
      for (const vdisc::CueFileName& file : vdisc::CueFileNames(text)) {
        const vdisc::FoundCueFile found = vdisc::FindCueFile(folder, file.name, !file.raw, legacy);
        if (found.path.empty()) {
          AddPair(key.files, "absent", file.name);
        } else {
          AddFile(key.files, found.path);
        }
      }
    }
  }
  for (const std::string& file : source.audioFiles) AddFile(key.files, file);
  return key;
}

ResultCache::~ResultCache() { Close(); }

std::string ResultCache::DefaultPath(std::string& error) {
  // As the XDG base directories say: a relative XDG_CACHE_HOME is not taken.
  const char* cache = std::getenv("XDG_CACHE_HOME");
  const char* home = std::getenv("HOME");
  std::string folder;
  if (cache && cache[0] == '/') {
    folder = cache;
  } else if (home && home[0] == '/') {
    folder = std::string(home) + "/.cache";
  } else {
    error = "neither XDG_CACHE_HOME nor HOME names a folder";
    return {};
  }
  return folder + "/ossel/results.sqlite";
}

std::string ResultCache::Reason() const { return db_ ? sqlite3_errmsg(db_) : "out of memory"; }

void ResultCache::EndReading() {
  if (!readingSince_) return;
  sqlite3_step(commit_);
  sqlite3_reset(commit_);
  readingSince_ = 0;
}

void ResultCache::Close() {
  EndReading();
  for (sqlite3_stmt** statement : {&find_, &store_, &begin_, &commit_}) {
    sqlite3_finalize(*statement);
    *statement = nullptr;
  }
  if (db_) sqlite3_close(db_);
  db_ = nullptr;
}

ResultCache::Opened ResultCache::TryOpen(std::string& why) {
  Close();
  struct stat status;
  const bool exists = ::stat(path_.c_str(), &status) == 0;
  device_ = exists ? status.st_dev : 0;
  inode_ = exists ? status.st_ino : 0;
  if (exists && !S_ISREG(status.st_mode)) {
    why = "it is no file";
    return Opened::kBroken;
  }
  int rc = sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                           nullptr);
  auto fail = [&](int code, bool duringSetUp) {
    why = Reason();
    // Set-up fails on our own statements only when the file holds tables of another program.
    const bool broken = exists && (Damage(code) || (duringSetUp && (code & 0xff) == SQLITE_ERROR) ||
                                   (code & 0xff) == SQLITE_CANTOPEN);
    Close();
    return broken ? Opened::kBroken : Opened::kNo;
  };
  if (rc != SQLITE_OK) return fail(rc, false);
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_busy_timeout(db_, kBusyMilliseconds);
  if (sqlite3_db_readonly(db_, "main") == 1) {
    Close();
    why = "it cannot be written";
    return exists ? Opened::kBroken : Opened::kNo;
  }
  // Readers never wait for a writer, and a commit costs no sync of the database: a crash may lose the last results,
  // never the file.
  if ((rc = Exec(db_, "PRAGMA journal_mode = WAL")) != SQLITE_OK) return fail(rc, false);
  if ((rc = Exec(db_, "PRAGMA synchronous = NORMAL")) != SQLITE_OK) return fail(rc, false);
  // Results are read in place from the file's pages mapped into memory, never copied into a cache of their own.
  if ((rc = Exec(db_, "PRAGMA mmap_size = 1073741824")) != SQLITE_OK) return fail(rc, false);
  int version = 0;
  if ((rc = UserVersion(db_, version)) != SQLITE_OK) return fail(rc, false);
  if (version != kSchemaVersion) {
    // Another run may be making it at the same moment: the layout is checked again once the file is ours.
    if ((rc = Exec(db_, "BEGIN IMMEDIATE")) != SQLITE_OK) return fail(rc, false);
    rc = UserVersion(db_, version);
    if (rc == SQLITE_OK && version != kSchemaVersion) rc = Exec(db_, kSchema);
    if (rc == SQLITE_OK) rc = Exec(db_, "COMMIT");
    if (rc != SQLITE_OK) return fail(rc, true);
  }
  for (const auto& [sql, statement] : {std::pair{kFind, &find_}, {kStore, &store_}, {"BEGIN", &begin_},
                                       {"COMMIT", &commit_}}) {
    if ((rc = sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, statement, nullptr)) != SQLITE_OK) {
      return fail(rc, true);
    }
  }
  if (!exists && ::stat(path_.c_str(), &status) == 0) {
    device_ = status.st_dev;
    inode_ = status.st_ino;
  }
  return Opened::kYes;
}

bool ResultCache::MoveAside(std::string& error) {
  struct stat status;
  if (::lstat(path_.c_str(), &status) != 0) return errno == ENOENT;  // gone already
  // Another run found it broken too and has begun a new one in its place: that one is kept.
  if (inode_ != 0 && (status.st_ino != inode_ || status.st_dev != device_)) return true;
  const std::string aside = path_ + ".broken";
  std::error_code ec;
  fs::remove_all(aside, ec);
  fs::remove(aside + "-wal", ec);
  if (std::rename(path_.c_str(), aside.c_str()) != 0) {
    error = std::strerror(errno);
    return false;
  }
  // Its log goes with it, and never into the new file.
  if (std::rename((path_ + "-wal").c_str(), (aside + "-wal").c_str()) != 0 && errno != ENOENT) {
    ::unlink((path_ + "-wal").c_str());
  }
  ::unlink((path_ + "-shm").c_str());
  return true;
}

bool ResultCache::Open(const std::string& path, std::string& note) {
  std::lock_guard lock(mutex_);
  path_ = path;
  reading_ = writing_ = true;
  noted_ = false;
  std::string why;
  if (!MakeFolder(fs::path(path).parent_path(), why)) {
    note = "the result cache is not used: " + why;
    return false;
  }
  Opened opened = TryOpen(why);
  if (opened == Opened::kBroken) {
    std::string error;
    if (!MoveAside(error)) {
      note = "the result cache is not used: " + path + ": " + why + ", and it could not be moved aside: " + error;
      return false;
    }
    note = "the result cache " + path + " could not be used (" + why + "): it was moved to " + path +
           ".broken and a new one begun";
    opened = TryOpen(why);
    if (opened != Opened::kYes) note += ", which failed too: " + why;
  } else if (opened == Opened::kNo) {
    note = "the result cache is not used: " + path + ": " + why;
  }
  return opened == Opened::kYes;
}

void ResultCache::Failed(int rc, const std::string& why, bool reading, std::string& note) {
  if (rc == SQLITE_READONLY_DBMOVED) {
    // Another run found the file damaged and moved it aside: this run goes on with the new one.
    std::string unused;
    TryOpen(unused);
    return;
  }
  if (Damage(rc)) {
    Close();
    std::string error;
    const bool moved = MoveAside(error);
    std::string reopened;
    const bool open = moved && TryOpen(reopened) == Opened::kYes;
    if (!noted_) {
      note = "the result cache " + path_ + " is damaged (" + why + ")" +
             (open ? ": it was moved to " + path_ + ".broken and a new one begun"
                   : moved ? ": it was moved to " + path_ + ".broken; this run keeps no results (" + reopened + ")"
                           : "; this run uses it no more (it could not be moved aside: " + error + ")");
    }
  } else {
    if (!noted_) {
      note = "the result cache " + path_ + (reading ? ": can't read results: " : ": can't keep results: ") + why +
             (reading ? "; this run reads no more" : "; this run keeps no more");
    }
    (reading ? reading_ : writing_) = false;
  }
  noted_ = true;
}

std::optional<CachedDisc> ResultCache::Find(const CacheKey& key, std::string& note) {
  std::lock_guard lock(mutex_);
  if (!db_ || !reading_) return std::nullopt;
  // Discs found one after the other are read in one transaction, which spares each its own locks; it ends at the
  // first disc to be analysed, before any write, and after a few hundred discs, so that other runs' writes are seen
  // and their log folded into the file.
  if (!readingSince_) {
    if (sqlite3_step(begin_) == SQLITE_DONE) readingSince_ = 1;
    sqlite3_reset(begin_);
  }
  sqlite3_stmt* find = find_;
  sqlite3_reset(find);
  Bind(find, 1, key.disc);
  Bind(find, 2, key.name);
  BindText(find, 3, key.settings);
  std::optional<CachedDisc> found;
  const int rc = sqlite3_step(find);
  const std::string why = rc == SQLITE_ROW || rc == SQLITE_DONE ? std::string() : Reason();
  if (rc == SQLITE_ROW) {
    CachedDisc disc;
    if (Column(find, 0) == key.version && Column(find, 1) == key.files && ReadCounts(Column(find, 7), disc.counts)) {
      disc.report = Column(find, 2);
      disc.notes = Column(find, 3);
      disc.json = Column(find, 4);
      disc.csv = Column(find, 5);
      disc.summary = Column(find, 6);
      found = std::move(disc);
    }
  }
  sqlite3_reset(find);
  if (!found || (readingSince_ && ++readingSince_ > kReadsInOneTransaction)) EndReading();
  if (!why.empty()) Failed(rc, why, true, note);
  return found;
}

void ResultCache::Store(const CacheKey& key, const CachedDisc& disc, std::string& note) {
  std::lock_guard lock(mutex_);
  if (!db_ || !writing_) return;
  EndReading();
  sqlite3_stmt* store = store_;
  sqlite3_reset(store);
  Bind(store, 1, key.disc);
  Bind(store, 2, key.name);
  BindText(store, 3, key.settings);
  BindText(store, 4, key.version);
  Bind(store, 5, key.files);
  Bind(store, 6, disc.report);
  Bind(store, 7, disc.notes);
  Bind(store, 8, disc.json);
  Bind(store, 9, disc.csv);
  Bind(store, 10, disc.summary);
  BindText(store, 11, CountsText(disc.counts));
  sqlite3_bind_int64(store, 12, static_cast<sqlite3_int64>(std::time(nullptr)));
  const int rc = sqlite3_step(store);
  const std::string why = rc == SQLITE_DONE ? std::string() : Reason();
  sqlite3_reset(store);
  sqlite3_clear_bindings(store);
  if (!why.empty()) Failed(rc, why, false, note);
}

bool ResultCache::Count(Contents& contents, std::string& error) {
  std::lock_guard lock(mutex_);
  if (!db_) {
    error = path_ + ": not open";
    return false;
  }
  sqlite3_stmt* statement = nullptr;
  int rc = sqlite3_prepare_v2(db_, "SELECT count(DISTINCT disc), count(*) FROM discs", -1, &statement, nullptr);
  if (rc == SQLITE_OK && (rc = sqlite3_step(statement)) == SQLITE_ROW) {
    contents.discs = sqlite3_column_int64(statement, 0);
    contents.results = sqlite3_column_int64(statement, 1);
    rc = SQLITE_OK;
  }
  if (rc != SQLITE_OK) error = path_ + ": " + Reason();
  sqlite3_finalize(statement);
  contents.bytes = 0;
  for (const std::string& file : {path_, path_ + "-wal"}) {
    struct stat status;
    if (::stat(file.c_str(), &status) == 0) contents.bytes += status.st_size;
  }
  return rc == SQLITE_OK;
}

bool ResultCache::Prune(std::int64_t& removed, std::string& compacted, std::string& error) {
  std::lock_guard lock(mutex_);
  removed = 0;
  compacted.clear();
  if (!db_) {
    error = path_ + ": not open";
    return false;
  }
  const std::set<std::string> versions = {CacheVersion(false), CacheVersion(true)};
  std::vector<sqlite3_int64> stale;
  sqlite3_stmt* statement = nullptr;
  int rc = sqlite3_prepare_v2(db_, "SELECT rowid, version, files FROM discs", -1, &statement, nullptr);
  while (rc == SQLITE_OK && (rc = sqlite3_step(statement)) == SQLITE_ROW) {
    if (!versions.count(Column(statement, 1)) || !FilesUnchanged(Column(statement, 2))) {
      stale.push_back(sqlite3_column_int64(statement, 0));
    }
    rc = SQLITE_OK;
  }
  sqlite3_finalize(statement);
  statement = nullptr;
  if (rc == SQLITE_DONE) rc = Exec(db_, "BEGIN IMMEDIATE");
  if (rc == SQLITE_OK) rc = sqlite3_prepare_v2(db_, "DELETE FROM discs WHERE rowid = ?1", -1, &statement, nullptr);
  for (std::size_t n = 0; rc == SQLITE_OK && n < stale.size(); ++n) {
    sqlite3_bind_int64(statement, 1, stale[n]);
    rc = sqlite3_step(statement) == SQLITE_DONE ? SQLITE_OK : sqlite3_errcode(db_);
    sqlite3_reset(statement);
  }
  sqlite3_finalize(statement);
  if (rc == SQLITE_OK) rc = Exec(db_, "COMMIT");
  if (rc != SQLITE_OK) {
    error = path_ + ": " + Reason();
    Exec(db_, "ROLLBACK");
    return false;
  }
  removed = static_cast<std::int64_t>(stale.size());
  // The space of what was removed goes back to the file system; while another run reads the file, it stays.
  if (Exec(db_, "VACUUM") != SQLITE_OK || Exec(db_, "PRAGMA wal_checkpoint(TRUNCATE)") != SQLITE_OK) {
    compacted = Reason();
  }
  return true;
}

}  // namespace ossel::cli
