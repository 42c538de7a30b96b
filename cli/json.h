// The command line's JSON: records keep the order their fields are written in, doubles are written in their
// shortest form that reads back to the same value, infinities and not-a-number (which JSON cannot carry) as null,
// and bytes that are not UTF-8 (a file name in another encoding) as U+FFFD.
#pragma once

#include <nlohmann/json.hpp>

#include <string>

namespace ossel::cli {

using Json = nlohmann::ordered_json;

inline std::string JsonText(const Json& value) {
  return value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace ossel::cli
