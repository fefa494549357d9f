#include "TestSupport.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

namespace fs = std::filesystem;

namespace velmora::test {

std::string FreshTestFolder(const std::string& prefix) {
  const fs::path path =
      fs::temp_directory_path() / (prefix + std::to_string(getpid()) + "-" +
                                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
  fs::remove_all(path);
  return path.string();
}

TScratchFolder::TScratchFolder() {
  std::string pattern = (fs::temp_directory_path() / "velmora-platform-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
  chmod(path_.c_str(), 0777);
}

TScratchFolder::~TScratchFolder() {
  std::error_code error;
  // Folders made read-only by a test must be opened again before removal.
  for (auto it = fs::recursive_directory_iterator(path_, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (it->is_directory(error) && !it->is_symlink(error)) chmod(it->path().c_str(), 0777);
  }
  fs::remove_all(path_, error);
}

std::vector<std::string> TScratchFolder::Names() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(path_)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

void WriteFile(const std::string& path, const std::string& content, mode_t mode) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
  chmod(path.c_str(), mode);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return "<missing>";
  std::string bytes(static_cast<size_t>(in.tellg()), '\0');
  in.seekg(0).read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

std::string RandomBytes(size_t size, unsigned seed) {
  std::mt19937 generator(seed);
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; i += 4) {
    const uint32_t word = generator();
    std::memcpy(&bytes[i], &word, std::min<size_t>(4, size - i));
  }
  return bytes;
}

TScopedCwd::TScopedCwd(const std::string& path) : old_(fs::current_path().string()) {
  fs::current_path(path);
}

TScopedCwd::~TScopedCwd() {
  std::error_code error;
  fs::current_path(old_, error);
}

std::optional<std::string> RunUnprivileged(const std::function<std::string()>& check) {
  return RunAs(kNobody, kNobody, check);
}

bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }

TTestUser::TTestUser(const std::string& tag) {
  if (geteuid() != 0) return;
  static int made = 0;
  // Unique per process and test; short enough for any user name limit.
  name_ = "vm" + tag.substr(0, 5) + std::to_string(getpid()) + "x" + std::to_string(++made);
  // useradd waits for nobody: other test runs may hold the user database a moment.
  for (int attempt = 0; attempt < 20 && !made_; ++attempt) {
    made_ = Shell("useradd --no-create-home --user-group --shell /usr/sbin/nologin " + name_ +
                  " >/dev/null 2>&1");
    if (!made_) usleep(100000);
  }
  if (!made_) return;
  if (const passwd* entry = getpwnam(name_.c_str())) {
    uid_ = entry->pw_uid;
    gid_ = entry->pw_gid;
  } else {
    made_ = false;
  }
}

TTestUser::~TTestUser() {
  if (name_.empty()) return;
  for (int attempt = 0; attempt < 20; ++attempt) {
    if (Shell("userdel " + name_ + " >/dev/null 2>&1")) break;
    usleep(100000);
  }
}

std::optional<std::string> RunAs(uid_t uid, gid_t gid, const std::function<std::string()>& check) {
  constexpr int kSwitchFailed = 125;
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return std::nullopt;
  const pid_t child = fork();
  if (child < 0) return std::nullopt;
  if (child == 0) {
    close(pipeFds[0]);
    if (geteuid() == 0) {
      if (setgroups(1, &gid) != 0 || setgid(gid) != 0 || setuid(uid) != 0) _exit(kSwitchFailed);
    }
    const std::string outcome = check();
    [[maybe_unused]] const ssize_t written = write(pipeFds[1], outcome.data(), outcome.size());
    _exit(0);
  }
  close(pipeFds[1]);
  std::string outcome;
  char chunk[512];
  for (ssize_t n; (n = read(pipeFds[0], chunk, sizeof chunk)) > 0;) outcome.append(chunk, n);
  close(pipeFds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (WIFEXITED(status) && WEXITSTATUS(status) == kSwitchFailed) return std::nullopt;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "the unprivileged check crashed";
  return outcome;
}

TScopedEnv::TScopedEnv(const char* name, const char* value) : name_(name) {
  if (const char* old = std::getenv(name)) old_ = old;
  if (value) {
    setenv(name, value, 1);
  } else {
    unsetenv(name);
  }
}

TScopedEnv::~TScopedEnv() {
  if (old_) {
    setenv(name_.c_str(), old_->c_str(), 1);
  } else {
    unsetenv(name_.c_str());
  }
}

unsigned TestSeed() {
  if (const char* given = std::getenv("VELMORA_TEST_SEED"); given != nullptr && *given != '\0')
    return static_cast<unsigned>(std::strtoul(given, nullptr, 10));
  return std::random_device()();
}

std::string SeedTrace(unsigned seed) {
  return "seed " + std::to_string(seed) + " (VELMORA_TEST_SEED=" + std::to_string(seed) +
         " repeats it)";
}

TRoundCounter::TRoundCounter() {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  read_ = ends[0];
  write_ = ends[1];
  lastAt_ = std::chrono::steady_clock::now();
}

TRoundCounter::~TRoundCounter() {
  close(read_);
  close(write_);
}

void TRoundCounter::Report() const {
  const char done = 1;
  if (write(write_, &done, 1) != 1) _exit(3);
}

bool TRoundCounter::WaitForRounds(int rounds, std::chrono::microseconds& lastRound) {
  if (write_ >= 0) {  // the parent's copy: the child's end alone keeps the pipe open
    close(write_);
    write_ = -1;
  }
  while (seen_ < rounds) {
    char done = 0;
    const ssize_t got = read(read_, &done, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got != 1) return false;
    const auto now = std::chrono::steady_clock::now();
    lastRound = std::chrono::duration_cast<std::chrono::microseconds>(now - lastAt_);
    lastAt_ = now;
    ++seen_;
  }
  return true;
}

}  // namespace velmora::test
