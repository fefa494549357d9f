// Helpers for the platform tests: a scratch folder, whole-file helpers, and a
// way to run a check as an unprivileged user (CI runs as root, where most
// permission checks would not bite).
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velmora::test {

// A fresh folder under the temporary folder, open to every user (so that an
// unprivileged child can reach it), removed with its content afterwards.
class TScratchFolder {
 public:
  TScratchFolder();
  TScratchFolder(const TScratchFolder&) = delete;
  TScratchFolder& operator=(const TScratchFolder&) = delete;
  ~TScratchFolder();

  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  // The names in the folder, sorted (no "." or "..").
  std::vector<std::string> Names() const;

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& content, mode_t mode = 0644);
// The file's bytes; "<missing>" when it cannot be read.
std::string ReadFile(const std::string& path);
mode_t ModeOf(const std::string& path);
// `size` reproducible pseudo-random bytes.
std::string RandomBytes(size_t size, unsigned seed);

// A fresh path under the temporary folder for the running test, unique to
// this process and test, and removed first if a crashed run left it.
std::string FreshTestFolder(const std::string& prefix);

// Makes `path` the current folder for one scope.
class TScopedCwd {
 public:
  explicit TScopedCwd(const std::string& path);
  TScopedCwd(const TScopedCwd&) = delete;
  TScopedCwd& operator=(const TScopedCwd&) = delete;
  ~TScopedCwd();

 private:
  std::string old_;
};

// The unprivileged user the permission tests switch to.
inline constexpr uid_t kNobody = 65534;

// Runs `check` in a child process running as kNobody (or as the current user
// when that is not root already). The check returns "" on success or a
// description of what went wrong. nullopt: the switch was not possible.
std::optional<std::string> RunUnprivileged(const std::function<std::string()>& check);

// A real user made for one test (useradd, with a group of the same name),
// under a name unique to this run, removed again with its group afterwards.
class TTestUser {
 public:
  // `tag`: a few letters that say the user's role ("alice", "bob").
  explicit TTestUser(const std::string& tag);
  TTestUser(const TTestUser&) = delete;
  TTestUser& operator=(const TTestUser&) = delete;
  ~TTestUser();

  bool Made() const { return made_; }
  const std::string& Name() const { return name_; }
  uid_t Uid() const { return uid_; }
  gid_t Gid() const { return gid_; }

 private:
  std::string name_;
  uid_t uid_ = 0;
  gid_t gid_ = 0;
  bool made_ = false;
};

// Runs `check` in a child process as `uid` with primary group `gid` and no
// other groups. Same contract as RunUnprivileged.
std::optional<std::string> RunAs(uid_t uid, gid_t gid, const std::function<std::string()>& check);

// Runs a shell command; true when it exits 0.
bool Shell(const std::string& command);

// Sets an environment variable (nullptr: unsets it) for one scope.
class TScopedEnv {
 public:
  TScopedEnv(const char* name, const char* value);
  TScopedEnv(const TScopedEnv&) = delete;
  TScopedEnv& operator=(const TScopedEnv&) = delete;
  ~TScopedEnv();

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// The seed of a test's random choices: VELMORA_TEST_SEED when set (to repeat
// a run), else a fresh one. Name it in a SCOPED_TRACE so that a failure
// prints it.
unsigned TestSeed();
std::string SeedTrace(unsigned seed);  // "seed 123 (VELMORA_TEST_SEED=123 repeats it)"

// Rounds of work that a forked child reports, so that the parent can strike
// at a moment counted in rounds rather than guessed in milliseconds. Made
// before the fork; the child calls Report, the parent WaitForRounds.
class TRoundCounter {
 public:
  TRoundCounter();
  TRoundCounter(const TRoundCounter&) = delete;
  TRoundCounter& operator=(const TRoundCounter&) = delete;
  ~TRoundCounter();

  // In the child: one more round done.
  void Report() const;
  // In the parent: waits until the child has reported `rounds` in all; the
  // time the last of them took. False when the child ended before.
  bool WaitForRounds(int rounds, std::chrono::microseconds& lastRound);

 private:
  int read_ = -1;
  int write_ = -1;
  int seen_ = 0;
  std::chrono::steady_clock::time_point lastAt_;
};

}  // namespace velmora::test

// Skips the test when the check could not run unprivileged, else expects it to
// have succeeded.
#define EXPECT_UNPRIVILEGED(check)                                                    \
  do {                                                                                \
    const std::optional<std::string> outcome = velmora::test::RunUnprivileged(check); \
    if (!outcome) GTEST_SKIP() << "cannot switch to an unprivileged user";            \
    EXPECT_EQ(*outcome, "");                                                          \
  } while (false)
