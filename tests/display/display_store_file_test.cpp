// What the display store leaves on the volume: a file no name refers to, which only its owner may open, and
// nothing at all once the process has died without closing it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "display/display_store.h"
#include "support/disc_images.h"

namespace ossel {
namespace {

namespace fs = std::filesystem;

bool Empty(const std::string& folder) { return fs::is_empty(folder); }

// The open files of this process that live in `folder` (as /proc shows them, name or no name), with their modes.
std::vector<mode_t> OpenFilesIn(const std::string& folder) {
  std::vector<mode_t> modes;
  for (const auto& fd : fs::directory_iterator("/proc/self/fd")) {
    std::error_code ec;
    const std::string target = fs::read_symlink(fd.path(), ec).string();
    if (ec || target.rfind(folder + "/", 0) != 0) continue;
    struct stat st {};
    if (::stat(fd.path().c_str(), &st) == 0) modes.push_back(st.st_mode & 07777);
  }
  return modes;
}

TEST(DisplayStoreFile, UnnamedAndOwnerOnlyWhateverTheUmask) {
  test::ImageFolder folder;
  const mode_t previous = ::umask(0);
  DisplayStore store(folder.path());
  ::umask(previous);
  ASSERT_TRUE(store.IsOpen());
  const std::vector<std::uint8_t> item(10000, 7);
  ASSERT_EQ(store.Append(item.data(), 10000), 0);
  EXPECT_TRUE(Empty(folder.path()));
  const auto modes = OpenFilesIn(folder.path());
  ASSERT_EQ(modes.size(), 1u);
  EXPECT_EQ(modes[0], 0600u);
}

TEST(DisplayStoreFileDeathTest, ADeadProcessLeavesNothingBehind) {
  // The child is forked as it stands (not run afresh), so that it makes its store in this test's folder.
  GTEST_FLAG_SET(death_test_style, "fast");
  test::ImageFolder folder;
  EXPECT_EXIT(
      {
        DisplayStore store(folder.path());
        const std::vector<std::uint8_t> item(50000, 3);
        if (store.IsOpen() && store.Append(item.data(), 50000) == 0) std::raise(SIGKILL);
        ::_exit(1);
      },
      ::testing::KilledBySignal(SIGKILL), "");
  EXPECT_TRUE(Empty(folder.path()));
}

}  // namespace
}  // namespace ossel
