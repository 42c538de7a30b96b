// The command line's commands. Each returns the process's exit status and writes its errors to stderr.
#pragma once

#include <string>
#include <vector>

namespace ossel::cli {

int RunDrives(const std::vector<std::string>& args);
int RunToc(const std::vector<std::string>& args);
int RunAnalyze(const std::vector<std::string>& args);
int RunInfo(const std::vector<std::string>& args);

// Prints "ossel: MESSAGE" on stderr; returns the exit status for failures.
int Fail(const std::string& message);

}  // namespace ossel::cli
