// The command line's commands. Each returns the process's exit status and writes its errors to stderr.
#pragma once

#include <string>

#include "cli/options.h"

namespace ossel::cli {

int RunDrives();
int RunToc(const DiscOptions& options);
int RunInfo(const DiscOptions& options);
int RunAnalyze(const AnalyzeOptions& options);
int RunCacheInfo();
int RunCachePrune();

// Prints "ossel: MESSAGE" on stderr; returns the exit status for failures (1) or for usage errors (2).
int Fail(const std::string& message);
int Usage(const std::string& message);

}  // namespace ossel::cli
