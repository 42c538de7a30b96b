// Files for the fuzzers: a scratch folder of the process, removed at exit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace ossel::fuzz {

// The process's scratch folder (made at first use under $TMPDIR, /dev/shm or /tmp; removed with its contents at
// exit).
const std::string& ScratchFolder();

// Writes `size` bytes to `path`, replacing it; aborts when that fails, since a run on stale files proves nothing.
void WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size);
void WriteFile(const std::string& path, const std::string& text);

}  // namespace ossel::fuzz

// A property every input must keep; a broken one is reported like a crash.
#define OSSEL_FUZZ_CHECK(condition)                                                              \
  do {                                                                                           \
    if (!(condition)) {                                                                          \
      std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition);      \
      std::abort();                                                                              \
    }                                                                                            \
  } while (false)
