// Drive identification, capabilities, disc information and ATIP, as rows of the information list.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace ossel {

// One row of the information list. An empty label marks a section header whose title is the value.
struct InfoRow {
  std::string label;
  std::string value;
};

// Name of the disc type byte of READ DISC INFORMATION.
std::string_view DiscTypeName(std::uint8_t type);

// One media manufacturer, keyed by the ATIP lead-in start in frames (minute × 4500 + second × 75 + frame).
struct ManufacturerEntry {
  std::int32_t key;
  const char* name;
};

// The whole manufacturer table, sorted by key.
std::span<const ManufacturerEntry> ManufacturerTable();

// The manufacturer of an exact lead-in key, or "Unknown".
std::string_view ManufacturerName(std::int32_t key);

}  // namespace ossel
