#include "support/process.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ossel::test {

namespace {

// A fresh folder for one child's cache, removed with it.
struct FreshCacheHome {
  std::string path;
  FreshCacheHome() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ossel-cache-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path = pattern;
  }
  ~FreshCacheHome() {
    std::error_code ec;
    if (!path.empty()) std::filesystem::remove_all(path, ec);
  }
};

}  // namespace

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::function<void(const std::string&, int)>& onOutput, const std::string& cacheHome) {
  ProcessResult result;
  FreshCacheHome fresh;
  const std::string home = cacheHome.empty() ? fresh.path : cacheHome;
  if (home.empty()) return result;
  // The environment, made before the fork: the child of a threaded test may only exec.
  std::vector<std::string> variables;
  for (char** variable = environ; *variable; ++variable) {
    if (std::strncmp(*variable, "XDG_CACHE_HOME=", 15) != 0) variables.emplace_back(*variable);
  }
  variables.push_back("XDG_CACHE_HOME=" + home);
  std::vector<char*> environment;
  for (std::string& variable : variables) environment.push_back(variable.data());
  environment.push_back(nullptr);
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  // Closed on exec, so that a child that another thread starts meanwhile holds no end of them.
  int out[2], err[2];
  if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return result;
  const pid_t pid = fork();
  if (pid < 0) return result;
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    dup2(err[1], STDERR_FILENO);
    close(out[0]);
    close(err[0]);
    // The child starts with the signals a test runner may have blocked unblocked again.
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    execve(program.c_str(), argv.data(), environment.data());
    _exit(127);
  }
  close(out[1]);
  close(err[1]);
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  int open = 2;
  char buffer[65536];
  while (open > 0) {
    if (poll(fds, 2, -1) < 0) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
      const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n <= 0) {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
        continue;
      }
      (i == 0 ? result.out : result.err).append(buffer, static_cast<std::size_t>(n));
      if (i == 0 && onOutput) onOutput(result.out, pid);
    }
  }
  int status = 0;
  waitpid(pid, &status, 0);
  result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

const std::string& DemoDisc() {
  static const std::string cue = [] {
    const std::string folder = std::string(OSSEL_BINARY_DIR) + "/test-demo";
    const std::string command = "mkdir -p " + folder + " && flock " + folder + ".lock bash " +
                                std::string(OSSEL_SOURCE_DIR) + "/scripts/make-demo-disc.sh " + folder + " >/dev/null";
    return std::system(command.c_str()) == 0 ? folder + "/demo.cue" : std::string();
  }();
  return cue;
}

}  // namespace ossel::test
