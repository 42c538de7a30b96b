// The result cache of `ossel analyze`: a second run writes what the first wrote; a disc whose files changed, or a
// run with other settings, is analysed again; a cache file that cannot be used, two runs at once and a run killed
// mid-disc never cost a run its outputs.
#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <functional>
#include <thread>

#include "cli/small_library.h"
#include "support/process.h"

namespace ossel {
namespace {

namespace fs = std::filesystem;
using test::FromCache;
using test::ReadFile;
using test::RunOssel;
using test::RunOsselCached;
using test::SmallLibrary;
using test::WithoutCacheCount;
using test::WithoutCacheNotes;
using test::WithoutElapsedTimes;

std::vector<std::string> With(std::vector<std::string> args, const std::vector<std::string>& more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

TEST(ResultCache, ASecondRunWritesWhatTheFirstWroteAndEachOutputIsAFreshAnalysis) {
  SmallLibrary library;
  ASSERT_TRUE(library.ok);
  const std::vector<std::string> analyze = {"analyze", "-r", library.Lib()};
  // The report, the CSV and the records at once: the second run's, from the cache, are the first's byte for byte.
  auto run = [&](const std::string& name) {
    return RunOsselCached(library.Cache(), With(analyze, {"--csv", library.root / (name + ".csv"), "--jsonl",
                                                          library.root / (name + ".jsonl")}));
  };
  const test::ProcessResult first = run("first"), second = run("second");
  EXPECT_EQ(first.exitStatus, 1) << first.err;  // the broken disc
  EXPECT_EQ(second.exitStatus, 1);
  EXPECT_GT(first.out.size(), 500u);
  EXPECT_EQ(second.out, first.out);
  EXPECT_EQ(second.err, first.err);  // the stand-in's note too
  EXPECT_EQ(ReadFile(library.root / "second.csv"), ReadFile(library.root / "first.csv"));
  EXPECT_EQ(ReadFile(library.root / "second.jsonl"), ReadFile(library.root / "first.jsonl"));

  // Every other output from the cache is what a run without it writes, but for the elapsed times.
  for (const std::vector<std::string>& mode : std::vector<std::vector<std::string>>{
           {"--summary"}, {"--json"}, {"--csv", "-"}, {"--jsonl", "-"}, {"--summary", "--jobs", "1"}}) {
    SCOPED_TRACE(mode.front());
    const test::ProcessResult cached = RunOsselCached(library.Cache(), With(analyze, mode));
    const test::ProcessResult fresh = RunOssel(With(With(analyze, mode), {"--no-cache"}));
    EXPECT_EQ(cached.exitStatus, fresh.exitStatus);
    EXPECT_EQ(WithoutElapsedTimes(WithoutCacheCount(cached.out)), WithoutElapsedTimes(fresh.out));
    EXPECT_EQ(cached.err, fresh.err);
    if (mode.front() == "--summary") {
      EXPECT_EQ(FromCache(cached.out), library.Kept()) << cached.out;
      EXPECT_EQ(FromCache(fresh.out), 0) << fresh.out;
    }
  }
}

TEST(ResultCache, AChangedAddedOrRemovedFileAnalysesItsDiscAgainAndNoOther) {
  struct Case {
    const char* name;
    std::function<bool(const SmallLibrary&)> change;
    int kept;  // the discs with results after the change
  };
  const std::vector<Case> cases = {
      {"a track's samples rewritten",
       [](const SmallLibrary& l) { return SmallLibrary::WriteTrack(l.Album(2) + "/1.flac", 99, 30); }, 4},
      {"a track touched, its samples as they were",
       [](const SmallLibrary& l) {
         std::error_code ec;
         const std::string track = l.Album(2) + "/1.flac";
         fs::last_write_time(track, fs::last_write_time(track) + std::chrono::seconds(1), ec);
         return !ec;
       },
       4},
      {"a track added to an album",
       [](const SmallLibrary& l) { return SmallLibrary::WriteTrack(l.Album(2) + "/3.flac", 98, 5); }, 4},
      {"a track removed from an album", [](const SmallLibrary& l) { return fs::remove(l.Album(2) + "/2.flac"); }, 4},
      {"the file a cue sheet names put beside its stand-in",
       [](const SmallLibrary& l) { return SmallLibrary::WriteTrack(l.Image() + "/Image.wav", 97, 5, SF_FORMAT_WAV); },
       4},
      {"an album removed", [](const SmallLibrary& l) { return fs::remove_all(l.Album(2)) > 0; }, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SmallLibrary library;
    // Long enough to be judged, so that other samples give other numbers.
    ASSERT_TRUE(library.ok && SmallLibrary::WriteTrack(library.Album(2) + "/1.flac", 21, 30));
    const std::string csv = library.root / "rows.csv";
    const std::vector<std::string> summary = {"analyze", "-r", library.Lib(), "--summary", "--csv", csv};
    const test::ProcessResult before = RunOsselCached(library.Cache(), summary);
    ASSERT_EQ(FromCache(before.out), 0) << before.out;
    ASSERT_TRUE(c.change(library));
    // The one disc changed is analysed again; the others come from the cache; all is as a fresh run says.
    const test::ProcessResult fresh = RunOssel(With(summary, {"--no-cache"}));
    const std::string freshRows = ReadFile(csv);
    const test::ProcessResult after = RunOsselCached(library.Cache(), summary);
    EXPECT_EQ(FromCache(after.out), 3) << after.out;
    EXPECT_EQ(WithoutCacheCount(after.out), fresh.out);
    EXPECT_EQ(after.err, fresh.err);
    EXPECT_EQ(ReadFile(csv), freshRows);
    // Its result replaced the old one.
    const test::ProcessResult again = RunOsselCached(library.Cache(), summary);
    EXPECT_EQ(FromCache(again.out), c.kept) << again.out;
    EXPECT_EQ(WithoutCacheCount(again.out), fresh.out);
    EXPECT_EQ(ReadFile(csv), freshRows);
  }
}

TEST(ResultCache, ADiscWhoseFileIsReplacedWhileItIsAnalysedIsNotKept) {
  SmallLibrary library(1, 30);
  const std::string track = library.Album(1) + "/1.flac";
  ASSERT_TRUE(library.ok && SmallLibrary::WriteTrack(library.Album(1) + "/2.flac", 12, 90) &&
              SmallLibrary::WriteTrack(library.root / "other.flac", 99, 30));
  const std::string heading = "== " + library.Album(1) + "\n";
  bool replaced = false;
  // Its first track analysed, the file is replaced by one of other samples: the result is the old file's.
  RunOsselCached(library.Cache(), {"analyze", "-r", library.Lib(), "--jobs", "1"}, [&](const std::string& out, int) {
    const std::size_t at = out.find(heading);
    if (replaced || at == std::string::npos || out.find("\n\n", at) == std::string::npos) return;
    replaced = std::rename((library.root / "other.flac").c_str(), track.c_str()) == 0;
  });
  ASSERT_TRUE(replaced);
  const std::vector<std::string> rows = {"analyze", "-r", library.Lib(), "--csv", "-"};
  const test::ProcessResult fresh = RunOssel(With(rows, {"--no-cache"}));
  EXPECT_EQ(RunOsselCached(library.Cache(), rows).out, fresh.out);
  EXPECT_EQ(FromCache(RunOsselCached(library.Cache(), {"analyze", "-r", library.Lib(), "--summary"}).out),
            library.Kept());
}

TEST(ResultCache, AnotherSkipOrLanguageIsAnalysedAndKeptBesideTheFirst) {
  SmallLibrary library;
  ASSERT_TRUE(library.ok);
  const std::vector<std::string> summary = {"analyze", "-r", library.Lib(), "--summary"};
  ASSERT_EQ(FromCache(RunOsselCached(library.Cache(), summary).out), 0);
  for (const std::vector<std::string>& setting : std::vector<std::vector<std::string>>{{"--skip", "2"}, {"--lang", "en"}}) {
    SCOPED_TRACE(setting.front());
    const test::ProcessResult other = RunOsselCached(library.Cache(), With(summary, setting));
    EXPECT_EQ(FromCache(other.out), 0) << other.out;
    EXPECT_EQ(other.out, RunOssel(With(summary, setting)).out);
    EXPECT_EQ(FromCache(RunOsselCached(library.Cache(), With(summary, setting)).out), library.Kept());
  }
  EXPECT_EQ(FromCache(RunOsselCached(library.Cache(), summary).out), library.Kept());
  // --refresh analyses every disc; --no-cache neither reads nor writes.
  EXPECT_EQ(FromCache(RunOsselCached(library.Cache(), With(summary, {"--refresh"})).out), 0);
  EXPECT_EQ(FromCache(RunOsselCached(library.Cache(), With(summary, {"--no-cache"})).out), 0);
  EXPECT_EQ(RunOsselCached(library.Cache(), With(summary, {"--no-cache", "--refresh"})).exitStatus, 2);
}

TEST(ResultCache, ACacheThatCannotBeUsedIsToldOnceAndTheRunLosesNothing) {
  auto filled = [](const SmallLibrary& l) {
    return RunOsselCached(l.Cache(), {"analyze", "-r", l.Lib(), "--summary"}).exitStatus == 1;
  };
  struct Case {
    const char* name;
    std::function<bool(const SmallLibrary&)> spoil;
    bool movedAside;  // a new cache is begun in its place
  };
  const std::vector<Case> cases = {
      {"not a database",
       [](const SmallLibrary& l) {
         return fs::create_directories(l.Cache() + "/ossel") && test::WriteText(l.CacheFile(), std::string(9000, 'x'));
       },
       true},
      {"a folder in its place", [](const SmallLibrary& l) { return fs::create_directories(l.CacheFile() + "/x"); },
       true},
      {"cut short after a run",
       [&](const SmallLibrary& l) {
         return filled(l) && test::Truncate(l.CacheFile(), fs::file_size(l.CacheFile()) / 2);
       },
       true},
      {"its folder cannot be made",
       [](const SmallLibrary& l) {
         return fs::create_directories(l.Cache()) && test::WriteText(l.Cache() + "/ossel", "a file");
       },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SmallLibrary library;
    ASSERT_TRUE(library.ok);
    ASSERT_TRUE(c.spoil(library));
    const std::vector<std::string> summary = {"analyze", "-r", library.Lib(), "--summary", "--jobs", "1"};
    const test::ProcessResult fresh = RunOssel(With(summary, {"--no-cache"}));
    for (int round = 1; round <= 2; ++round) {
      const test::ProcessResult run = RunOsselCached(library.Cache(), summary);
      int notes = 0;
      EXPECT_EQ(run.exitStatus, fresh.exitStatus);
      EXPECT_EQ(WithoutCacheCount(run.out), fresh.out);
      EXPECT_EQ(WithoutCacheNotes(run.err, notes), fresh.err);
      // Said once; then the new cache serves the next run, and nothing is said of it.
      EXPECT_EQ(notes, c.movedAside && round == 2 ? 0 : 1) << run.err;
      if (c.movedAside && round == 2) {
        EXPECT_EQ(FromCache(run.out), library.Kept()) << run.out;
      }
    }
    EXPECT_EQ(fs::exists(library.CacheFile() + ".broken"), c.movedAside);
  }
}

TEST(ResultCache, TwoRunsAtOnceShareItAndNeitherFails) {
  SmallLibrary library(6, 3);
  ASSERT_TRUE(library.ok);
  const std::vector<std::string> summary = {"analyze", "-r", library.Lib(), "--summary", "--jobs", "1"};
  const test::ProcessResult fresh = RunOssel(With(summary, {"--no-cache"}));
  test::ProcessResult one, two;
  std::thread first([&] { one = RunOsselCached(library.Cache(), summary); });
  std::thread second([&] { two = RunOsselCached(library.Cache(), summary); });
  first.join();
  second.join();
  for (const test::ProcessResult* run : {&one, &two}) {
    EXPECT_EQ(run->exitStatus, fresh.exitStatus);
    EXPECT_EQ(WithoutCacheCount(run->out), fresh.out);
    EXPECT_EQ(run->err, fresh.err);  // no note: neither gave up on the cache
  }
  EXPECT_EQ(FromCache(RunOsselCached(library.Cache(), summary).out), library.Kept());
}

TEST(ResultCache, ARunKilledMidDiscLeavesItWholeAndTheNextRunGoesOnFromIt) {
  SmallLibrary library(5, 20);
  ASSERT_TRUE(library.ok);
  const std::vector<std::string> summary = {"analyze", "-r", library.Lib(), "--summary", "--jobs", "1"};
  bool killed = false;
  const test::ProcessResult cut = RunOsselCached(library.Cache(), summary, [&](const std::string& out, int pid) {
    if (!killed && test::Lines(out).size() >= 2) {  // two discs done, the third being analysed
      kill(pid, SIGKILL);
      killed = true;
    }
  });
  ASSERT_TRUE(killed);
  EXPECT_EQ(cut.exitStatus, 128 + SIGKILL);
  const test::ProcessResult again = RunOsselCached(library.Cache(), summary);
  const test::ProcessResult fresh = RunOssel(With(summary, {"--no-cache"}));
  EXPECT_EQ(WithoutCacheCount(again.out), fresh.out);
  EXPECT_EQ(again.err, fresh.err);
  EXPECT_GE(FromCache(again.out), 2) << again.out;
  EXPECT_LT(FromCache(again.out), library.Kept()) << again.out;
  EXPECT_EQ(FromCache(RunOsselCached(library.Cache(), summary).out), library.Kept());
}

TEST(ResultCache, InfoTellsWhereAndHowManyAndPruneRemovesWhatNoRunCanTake) {
  SmallLibrary library;
  ASSERT_TRUE(library.ok);
  const test::ProcessResult none = RunOsselCached(library.Cache(), {"cache", "info"});
  EXPECT_EQ(none.exitStatus, 0);
  EXPECT_NE(none.out.find(library.CacheFile() + " (none yet)"), std::string::npos) << none.out;
  RunOsselCached(library.Cache(), {"analyze", "-r", library.Lib(), "--summary"});
  RunOsselCached(library.Cache(), {"analyze", "-r", library.Lib(), "--summary", "--skip", "2"});
  const test::ProcessResult info = RunOsselCached(library.Cache(), {"cache", "info"});
  EXPECT_EQ(info.exitStatus, 0) << info.err;
  EXPECT_NE(info.out.find("discs: 4\nresults: 8 "), std::string::npos) << info.out;

  ASSERT_TRUE(fs::remove(library.Album(1) + "/2.flac"));  // one disc gone: its two results can never be taken
  const test::ProcessResult prune = RunOsselCached(library.Cache(), {"cache", "prune"});
  EXPECT_EQ(prune.exitStatus, 0) << prune.err;
  EXPECT_EQ(prune.out.rfind("removed 2 results; 6 left of 3 discs, ", 0), 0u) << prune.out;
  EXPECT_EQ(FromCache(RunOsselCached(library.Cache(), {"analyze", "-r", library.Lib(), "--summary"}).out), 3);
}

}  // namespace
}  // namespace ossel
