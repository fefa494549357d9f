// The single-instance guard: an exclusive flock on a file named after the
// instance name (see InstanceFolder.cpp for where it lives). The kernel drops
// the lock when the process ends, however it ends, so a crashed copy never
// blocks the next one; the file itself stays behind, harmless.
#include "platform/InstanceLock.h"

#include <sys/file.h>

#include <cerrno>
#include <string>

#include "platform/posix/InstanceFolder.h"
#include "platform/posix/UniqueFd.h"

namespace platform {
namespace {

class TFileLock : public TInstanceLock {
 public:
  explicit TFileLock(posix::TUniqueFd fd) : fd_(std::move(fd)) {}

 private:
  posix::TUniqueFd fd_;
};

}  // namespace

TLockResult TInstanceLock::TryAcquire(std::string_view name) {
  posix::TInstanceFolder place = posix::FindInstanceFolder(std::string(name));
  if (!place.lockFile.Valid()) return {TLockOutcome::Unguarded, nullptr};
  while (flock(place.lockFile.Get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    if (errno == EWOULDBLOCK) return {TLockOutcome::AnotherCopy, nullptr};
    return {TLockOutcome::Unguarded, nullptr};  // locks unsupported here (ENOLCK)
  }
  return {TLockOutcome::Held, std::make_unique<TFileLock>(std::move(place.lockFile))};
}

}  // namespace platform
