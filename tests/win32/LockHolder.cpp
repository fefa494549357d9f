// Test helper: tries to take the instance lock named by its first argument and
// says "held" (status 0) or "busy" (status 3); its end releases the lock.
#include <cstdio>

#include "platform/InstanceLock.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const auto lock = platform::TInstanceLock::TryAcquire(argv[1]);
  std::puts(lock ? "held" : "busy");
  return lock ? 0 : 3;
}
