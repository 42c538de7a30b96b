// DisplayStore: spectrogram images and frequency profiles kept out of memory, in one unnamed temporary file.
//
// Items are appended back to back, each starting on a sector boundary and padded to whole sectors, and are read
// back byte-exact by entry number. Where the file system allows it the file bypasses the system cache (O_DIRECT),
// so every transfer is whole sectors from sector-aligned memory; buffers that are not aligned pass through a
// bounce buffer kept by the store. The file is unlinked from the start, so the system removes it when the store
// closes it or the program dies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

namespace ossel {

// Memory alignment that lets a buffer go to and from the store without a copy on common volumes.
inline constexpr std::size_t kStoreAlignment = 4096;

struct AlignedFree {
  std::size_t alignment = kStoreAlignment;
  void operator()(void* p) const { ::operator delete(p, std::align_val_t(alignment)); }
};
template <class T>
using AlignedArray = std::unique_ptr<T[], AlignedFree>;
using AlignedBytes = AlignedArray<std::uint8_t>;

// `count` values of a plain type (not initialised), aligned to `alignment` (a power of two); null when the memory
// cannot be had.
template <class T>
AlignedArray<T> AllocateAligned(std::size_t count, std::size_t alignment = kStoreAlignment) {
  static_assert(std::is_trivial_v<T>);
  void* p = ::operator new(count == 0 ? 1 : count * sizeof(T), std::align_val_t(alignment), std::nothrow);
  return AlignedArray<T>(static_cast<T*>(p), AlignedFree{alignment});
}

class DisplayStore {
 public:
  struct Entry {
    std::uint64_t offset = 0;  // byte position in the file, a multiple of the sector size
    std::uint32_t size = 0;    // the item's length as given to Append
  };

  // In the system temporary folder ($TMPDIR, else /tmp).
  DisplayStore();
  // In `folder`. With `unbuffered` false the transfers go through the system cache (still whole sectors).
  explicit DisplayStore(const std::string& folder, bool unbuffered = true);
  ~DisplayStore();
  DisplayStore(const DisplayStore&) = delete;
  DisplayStore& operator=(const DisplayStore&) = delete;

  // The entry number of the stored item (from 0), or -1 when it could not be written completely (Error() says why).
  std::int32_t Append(const void* data, std::uint32_t size);
  // Reads the item into `destination` (which holds its size); false for -1, an unknown entry or a failed read.
  bool ReadEntry(std::int32_t entry, void* destination);
  // Forgets every entry and empties the file; numbering restarts at 0.
  void Clear();

  bool IsOpen() const { return file_ >= 0; }
  // The folder the store was made in.
  const std::string& Folder() const { return folder_; }
  // The system's reason (as strerror gives it) why the file could not be made, or why the last Append that failed
  // could not write; empty while nothing has failed.
  std::string Error() const;
  // True when transfers bypass the system cache.
  bool IsUnbuffered() const { return unbuffered_; }
  std::uint32_t SectorSize() const { return sectorSize_; }
  std::int32_t EntryCount() const;
  std::optional<Entry> EntryAt(std::int32_t entry) const;
  static std::string SystemTempFolder();

 private:
  void Create(const std::string& folder, bool unbuffered);
  bool UseUnbuffered();
  bool IsAligned(const void* p) const;
  bool WriteAt(const std::uint8_t* data, std::size_t bytes, std::uint64_t offset);
  bool ReadAt(std::uint8_t* destination, std::size_t bytes, std::uint64_t offset);

  // Keeps the reason of a failure; the caller holds `lock_` once the store is made.
  void KeepError(int error);

  std::string folder_;
  std::string error_;
  int file_ = -1;
  bool unbuffered_ = false;
  std::uint32_t sectorSize_ = 0;
  AlignedBytes tailBuffer_;    // the last, partial sector of an item
  AlignedBytes bounceBuffer_;  // whole sectors of callers' buffers that are not aligned
  std::size_t bounceBytes_ = 0;
  mutable std::mutex lock_;  // the file, the entries, the error and both buffers
  std::vector<Entry> entries_;
};

}  // namespace ossel
