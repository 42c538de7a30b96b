#include "display/display_store.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <thread>
#include <vector>

namespace ossel {
namespace {

// A recognisable pattern per item, so that a byte from a neighbour shows.
std::vector<std::uint8_t> Pattern(std::size_t size, int seed) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + seed * 31 + i / 251);
  return bytes;
}

std::uint64_t SectorsOf(std::uint64_t size, std::uint32_t sector) { return (size + sector - 1) / sector * sector; }

struct StorePlace {
  const char* folder;
  bool unbuffered;
  const char* name;
};

class DisplayStoreRoundTrip : public ::testing::TestWithParam<StorePlace> {
 protected:
  void SetUp() override {
    if (::access(GetParam().folder, W_OK) != 0) GTEST_SKIP() << GetParam().folder << " is not available here";
    store_ = std::make_unique<DisplayStore>(GetParam().folder, GetParam().unbuffered);
    ASSERT_TRUE(store_->IsOpen());
    if (GetParam().unbuffered && !store_->IsUnbuffered())
      GTEST_SKIP() << "the file system of " << GetParam().folder << " refuses O_DIRECT";
    if (!GetParam().unbuffered) {
      ASSERT_FALSE(store_->IsUnbuffered());
    }
  }
  std::unique_ptr<DisplayStore> store_;
};

TEST_P(DisplayStoreRoundTrip, ItemsOfAnySizeFromAlignedAndUnalignedMemoryComeBackByteExact) {
  const std::uint32_t sector = store_->SectorSize();
  ASSERT_GE(sector, 512u);
  // Sector multiples (the profile), an image-like odd size, less than a sector, more than the bounce buffer.
  const std::vector<std::size_t> sizes = {65536, 1025 * 52, 10, 3 * sector + 1, 600 * 1024 + 3, sector};
  std::vector<std::vector<std::uint8_t>> items;
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    items.push_back(Pattern(sizes[i], static_cast<int>(i)));
    const bool aligned = i % 2 == 0;
    std::int32_t entry;
    if (aligned) {
      AlignedBytes source = AllocateAligned<std::uint8_t>(sizes[i]);
      std::memcpy(source.get(), items[i].data(), sizes[i]);
      entry = store_->Append(source.get(), static_cast<std::uint32_t>(sizes[i]));
    } else {
      std::vector<std::uint8_t> shifted(sizes[i] + 1);
      std::memcpy(shifted.data() + 1, items[i].data(), sizes[i]);
      entry = store_->Append(shifted.data() + 1, static_cast<std::uint32_t>(sizes[i]));
    }
    ASSERT_EQ(entry, static_cast<std::int32_t>(i)) << "size " << sizes[i];
  }

  // Every item starts on the sector after the previous item's last one: no two share a sector.
  std::uint64_t expected = 0;
  for (std::int32_t i = 0; i < store_->EntryCount(); ++i) {
    const auto entry = store_->EntryAt(i);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->offset, expected) << i;
    EXPECT_EQ(entry->size, sizes[static_cast<std::size_t>(i)]);
    expected += SectorsOf(entry->size, sector);
  }

  // Read back after all were written, so a later item's sector would have overwritten an earlier tail.
  for (std::size_t i = 0; i < items.size(); ++i) {
    const std::size_t size = items[i].size();
    AlignedBytes aligned = AllocateAligned<std::uint8_t>(size + 64);
    std::memset(aligned.get(), 0xEE, size + 64);
    ASSERT_TRUE(store_->ReadEntry(static_cast<std::int32_t>(i), aligned.get())) << i;
    EXPECT_EQ(std::memcmp(aligned.get(), items[i].data(), size), 0) << i;
    EXPECT_EQ(aligned[size], 0xEE) << "wrote past the item " << i;

    std::vector<std::uint8_t> unaligned(size + 3, 0xEE);
    ASSERT_TRUE(store_->ReadEntry(static_cast<std::int32_t>(i), unaligned.data() + 1)) << i;
    EXPECT_EQ(std::memcmp(unaligned.data() + 1, items[i].data(), size), 0) << i;
    EXPECT_EQ(unaligned[0], 0xEE);
    EXPECT_EQ(unaligned[size + 1], 0xEE) << "wrote past the item " << i;
  }
}

TEST_P(DisplayStoreRoundTrip, ClearRestartsNumberingAtOffsetZeroAndForgetsOldEntries) {
  const auto a = Pattern(5000, 1), b = Pattern(300, 2), c = Pattern(70, 3);
  ASSERT_EQ(store_->Append(a.data(), 5000), 0);
  ASSERT_EQ(store_->Append(b.data(), 300), 1);
  store_->Clear();
  EXPECT_EQ(store_->EntryCount(), 0);
  std::vector<std::uint8_t> out(5000);
  EXPECT_FALSE(store_->ReadEntry(0, out.data()));

  ASSERT_EQ(store_->Append(c.data(), 70), 0);
  EXPECT_EQ(store_->EntryAt(0)->offset, 0u);
  ASSERT_TRUE(store_->ReadEntry(0, out.data()));
  EXPECT_EQ(std::memcmp(out.data(), c.data(), 70), 0);
  EXPECT_FALSE(store_->ReadEntry(1, out.data()));
}

TEST_P(DisplayStoreRoundTrip, RefusesNoneAndEntriesPastTheCountLeavingTheDestinationAlone) {
  const auto a = Pattern(100, 4);
  ASSERT_EQ(store_->Append(a.data(), 100), 0);
  std::vector<std::uint8_t> out(100, 0xEE);
  for (std::int32_t entry : {-1, 1, 2, 1000, INT32_MIN}) {
    EXPECT_FALSE(store_->ReadEntry(entry, out.data())) << entry;
    EXPECT_FALSE(store_->EntryAt(entry)) << entry;
  }
  EXPECT_EQ(out, std::vector<std::uint8_t>(100, 0xEE));
}

INSTANTIATE_TEST_SUITE_P(Places, DisplayStoreRoundTrip,
                         ::testing::Values(StorePlace{"/var/tmp", true, "UnbufferedOnDisk"},
                                           StorePlace{"/dev/shm", false, "BufferedInMemory"},
                                           StorePlace{"/dev/shm", true, "MemoryFileSystem"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DisplayStore, WithoutAFileRefusesEverythingAndKeepsTheReason) {
  struct Case {
    const char* folder;
    int reason;
  };
  for (const Case& c : {Case{"/nonexistent/ossel", ENOENT}, Case{"/proc/version", ENOTDIR}}) {
    const char* folder = c.folder;
    DisplayStore store(folder);
    EXPECT_FALSE(store.IsOpen()) << folder;
    EXPECT_EQ(store.Folder(), folder);
    EXPECT_EQ(store.Error(), std::strerror(c.reason)) << folder;
    const auto a = Pattern(10, 1);
    EXPECT_EQ(store.Append(a.data(), 10), -1);
    std::vector<std::uint8_t> out(10);
    EXPECT_FALSE(store.ReadEntry(0, out.data()));
    store.Clear();
    EXPECT_EQ(store.EntryCount(), 0);
  }
}

TEST(DisplayStore, DefaultsToTheSystemTempFolderAndLeavesNoNameBehind) {
  DisplayStore store;
  ASSERT_TRUE(store.IsOpen());
  const auto a = Pattern(20000, 5);
  ASSERT_EQ(store.Append(a.data(), 20000), 0);
  std::vector<std::uint8_t> out(20000);
  ASSERT_TRUE(store.ReadEntry(0, out.data()));
  EXPECT_EQ(out, a);
}

// Runs in a child whose files may not grow past three sectors: returns 0 when the store behaved, else the number
// of the first check that failed.
int AppendPastTheFileSizeLimit() {
  std::signal(SIGXFSZ, SIG_IGN);  // writes past the limit then fail with EFBIG instead of killing the process
  DisplayStore store("/var/tmp");
  if (!store.IsOpen()) return 1;
  const std::uint32_t sector = store.SectorSize();
  const rlimit limit{3 * sector, 3 * sector};
  if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 2;
  const auto small = Pattern(100, 1);
  const auto big = Pattern(4 * sector + 5, 2);
  if (store.Append(small.data(), 100) != 0) return 3;
  if (!store.Error().empty()) return 11;
  if (store.Append(big.data(), static_cast<std::uint32_t>(big.size())) != -1) return 4;
  if (store.Error() != std::strerror(EFBIG)) return 12;
  if (store.EntryCount() != 1) return 5;
  // A bulk that fits but whose tail sector does not: refused as a whole.
  if (store.Append(big.data(), 2 * sector + 1) != -1) return 6;
  if (store.EntryCount() != 1) return 7;
  // The file was cut back, so the next item fits and starts right after the first.
  if (store.Append(big.data(), 2 * sector) != 1) return 8;
  if (store.EntryAt(1)->offset != sector) return 9;
  std::vector<std::uint8_t> out(100);
  if (!store.ReadEntry(0, out.data()) || out != small) return 10;
  return 0;
}

TEST(DisplayStoreDeathTest, AFailedWriteLeavesNoEntry) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(::_exit(AppendPastTheFileSizeLimit()), ::testing::ExitedWithCode(0), "");
}

TEST(DisplayStore, AppendsAndReadsFromTwoThreadsSeeWholeItems) {
  DisplayStore store;
  ASSERT_TRUE(store.IsOpen());
  constexpr int kItems = 40;
  std::vector<std::vector<std::uint8_t>> items;
  for (int i = 0; i < kItems; ++i) items.push_back(Pattern(static_cast<std::size_t>(1000 + 997 * i), i));

  std::thread writer([&] {
    for (int i = 0; i < kItems; ++i) store.Append(items[i].data(), static_cast<std::uint32_t>(items[i].size()));
  });
  int checked = 0;
  std::vector<std::uint8_t> out;
  while (checked < kItems) {
    const std::int32_t count = store.EntryCount();
    for (; checked < count; ++checked) {
      out.assign(items[checked].size(), 0);
      ASSERT_TRUE(store.ReadEntry(checked, out.data()));
      ASSERT_EQ(out, items[checked]) << checked;
    }
    std::this_thread::yield();
  }
  writer.join();
}

}  // namespace
}  // namespace ossel
