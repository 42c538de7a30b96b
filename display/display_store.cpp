#include "display/display_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace ossel {
namespace {

constexpr std::uint32_t kDefaultSectorSize = 4096;
constexpr std::size_t kBounceTarget = 256 * 1024;

bool IsPowerOfTwo(std::uint64_t v) { return v != 0 && (v & (v - 1)) == 0; }

bool Truncate(int fd, std::uint64_t length) { return ::ftruncate(fd, static_cast<off_t>(length)) == 0; }

// An open file that no name refers to: O_TMPFILE where the file system has it, else a fresh name unlinked at once.
// On failure errno tells why the fresh name could not be made either.
int OpenUnnamed(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_EXCL | O_CLOEXEC, 0600);
  if (fd >= 0) return fd;
  std::string path = folder + "/osselXXXXXX";
  fd = ::mkostemp(path.data(), O_CLOEXEC);  // created 0600
  if (fd >= 0) ::unlink(path.c_str());
  return fd;
}

// Bytes per sector of the volume: the file system's preferred transfer size, or 4096 when it says nothing usable.
std::uint32_t VolumeSectorSize(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) == 0 && st.st_blksize >= 512 && st.st_blksize <= (1 << 20) && IsPowerOfTwo(st.st_blksize))
    return static_cast<std::uint32_t>(st.st_blksize);
  return kDefaultSectorSize;
}

}  // namespace

DisplayStore::DisplayStore() { Create(SystemTempFolder(), true); }

DisplayStore::DisplayStore(const std::string& folder, bool unbuffered) { Create(folder, unbuffered); }

DisplayStore::~DisplayStore() {
  if (file_ >= 0) ::close(file_);
}

std::string DisplayStore::SystemTempFolder() {
  const char* folder = std::getenv("TMPDIR");
  return folder && *folder ? folder : "/tmp";
}

void DisplayStore::Create(const std::string& folder, bool unbuffered) {
  folder_ = folder;
  const int fd = OpenUnnamed(folder);
  if (fd < 0) {
    KeepError(errno);
    return;
  }
  sectorSize_ = VolumeSectorSize(fd);
  bounceBytes_ = std::max<std::size_t>(kBounceTarget / sectorSize_, 1) * sectorSize_;
  tailBuffer_ = AllocateAligned<std::uint8_t>(sectorSize_, sectorSize_);
  bounceBuffer_ = AllocateAligned<std::uint8_t>(bounceBytes_, sectorSize_);
  if (!tailBuffer_ || !bounceBuffer_) {
    ::close(fd);
    KeepError(ENOMEM);
    return;
  }
  std::memset(tailBuffer_.get(), 0, sectorSize_);
  file_ = fd;
  unbuffered_ = unbuffered && UseUnbuffered();
}

// Switches the file to O_DIRECT and proves it with one aligned sector; on any refusal the file stays buffered.
bool DisplayStore::UseUnbuffered() {
  const int flags = ::fcntl(file_, F_GETFL);
  if (flags < 0 || ::fcntl(file_, F_SETFL, flags | O_DIRECT) != 0) return false;
  const bool accepted = ::pwrite(file_, tailBuffer_.get(), sectorSize_, 0) == static_cast<ssize_t>(sectorSize_) &&
                        ::pread(file_, tailBuffer_.get(), sectorSize_, 0) == static_cast<ssize_t>(sectorSize_);
  const bool emptied = Truncate(file_, 0);
  if (accepted && emptied) return true;
  ::fcntl(file_, F_SETFL, flags);
  return false;
}

bool DisplayStore::IsAligned(const void* p) const {
  return !unbuffered_ || reinterpret_cast<std::uintptr_t>(p) % sectorSize_ == 0;
}

// Writes `bytes` (whole sectors) at `offset`, straight from `data` when it is aligned, else through the bounce buffer.
bool DisplayStore::WriteAt(const std::uint8_t* data, std::size_t bytes, std::uint64_t offset) {
  const bool direct = IsAligned(data);
  std::size_t done = 0;
  while (done < bytes) {
    const std::uint8_t* from = data + done;
    std::size_t chunk = bytes - done;
    if (!direct) {
      chunk = std::min(chunk, bounceBytes_);
      std::memcpy(bounceBuffer_.get(), from, chunk);
      from = bounceBuffer_.get();
    }
    std::size_t written = 0;
    while (written < chunk) {
      const ssize_t n = ::pwrite(file_, from + written, chunk - written, static_cast<off_t>(offset + done + written));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return false;
      if (n == 0) {  // a regular file takes nothing only when there is no room for it
        errno = ENOSPC;
        return false;
      }
      written += static_cast<std::size_t>(n);
    }
    done += chunk;
  }
  return true;
}

// Reads `bytes` (whole sectors) at `offset`, straight into `destination` when it is aligned, else through the bounce
// buffer. A short read (the file ends early) fails.
bool DisplayStore::ReadAt(std::uint8_t* destination, std::size_t bytes, std::uint64_t offset) {
  const bool direct = IsAligned(destination);
  std::size_t done = 0;
  while (done < bytes) {
    const std::size_t chunk = direct ? bytes - done : std::min(bytes - done, bounceBytes_);
    std::uint8_t* to = direct ? destination + done : bounceBuffer_.get();
    std::size_t got = 0;
    while (got < chunk) {
      const ssize_t n = ::pread(file_, to + got, chunk - got, static_cast<off_t>(offset + done + got));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      got += static_cast<std::size_t>(n);
    }
    if (!direct) std::memcpy(destination + done, to, chunk);
    done += chunk;
  }
  return true;
}

std::int32_t DisplayStore::Append(const void* data, std::uint32_t size) {
  if (file_ < 0) return -1;
  std::lock_guard guard(lock_);
  const off_t end = ::lseek(file_, 0, SEEK_END);
  if (end < 0) {
    KeepError(errno);
    return -1;
  }
  const auto offset = static_cast<std::uint64_t>(end);
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  const std::uint32_t whole = size / sectorSize_ * sectorSize_;
  const std::uint32_t rest = size % sectorSize_;
  if (rest != 0) std::memcpy(tailBuffer_.get(), bytes + whole, rest);

  bool written = WriteAt(bytes, whole, offset);
  if (written && rest != 0) written = WriteAt(tailBuffer_.get(), sectorSize_, offset + whole);
  if (!written) {
    KeepError(errno);
    // Nothing may refer to a partly written item, and the next item must still start on a sector boundary.
    Truncate(file_, offset);
    return -1;
  }
  entries_.push_back({offset, size});
  return static_cast<std::int32_t>(entries_.size() - 1);
}

bool DisplayStore::ReadEntry(std::int32_t entry, void* destination) {
  if (file_ < 0) return false;
  std::lock_guard guard(lock_);
  // -1 compares as the largest unsigned number, so it is out of range like any number past the count.
  if (static_cast<std::uint32_t>(entry) >= entries_.size()) return false;
  const Entry item = entries_[static_cast<std::size_t>(entry)];
  auto* to = static_cast<std::uint8_t*>(destination);
  const std::uint32_t whole = item.size / sectorSize_ * sectorSize_;
  if (!ReadAt(to, whole, item.offset)) return false;
  if (whole == item.size) return true;
  if (!ReadAt(tailBuffer_.get(), sectorSize_, item.offset + whole)) return false;
  std::memcpy(to + whole, tailBuffer_.get(), item.size - whole);
  return true;
}

void DisplayStore::Clear() {
  std::lock_guard guard(lock_);
  entries_.clear();
  // Should the file refuse to shrink, later items simply go after what it still holds. An empty file is left alone:
  // some file systems take a shrink to nothing as a file being replaced, and write it out to the disk when it is
  // closed.
  if (file_ >= 0 && ::lseek(file_, 0, SEEK_END) > 0) Truncate(file_, 0);
}

void DisplayStore::KeepError(int error) { error_ = std::strerror(error); }

std::string DisplayStore::Error() const {
  std::lock_guard guard(lock_);
  return error_;
}

std::int32_t DisplayStore::EntryCount() const {
  std::lock_guard guard(lock_);
  return static_cast<std::int32_t>(entries_.size());
}

std::optional<DisplayStore::Entry> DisplayStore::EntryAt(std::int32_t entry) const {
  std::lock_guard guard(lock_);
  if (static_cast<std::uint32_t>(entry) >= entries_.size()) return std::nullopt;
  return entries_[static_cast<std::size_t>(entry)];
}

}  // namespace ossel
