// One copy of the program per login session. The lock is held by the process
// and released by the system when it ends, however it ends.
#pragma once

#include <memory>
#include <string_view>

namespace platform {

inline constexpr std::string_view kInstanceName = "{0AEE3B1E-A5E1-43DB-9659-667DEEA2C865}";

class TInstanceLock {
 public:
  // Tries to take the lock; never waits.
  static std::unique_ptr<TInstanceLock> TryAcquire(std::string_view name = kInstanceName);
  virtual ~TInstanceLock() = default;
};

}  // namespace platform
