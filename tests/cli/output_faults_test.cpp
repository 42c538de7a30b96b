// `ossel` where its outputs cannot be written (a full disk, a reader gone), where they would overwrite what it reads,
// where names carry control bytes, where a second signal must end a process stuck in a write, and where tracks give
// no data: every failure is said and in the exit status, and nothing that was right is lost.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "cli/json.h"
#include "support/disc_images.h"
#include "support/process.h"
#include "support/text_outputs.h"

namespace ossel {
namespace {

namespace fs = std::filesystem;
using test::Lines;
using test::ParseCsv;
using test::ReadFile;
using test::RunOssel;

const test::SoundFormat kFlac{SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, 44100};

// `ossel ARGS` under the shell, for redirections: "'ossel' ARGS" with ARGS as written.
test::ProcessResult Shell(const std::string& line) {
  return test::RunProcess("/bin/bash", {"-c", "ossel() { '" OSSEL_CLI_PATH "' \"$@\"; }; " + line});
}

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(OutputFaults, AnOutputThatCannotBeWrittenIsAnErrorNamingIt) {
  const std::string disc = test::DemoDisc();
  ASSERT_FALSE(disc.empty());
  struct Case {
    std::string line;
    std::string error;
  };
  const std::vector<Case> cases = {
      {"ossel analyze '" + disc + "' > /dev/full", "ossel: standard output: No space left on device"},
      {"ossel analyze '" + disc + "' --summary > /dev/full", "ossel: standard output: No space left on device"},
      {"ossel analyze '" + disc + "' --json > /dev/full", "ossel: standard output: No space left on device"},
      {"ossel analyze '" + disc + "' --csv - > /dev/full", "ossel: standard output: No space left on device"},
      {"ossel toc '" + disc + "' > /dev/full", "ossel: standard output: No space left on device"},
      {"ossel info '" + disc + "' > /dev/full", "ossel: standard output: No space left on device"},
      {"ossel --help > /dev/full", "ossel: standard output: No space left on device"},
      {"ossel analyze --help > /dev/full", "ossel: standard output: No space left on device"},
      // The reader has gone before the first track's report is written.
      {"ossel analyze '" + disc + "' | true; exit ${PIPESTATUS[0]}", "ossel: standard output: Broken pipe"},
      // What is no regular file is written as it is, never replaced by a renamed one.
      {"ossel analyze '" + disc + "' --summary --csv /dev/stdout > /dev/full", "ossel: can't write /dev/stdout: No space"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const auto run = Shell(c.line);
    EXPECT_EQ(run.exitStatus, 1) << run.err;
    EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
  }
}

// A file system of 64 KiB filled to the last byte: the CSV and the pictures fail whole, and leave nothing behind.
TEST(OutputFaults, AFullFileSystemLeavesNoHalfFile) {
  if (geteuid() != 0) GTEST_SKIP() << "mounting a small file system needs root";
  test::ImageFolder folder;
  const std::string full = folder / "full";
  fs::create_directory(full);
  if (mount("tmpfs", full.c_str(), "tmpfs", 0, "size=64k") != 0) GTEST_SKIP() << "no tmpfs here";
  struct Unmount {
    std::string path;
    ~Unmount() { umount2(path.c_str(), MNT_DETACH); }
  } unmount{full};
  const bool pictures = fs::exists(fs::path(OSSEL_CLI_PATH).parent_path() / "libossel-pictures.so");
  fs::create_directory(full + "/pictures");
  {
    const int fd = open((full + "/filler").c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    const std::vector<char> block(4096, 'x');
    while (write(fd, block.data(), block.size()) > 0) {
    }
    close(fd);
  }
  std::vector<std::string> args = {"analyze", test::DemoDisc(), "--summary", "--csv", full + "/library.csv"};
  if (pictures) args.insert(args.end(), {"--pictures", full + "/pictures"});  // not in a build without the module
  const auto run = RunOssel(args);
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(run.err.find("ossel: can't write " + full + "/library.csv: No space left on device"), std::string::npos)
      << run.err;
  if (pictures) {
    EXPECT_NE(run.err.find("-01-spectrum.png: No space left on device"), std::string::npos) << run.err;
  }
  EXPECT_EQ(run.err.find("libpng"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("Unknown error"), std::string::npos) << run.err;
  EXPECT_EQ(Entries(full), (std::vector<std::string>{"filler", "pictures"}));
  EXPECT_TRUE(Entries(full + "/pictures").empty());
  // The summary still went out whole.
  EXPECT_EQ(Lines(run.out).size(), 2u) << run.out;
}

TEST(OutputFaults, AnOutputNamingAnInputIsRefusedBeforeAnythingIsWritten) {
  test::ImageFolder folder;
  ASSERT_TRUE(test::WriteSound(folder / "01.flac", test::Noise(2 * 44100, 1), kFlac));
  const std::string sheet = "FILE \"01.flac\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n";
  ASSERT_TRUE(test::WriteText(folder / "d.cue", sheet));
  fs::create_directory(folder / "Album");
  ASSERT_TRUE(test::WriteSound(folder / "Album/02.wav", test::Noise(2 * 44100, 2)));
  ASSERT_TRUE(test::WriteText(folder / "w.cue", "FILE \"Album\\02.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"));
  const std::string flac = ReadFile(folder / "01.flac");
  struct Case {
    std::vector<std::string> args;
    std::string error;
  };
  const std::vector<Case> cases = {
      {{"analyze", folder / "d.cue", "--csv", folder / "d.cue"}, "would overwrite " + folder / "d.cue"},
      {{"analyze", folder / "d.cue", "--csv", folder / "01.flac"}, "would overwrite " + folder / "01.flac"},
      {{"analyze", folder.path(), "--csv", folder / "./01.flac"}, "would overwrite"},
      {{"analyze", folder / "01.flac", "--csv", folder / "01.flac"}, "would overwrite " + folder / "01.flac"},
      // Named by the sheet as another system names it: found as the disc finds it.
      {{"analyze", folder / "w.cue", "--csv", folder / "Album/02.wav"}, "would overwrite " + folder / "Album/02.wav"},
      {{"analyze", folder / "d.cue", "--csv", ""}, "--csv takes the file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[3]);
    const auto run = RunOssel(c.args);
    EXPECT_EQ(run.exitStatus, 2) << run.err;
    EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
    EXPECT_EQ(ReadFile(folder / "d.cue"), sheet);
    EXPECT_EQ(ReadFile(folder / "01.flac"), flac);
  }
}

// Two runs writing the same CSV at once give one whole file, never rows of both mixed.
TEST(OutputFaults, TwoRunsWritingOneCsvGiveOneWholeFile) {
  test::ImageFolder folder;
  for (const char* name : {"a", "b"}) {
    fs::create_directory(folder / name);
    for (int track = 1; track <= 3; ++track) {
      ASSERT_TRUE(test::WriteSound(folder / (std::string(name) + "/" + std::to_string(track) + ".flac"),
                                   test::Noise(3 * 44100, static_cast<std::uint32_t>(track)), kFlac));
    }
  }
  const std::string csv = folder / "out.csv";
  test::ProcessResult first, second;
  std::thread other([&] { second = RunOssel({"analyze", folder / "b", "--csv", csv, "--jobs", "1"}); });
  first = RunOssel({"analyze", folder / "a", "--csv", csv, "--jobs", "1"});
  other.join();
  EXPECT_EQ(first.exitStatus, 0) << first.err;
  EXPECT_EQ(second.exitStatus, 0) << second.err;
  const std::string text = ReadFile(csv);
  EXPECT_EQ(text.find('\0'), std::string::npos);
  const auto rows = ParseCsv(text);
  ASSERT_EQ(rows.size(), 4u) << text;
  for (std::size_t r = 2; r < rows.size(); ++r) EXPECT_EQ(rows[r][0], rows[1][0]) << text;
  EXPECT_EQ(Entries(folder.path()), (std::vector<std::string>{"a", "b", "out.csv"}));
}

// Names and contents with control bytes never reach an output as they are, and a bad disc costs no good one its row.
TEST(OutputFaults, ControlBytesInNamesAndSheetsAreEscapedInEveryOutput) {
  test::ImageFolder folder;
  const std::string hostile = std::string("evil\x1b]0;owned\x07\nname\x7f\xc2\x9b");
  fs::create_directories(folder / ("lib/" + hostile));
  ASSERT_TRUE(test::WriteSound(folder / ("lib/" + hostile + "/1.flac"), test::Noise(3 * 44100, 1), kFlac));
  fs::create_directories(folder / "lib/nul");
  ASSERT_TRUE(test::WriteText(folder / "lib/nul/d.cue", std::string("\0FILE \"x.wav\" WAVE\n", 20)));
  fs::create_directories(folder / "lib/z good");
  ASSERT_TRUE(test::WriteSound(folder / "lib/z good/1.flac", test::Noise(3 * 44100, 2), kFlac));

  const std::string csv = folder / "out.csv";
  const auto run = RunOssel({"analyze", "-r", folder / "lib", "--summary", "--csv", csv});
  EXPECT_EQ(run.exitStatus, 1) << run.err;
  auto raw = [](const std::string& text, bool lineBreaks) {
    for (unsigned char c : text) {
      if ((c < 0x20 && !(lineBreaks && (c == '\n' || c == '\r'))) || c == 0x7f) return true;
    }
    return text.find("\xc2\x9b") != std::string::npos;
  };
  EXPECT_FALSE(raw(run.out, true)) << run.out;
  EXPECT_FALSE(raw(run.err, true)) << run.err;
  // One summary line per disc and the totals.
  const auto lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 4u) << run.out;
  EXPECT_NE(lines[0].find("evil\\x1B]0;owned\\x07\\x0Aname\\x7F\\xC2\\x9B"), std::string::npos) << lines[0];
  EXPECT_EQ(lines[1].rfind("ERROR  " + folder / "lib/nul", 0), 0u) << lines[1];
  EXPECT_NE(lines[2].find("z good"), std::string::npos) << lines[2];
  EXPECT_EQ(lines[3].rfind("3 discs: ", 0), 0u) << lines[3];
  // Every error line names its disc.
  for (const std::string& line : Lines(run.err)) EXPECT_EQ(line.rfind("ossel: " + folder / "lib/", 0), 0u) << line;

  const std::string text = ReadFile(csv);
  EXPECT_FALSE(raw(text, true)) << text;
  const auto rows = ParseCsv(text);
  ASSERT_EQ(rows.size(), 4u) << text;
  EXPECT_EQ(rows[3][0], folder / "lib/z good");
  EXPECT_EQ(rows[3][3], "UNKN");  // three seconds are too little to judge
  for (const auto& row : rows) EXPECT_EQ(row.size(), 18u);

  const auto json = RunOssel({"analyze", "-r", folder / "lib", "--json"});
  EXPECT_FALSE(raw(json.out, true)) << json.out;
  const cli::Json records = cli::Json::parse(json.out);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0]["name"].get<std::string>(), folder / ("lib/" + hostile));
}

// A process stuck writing to a reader that reads nothing: the first signal cancels, the second ends it at once.
TEST(OutputFaults, ASecondSignalEndsAProcessStuckInAWrite) {
  const std::string disc = test::DemoDisc();
  ASSERT_FALSE(disc.empty());
  for (const auto& [signal, status] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}}) {
    SCOPED_TRACE(signal);
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    fcntl(out[1], F_SETPIPE_SZ, 4096);
    const int capacity = fcntl(out[1], F_GETPIPE_SZ);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      dup2(out[1], STDOUT_FILENO);
      close(out[0]);
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, STDERR_FILENO);
      sigset_t none;
      sigemptyset(&none);
      sigprocmask(SIG_SETMASK, &none, nullptr);
      // Two records of the demo disc are more than the pipe holds.
      execl(OSSEL_CLI_PATH, OSSEL_CLI_PATH, "analyze", disc.c_str(), disc.c_str(), "--json", "--jobs", "1",
            static_cast<char*>(nullptr));
      _exit(127);
    }
    close(out[1]);
    auto waitFor = [&](auto&& done, double seconds) {
      const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
      while (std::chrono::steady_clock::now() < end) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
      return false;
    };
    int exit = -1;
    auto ended = [&] {
      int raw = 0;
      if (waitpid(pid, &raw, WNOHANG) != pid) return false;
      exit = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
      return true;
    };
    auto full = [&] {
      int held = 0;
      return ::ioctl(out[0], FIONREAD, &held) == 0 && held >= capacity;
    };
    EXPECT_TRUE(waitFor(full, 60)) << "the output never filled the pipe";
    kill(pid, signal);
    EXPECT_FALSE(waitFor(ended, 0.5)) << "the first signal cannot end a write that does not return";
    kill(pid, signal);
    const bool gone = waitFor(ended, 10);
    if (!gone) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    EXPECT_TRUE(gone) << "the second signal did not end the process";
    EXPECT_EQ(exit, status);
    close(out[0]);
  }
}

// Tracks shorter than one analysis block have their row everywhere; one too short to judge is UNKN everywhere.
TEST(OutputFaults, EveryTrackHasItsRowAndOneCodeEverywhere) {
  test::ImageFolder folder;
  std::vector<int> sectors(98, 4);  // each shorter than one analysis block
  sectors.push_back(2000);          // some 27 seconds: data, but too little to judge
  ASSERT_TRUE(test::NoiseDisc(folder, sectors, 1));
  const std::string cue = folder / "disc.cue";
  const std::string csv = folder / "out.csv";

  const auto summary = RunOssel({"analyze", cue, "--summary", "--csv", csv});
  ASSERT_EQ(summary.exitStatus, 0) << summary.err;
  const auto lines = Lines(summary.out);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find("CDDA  0  MPEG  0  UNKN  1  not analysed 98  "), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find("99 tracks: 0 CDDA, 0 MPEG, 1 UNKN, 98 not analysed"), std::string::npos) << lines[1];
  const auto rows = ParseCsv(ReadFile(csv));
  ASSERT_EQ(rows.size(), 100u);
  EXPECT_EQ(rows[1][1], "1");
  EXPECT_EQ(rows[1][3], "");
  EXPECT_EQ(rows[1][14], "not analysed: shorter than one analysis block");
  EXPECT_EQ(rows[99][1], "99");
  EXPECT_EQ(rows[99][3], "UNKN");

  const auto json = RunOssel({"analyze", cue, "--json"});
  const cli::Json record = cli::Json::parse(json.out);
  ASSERT_EQ(record["tracks"].size(), 99u);
  EXPECT_TRUE(record["tracks"][0]["verdict"].is_null());
  EXPECT_EQ(record["tracks"][98]["verdict"], "UNKN");
}

}  // namespace
}  // namespace ossel
