#include "platform/language.h"

#include <atomic>
#include <cstdlib>
#include <iterator>
#include <map>
#include <string_view>
#include <utility>

namespace ossel {

namespace {

// Made at build time from res/i18n/ossel_en.ts.
constexpr CatalogueEntry kCatalogue[] = {
#include "english_texts.inc"
};

std::atomic<Language> chosen{Language::Original};

using Key = std::pair<std::string_view, std::string_view>;

struct Renderings {
  std::map<Key, const char*> english;
  std::map<Key, std::string> englishStrings;
};

const Renderings& Table() {
  static const Renderings* table = [] {
    auto* t = new Renderings;
    for (const CatalogueEntry& e : kCatalogue) {
      if (*e.english == '\0') continue;
      t->english[{e.context, e.source}] = e.english;
      t->englishStrings[{e.context, e.source}] = e.english;
    }
    return t;
  }();
  return *table;
}

}  // namespace

void SetLanguage(Language language) { chosen = language; }

Language CurrentLanguage() { return chosen; }

const char* Translate(const char* context, const char* source) {
  if (chosen != Language::English) return source;
  const auto& table = Table().english;
  const auto found = table.find({context, source});
  return found == table.end() ? source : found->second;
}

const std::string& Translate(const char* context, const std::string& source) {
  if (chosen != Language::English) return source;
  const auto& table = Table().englishStrings;
  const auto found = table.find({context, source});
  return found == table.end() ? source : found->second;
}

std::optional<Language> LanguageFromChoice(int& argc, char** argv, std::string& error) {
  std::optional<std::string> asked;
  std::string from;
  int out = 1;
  bool options = true;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (options && arg == "--") options = false;
    if (options && arg == "--lang") {
      if (i + 1 >= argc) {
        error = "--lang takes en (English) or zh (the original texts)";
        return std::nullopt;
      }
      asked = argv[++i];
      from = "--lang";
    } else if (options && arg.substr(0, 7) == "--lang=") {
      asked = std::string(arg.substr(7));
      from = "--lang";
    } else {
      argv[out++] = argv[i];
    }
  }
  argc = out;
  argv[argc] = nullptr;
  if (!asked) {
    if (const char* env = std::getenv("OSSEL_LANG"); env && *env) {
      asked = env;
      from = "OSSEL_LANG";
    }
  }
  if (!asked) return std::nullopt;
  if (*asked == "en") return Language::English;
  if (*asked == "zh") return Language::Original;
  error = from + " takes en (English) or zh (the original texts), not '" + *asked + "'";
  return std::nullopt;
}

const CatalogueEntry* CatalogueBegin() { return std::begin(kCatalogue); }
const CatalogueEntry* CatalogueEnd() { return std::end(kCatalogue); }

}  // namespace ossel
