#include "support/process.h"

#include <cstdlib>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ossel::test {

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::function<void(const std::string&, int)>& onOutput) {
  ProcessResult result;
  int out[2], err[2];
  if (pipe(out) != 0 || pipe(err) != 0) return result;
  const pid_t pid = fork();
  if (pid < 0) return result;
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    dup2(err[1], STDERR_FILENO);
    close(out[0]);
    close(err[0]);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    // The child starts with the signals a test runner may have blocked unblocked again.
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    execv(program.c_str(), argv.data());
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
