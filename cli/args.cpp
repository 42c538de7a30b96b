#include "cli/args.h"

namespace ossel::cli {

std::optional<std::string> ParsedArgs::Value(const std::string& option) const {
  auto it = values.find(option);
  if (it == values.end()) return std::nullopt;
  return it->second;
}

std::optional<ParsedArgs> ParseArgs(const std::vector<std::string>& args, const std::set<std::string>& flags,
                                    const std::set<std::string>& valued, std::string& error) {
  ParsedArgs parsed;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      parsed.positional.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (flags.count(arg)) {
      parsed.flags.insert(arg);
    } else if (valued.count(arg)) {
      if (i + 1 >= args.size()) {
        error = "option " + arg + " needs a value";
        return std::nullopt;
      }
      parsed.values[arg] = args[++i];
    } else if (auto eq = arg.find('='); eq != std::string::npos && valued.count(arg.substr(0, eq))) {
      parsed.values[arg.substr(0, eq)] = arg.substr(eq + 1);
    } else {
      error = "unknown option " + arg;
      return std::nullopt;
    }
  }
  return parsed;
}

}  // namespace ossel::cli
