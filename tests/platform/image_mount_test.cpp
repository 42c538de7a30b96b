// Discs named by the user: cue sheets, audio files and folders, mounted under new drive letters.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <functional>

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

// A sheet of one track per file.
std::string Sheet(const std::vector<std::string>& files, const std::string& file = "FILE") {
  std::string text;
  for (std::size_t i = 0; i < files.size(); ++i)
    text += file + " \"" + files[i] + "\" WAVE\n  TRACK 0" + std::to_string(i + 1) + " AUDIO\n    INDEX 01 00:00:00\n";
  return text;
}

// Writes `name` into `dir`: `cue` as a sheet when given, else a short sound file when the name is lossless audio
// (FLAC, AIFF or WAV by extension), else text that no decoder takes.
void WriteEntry(const std::string& dir, const std::string& name, const std::string& cue) {
  const std::string path = dir + "/" + name;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::string ext = std::filesystem::path(name).extension().string();
  for (char& ch : ext) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  const bool hidden = name[0] == '.';
  if (!cue.empty()) {
    ASSERT_TRUE(test::WriteText(path, cue));
  } else if (!hidden && (ext == ".flac" || ext == ".aiff" || ext == ".wav")) {
    const int type = ext == ".flac" ? SF_FORMAT_FLAC : ext == ".aiff" ? SF_FORMAT_AIFF : SF_FORMAT_WAV;
    ASSERT_TRUE(test::WriteSound(path, test::Tone(10 * test::kFramesPerSector, 440), {type | SF_FORMAT_PCM_16}));
  } else {
    ASSERT_TRUE(test::WriteText(path, "not a track"));
  }
}

// A disc as the names of its sheet or of its tracks.
std::vector<std::string> Names(const DiscSource& disc) {
  std::vector<std::string> names;
  if (!disc.cueSheet.empty()) names.push_back(std::filesystem::path(disc.cueSheet).filename());
  for (const std::string& file : disc.audioFiles) names.push_back(std::filesystem::path(file).filename());
  return names;
}

TEST(ImageMount, FolderRules) {
  struct Case {
    std::string what;
    std::vector<std::pair<std::string, std::string>> files;  // name, and the text of a sheet
    std::vector<std::vector<std::string>> discs;             // each the name of its sheet, or of its tracks
    std::string told;                                        // the problem, or else the note of the disc
  };
  const Case cases[] = {
      {"one cue sheet beside its tracks",
       {{"album.cue", Sheet({"10 last.wav"})}, {"10 last.wav", ""}, {"2 first.wav", ""}},
       {{"album.cue"}},
       ""},
      {"several cue sheets, in natural order",
       {{"CD10.cue", Sheet({"b.flac"})}, {"CD2.cue", Sheet({"a.flac"})}, {"a.flac", ""}, {"b.flac", ""}},
       {{"CD2.cue"}, {"CD10.cue"}},
       ""},
      {"a sheet in lower case", {{"disc.cue", Sheet({"a.flac"}, "file")}, {"a.flac", ""}}, {{"disc.cue"}}, ""},
      {"a sheet naming the WAV beside the FLAC",
       {{"Album.cue", Sheet({"Album.wav"})}, {"Album.flac", ""}},
       {{"Album.cue"}},
       "Album.cue: line 1: \"Album.wav\" not found, using \"Album.flac\" (the same name with another lossless "
       "extension)"},
      {"a sheet naming its file the Windows way, in a subfolder",
       {{"album.cue", Sheet({"Album\\01.wav"})}, {"Album/01.wav", ""}},
       {{"album.cue"}},
       "album.cue: line 1: \"Album\\01.wav\" not found, using \"01.wav\" (its backslashes read as folder separators)"},
      {"a sheet naming its file in another letter case",
       {{"album.cue", Sheet({"01 - title.wav"})}, {"01 - Title.WAV", ""}},
       {{"album.cue"}},
       "album.cue: line 1: \"01 - title.wav\" not found, using \"01 - Title.WAV\" (its name in another letter case)"},
      {"an Enhanced CD's sheet without the data track's file",
       {{"album.cue", Sheet({"01.wav"}) + "FILE \"data.iso\" BINARY\n  TRACK 02 MODE1/2352\n    INDEX 01 00:00:00\n"},
        {"01.wav", ""}},
       {{"album.cue"}},
       "album.cue: line 4: \"data.iso\" not found: its data track is laid out without contents, as data tracks are "
       "never read"},
      {"a sheet naming a file that is not there, beside tracks",
       {{"album.cue", Sheet({"gone.wav"})}, {"2.flac", ""}, {"1.flac", ""}},
       {{"1.flac", "2.flac"}},
       "album.cue: \"gone.wav\" not found; the folder's 2 audio files are the tracks instead"},
      {"a sheet naming a file that is not there, alone",
       {{"album.cue", Sheet({"gone.wav"})}, {"cover.jpg", ""}},
       {},
       "album.cue: \"gone.wav\" not found, and no lossless audio files beside it"},
      {"lossy files only",
       {{"a.mp3", ""}, {"b.ogg", ""}, {"c.opus", ""}, {"d.m4a", ""}, {"e.aac", ""}},
       {},
       "no cue sheet and no lossless audio files in this folder"},
      {"natural order; hidden, lossy and other files passed over",
       {{"10 b.flac", ""}, {"2 a.wav", ""}, {"1 c.AIFF", ""}, {".0 hidden.flac", ""}, {"._2 a.wav", ""},
        {".hidden.cue", Sheet({"2 a.wav"})}, {"cover.jpg", ""}, {"notes.txt", ""}, {"x.mp3", ""}},
       {{"1 c.AIFF", "2 a.wav", "10 b.flac"}},
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::ImageFolder folder;
    for (const auto& [name, cue] : c.files) WriteEntry(folder.path(), name, cue);
    std::vector<std::string> problems;
    const std::vector<DiscSource> discs = FindDiscs({folder.path()}, false, problems);
    std::vector<std::vector<std::string>> found;
    for (const DiscSource& disc : discs) found.push_back(Names(disc));
    EXPECT_EQ(found, c.discs);
    if (c.discs.empty()) {
      ASSERT_EQ(problems.size(), 1u);
      EXPECT_NE(problems[0].find(c.told), std::string::npos) << problems[0];
      EXPECT_EQ(problems[0].rfind(folder.path() + (c.told[0] == 'n' ? ": " : "/"), 0), 0u) << problems[0];
      continue;
    }
    EXPECT_TRUE(problems.empty()) << problems.front();
    std::vector<std::string> notes;
    for (const DiscSource& disc : discs) {
      std::string error;
      EXPECT_TRUE(MakeDisc(disc, error, &notes)) << error;
    }
    EXPECT_EQ(notes, c.told.empty() ? std::vector<std::string>{} : std::vector<std::string>{folder / c.told});
  }
}

// A library: albums at any depth, several discs in one folder, folders that are no disc, hidden folders, and links
// back up the tree.
TEST(ImageMount, SearchingALibrary) {
  namespace fs = std::filesystem;
  test::ImageFolder folder;
  const std::string lib = folder / "lib";
  for (const char* dir : {"Artist B/10 Album", "Artist B/2 Album", "Artist A/Album/Scans", ".hidden/album", "Broken",
                          "empty"})
    fs::create_directories(lib + "/" + dir);
  const std::pair<std::string, std::string> files[] = {
      {"Artist B/10 Album/1.flac", ""},
      {"Artist B/10 Album/2.flac", ""},
      {"Artist B/2 Album/CD1.cue", Sheet({"cd1.wav"})},
      {"Artist B/2 Album/CD2.cue", Sheet({"cd2.wav"})},
      {"Artist B/2 Album/cd1.wav", ""},
      {"Artist B/2 Album/cd2.wav", ""},
      {"Artist A/Album/1.flac", "x"},  // never opened while searching
      {"Artist A/Album/Scans/cover.jpg", ""},
      {".hidden/album/1.flac", ""},
      {"Broken/x.cue", Sheet({"gone.wav"})},
  };
  for (const auto& [name, text] : files) ASSERT_TRUE(test::WriteText(lib + "/" + name, text));
  fs::create_directory_symlink(lib, lib + "/Artist A/Album/loop");
  fs::create_directory_symlink("../..", lib + "/Artist B/10 Album/up");
  fs::create_symlink("self", lib + "/Artist B/self");

  const std::vector<std::string> albums = {"Artist A/Album", "Artist B/2 Album/CD1.cue", "Artist B/2 Album/CD2.cue",
                                           "Artist B/10 Album"};
  const std::vector<std::string> broken = {lib + "/Broken/x.cue: \"gone.wav\" not found, and no lossless audio files "
                                                 "beside it"};
  struct Case {
    std::vector<std::string> paths;
    bool recursive;
    std::vector<std::string> discs;
    std::vector<std::string> problems;
  };
  const Case cases[] = {
      {{lib}, true, albums, broken},
      {{lib, lib + "/Artist A", lib + "/"}, true, albums, broken},  // each folder once
      {{lib}, false, {}, {lib + ": no cue sheet and no lossless audio files in this folder"}},
      {{lib + "/empty"}, true, {}, {lib + "/empty: no disc in this folder or below it"}},
      {{lib + "/nowhere"}, true, {}, {lib + "/nowhere: no such file or folder"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.paths.back());
    std::vector<std::string> problems;
    std::vector<std::string> discs;
    for (const DiscSource& disc : FindDiscs(c.paths, c.recursive, problems))
      discs.push_back(disc.name.substr(std::min(disc.name.size(), lib.size() + 1)));
    EXPECT_EQ(discs, c.discs);
    EXPECT_EQ(problems, c.problems);
  }

  // Discs are mounted one at a time, as they are analysed.
  WriteEntry(lib + "/Artist A/Album", "1.flac", "");
  std::vector<std::string> problems;
  const std::vector<DiscSource> found = FindDiscs({lib + "/Artist A"}, true, problems);
  ASSERT_EQ(found.size(), 1u);
  DriveTable table;
  std::string error;
  for (int i = 0; i < 30; ++i) {  // more than there are letters
    const std::optional<MountedDisc> mounted = MountDisc(found[0], table, error);
    ASSERT_TRUE(mounted) << error;
    EXPECT_EQ(mounted->letter, 'D');
    table.Remove(mounted->letter);
  }
}

// A folder that is no disc takes its place among the discs in path order, not after them.
TEST(ImageMount, WhatIsNoDiscKeepsItsPlaceInPathOrder) {
  namespace fs = std::filesystem;
  struct Case {
    std::string what;
    std::function<bool(const std::string& b)> breakB;
    std::string entry;  // b's entry, as "name: problem"
  };
  const Case cases[] = {
      {"a sheet naming a missing file",
       [](const std::string& b) { return test::WriteText(b + "/x.cue", Sheet({"gone.wav"})); },
       "b/x.cue: \"gone.wav\" not found, and no lossless audio files beside it"},
      {"an empty sheet", [](const std::string& b) { return test::WriteText(b + "/x.cue", ""); },
       "b/x.cue: the file is empty, and no lossless audio files beside it"},
      {"a folder that cannot be read",
       [](const std::string& b) { return test::WriteText(b + "/1.flac", "") && ::chmod(b.c_str(), 0) == 0; },
       "b: Permission denied"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::ImageFolder folder;
    const std::string lib = folder / "lib";
    for (const char* album : {"a", "b", "c"}) fs::create_directories(lib + "/" + album);
    ASSERT_TRUE(test::WriteText(lib + "/a/1.flac", "") && test::WriteText(lib + "/c/1.flac", ""));
    ASSERT_TRUE(c.breakB(lib + "/b"));
    if (c.entry == "b: Permission denied" && ::access((lib + "/b").c_str(), R_OK) == 0) {
      ::chmod((lib + "/b").c_str(), 0700);
      continue;  // as root every folder can be read
    }
    std::vector<std::string> entries;
    for (const DiscSource& disc : FindDiscs({lib}, true))
      entries.push_back(disc.name.substr(lib.size() + 1) + (disc.problem.empty() ? "" : ": " + disc.problem));
    ::chmod((lib + "/b").c_str(), 0700);
    EXPECT_EQ(entries, (std::vector<std::string>{"a", c.entry, "c"}));
  }
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
