// Test helper: tries to take the instance lock named by its first argument and
// says "held" or "busy" on one line. Holding it, it stays until killed. With
// "--spawn" it first starts a long sleep as its own child and names its pid
// ("held <pid>"), to show that children do not inherit the lock.
#include <spawn.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/InstanceLock.h"

extern char** environ;

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const platform::TLockResult lock = platform::TInstanceLock::TryAcquire(argv[1]);
  if (lock.outcome == platform::TLockOutcome::AnotherCopy) {
    std::puts("busy");
    return 3;
  }
  if (argc > 2 && std::strcmp(argv[2], "--spawn") == 0) {
    char sleepName[] = "sleep";
    char duration[] = "60";
    char* sleepArgs[] = {sleepName, duration, nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, "sleep", nullptr, nullptr, sleepArgs, environ) != 0) return 4;
    std::printf("held %d\n", static_cast<int>(child));
  } else {
    std::puts("held");
  }
  std::fflush(stdout);
  for (;;) pause();
}
