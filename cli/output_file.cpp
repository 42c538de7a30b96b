#include "cli/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <set>

namespace ossel::cli {

namespace {

// The temporary files of the open WholeFiles.
std::mutex temporariesLock;
std::set<std::string>& Temporaries() {
  static std::set<std::string> names;
  return names;
}

std::string Reason(const std::string& target, int error) { return target + ": " + std::strerror(error); }

// The first failure of standard output; 0 while there was none.
std::atomic<int> standardOutputErrno{0};

void KeepStandardOutputFailure(int error) {
  int none = 0;
  standardOutputErrno.compare_exchange_strong(none, error ? error : EIO);
}

}  // namespace

bool WholeFile::Open(const std::string& target, std::string& error) {
  Discard();
  target_ = target;
  errno_ = 0;
  // What is no regular file (a terminal, a pipe as /dev/fd/N, /dev/null) is written to as it is: renaming would put
  // a file in its place.
  // So is a link to nothing yet, which makes the file it names.
  struct stat status, link;
  const bool exists = ::stat(target.c_str(), &status) == 0;
  const bool dangling = !exists && ::lstat(target.c_str(), &link) == 0 && S_ISLNK(link.st_mode);
  if ((exists && !S_ISREG(status.st_mode)) || dangling) {
    stream_ = std::fopen(target.c_str(), "w");
    if (!stream_) error = Reason(target, errno);
    return stream_ != nullptr;
  }
  // A link to a file is followed: the file it names is replaced, not the link.
  std::string real = target;
  if (char* resolved = ::realpath(target.c_str(), nullptr)) {
    real = resolved;
    std::free(resolved);
  }
  renamed_ = real;
  const std::filesystem::path path(real);
  const std::string folder = path.has_parent_path() ? path.parent_path().string() : std::string(".");
  std::string name = (std::filesystem::path(folder) / ("." + path.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) {
    error = Reason(target, errno);
    return false;
  }
  // As a file made by the user's programs: the mode the umask leaves of 0666, not mkstemp's 0600.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  stream_ = ::fdopen(fd, "w");
  if (!stream_) {
    error = Reason(target, errno);
    ::close(fd);
    ::unlink(name.c_str());
    return false;
  }
  temporary_ = name;
  std::lock_guard lock(temporariesLock);
  Temporaries().insert(temporary_);
  return true;
}

bool WholeFile::Write(std::string_view bytes) {
  if (!stream_ || errno_) return false;
  if (std::fwrite(bytes.data(), 1, bytes.size(), stream_) != bytes.size()) errno_ = errno ? errno : EIO;
  return errno_ == 0;
}

bool WholeFile::Flush() {
  if (!stream_ || errno_) return false;
  if (std::fflush(stream_) != 0) errno_ = errno ? errno : EIO;
  return errno_ == 0;
}

std::string WholeFile::Error() const { return Reason(target_, errno_ ? errno_ : EIO); }

bool WholeFile::Commit(std::string& error) {
  if (!stream_) {
    error = Reason(target_, EBADF);
    return false;
  }
  Flush();
  if (std::fclose(stream_) != 0 && !errno_) errno_ = errno ? errno : EIO;
  stream_ = nullptr;
  if (!errno_ && !temporary_.empty() && std::rename(temporary_.c_str(), renamed_.c_str()) != 0) errno_ = errno;
  if (errno_) {
    error = Error();
    Discard();
    return false;
  }
  std::lock_guard lock(temporariesLock);
  Temporaries().erase(temporary_);
  temporary_.clear();
  return true;
}

void WholeFile::Discard() {
  if (stream_) {
    std::fclose(stream_);
    stream_ = nullptr;
  }
  if (temporary_.empty()) return;
  ::unlink(temporary_.c_str());
  std::lock_guard lock(temporariesLock);
  Temporaries().erase(temporary_);
  temporary_.clear();
}

bool WriteWholeFile(const std::string& target, std::string_view bytes, std::string& error) {
  WholeFile file;
  if (!file.Open(target, error)) return false;
  file.Write(bytes);
  return file.Commit(error);
}

void RemoveTemporaryFiles() {
  // Held only for a moment by the files being opened and closed, never while writing.
  std::lock_guard lock(temporariesLock);
  for (const std::string& name : Temporaries()) ::unlink(name.c_str());
}

bool WriteStandardOutput(std::string_view text) {
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) KeepStandardOutputFailure(errno);
  return FlushStandardOutput();
}

bool FlushStandardOutput() {
  if (std::fflush(stdout) != 0) {
    KeepStandardOutputFailure(errno);
  } else if (std::ferror(stdout)) {
    KeepStandardOutputFailure(EIO);  // an earlier write failed, whose reason is gone
  }
  return !StandardOutputFailed();
}

bool StandardOutputFailed() { return standardOutputErrno.load() != 0; }

int FinishStandardOutput(int status) {
  FlushStandardOutput();
  if (std::fclose(stdout) != 0) KeepStandardOutputFailure(errno);
  const int error = standardOutputErrno.load();
  if (!error) return status;
  std::fprintf(stderr, "ossel: standard output: %s\n", std::strerror(error));
  return status == 0 ? 1 : status;
}

}  // namespace ossel::cli
