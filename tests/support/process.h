// Runs a program of the project as a child process and collects what it printed.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace ossel::test {

struct ProcessResult {
  int exitStatus = -1;  // the exit code, or 128 + the signal that ended it
  std::string out;
  std::string err;
};

// Runs `program` with `args`. `onOutput`, if given, sees standard output as it grows, with the child's pid.
// The child's XDG_CACHE_HOME is `cacheHome`; by default a fresh empty folder, removed when it has ended, so that no
// run takes the results another run left in the result cache, and none touches the user's.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::function<void(const std::string& outSoFar, int pid)>& onOutput = {},
                         const std::string& cacheHome = {});

// Runs the `ossel` command line built with the tests.
inline ProcessResult RunOssel(const std::vector<std::string>& args,
                              const std::function<void(const std::string&, int)>& onOutput = {}) {
  return RunProcess(OSSEL_CLI_PATH, args, onOutput);
}
// The same with the result cache in `cacheHome`/ossel, shared by every run given it.
inline ProcessResult RunOsselCached(const std::string& cacheHome, const std::vector<std::string>& args,
                                    const std::function<void(const std::string&, int)>& onOutput = {}) {
  return RunProcess(OSSEL_CLI_PATH, args, onOutput, cacheHome);
}

// The demo disc's cue sheet, made once in the build folder by the project's own script (sox, lame and flac); empty
// when it could not be made. A lock keeps test processes running side by side from making it twice at once.
const std::string& DemoDisc();

}  // namespace ossel::test
