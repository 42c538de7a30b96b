// The command line's JSON: records keep the order their fields are written in, doubles are written in their
// shortest form that reads back to the same value, infinities and not-a-number (which JSON cannot carry) as null,
// bytes that are not UTF-8 (a file name in another encoding) as U+FFFD, and every control character as an escape:
// the C0 controls by JSON's own rules, DEL and the C1 controls (which JSON lets pass) as \u007f and \u0080 ...
#pragma once

#include <nlohmann/json.hpp>

#include <cstdio>
#include <string>

namespace ossel::cli {

using Json = nlohmann::ordered_json;

inline std::string JsonText(const Json& value) {
  const std::string text = value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
  // Outside strings a record is ASCII punctuation, digits and words: these bytes stand only inside strings.
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const bool c1 = c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) <= 0x9F &&
                    static_cast<unsigned char>(text[i + 1]) >= 0x80;
    if (c != 0x7F && !c1) {
      out += text[i];
      continue;
    }
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\u%04x", c1 ? static_cast<unsigned char>(text[++i]) : c);
    out += escape;
  }
  return out;
}

}  // namespace ossel::cli
