// `ossel analyze --pictures`: the pages drawn into PNG files by the pictures module, and `ossel` itself free of Qt.
#include <gtest/gtest.h>

#include <elf.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "support/disc_images.h"
#include "support/process.h"

namespace ossel {
namespace {

namespace fs = std::filesystem;
using test::RunOssel;

// A disc of `tracks` tracks of 5 seconds of noise: FOLDER/NAME.cue over NAME.bin.
std::string WriteNoiseDisc(const test::ImageFolder& folder, const std::string& name, int tracks) {
  const int sectorsPerTrack = 5 * 75;
  std::string cue = "FILE \"" + name + ".bin\" BINARY\n";
  for (int t = 0; t < tracks; ++t) {
    char line[80];
    std::snprintf(line, sizeof line, "  TRACK %02d AUDIO\n    INDEX 01 00:%02d:00\n", t + 1, t * 5);
    cue += line;
  }
  const auto frames = static_cast<std::int64_t>(tracks) * sectorsPerTrack * test::kFramesPerSector;
  if (!test::WriteRaw(folder / (name + ".bin"), test::Noise(frames, 7)) || !test::WriteText(folder / (name + ".cue"), cue)) {
    return {};
  }
  return folder / (name + ".cue");
}

// Built with the desktop program (Qt found); the module then stands beside `ossel`.
bool ModuleBuilt() { return fs::exists(fs::path(OSSEL_CLI_PATH).parent_path() / "libossel-pictures.so"); }

std::set<std::string> FilesIn(const std::string& folder) {
  std::set<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) names.insert(entry.path().filename().string());
  return names;
}

// The size a PNG file declares in its IHDR chunk; {-1, -1} when it is no PNG.
std::pair<long, long> PngSize(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  unsigned char head[24] = {};
  if (!in.read(reinterpret_cast<char*>(head), sizeof head)) return {-1, -1};
  static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  if (std::memcmp(head, kSignature, 8) != 0 || std::memcmp(head + 12, "IHDR", 4) != 0) return {-1, -1};
  auto big = [&](int at) {
    return (long{head[at]} << 24) | (long{head[at + 1]} << 16) | (long{head[at + 2]} << 8) | long{head[at + 3]};
  };
  return {big(16), big(20)};
}

// The DT_NEEDED entries of a 64-bit ELF file's dynamic section.
std::vector<std::string> NeededLibraries(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> needed;
  auto at = [&](std::uint64_t offset, std::size_t size) {
    return offset <= file.size() && size <= file.size() - offset ? file.data() + offset : nullptr;
  };
  Elf64_Ehdr header;
  if (!at(0, sizeof header)) return needed;
  std::memcpy(&header, file.data(), sizeof header);
  if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64) return needed;
  std::vector<Elf64_Phdr> segments(header.e_phnum);
  for (std::size_t i = 0; i < segments.size(); ++i) {
    const char* p = at(header.e_phoff + i * sizeof(Elf64_Phdr), sizeof(Elf64_Phdr));
    if (!p) return needed;
    std::memcpy(&segments[i], p, sizeof(Elf64_Phdr));
  }
  auto fileOffset = [&](std::uint64_t address) -> std::uint64_t {
    for (const Elf64_Phdr& s : segments) {
      if (s.p_type == PT_LOAD && address >= s.p_vaddr && address < s.p_vaddr + s.p_filesz) {
        return address - s.p_vaddr + s.p_offset;
      }
    }
    return file.size();
  };
  std::vector<Elf64_Dyn> dynamic;
  for (const Elf64_Phdr& s : segments) {
    if (s.p_type != PT_DYNAMIC) continue;
    for (std::uint64_t off = s.p_offset; off + sizeof(Elf64_Dyn) <= s.p_offset + s.p_filesz; off += sizeof(Elf64_Dyn)) {
      Elf64_Dyn d;
      const char* p = at(off, sizeof d);
      if (!p) break;
      std::memcpy(&d, p, sizeof d);
      if (d.d_tag == DT_NULL) break;
      dynamic.push_back(d);
    }
  }
  std::uint64_t strings = file.size();
  for (const Elf64_Dyn& d : dynamic) {
    if (d.d_tag == DT_STRTAB) strings = fileOffset(d.d_un.d_ptr);
  }
  for (const Elf64_Dyn& d : dynamic) {
    if (d.d_tag != DT_NEEDED || !at(strings + d.d_un.d_val, 1)) continue;
    const char* name = file.data() + strings + d.d_un.d_val;
    needed.emplace_back(name, strnlen(name, file.size() - (strings + d.d_un.d_val)));
  }
  return needed;
}

TEST(Pictures, EachTrackGetsBothPagesAtTheAskedSizeAndTheReportStaysTheSame) {
  if (!ModuleBuilt()) GTEST_SKIP() << "built without the pictures module";
  test::ImageFolder folder;
  const std::string cue = WriteNoiseDisc(folder, "album", 2);
  ASSERT_FALSE(cue.empty());
  const std::string pictures = folder / "pictures/new";  // made with its parent
  auto plain = RunOssel({"analyze", "--jobs", "1", cue});
  auto drawn = RunOssel({"analyze", "--jobs", "1", cue, "--pictures", pictures, "--picture-size", "320x200"});
  ASSERT_EQ(plain.exitStatus, 0) << plain.err;
  ASSERT_EQ(drawn.exitStatus, 0) << drawn.err;
  EXPECT_EQ(drawn.out, plain.out);
  EXPECT_EQ(drawn.err, "");  // nothing from Qt either
  const std::set<std::string> expected = {"album-01-spectrum.png", "album-01-frequency.png",
                                          "album-02-spectrum.png", "album-02-frequency.png"};
  ASSERT_EQ(FilesIn(pictures), expected);
  for (const std::string& name : expected) {
    EXPECT_EQ(PngSize(pictures + "/" + name), std::pair(320L, 200L)) << name;
  }
}

TEST(Pictures, NamesFollowTheDiscAndAFailedFileDoesNotStopTheRest) {
  if (!ModuleBuilt()) GTEST_SKIP() << "built without the pictures module";
  test::ImageFolder folder;
  // A folder of audio files is named by the folder (dots and all), audio files by the first one's stem.
  fs::create_directory(folder / "Live.At.Home");
  ASSERT_TRUE(test::WriteSound(folder / "Live.At.Home/1.wav", test::Noise(3 * 44100, 1)));
  // Another disc of the same name must not overwrite the first one's pictures.
  fs::create_directories(folder / "again/Live.At.Home");
  ASSERT_TRUE(test::WriteSound(folder / "again/Live.At.Home/1.wav", test::Noise(3 * 44100, 4)));
  ASSERT_TRUE(test::WriteSound(folder / "side a.flac", test::Noise(3 * 44100, 2), {SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, 44100}));
  ASSERT_TRUE(test::WriteSound(folder / "side b.flac", test::Noise(3 * 44100, 3), {SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, 44100}));
  const std::string pictures = folder / "pictures";
  fs::create_directories(pictures + "/side a-01-frequency.png");  // in the way of one picture
  // Two jobs: the pictures are drawn on the disc workers, while the module's application belongs to the main thread.

  auto result = RunOssel({"analyze", folder / "Live.At.Home", folder / "side a.flac", folder / "side b.flac",
                          folder / "again/Live.At.Home", "--pictures", pictures, "--jobs", "2"});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_NE(result.out.find("光盘结论"), std::string::npos);
  EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
  EXPECT_EQ(result.err.rfind("ossel: " + folder / "side a.flac" + ": can't write " + pictures +
                                 "/side a-01-frequency.png: Is a directory", 0), 0u) << result.err;
  EXPECT_EQ(FilesIn(pictures), (std::set<std::string>{"Live.At.Home-01-spectrum.png", "Live.At.Home-01-frequency.png",
                                                      "side a-01-spectrum.png", "side a-01-frequency.png",
                                                      "side a-02-spectrum.png", "side a-02-frequency.png",
                                                      "Live.At.Home-2-01-spectrum.png",
                                                      "Live.At.Home-2-01-frequency.png"}));
  EXPECT_EQ(PngSize(pictures + "/side a-02-spectrum.png"), std::pair(1200L, 600L));  // the default size
}

TEST(Pictures, BadPictureOptionsAreUsageErrors) {
  test::ImageFolder folder;
  const std::string cue = WriteNoiseDisc(folder, "disc", 1);
  ASSERT_FALSE(cue.empty());
  const std::string pictures = folder / "pictures";
  const std::vector<std::string> sizes = {"320",      "320x",     "x200",      "63x200", "320x63",  "8193x200",
                                          "320x8193", "-320x200", "+320x200", "320X200", "320x200x", " 320x200",
                                          "0x0",      "99999999999x200"};
  for (const std::string& size : sizes) {
    SCOPED_TRACE(size);
    auto result = RunOssel({"analyze", cue, "--pictures", pictures, "--picture-size", size});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.rfind("ossel: --picture-size ", 0), 0u) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
  }
  auto alone = RunOssel({"analyze", cue, "--picture-size", "320x200"});
  EXPECT_EQ(alone.exitStatus, 2);
  EXPECT_NE(alone.err.find("--pictures"), std::string::npos) << alone.err;
  EXPECT_FALSE(fs::exists(pictures));
  if (!ModuleBuilt()) return;
  // The limits themselves are fine.
  EXPECT_EQ(RunOssel({"analyze", cue, "--pictures", pictures, "--picture-size=64x8192"}).exitStatus, 0);
  EXPECT_EQ(PngSize(pictures + "/disc-01-frequency.png"), std::pair(64L, 8192L));
}

TEST(Pictures, OsselNeedsNoQtAndSaysSoWhenTheModuleIsMissing) {
  const std::vector<std::string> needed = NeededLibraries(OSSEL_CLI_PATH);
  ASSERT_NE(std::find_if(needed.begin(), needed.end(), [](const std::string& n) { return n.rfind("libc.so", 0) == 0; }),
            needed.end());  // the section was read
  for (const std::string& library : needed) EXPECT_EQ(library.find("Qt"), std::string::npos) << library;

  // A copy of the program with no module beside it (nor in ../lib*/ossel) analyses, but refuses --pictures
  // before it reads any disc.
  test::ImageFolder folder;
  const std::string cue = WriteNoiseDisc(folder, "disc", 1);
  fs::create_directory(folder / "bin");
  fs::copy_file(OSSEL_CLI_PATH, folder / "bin/ossel");
  fs::permissions(folder / "bin/ossel", fs::perms::owner_exec, fs::perm_options::add);
  auto plain = test::RunProcess(folder / "bin/ossel", {"analyze", cue});
  EXPECT_EQ(plain.exitStatus, 0) << plain.err;
  auto refused = test::RunProcess(folder / "bin/ossel", {"analyze", cue, "--pictures", folder / "pictures"});
  EXPECT_EQ(refused.exitStatus, 2);
  EXPECT_EQ(refused.out, "");
  const std::string why = ModuleBuilt() ? "ossel: --pictures needs libossel-pictures.so, which this installation lacks: "
                                        : "ossel: --pictures: this build of ossel has no pictures";
  EXPECT_EQ(refused.err.rfind(why, 0), 0u) << refused.err;
  EXPECT_FALSE(fs::exists(folder / "pictures"));
  if (!ModuleBuilt()) return;

  // With the module but without the English catalogue beside it: the original texts draw, English is refused.
  fs::copy_file(fs::path(OSSEL_CLI_PATH).parent_path() / "libossel-pictures.so", folder / "bin/libossel-pictures.so");
  auto original = test::RunProcess(folder / "bin/ossel", {"analyze", cue, "--pictures", folder / "pictures"});
  EXPECT_EQ(original.exitStatus, 0) << original.err;
  auto english =
      test::RunProcess(folder / "bin/ossel", {"--lang", "en", "analyze", cue, "--pictures", folder / "english"});
  EXPECT_EQ(english.exitStatus, 2);
  EXPECT_NE(english.err.find("--pictures needs the English texts, i18n/ossel_en.qm beside"), std::string::npos)
      << english.err;
  EXPECT_FALSE(fs::exists(folder / "english"));
}

}  // namespace
}  // namespace ossel
