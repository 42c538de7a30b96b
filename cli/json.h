// A small JSON writer for the command line's reports. Doubles are written so that they read back to the same
// value (shortest round-trip form); infinities and not-a-number, which JSON cannot carry, are written as null.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ossel::cli {

class JsonWriter {
 public:
  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  JsonWriter& Key(std::string_view key);
  JsonWriter& String(std::string_view value);
  JsonWriter& Int(std::int64_t value);
  JsonWriter& Double(double value);
  JsonWriter& Bool(bool value);
  JsonWriter& Null();

  const std::string& Text() const { return out_; }

 private:
  void BeforeValue();

  std::string out_;
  std::vector<bool> first_;  // per open container: no element written yet
  bool afterKey_ = false;
};

std::string JsonQuote(std::string_view text);
std::string ShortestDouble(double value);

}  // namespace ossel::cli
