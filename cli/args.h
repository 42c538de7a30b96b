// Parsing of one command's arguments: known options with or without a value, the rest positional.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace ossel::cli {

struct ParsedArgs {
  std::vector<std::string> positional;
  std::map<std::string, std::string> values;  // options that take a value
  std::set<std::string> flags;                // options without a value

  bool Has(const std::string& flag) const { return flags.count(flag) != 0; }
  std::optional<std::string> Value(const std::string& option) const;
};

// Nothing on an unknown option or a missing value, with a one-line error.
std::optional<ParsedArgs> ParseArgs(const std::vector<std::string>& args, const std::set<std::string>& flags,
                                    const std::set<std::string>& valued, std::string& error);

}  // namespace ossel::cli
