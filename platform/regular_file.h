// Files opened for reading only when they are regular files, so that a FIFO, a device or a socket where a file is
// expected is refused at once instead of blocking the program on its open or its first read.
//
// Inline: the drawing module, loaded by the command line and built without the platform library, reads its palette
// through these too.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

namespace ossel {

// A descriptor of `path` open for reading (blocking, closed on exec), or -1 with `error` as "path: what" when it
// is missing, cannot be opened or is not a regular file (a link to one counts). Never waits for a writer.
inline int OpenRegularFile(const std::string& path, std::string& error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = path + ": " + (errno == ENOENT ? std::string("file not found")
                                           : std::string("cannot open: ") + std::strerror(errno));
    return -1;
  }
  struct stat st {};
  std::string why;
  if (::fstat(fd, &st) != 0) {
    why = std::string("cannot open: ") + std::strerror(errno);
  } else if (!S_ISREG(st.st_mode)) {
    why = "not a regular file";
  } else if (const int flags = ::fcntl(fd, F_GETFL); flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    why = std::string("cannot open: ") + std::strerror(errno);
  }
  if (!why.empty()) {
    ::close(fd);
    error = path + ": " + why;
    return -1;
  }
  return fd;
}

// Reads at most `limit` bytes from the start of the regular file `path` into `text`; false with `error` as
// OpenRegularFile gives it, or when a read fails.
inline bool ReadRegularFile(const std::string& path, std::size_t limit, std::string& text, std::string& error) {
  const int fd = OpenRegularFile(path, error);
  if (fd < 0) return false;
  text.clear();
  char buffer[65536];
  while (text.size() < limit) {
    const std::size_t want = std::min(sizeof buffer, limit - text.size());
    const ssize_t n = ::read(fd, buffer, want);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = path + ": cannot read the file: " + std::strerror(errno);
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return true;
}

}  // namespace ossel
