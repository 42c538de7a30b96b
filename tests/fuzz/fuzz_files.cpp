#include "fuzz_files.h"

#include <stdlib.h>  // mkdtemp

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace ossel::fuzz {

namespace {

// Under $TMPDIR when it is set, else in memory where the machine has /dev/shm: a file system that syncs to disk
// (QSettings syncs what it writes) would slow a fuzzer down many times.
std::string MakeScratchFolder() {
  const char* tmp = std::getenv("TMPDIR");
  std::error_code ec;
  const std::string parent = tmp && *tmp ? tmp : std::filesystem::is_directory("/dev/shm", ec) ? "/dev/shm" : "/tmp";
  std::string pattern = parent + "/ossel-fuzz-XXXXXX";
  if (!::mkdtemp(pattern.data())) {
    std::perror("mkdtemp");
    std::abort();
  }
  return pattern;
}

void Fail(const std::string& what) {
  std::fprintf(stderr, "fuzzer set-up: %s\n", what.c_str());
  std::abort();
}

}  // namespace

const std::string& ScratchFolder() {
  // Never destroyed: the removal at exit runs after the destructors of statics made later.
  static const std::string* folder = [] {
    auto* made = new std::string(MakeScratchFolder());
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(ScratchFolder(), ec);
    });
    return made;
  }();
  return *folder;
}

void WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  out.close();
  if (!out) Fail("cannot write " + path);
}

void WriteFile(const std::string& path, const std::string& text) {
  WriteFile(path, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

}  // namespace ossel::fuzz
