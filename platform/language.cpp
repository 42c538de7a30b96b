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

// The finished renderings by context and source, made at first use; they live as long as the program.
const std::map<Key, std::string>& Renderings() {
  static const auto* table = [] {
    auto* t = new std::map<Key, std::string>;
    for (const CatalogueEntry& e : kCatalogue) {
      if (*e.english != '\0') t->emplace(Key{e.context, e.source}, e.english);
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
  const auto found = Renderings().find({context, source});
  return found == Renderings().end() ? source : found->second.c_str();
}

const std::string& Translate(const char* context, const std::string& source) {
  if (chosen != Language::English) return source;
  const auto found = Renderings().find({context, source});
  return found == Renderings().end() ? source : found->second;
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
