// Test helper: tries to take the instance lock named by its first argument and
// says "held" (status 0) or "busy" (status 3); its end releases the lock.
#include <cstdio>

#include "platform/InstanceLock.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const platform::TLockResult lock = platform::TInstanceLock::TryAcquire(argv[1]);
  const bool held = lock.outcome == platform::TLockOutcome::Held;
  std::puts(held ? "held" : "busy");
  return held ? 0 : 3;
}
