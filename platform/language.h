// The language of the program's texts. By default every text is the system's own, exactly as it stands (the
// Chinese labels, page names, report lines and verdict words), whatever the machine's locale says. English is an
// explicit choice: `--lang en` on either program, or OSSEL_LANG=en in the environment; nothing else changes it.
//
// The English renderings live in one catalogue, res/i18n/ossel_en.ts, kept with Qt's translation tools (the build
// target `update_catalogue` runs lupdate over the sources). The window loads it compiled by lrelease; the Qt-free
// layers get the same entries as a table that cmake/ts_to_table.cpp makes from it at build time, with no Qt.
// lupdate finds Translate(context, source) as it finds QCoreApplication::translate, and OSSEL_TEXT(context, source)
// (a text kept in a table and translated where it is used) as QT_TRANSLATE_NOOP.
#pragma once

#include <optional>
#include <string>

#define OSSEL_TEXT(context, source) source

namespace ossel {

enum class Language { Original, English };

// Set once at start-up, before any text is made; read from any thread.
void SetLanguage(Language language);
Language CurrentLanguage();

// `source` in the chosen language: itself by default; with English its rendering from the catalogue, or itself when
// the catalogue has none. The returned text lives as long as the program. A rendering keeps the printf conversions
// of its source in the same order, so it may be used as a format.
const char* Translate(const char* context, const char* source);
// The same for a text held in a string (a row's word, say): a reference to `source` itself when nothing changes.
const std::string& Translate(const char* context, const std::string& source);

// The language asked for: "--lang LANG" or "--lang=LANG" among the arguments (which then lose them; scanning stops
// at "--"), else the environment's OSSEL_LANG. Nothing when neither asks. LANG is "en" (English) or "zh" (the
// original texts); anything else sets `error` to a sentence saying so and gives nothing.
std::optional<Language> LanguageFromChoice(int& argc, char** argv, std::string& error);

struct CatalogueEntry {
  const char* context;
  const char* source;
  const char* english;  // empty for an entry not yet translated (or marked unfinished)
};
// Every entry of the catalogue, in its order.
const CatalogueEntry* CatalogueBegin();
const CatalogueEntry* CatalogueEnd();

}  // namespace ossel
