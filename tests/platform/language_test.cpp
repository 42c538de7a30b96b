// The language choice and the catalogue of English texts.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/language.h"

namespace ossel {
namespace {

// The printf conversions and the Qt %N arguments of a text, in order; "%%" is no placeholder. Scanned by hand:
// std::regex trips the compiler's uninitialised-use warning under the sanitizers.
std::vector<std::string> Placeholders(const std::string& text) {
  auto in = [](char c, const char* set) { return c != '\0' && std::strchr(set, c) != nullptr; };
  std::vector<std::string> found;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') continue;
    std::size_t j = i + 1;
    if (j < text.size() && text[j] == '%') {
      i = j;
      continue;
    }
    if (j < text.size() && text[j] >= '1' && text[j] <= '9') {  // Qt's %1 to %99
      ++j;
      if (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) ++j;
      found.push_back(text.substr(i, j - i));
      i = j - 1;
      continue;
    }
    while (j < text.size() && in(text[j], "-+ #0")) ++j;
    while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) ++j;
    if (j + 1 < text.size() && text[j] == '.' && std::isdigit(static_cast<unsigned char>(text[j + 1]))) {
      ++j;
      while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) ++j;
    }
    while (j < text.size() && in(text[j], "hlLzjt")) ++j;
    if (j < text.size() && in(text[j], "diouxXeEfFgGaAcspn")) {
      found.push_back(text.substr(i, j + 1 - i));
      i = j;
    }
  }
  return found;
}

bool HasChinese(const std::string& text) {
  // UTF-8 lead bytes E3 to E9 start the CJK punctuation and ideograph blocks (U+3000 to U+9FFF).
  for (unsigned char c : text) {
    if (c >= 0xE3 && c <= 0xE9) return true;
  }
  return false;
}

// A missing or unfinished rendering, or one whose placeholders differ from its source's (a wrong format would
// print garbage or read past the arguments), fails here, naming the text.
TEST(Catalogue, EveryTextHasAnEnglishRenderingWithItsSourcesPlaceholders) {
  ASSERT_GT(CatalogueEnd() - CatalogueBegin(), 50);
  for (const CatalogueEntry* e = CatalogueBegin(); e != CatalogueEnd(); ++e) {
    SCOPED_TRACE(std::string(e->context) + " \"" + e->source + "\"");
    EXPECT_STRNE(e->english, "") << "no English rendering";
    EXPECT_FALSE(HasChinese(e->english)) << e->english;
    EXPECT_EQ(Placeholders(e->english), Placeholders(e->source)) << e->english;
  }
}

TEST(Catalogue, TranslateChangesTextsOnlyInEnglishAndOnlyThoseOfItsContext) {
  SetLanguage(Language::Original);
  EXPECT_STREQ(Translate("TrackRow", "未知的"), "未知的");
  SetLanguage(Language::English);
  EXPECT_STREQ(Translate("TrackRow", "未知的"), "Undecided");
  EXPECT_STREQ(Translate("DriveInfo", "未知的"), "Unknown");  // the same word, another meaning
  EXPECT_STREQ(Translate("TrackRow", "MPEG"), "MPEG");        // not in the catalogue: as it stands
  EXPECT_EQ(Translate("TrackRow", std::string("光盘结论")), "Disc verdict");
  SetLanguage(Language::Original);
}

TEST(LanguageChoice, ArgumentsThenTheEnvironmentChooseAndBadChoicesAreRefused) {
  struct Case {
    std::vector<std::string> args;
    const char* environment;  // OSSEL_LANG, null: unset
    std::optional<Language> chosen;
    std::vector<std::string> left;
    bool error;
  };
  const std::vector<Case> cases = {
      {{"analyze", "a.cue"}, nullptr, std::nullopt, {"analyze", "a.cue"}, false},
      {{"--lang", "en", "analyze"}, nullptr, Language::English, {"analyze"}, false},
      {{"analyze", "a.cue", "--lang=en"}, nullptr, Language::English, {"analyze", "a.cue"}, false},
      {{"analyze"}, "en", Language::English, {"analyze"}, false},
      {{"--lang", "zh", "analyze"}, "en", Language::Original, {"analyze"}, false},  // the argument wins
      {{"analyze"}, "", std::nullopt, {"analyze"}, false},
      {{"analyze", "--", "--lang=en"}, nullptr, std::nullopt, {"analyze", "--", "--lang=en"}, false},  // a file
      {{"--lang", "fr", "analyze"}, nullptr, std::nullopt, {}, true},
      {{"analyze", "--lang"}, nullptr, std::nullopt, {}, true},
      {{"--lang=", "analyze"}, nullptr, std::nullopt, {}, true},
      {{"analyze"}, "English", std::nullopt, {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args) + " OSSEL_LANG=" + (c.environment ? c.environment : "(unset)"));
    if (c.environment) {
      setenv("OSSEL_LANG", c.environment, 1);
    } else {
      unsetenv("OSSEL_LANG");
    }
    std::vector<std::string> storage = {"ossel"};
    storage.insert(storage.end(), c.args.begin(), c.args.end());
    std::vector<char*> argv;
    for (std::string& s : storage) argv.push_back(s.data());
    argv.push_back(nullptr);
    int argc = static_cast<int>(storage.size());
    std::string error;
    const std::optional<Language> chosen = LanguageFromChoice(argc, argv.data(), error);
    EXPECT_EQ(!error.empty(), c.error) << error;
    EXPECT_EQ(chosen, c.chosen);
    if (c.error) continue;
    std::vector<std::string> left(argv.begin() + 1, argv.begin() + argc);
    EXPECT_EQ(left, c.left);
    EXPECT_EQ(argv[static_cast<std::size_t>(argc)], nullptr);
  }
  unsetenv("OSSEL_LANG");
}

}  // namespace
}  // namespace ossel
