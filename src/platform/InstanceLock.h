// One copy of the program per login session. The lock is held by the process
// and released by the system when it ends, however it ends.
#pragma once

#include <memory>
#include <string_view>

namespace platform {

inline constexpr std::string_view kInstanceName = "{0AEE3B1E-A5E1-43DB-9659-667DEEA2C865}";

class TInstanceLock;

// What an attempt to take the lock found.
enum class TLockOutcome {
  Held,         // this copy holds the lock until `lock` goes
  AnotherCopy,  // another copy holds it: this one must end
  Unguarded,    // no lock can be had here (no safe folder, no locks): run all the same
};

struct TLockResult {
  TLockOutcome outcome;
  std::unique_ptr<TInstanceLock> lock;  // set when Held
};

class TInstanceLock {
 public:
  // Tries to take the lock; never waits.
  static TLockResult TryAcquire(std::string_view name = kInstanceName);
  virtual ~TInstanceLock() = default;
};

}  // namespace platform
