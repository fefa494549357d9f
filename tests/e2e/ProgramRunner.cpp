#include "ProgramRunner.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <utility>

namespace velmora::test {
namespace {

[[noreturn]] void execChild(const std::string& program, const TRunOptions& options) {
  // As a shell starts it: a signal the test runner ignores must not be ignored here.
  signal(SIGPIPE, SIG_DFL);
  if (!options.cwd.empty() && chdir(options.cwd.c_str()) != 0) _exit(126);
  if (options.user) {
    if (setgroups(0, nullptr) != 0 || setgid(*options.user) != 0 || setuid(*options.user) != 0)
      _exit(126);
  }
  std::vector<std::string> envText;
  for (const auto& [key, value] : options.env) envText.push_back(key + "=" + value);
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const auto& a : options.args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (auto& e : envText) envp.push_back(e.data());
  envp.push_back(nullptr);
  execve(program.c_str(), argv.data(), envp.data());
  _exit(127);
}

int decodeStatus(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

}  // namespace

TRunOptions IsolatedOptions(const std::string& root, std::vector<std::string> args) {
  TRunOptions o;
  o.args = std::move(args);
  o.env = {{"HOME", root + "/home"},
           {"XDG_CONFIG_HOME", root + "/config"},
           {"XDG_RUNTIME_DIR", root + "/run"},
           {"PATH", "/usr/bin:/bin"}};
  for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"})
    if (const char* value = std::getenv(name)) o.env[name] = value;
  o.cwd = root + "/photos";
  return o;
}

TRunResult RunProgram(const std::string& program, const TRunOptions& options) {
  int out[2], err[2];
  if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork");
  if (pid == 0) {
    dup2(out[1], 1);
    dup2(err[1], 2);
    const int nullIn = open("/dev/null", O_RDONLY);
    dup2(nullIn, 0);
    execChild(program, options);
  }
  close(out[1]);
  close(err[1]);
  TRunResult result;
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open = 2;
  if (options.outputReaderGone) {
    close(out[0]);
    fds[0].fd = -1;
    open = 1;
  }
  while (open > 0) {
    if (poll(fds, 2, -1) < 0) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[4096];
      const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[i]->append(buffer, static_cast<size_t>(n));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  int status = 0;
  waitpid(pid, &status, 0);
  result.exitStatus = decodeStatus(status);
  return result;
}

pid_t StartProgram(const std::string& program, const TRunOptions& options) {
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork");
  if (pid == 0) {
    const int devNull = open("/dev/null", O_RDWR);
    dup2(devNull, 0);
    dup2(devNull, 1);
    dup2(devNull, 2);
    if (!options.outputFile.empty()) {
      const int out = open(options.outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (out >= 0) dup2(out, 1);
    }
    execChild(program, options);
  }
  return pid;
}

int WaitProgram(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return decodeStatus(status);
}

}  // namespace velmora::test
