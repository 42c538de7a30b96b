// Discs named by the user: cue sheets, audio files and folders, mounted under new drive letters.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/image_mount.h"
#include "platform/virtual_disc.h"
#include "support/disc_images.h"

namespace ossel {
namespace {

TEST(ImageMount, NamesCompareByTheValuesOfTheirNumbers) {
  const std::vector<std::string> sorted = {"1 intro.flac", "2 a.flac", "02 b.flac", "10 c.flac", "10c.flac",
                                           "track 9.wav", "track 10.wav", "track10.wav"};
  for (std::size_t i = 0; i + 1 < sorted.size(); ++i) {
    EXPECT_TRUE(NaturalLess(sorted[i], sorted[i + 1])) << sorted[i] << " < " << sorted[i + 1];
    EXPECT_FALSE(NaturalLess(sorted[i + 1], sorted[i])) << sorted[i + 1] << " < " << sorted[i];
  }
  EXPECT_FALSE(NaturalLess("a", "a"));
}

TEST(ImageMount, AFolderIsItsCueSheetOrItsLosslessFilesInOrder) {
  test::ImageFolder folder;
  const test::Samples second = test::Tone(588 * 100, 440), tenth = test::Tone(588 * 200, 440);
  std::filesystem::create_directory(folder / "album");
  ASSERT_TRUE(test::WriteSound(folder / "album/10 last.wav", tenth));
  ASSERT_TRUE(test::WriteSound(folder / "album/2 first.wav", second));
  ASSERT_TRUE(test::WriteSound(folder / "album/.hidden.wav", second));
  ASSERT_TRUE(test::WriteText(folder / "album/notes.txt", "not audio"));
  ASSERT_TRUE(test::WriteText(folder / "album/cover.mp3", "lossy: not a track of a folder disc"));

  DriveTable table;
  std::string error;
  auto mounted = MountImages({folder / "album"}, table, error);
  ASSERT_EQ(mounted.size(), 1u) << error;
  EXPECT_EQ(mounted[0].letter, 'D');
  EXPECT_EQ(table.Lookup('D').description, folder / "album/2 first.wav (+1 files)");

  // With one cue sheet beside them, the sheet is the disc.
  ASSERT_TRUE(test::WriteText(folder / "album/album.cue", "FILE \"10 last.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"));
  mounted = MountImages({folder / "album"}, table, error);
  ASSERT_EQ(mounted.size(), 1u) << error;
  EXPECT_EQ(table.Lookup(mounted[0].letter).description, folder / "album/album.cue");
}

TEST(ImageMount, AnUnusableDiscMountsNothingAndSaysWhich) {
  test::ImageFolder folder;
  ASSERT_TRUE(test::WriteSound(folder / "good.wav", test::Tone(588 * 10, 440)));
  ASSERT_TRUE(test::WriteText(folder / "broken.cue", "FILE \"missing.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"));
  std::filesystem::create_directory(folder / "empty");
  DriveTable table;
  const std::uint32_t before = table.LogicalDriveMask();
  const std::pair<std::string, std::string> cases[] = {{folder / "broken.cue", "missing.wav"},
                                                       {folder / "empty", "empty"}};
  for (const auto& [bad, named] : cases) {
    std::string error;
    EXPECT_TRUE(MountImages({folder / "good.wav", bad}, table, error).empty());
    EXPECT_NE(error.find(named), std::string::npos) << error;
    EXPECT_EQ(table.LogicalDriveMask(), before);
  }
}

}  // namespace
}  // namespace ossel
