// The command line end to end: what it prints, its exit status, and its errors.
#include <gtest/gtest.h>

#include <signal.h>

#include <cstdlib>
#include <string>

#include "support/disc_images.h"
#include "support/process.h"

namespace ossel {
namespace {

using test::DemoDisc;
using test::RunOssel;

// What follows each `key` in `text` up to the next character of `stops`.
std::vector<std::string> ValuesAfter(const std::string& text, const std::string& key, const std::string& stops) {
  std::vector<std::string> values;
  for (auto at = text.find(key); at != std::string::npos; at = text.find(key, at + 1)) {
    const auto from = at + key.size();
    values.push_back(text.substr(from, text.find_first_of(stops, from) - from));
  }
  return values;
}

int CountOf(const std::string& text, const std::string& what) {
  int n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(CommandLine, HelpVersionAndUnknownCommands) {
  auto help = RunOssel({"--help"});
  EXPECT_EQ(help.exitStatus, 0);
  EXPECT_NE(help.out.find("analyze"), std::string::npos);
  EXPECT_EQ(RunOssel({"--version"}).out.rfind("ossel ", 0), 0u);
  auto bad = RunOssel({"frobnicate"});
  EXPECT_NE(bad.exitStatus, 0);
  EXPECT_NE(bad.err.find("unknown command"), std::string::npos);
}

TEST(CommandLine, TocOfACueSheetWithAPregapAsJson) {
  test::ImageFolder folder;
  ASSERT_TRUE(test::WriteRaw(folder / "a.bin", test::Noise(3000 * test::kFramesPerSector, 3)));
  ASSERT_TRUE(test::WriteText(folder / "a.cue",
                              "FILE \"a.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                              "  TRACK 02 AUDIO\n    INDEX 00 00:10:00\n    INDEX 01 00:12:00\n"));
  auto toc = RunOssel({"toc", "--json", folder / "a.cue"});
  ASSERT_EQ(toc.exitStatus, 0) << toc.err;
  EXPECT_EQ(toc.out,
            "{\"firstTrack\":1,\"lastTrack\":2,\"tracks\":["
            "{\"track\":1,\"audio\":true,\"startMsf\":\"00:02:00\",\"firstSector\":0,\"lastSector\":899},"
            "{\"track\":2,\"audio\":true,\"startMsf\":\"00:14:00\",\"firstSector\":900,\"lastSector\":2999}],"
            "\"leadOut\":{\"msf\":\"00:42:00\",\"sector\":3000}}\n");
}

// The second disc of a set, ripped as an Enhanced CD without its data session: every output numbers the tracks as
// the sheet does, the data track is listed as data and passed over, and the sheet's oddities are told once each.
TEST(CommandLine, TracksFromFourWithAMissingDataTrack) {
  test::ImageFolder folder;
  ASSERT_TRUE(test::WriteSound(folder / "cd2.wav", test::Noise(600 * test::kFramesPerSector, 5)));
  ASSERT_TRUE(test::WriteText(folder / "cd2.cue",
                              "FILE \"cd2.wav\" WAVE\n  TRACK 04 AUDIO\n    INDEX 01 00:00:00\n"
                              "  TRACK 05 AUDIO\n    INDEX 01 00:04:00\n"
                              "FILE \"cd2.iso\" BINARY\n  TRACK 06 MODE1/2048\n    INDEX 01 00:00:00\n"));
  auto toc = RunOssel({"toc", "--json", folder / "cd2.cue"});
  ASSERT_EQ(toc.exitStatus, 0) << toc.err;
  EXPECT_EQ(toc.out,
            "{\"firstTrack\":4,\"lastTrack\":6,\"tracks\":["
            "{\"track\":4,\"audio\":true,\"startMsf\":\"00:02:00\",\"firstSector\":0,\"lastSector\":299},"
            "{\"track\":5,\"audio\":true,\"startMsf\":\"00:06:00\",\"firstSector\":300,\"lastSector\":599},"
            "{\"track\":6,\"audio\":false,\"startMsf\":\"00:10:00\",\"firstSector\":600,\"lastSector\":600}],"
            "\"leadOut\":{\"msf\":\"00:10:01\",\"sector\":601}}\n");
  EXPECT_EQ(CountOf(toc.err, "cd2.iso"), 1) << toc.err;
  auto text = RunOssel({"toc", folder / "cd2.cue"});
  ASSERT_EQ(text.exitStatus, 0) << text.err;
  EXPECT_EQ(ValuesAfter(text.out, "\n    ", " "), (std::vector<std::string>{"4", "5", "6"})) << text.out;
  EXPECT_NE(text.out.find("    6  data"), std::string::npos) << text.out;
  auto json = RunOssel({"analyze", "--json", folder / "cd2.cue"});
  ASSERT_EQ(json.exitStatus, 0) << json.err;
  EXPECT_EQ(ValuesAfter(json.out, "\"track\":", ","), (std::vector<std::string>{"4", "5"})) << json.out;
}

TEST(CommandLine, BadInputsGiveOneLineAndAFailure) {
  test::ImageFolder folder;
  ASSERT_TRUE(test::WriteSound(folder / "high.wav", test::Tone(48000, 440), {SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 48000}));
  ASSERT_TRUE(test::WriteText(folder / "broken.cue", "FILE \"nothing.bin\" BINARY\n  TRACK 01 AUDIO\n"
                                                     "    INDEX 01 00:00:99\n"));
  const std::vector<std::vector<std::string>> calls = {
      {"toc", folder / "missing.flac"},
      {"toc", folder / "high.wav"},
      {"toc", folder / "broken.cue"},
      {"analyze", "--skip", "9", folder / "high.wav"},
      {"analyze", "--jobs", "zero", folder / "high.wav"},
      {"toc", "--drive", "Q"},
      {"toc", "--bogus"},
  };
  for (const auto& call : calls) {
    auto result = RunOssel(call);
    SCOPED_TRACE(call.back());
    EXPECT_NE(result.exitStatus, 0);
    EXPECT_LT(result.exitStatus, 128);  // an error, not a crash
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(CountOf(result.err, "\n"), 1) << result.err;
    EXPECT_EQ(result.err.rfind("ossel: ", 0), 0u) << result.err;
  }
  EXPECT_NE(RunOssel({"toc", folder / "high.wav"}).err.find("48000"), std::string::npos);
}

TEST(CommandLine, TheDemoDiscIsJudgedTrackByTrack) {
  ASSERT_FALSE(DemoDisc().empty()) << "the demo disc could not be made";
  auto report = RunOssel({"analyze", DemoDisc()});
  ASSERT_EQ(report.exitStatus, 0) << report.err;
  EXPECT_EQ(report.err, "");  // no progress line when standard error is not a terminal
  EXPECT_EQ(ValuesAfter(report.out, "音轨结论: ", "\n"), (std::vector<std::string>{"CDDA", "MPEG", "CDDA"}));
  EXPECT_EQ(report.out.find('\r'), std::string::npos);
  EXPECT_EQ(report.out.rfind("音轨: 01\n----", 0), 0u);
  EXPECT_NE(report.out.find("\n\n光盘结论: "), std::string::npos);
  // The lossy track is caught by the shortcut: no stage runs.
  EXPECT_NE(report.out.find("完成阶段: 0\n音轨结论: MPEG\n"), std::string::npos);

  // One job or several: the same report.
  auto serial = RunOssel({"analyze", "--jobs", "1", DemoDisc()});
  EXPECT_EQ(serial.out, report.out);

  // Timed by stage, still the same report; every stage a block goes through took some of the time.
  auto timed = RunOssel({"analyze", "--stage-times", DemoDisc()});
  EXPECT_EQ(timed.out, report.out);
  for (const std::string stage : {"reading", "conditioning", "transform", "logarithms", "phase spread", "cutoff scan",
                                  "builders", "total"}) {
    const std::size_t line = timed.err.find("\n" + stage + "  ");
    ASSERT_NE(line, std::string::npos) << stage << " in\n" << timed.err;
    EXPECT_GT(std::stod(timed.err.substr(line + 1 + stage.size())), 0.0) << stage;
  }
}

TEST(CommandLine, JsonCarriesTheRecordsAndRoundTripsTheNumbers) {
  ASSERT_FALSE(DemoDisc().empty());
  auto json = RunOssel({"analyze", "--json", DemoDisc()});
  ASSERT_EQ(json.exitStatus, 0) << json.err;
  EXPECT_EQ(CountOf(json.out, "\"processedBlocks\":"), 3);
  EXPECT_EQ(CountOf(json.out, "\"stagesDone\":"), 3);
  EXPECT_NE(json.out.find("\"verdict\":\"MPEG\""), std::string::npos);
  EXPECT_NE(json.out.find("\"isrc\":[]"), std::string::npos);
  // The disc probability is written so that it reads back to the double the text report rounds.
  const auto probability = ValuesAfter(json.out, "\"probability\":", ",}");
  ASSERT_EQ(probability.size(), 1u);
  auto text = RunOssel({"analyze", DemoDisc()});
  char expected[64];
  std::snprintf(expected, sizeof expected, "%f", std::strtod(probability[0].c_str(), nullptr));
  EXPECT_NE(text.out.find(std::string("的概率为 ") + expected), std::string::npos);
}

TEST(CommandLine, SeveralDiscsEachFollowALineNamingThem) {
  ASSERT_FALSE(DemoDisc().empty());
  auto both = RunOssel({"analyze", DemoDisc(), DemoDisc()});
  ASSERT_EQ(both.exitStatus, 0) << both.err;
  EXPECT_EQ(CountOf(both.out, "== " + DemoDisc() + "\n"), 2);
  EXPECT_EQ(CountOf(both.out, "光盘结论"), 2);
}

TEST(CommandLine, InterruptKeepsTheFinishedTracksAndExitsWith130) {
  test::ImageFolder folder;
  std::string cue = "FILE \"long.bin\" BINARY\n";
  for (int t = 0; t < 12; ++t) {
    const int start = t * 3000;
    char line[96];
    std::snprintf(line, sizeof line, "  TRACK %02d AUDIO\n    INDEX 01 %02d:%02d:00\n", t + 1, start / 4500,
                  start / 75 % 60);
    cue += line;
  }
  ASSERT_TRUE(test::WriteRaw(folder / "long.bin", test::Noise(36000 * test::kFramesPerSector, 5)));
  ASSERT_TRUE(test::WriteText(folder / "long.cue", cue));
  bool sent = false;
  auto result = RunOssel({"analyze", "--jobs", "1", folder / "long.cue"}, [&](const std::string& out, int pid) {
    if (!sent && out.find("音轨结论") != std::string::npos) {
      kill(pid, SIGINT);
      sent = true;
    }
  });
  ASSERT_TRUE(sent);
  EXPECT_EQ(result.exitStatus, 130);
  EXPECT_GE(CountOf(result.out, "音轨结论"), 1);
  EXPECT_LT(CountOf(result.out, "音轨结论"), 12);
  EXPECT_EQ(CountOf(result.out, "光盘结论"), 0);
}

TEST(CommandLine, InfoShowsTheDriveAndDiscRows) {
  ASSERT_FALSE(DemoDisc().empty());
  auto info = RunOssel({"info", DemoDisc()});
  ASSERT_EQ(info.exitStatus, 0) << info.err;
  EXPECT_NE(info.out.find("厂家识别码: OSSEL"), std::string::npos);
  EXPECT_NE(info.out.find("读取速率: 40X"), std::string::npos);
  EXPECT_NE(info.out.find("[ISRC]"), std::string::npos);
}

}  // namespace
}  // namespace ossel
