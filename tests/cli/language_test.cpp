// The command line's texts in English, and the original texts whatever the locale says.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "support/process.h"

namespace ossel {
namespace {

using test::DemoDisc;

// `ossel ARGS` with the language and locale variables cleared, then `environment` (NAME=VALUE) set.
test::ProcessResult Ossel(const std::vector<std::string>& environment, const std::vector<std::string>& args) {
  std::vector<std::string> all = {"-u", "OSSEL_LANG", "-u", "LANG", "-u", "LC_ALL", "-u", "LANGUAGE", "-u", "LC_MESSAGES"};
  all.insert(all.end(), environment.begin(), environment.end());
  all.push_back(OSSEL_CLI_PATH);
  all.insert(all.end(), args.begin(), args.end());
  return test::RunProcess("/usr/bin/env", all);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The numbers of a line as the report writes them: an optional sign, digits, a fraction, an exponent. The scanners
// here are by hand: std::regex trips the compiler's uninitialised-use warning under the sanitizers.
std::vector<std::string> Numbers(const std::string& line) {
  std::vector<std::string> found;
  std::size_t i = 0;
  while (i < line.size()) {
    std::size_t start = i;
    if ((line[i] == '-' || line[i] == '+') && i + 1 < line.size() && IsDigit(line[i + 1])) ++i;
    if (!IsDigit(line[i])) {
      i = start + 1;
      continue;
    }
    while (i < line.size() && IsDigit(line[i])) ++i;
    if (i + 1 < line.size() && line[i] == '.' && IsDigit(line[i + 1])) {
      ++i;
      while (i < line.size() && IsDigit(line[i])) ++i;
    }
    if (i + 2 < line.size() && line[i] == 'e' && (line[i + 1] == '-' || line[i + 1] == '+') && IsDigit(line[i + 2])) {
      i += 2;
      while (i < line.size() && IsDigit(line[i])) ++i;
    }
    found.push_back(line.substr(start, i - start));
  }
  return found;
}

// The keys of a JSON text: every "name": whose name is letters, digits and underscores.
std::vector<std::string> JsonKeys(const std::string& json) {
  std::vector<std::string> found;
  for (std::size_t open = json.find('"'); open != std::string::npos; open = json.find('"', open + 1)) {
    std::size_t end = open + 1;
    while (end < json.size() && (std::isalnum(static_cast<unsigned char>(json[end])) || json[end] == '_')) ++end;
    if (end > open + 1 && end + 1 < json.size() && json[end] == '"' && json[end + 1] == ':') {
      found.push_back(json.substr(open + 1, end - open - 1));
      open = end;
    }
  }
  return found;
}

// `text` with every "name":"..." string field taken out.
std::string Without(const std::string& text, const std::string& name) {
  const std::string key = "\"" + name + "\":\"";
  std::string out;
  std::size_t from = 0;
  for (std::size_t at = text.find(key); at != std::string::npos; at = text.find(key, from)) {
    out.append(text, from, at - from);
    const std::size_t close = text.find('"', at + key.size());
    from = close == std::string::npos ? text.size() : close + 1;
  }
  out.append(text, from, std::string::npos);
  return out;
}

// The string verdicts of a JSON text in order ("verdict":"CDDA" and the like), each followed by ";".
std::string VerdictCodes(const std::string& json) {
  std::string all;
  const std::string key = "\"verdict\":";
  for (std::size_t at = json.find(key); at != std::string::npos; at = json.find(key, at + key.size())) {
    std::size_t value = at + key.size();
    while (value < json.size() && json[value] == ' ') ++value;
    if (value >= json.size() || json[value] != '"') continue;
    const std::size_t close = json.find('"', value + 1);
    if (close == std::string::npos) break;
    all += json.substr(value + 1, close - value - 1) + ";";
  }
  return all;
}

bool HasChinese(const std::string& text) {
  for (unsigned char c : text) {
    if (c >= 0xE3 && c <= 0xE9) return true;
  }
  return false;
}

// Without the choice, English and Chinese locales change no byte of any output.
TEST(Language, TheDefaultOutputsAreTheSameWhateverTheLocale) {
  ASSERT_FALSE(DemoDisc().empty()) << "the demo disc could not be made";
  for (const std::vector<std::string>& command : std::vector<std::vector<std::string>>{
           {"analyze", "--jobs", "1", DemoDisc()}, {"analyze", "--json", DemoDisc()}, {"info", DemoDisc()}}) {
    const test::ProcessResult plain = Ossel({}, command);
    ASSERT_EQ(plain.exitStatus, 0) << plain.err;
    ASSERT_TRUE(HasChinese(plain.out)) << plain.out;
    for (const std::vector<std::string>& locale : std::vector<std::vector<std::string>>{
             {"LANG=en_US.UTF-8"}, {"LC_ALL=en_GB.UTF-8", "LANGUAGE=en"}, {"LANG=zh_CN.UTF-8", "LC_ALL=zh_CN.UTF-8"},
             {"LC_MESSAGES=en_US.UTF-8"}}) {
      SCOPED_TRACE(testing::PrintToString(command) + " " + testing::PrintToString(locale));
      const test::ProcessResult run = Ossel(locale, command);
      EXPECT_EQ(run.exitStatus, 0);
      // The JSON's times are the only thing allowed to differ from run to run.
      EXPECT_EQ(Without(run.out, "elapsedText"), Without(plain.out, "elapsedText"));
    }
  }
}

// The English report of the demo disc: the same lines in the same order with the same numbers and verdict codes,
// no Chinese left; every way of asking gives the same; JSON keys and codes stay.
TEST(Language, TheEnglishReportOfTheDemoDiscMatchesTheOriginalLineForLine) {
  ASSERT_FALSE(DemoDisc().empty()) << "the demo disc could not be made";
  const test::ProcessResult original = Ossel({}, {"analyze", "--jobs", "1", DemoDisc()});
  const test::ProcessResult english = Ossel({}, {"--lang", "en", "analyze", "--jobs", "1", DemoDisc()});
  ASSERT_EQ(english.exitStatus, 0) << english.err;
  EXPECT_FALSE(HasChinese(english.out)) << english.out;
  EXPECT_EQ(Ossel({"OSSEL_LANG=en"}, {"analyze", "--jobs", "1", DemoDisc()}).out, english.out);
  EXPECT_EQ(Ossel({}, {"analyze", "--jobs", "1", DemoDisc(), "--lang=en"}).out, english.out);

  const std::vector<std::string> a = Lines(original.out), b = Lines(english.out);
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t i = 0; i < a.size(); ++i) {
    SCOPED_TRACE(a[i] + " | " + b[i]);
    EXPECT_EQ(Numbers(b[i]), Numbers(a[i]));
    EXPECT_EQ(a[i].empty(), b[i].empty());
    for (const char* code : {"CDDA", "MPEG", "UNKN"}) {
      EXPECT_EQ(b[i].find(code) != std::string::npos, a[i].find(code) != std::string::npos) << code;
    }
  }
  EXPECT_NE(english.out.find("Track verdict: MPEG\n"), std::string::npos);
  EXPECT_NE(english.out.find("\nDisc verdict: "), std::string::npos);

  const test::ProcessResult json = Ossel({}, {"analyze", "--json", DemoDisc()});
  const test::ProcessResult englishJson = Ossel({}, {"analyze", "--json", "--lang", "en", DemoDisc()});
  EXPECT_EQ(JsonKeys(englishJson.out), JsonKeys(json.out));
  EXPECT_EQ(VerdictCodes(englishJson.out), VerdictCodes(json.out));
  EXPECT_NE(VerdictCodes(json.out), "");

  const test::ProcessResult info = Ossel({"OSSEL_LANG=en"}, {"info", DemoDisc()});
  EXPECT_EQ(info.exitStatus, 0);
  EXPECT_FALSE(HasChinese(info.out)) << info.out;
  EXPECT_NE(info.out.find("Vendor identification: OSSEL"), std::string::npos) << info.out;
}

TEST(Language, AnUnknownLanguageIsAUsageError) {
  for (const auto& [environment, args] : std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>>{
           {{}, {"--lang", "fr", "toc", "x.cue"}}, {{}, {"toc", "x.cue", "--lang"}}, {{"OSSEL_LANG=de"}, {"drives"}}}) {
    const test::ProcessResult run = Ossel(environment, args);
    EXPECT_EQ(run.exitStatus, 2) << testing::PrintToString(args);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("takes en (English)"), std::string::npos) << run.err;
  }
}

}  // namespace
}  // namespace ossel
