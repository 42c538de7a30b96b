// A disc's file changed under the disc after it was made: its reads fail from then on and the disc's fault names
// the file, so that silence never stands in for audio unannounced. A file whose name is removed is still whole.
#include <gtest/gtest.h>

#include <filesystem>
#include <chrono>
#include <functional>
#include <thread>

#include "support/disc_images.h"

namespace ossel {
namespace {

namespace fs = std::filesystem;

TEST(VirtualDiscChanges, AChangedFileFailsItsReadsAndIsNamed) {
  struct Case {
    const char* name;
    bool flac;  // else a cue sheet over a BINARY file
    std::function<bool(const std::string&)> change;
    bool faulty;
  };
  const std::vector<Case> cases = {
      {"BINARY cut short", false, [](const std::string& f) { return test::Truncate(f, fs::file_size(f) / 2); }, true},
      {"BINARY overwritten", false, [](const std::string& f) { return test::Scribble(f, 1000, 16); }, true},
      {"FLAC cut short", true, [](const std::string& f) { return test::Truncate(f, fs::file_size(f) / 2); }, true},
      {"FLAC overwritten", true, [](const std::string& f) { return test::Scribble(f, fs::file_size(f) / 2, 64); },
       true},
      {"FLAC grown", true, [](const std::string& f) { return test::Scribble(f, fs::file_size(f), 1); }, true},
      {"BINARY's name removed", false, [](const std::string& f) { return fs::remove(f); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::ImageFolder folder;
    const test::Samples audio = test::Noise(300 * test::kFramesPerSector, 4);
    std::string file, error;
    std::shared_ptr<VirtualDisc> disc;
    if (c.flac) {
      file = folder / "a.flac";
      ASSERT_TRUE(test::WriteSound(file, audio, {SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, 44100}));
      disc = VirtualDisc::FromAudioFiles({file}, error);
    } else {
      file = folder / "a.bin";
      ASSERT_TRUE(test::WriteRaw(file, audio));
      ASSERT_TRUE(test::WriteText(folder / "a.cue", "FILE \"a.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"));
      disc = VirtualDisc::FromCueSheet(folder / "a.cue", error);
    }
    ASSERT_TRUE(disc) << error;
    const std::int32_t start = disc->Tracks().front().startLba;
    std::vector<std::uint8_t> sectors(10 * test::kSectorBytes);
    ASSERT_TRUE(disc->ReadSectors(start, 10, sectors.data()));
    // Past the file system's clock tick, so that the change shows in the file's modification time.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(c.change(file));
    // Every later read, the one at the start of the file included, fails; the fault stays.
    for (const std::int32_t lba : {start + 10, start + 200, start}) {
      EXPECT_EQ(disc->ReadSectors(lba, 10, sectors.data()), !c.faulty) << lba;
    }
    if (c.faulty) {
      EXPECT_EQ(disc->ReadFault().rfind(file + ": ", 0), 0u) << disc->ReadFault();
    } else {
      EXPECT_EQ(disc->ReadFault(), "");
    }
  }
}

}  // namespace
}  // namespace ossel
