// A library shared out among several runs (--shard K/N) and the records as JSON Lines (--jsonl): the shards cover
// every disc once and together write the one run's outputs, also as the manual's GNU parallel recipe runs them; each
// line is a record of --json.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "cli/small_library.h"
#include "support/process.h"

namespace ossel {
namespace {

namespace fs = std::filesystem;
using test::Lines;
using test::ParseCsv;
using test::ReadFile;
using test::RunOssel;
using test::SmallLibrary;
using test::WithoutElapsedTimes;

std::vector<std::string> Sorted(std::vector<std::string> lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

// The CSV's rows after its header, in sorted order.
std::vector<std::vector<std::string>> SortedRows(const std::string& csv) {
  auto rows = ParseCsv(csv);
  if (!rows.empty()) rows.erase(rows.begin());
  std::sort(rows.begin(), rows.end());
  return rows;
}

TEST(Shards, EachShardHoldsEveryNthDiscOfThePathOrder) {
  SmallLibrary library(5, 3);
  ASSERT_TRUE(library.ok);
  const std::vector<std::string> discs = Lines(RunOssel({"analyze", "-r", library.Lib(), "--jsonl", "-"}).out);
  ASSERT_EQ(discs.size(), 7u);
  for (int k = 1; k <= 3; ++k) {
    SCOPED_TRACE(k);
    const test::ProcessResult shard =
        RunOssel({"analyze", "-r", library.Lib(), "--jsonl", "-", "--shard", std::to_string(k) + "/3"});
    // Round robin: the k-th, the (k+3)-th ... of the discs; the shard's status is that of its own discs.
    const std::vector<std::string> lines = Lines(shard.out);
    ASSERT_EQ(lines.size(), k == 1 ? 3u : 2u);
    for (std::size_t n = 0; n < lines.size(); ++n) {
      EXPECT_EQ(WithoutElapsedTimes(lines[n]), WithoutElapsedTimes(discs[k - 1 + 3 * n]));
    }
    EXPECT_EQ(shard.exitStatus, k == 3 ? 1 : 0) << shard.err;  // "Broken, Live" is the sixth
  }
  // A shard past the last disc is a run of no disc, not a failure.
  const test::ProcessResult empty = RunOssel({"analyze", library.Album(1), "--shard", "2/2", "--summary"});
  EXPECT_EQ(empty.exitStatus, 0) << empty.err;
  EXPECT_EQ(empty.out.rfind("0 discs: ", 0), 0u) << empty.out;
}

TEST(Shards, TheGnuParallelRecipeOnOneHostMakesTheOneRunsOutputs) {
  SmallLibrary library(4, 3);
  ASSERT_TRUE(library.ok);
  const std::string work = library.root / "work", bin = library.root / "bin";
  fs::create_directories(work);
  fs::create_directories(bin);
  fs::create_symlink(OSSEL_CLI_PATH, bin + "/ossel");
  // As README.md and the manual give it, with the library's path.
  const std::string recipe =
      "parallel ossel analyze -r \"$LIB\" --jobs 1 --shard {}/3 --csv shard-{}.csv --jsonl shard-{}.jsonl ::: 1 2 3\n"
      "{ head -n 1 shard-1.csv; tail -q -n +2 shard-*.csv | LC_ALL=C sort -s -t, -k1,1; } > library.csv\n"
      "LC_ALL=C sort shard-*.jsonl > library.jsonl\n";
  const test::ProcessResult merged = test::RunProcess(
      "/usr/bin/env", {"LIB=" + library.Lib(), "PATH=" + bin + ":" + std::getenv("PATH"), "/bin/bash", "-c",
                       "cd '" + work + "' && " + recipe});
  ASSERT_EQ(merged.exitStatus, 0) << merged.err;
  const test::ProcessResult whole = RunOssel({"analyze", "-r", library.Lib(), "--csv", work + "/whole.csv", "--jsonl",
                                              work + "/whole.jsonl"});
  const std::string csv = ReadFile(work + "/library.csv");
  EXPECT_EQ(ParseCsv(csv).front(), ParseCsv(ReadFile(work + "/whole.csv")).front());
  EXPECT_EQ(SortedRows(csv), SortedRows(ReadFile(work + "/whole.csv")));
  std::vector<std::string> records, expected;
  for (const std::string& line : Lines(ReadFile(work + "/library.jsonl"))) records.push_back(WithoutElapsedTimes(line));
  for (const std::string& line : Lines(ReadFile(work + "/whole.jsonl"))) expected.push_back(WithoutElapsedTimes(line));
  EXPECT_EQ(records, Sorted(records));  // sorted by disc
  EXPECT_EQ(records, Sorted(expected));
}

TEST(JsonLines, EachLineIsOneOfTheJsonRecordsWrittenAsItsDiscIsDone) {
  SmallLibrary library(3, 10);
  ASSERT_TRUE(library.ok);
  const std::string lines = library.root / "records.jsonl";
  const test::ProcessResult run = RunOssel({"analyze", "-r", library.Lib(), "--json", "--jsonl", lines});
  ASSERT_EQ(run.exitStatus, 1) << run.err;
  const auto array = nlohmann::ordered_json::parse(run.out);
  const std::vector<std::string> records = Lines(ReadFile(lines));
  ASSERT_EQ(records.size(), array.size());
  ASSERT_EQ(records.size(), 5u);
  for (std::size_t n = 0; n < records.size(); ++n) {
    EXPECT_EQ(nlohmann::ordered_json::parse(records[n]), array[n]);
    EXPECT_NE(run.out.find(records[n]), std::string::npos) << n;  // written alike
  }

  // To standard output, the first disc's line comes while the others are still analysed.
  std::size_t first = 0;
  const test::ProcessResult streamed =
      RunOssel({"analyze", "-r", library.Lib(), "--jsonl", "-", "--jobs", "1"}, [&](const std::string& out, int) {
        if (first == 0 && out.find('\n') != std::string::npos) first = Lines(out).size();
      });
  EXPECT_EQ(first, 1u);
  EXPECT_EQ(Lines(streamed.out).size(), 5u);
}

TEST(Shards, WrongShardsAndRecordOutputsAreUsageErrors) {
  SmallLibrary library(1, 1);
  ASSERT_TRUE(library.ok);
  const std::string cue = library.Image() + "/Image.cue", out = library.root / "out";
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--shard", "0/3"}, {"--shard", "4/3"}, {"--shard", "3"}, {"--shard", "1/0"}, {"--shard", "a/b"},
           {"--shard", "1/3/3"}, {"--jsonl", "-", "--summary"}, {"--jsonl", "-", "--json"},
           {"--jsonl", "-", "--csv", "-"}, {"--jsonl", ""}, {"--csv", out, "--jsonl", out}, {"--jsonl", cue}}) {
    std::vector<std::string> line = {"analyze", cue};
    line.insert(line.end(), args.begin(), args.end());
    const test::ProcessResult run = RunOssel(line);
    SCOPED_TRACE(args.front() + " " + args[1]);
    EXPECT_EQ(run.exitStatus, 2) << run.err;
    EXPECT_NE(run.err.find(args.front() == "--shard" ? "--shard" : "--jsonl"), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty());
  }
  EXPECT_FALSE(fs::exists(out));
}

}  // namespace
}  // namespace ossel
