// ISRC rows of the tracks and the country table of the codes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace ossel {

// One row of the ISRC list, in column order.
struct IsrcRow {
  std::string track;      // track kind and number
  std::string country;    // name of the code's country
  std::string publisher;  // the registrant code
  std::string year;       // year of reference, four digits
  std::string code;       // the whole code
};

// One country, keyed by its two code characters: first × 256 + second.
struct CountryEntry {
  std::uint16_t key;
  const char* name;
};

// The whole country table, sorted by key.
std::span<const CountryEntry> CountryTable();

// The country of the two characters at `code` (case-sensitive), or "N/A".
std::string_view CountryName(const char* code);

}  // namespace ossel
