// Files of a library that change under a running `ossel analyze`: a FLAC cut short or overwritten while its disc is
// analysed, folders removed before and while their discs are reached, a file that cannot be read. The disc at fault
// gets an error naming the file, the run goes on, and every other disc's report is the one a clean run gives.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>

#include "support/disc_images.h"
#include "support/process.h"

namespace ossel {
namespace {

namespace fs = std::filesystem;

const test::SoundFormat kFlac{SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, 44100};

// Disc A: three tracks, the second long enough that the third is still unread when the first one's report is out.
// Discs B and C: two short tracks each.
struct FaultLibrary {
  test::ImageFolder root;
  std::string a = root / "lib/A", b = root / "lib/B", c = root / "lib/C";
  bool ok = true;

  FaultLibrary() {
    const std::vector<std::pair<std::string, std::vector<int>>> discs = {{a, {8, 60, 20}}, {b, {8, 8}}, {c, {8, 8}}};
    std::uint32_t seed = 1;
    for (const auto& [folder, seconds] : discs) {
      fs::create_directories(folder);
      for (std::size_t t = 0; t < seconds.size(); ++t)
        ok = ok && test::WriteSound(folder + "/0" + std::to_string(t + 1) + ".flac",
                                    test::Noise(std::int64_t{seconds[t]} * 44100, seed++), kFlac);
    }
  }
  std::string Lib() const { return root / "lib"; }
  // The same disc in another library.
  std::string Moved(const FaultLibrary& from, const std::string& disc) const {
    return root.path() + disc.substr(from.root.path().size());
  }
};

// Each disc's part of a library report, by the folder named in its "== " heading.
std::map<std::string, std::string> Sections(const std::string& out) {
  std::map<std::string, std::string> sections;
  std::size_t at = out.rfind("== ", 0) == 0 ? 0 : out.find("\n== ");
  while (at != std::string::npos) {
    const std::size_t name = out.find("== ", at) + 3;
    const std::size_t body = out.find('\n', name);
    if (body == std::string::npos) break;
    const std::size_t next = out.find("\n== ", body);
    sections[out.substr(name, body - name)] =
        out.substr(body + 1, next == std::string::npos ? std::string::npos : next - body - 1);
    at = next;
  }
  return sections;
}

// Runs the library report one disc and one track at a time; `duringA` is done once disc A's first track has been
// reported, while its later tracks are still to be read.
test::ProcessResult RunLibrary(const FaultLibrary& library, const std::function<void()>& duringA = {}) {
  bool done = false;
  return test::RunOssel({"analyze", "-r", library.Lib(), "--jobs", "1"}, [&](const std::string& out, int) {
    const std::size_t heading = out.find("== " + library.a + "\n");
    if (!duringA || done || heading == std::string::npos) return;
    if (out.find("\n\n", heading) == std::string::npos) return;  // the first track block ends with an empty line
    duringA();
    done = true;
  });
}

TEST(LibraryFaults, TheDiscAtFaultGetsItsErrorAndTheOthersAreUnchanged) {
  FaultLibrary clean;
  ASSERT_TRUE(clean.ok);
  const test::ProcessResult reference = RunLibrary(clean);
  ASSERT_EQ(reference.exitStatus, 0) << reference.err;
  const auto expected = Sections(reference.out);
  ASSERT_EQ(expected.size(), 3u) << reference.out;

  struct Case {
    const char* name;
    std::function<bool(const FaultLibrary&)> fault;
    std::string faultyDisc;  // "A", "B" or empty: the disc that gets an error
  };
  const std::vector<Case> cases = {
      {"a FLAC cut short while its disc is read",
       [](const FaultLibrary& l) { return test::Truncate(l.a + "/03.flac", fs::file_size(l.a + "/03.flac") / 2); },
       "A"},
      {"a FLAC overwritten in the middle while its disc is read",
       [](const FaultLibrary& l) { return test::Scribble(l.a + "/03.flac", fs::file_size(l.a + "/03.flac") / 2, 64); },
       "A"},
      {"the folder of a disc not yet reached removed", [](const FaultLibrary& l) { return fs::remove_all(l.b) > 0; },
       "B"},
      // Its files stay open, and they are whole: the disc is analysed as it was.
      {"the folder of the disc in work removed", [](const FaultLibrary& l) { return fs::remove_all(l.a) > 0; }, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FaultLibrary library;
    ASSERT_TRUE(library.ok);
    bool changed = false;
    const test::ProcessResult run = RunLibrary(library, [&] { changed = c.fault(library); });
    ASSERT_TRUE(changed);
    EXPECT_EQ(run.exitStatus, c.faultyDisc.empty() ? 0 : 1) << run.err;
    const auto sections = Sections(run.out);
    const std::string faulty = c.faultyDisc.empty() ? "" : library.root / ("lib/" + c.faultyDisc);
    for (const auto& [name, text] : expected) {
      const std::string disc = library.Moved(clean, name);
      if (disc == faulty) continue;
      ASSERT_TRUE(sections.count(disc)) << disc << "\n" << run.out;
      EXPECT_EQ(sections.at(disc), text) << disc;
    }
    if (c.faultyDisc == "A") {
      // Its error names the file; the two tracks read before the change are reported as in the clean run.
      EXPECT_NE(run.err.find("ossel: " + library.a + ": " + library.a + "/03.flac: "), std::string::npos) << run.err;
      ASSERT_TRUE(sections.count(library.a));
      const std::string& before = expected.at(clean.a);
      const std::size_t third = before.find("\n\n", before.find("\n\n") + 2) + 2;
      EXPECT_EQ(sections.at(library.a).substr(0, third), before.substr(0, third));
    } else if (c.faultyDisc == "B") {
      EXPECT_NE(run.err.find("ossel: " + library.b), std::string::npos) << run.err;
    }
  }
}

TEST(LibraryFaults, AFileThatCannotBeReadFailsOnlyItsDisc) {
  FaultLibrary library;
  ASSERT_TRUE(library.ok);
  const std::string locked = library.b + "/02.flac";
  ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
  const int probe = ::open(locked.c_str(), O_RDONLY);
  if (probe >= 0) {
    ::close(probe);
    GTEST_SKIP() << "permission bits do not stop this user's reads (root)";
  }
  const test::ProcessResult run = RunLibrary(library);
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(run.err.find("ossel: " + locked + ": "), std::string::npos) << run.err;
  const auto sections = Sections(run.out);
  EXPECT_TRUE(sections.count(library.a) && sections.count(library.c)) << run.out;
  ::chmod(locked.c_str(), 0600);
}

}  // namespace
}  // namespace ossel
