// What the command line's tests read of its outputs: whole files, lines, CSV records.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace ossel::test {

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

inline int CountOf(const std::string& text, const std::string& what) {
  int n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The JSON with the rows' elapsed times, which depend on the machine's load, left out.
inline std::string WithoutElapsedTimes(std::string json) {
  const std::string key = "\"elapsedText\":\"";
  for (auto at = json.find(key); at != std::string::npos; at = json.find(key, at + 1)) {
    json.erase(at + key.size(), json.find('"', at + key.size()) - (at + key.size()));
  }
  return json;
}

// RFC 4180 records: fields split at commas outside quotes, "" inside quotes read as one quote, rows end in CRLF.
inline std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
  std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        rows.back().back() += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        rows.back().back() += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      rows.back().emplace_back();
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      ++i;
      rows.emplace_back(1);
    } else {
      rows.back().back() += c;
    }
  }
  if (rows.back() == std::vector<std::string>(1)) rows.pop_back();
  return rows;
}

}  // namespace ossel::test
