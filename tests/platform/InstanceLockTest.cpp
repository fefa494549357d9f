#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/InstanceLock.h"

extern char** environ;

namespace velmora::test {

using namespace platform;
namespace {

// A name of this run alone, so that parallel runs never meet.
std::string testName() { return "{velmora-test-" + std::to_string(getpid()) + "}"; }

TEST(TInstanceLock, SecondAcquisitionFailsUntilTheFirstIsReleased) {
  TScratchFolder folder;
  const TScopedEnv runtime("XDG_RUNTIME_DIR", folder.Path().c_str());
  auto first = TInstanceLock::TryAcquire(testName());
  ASSERT_EQ(first.outcome, TLockOutcome::Held);
  EXPECT_EQ(TInstanceLock::TryAcquire(testName()).outcome, TLockOutcome::AnotherCopy);
  EXPECT_EQ(velmora::test::ModeOf(folder / (testName() + ".lock")), 0600);
  first.lock.reset();
  EXPECT_EQ(TInstanceLock::TryAcquire(testName()).outcome, TLockOutcome::Held);
}

TEST(TInstanceLock, WithoutARuntimeFolderUsesAPrivatePerUserFolder) {
  TScratchFolder folder;
  velmora::test::WriteFile(folder / "file", "x");
  const std::string perUser = folder / ("velmora-" + std::to_string(geteuid()));
  for (const std::string& runtime :
       std::vector<std::string>{"<unset>", "relative", folder / "file", folder / "missing"}) {
    const TScopedEnv xdg("XDG_RUNTIME_DIR", runtime == "<unset>" ? nullptr : runtime.c_str());
    const TScopedEnv tmp("TMPDIR", folder.Path().c_str());
    auto first = TInstanceLock::TryAcquire(testName());
    EXPECT_EQ(first.outcome, TLockOutcome::Held) << runtime;
    EXPECT_EQ(TInstanceLock::TryAcquire(testName()).outcome, TLockOutcome::AnotherCopy) << runtime;
    EXPECT_EQ(velmora::test::ModeOf(perUser), 0700);
    EXPECT_TRUE(std::filesystem::exists(perUser + "/" + testName() + ".lock"));
  }
}

TEST(TInstanceLock, RunsUnguardedRatherThanUseAFolderOthersCouldHavePlanted) {
  TScratchFolder folder;
  const std::string perUser = folder / ("velmora-" + std::to_string(geteuid()));
  mkdir((folder / "elsewhere").c_str(), 0700);
  const struct {
    const char* name;
    std::function<bool()> plant;  // false: cannot plant here
  } cases[] = {
      {"link", [&] { return symlink((folder / "elsewhere").c_str(), perUser.c_str()) == 0; }},
      {"open to others",
       [&] { return mkdir(perUser.c_str(), 0777) == 0 && chmod(perUser.c_str(), 0777) == 0; }},
      {"another user's",
       [&] {
         return geteuid() == 0 && mkdir(perUser.c_str(), 0700) == 0 &&
                chown(perUser.c_str(), velmora::test::kNobody, velmora::test::kNobody) == 0;
       }},
      {"a file",
       [&] {
         velmora::test::WriteFile(perUser, "x");
         return true;
       }},
  };
  const TScopedEnv xdg("XDG_RUNTIME_DIR", nullptr);
  const TScopedEnv tmp("TMPDIR", folder.Path().c_str());
  for (const auto& c : cases) {
    std::filesystem::remove_all(perUser);
    if (!c.plant()) continue;
    auto first = TInstanceLock::TryAcquire(testName());
    auto second = TInstanceLock::TryAcquire(testName());
    EXPECT_EQ(first.outcome, TLockOutcome::Unguarded) << c.name;
    EXPECT_EQ(second.outcome, TLockOutcome::Unguarded) << c.name;  // so no refusal either
    EXPECT_TRUE(std::filesystem::is_empty(folder / "elsewhere")) << c.name;
    EXPECT_FALSE(std::filesystem::exists(perUser + "/" + testName() + ".lock")) << c.name;
  }
}

// The helper executable, started with its output on a pipe.
class THelper {
 public:
  explicit THelper(std::vector<std::string> args) {
    int fds[2];
    if (pipe(fds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    std::vector<char*> argv;
    args.insert(args.begin(), VELMORA_LOCK_HOLDER);
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, VELMORA_LOCK_HOLDER, &actions, nullptr, argv.data(), environ) != 0) {
      pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    out_ = fds[0];
  }
  THelper(const THelper&) = delete;
  THelper& operator=(const THelper&) = delete;
  ~THelper() {
    Kill();
    if (out_ >= 0) close(out_);
  }

  // The first line it prints (without the newline), waiting at most 10 s.
  std::string Line() {
    std::string line;
    char c = 0;
    pollfd ready = {out_, POLLIN, 0};
    while (poll(&ready, 1, 10000) > 0 && read(out_, &c, 1) == 1 && c != '\n') line += c;
    return line;
  }
  // SIGKILL, then reaps it.
  void Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  // Its exit code once it ends by itself within 10 s; else it is killed: -1.
  int ExitCode() {
    for (int waited = 0; waited < 1000; ++waited) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      usleep(10000);
    }
    Kill();
    return -1;
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
};

class TInstanceLockProcesses : public ::testing::Test {
 protected:
  TScratchFolder folder_;
  TScopedEnv runtime_{"XDG_RUNTIME_DIR", folder_.Path().c_str()};
  std::string name_ = testName();
};

TEST_F(TInstanceLockProcesses, HolderKeepsOthersOutUntilItIsKilled) {
  THelper holder({name_});
  ASSERT_EQ(holder.Line(), "held");
  THelper second({name_});
  EXPECT_EQ(second.Line(), "busy");
  EXPECT_EQ(second.ExitCode(), 3);
  holder.Kill();
  THelper third({name_});
  EXPECT_EQ(third.Line(), "held");
}

TEST_F(TInstanceLockProcesses, TwoStartedTogetherExactlyOneWins) {
  for (int round = 0; round < 8; ++round) {
    THelper a({name_});
    THelper b({name_});
    const std::string lines = a.Line() + "+" + b.Line();
    EXPECT_TRUE(lines == "held+busy" || lines == "busy+held") << "round " << round << ": " << lines;
  }
}

TEST_F(TInstanceLockProcesses, ChildrenOfTheHolderDoNotKeepTheLock) {
  THelper holder({name_, "--spawn"});
  const std::string line = holder.Line();
  ASSERT_EQ(line.rfind("held ", 0), 0u) << line;
  const pid_t grandchild = static_cast<pid_t>(std::stol(line.substr(5)));
  holder.Kill();  // its child, the sleep, lives on
  THelper next({name_});
  EXPECT_EQ(next.Line(), "held");
  kill(grandchild, SIGKILL);
}

}  // namespace
}  // namespace velmora::test
