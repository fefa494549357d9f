// The single-instance guard: an exclusive flock on a file named after the
// instance name. The kernel drops the lock when the process ends, however it
// ends, so a crashed copy never blocks the next one; the file itself stays
// behind, harmless.
//
// Where the file lives: $XDG_RUNTIME_DIR (per login session, private) when it
// is set and a folder; otherwise a per-user folder velmora-<uid> under $TMPDIR
// (absolute) or /tmp, created 0700. That folder is used only when it is a real
// folder (not a link) owned by the user and writable by nobody else; anything
// else there may have been planted by another user.
#include "platform/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/posix/UniqueFd.h"

namespace platform {
namespace {

class TFileLock : public TInstanceLock {
 public:
  explicit TFileLock(posix::TUniqueFd fd) : fd_(std::move(fd)) {}

 private:
  posix::TUniqueFd fd_;
};

// The guard when no lock file can be made at all: the program runs unguarded,
// as it does when its named mutex cannot be created.
class TNoLock : public TInstanceLock {};

std::string absoluteFromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] == '/' ? std::string(value) : std::string();
}

posix::TUniqueFd openFolder(const std::string& path) {
  return posix::TUniqueFd(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW));
}

posix::TUniqueFd runtimeFolder() {
  const std::string path = absoluteFromEnvironment("XDG_RUNTIME_DIR");
  if (path.empty()) return posix::TUniqueFd();
  return posix::TUniqueFd(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

posix::TUniqueFd perUserFolder() {
  std::string base = absoluteFromEnvironment("TMPDIR");
  if (base.empty()) base = "/tmp";
  if (base.back() != '/') base += '/';
  const std::string path = base + "velmora-" + std::to_string(geteuid());
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return posix::TUniqueFd();
  posix::TUniqueFd folder = openFolder(path);  // O_NOFOLLOW: a link there is refused
  struct stat st {};
  if (!folder.Valid() || fstat(folder.Get(), &st) != 0 || !S_ISDIR(st.st_mode) ||
      st.st_uid != geteuid() || (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    return posix::TUniqueFd();
  }
  return folder;
}

// The lock file in `folder`, or an invalid descriptor.
posix::TUniqueFd openLockFile(const posix::TUniqueFd& folder, const std::string& name) {
  if (!folder.Valid()) return posix::TUniqueFd();
  return posix::TUniqueFd(openat(folder.Get(), name.c_str(),
                                 O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600));
}

}  // namespace

std::unique_ptr<TInstanceLock> TInstanceLock::TryAcquire(std::string_view name) {
  const std::string fileName = std::string(name) + ".lock";
  if (fileName.find('/') != std::string::npos || fileName.find('\0') != std::string::npos) {
    return std::make_unique<TNoLock>();
  }
  posix::TUniqueFd file = openLockFile(runtimeFolder(), fileName);
  if (!file.Valid()) file = openLockFile(perUserFolder(), fileName);
  if (!file.Valid()) return std::make_unique<TNoLock>();
  while (flock(file.Get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    if (errno == EWOULDBLOCK) return nullptr;
    return std::make_unique<TNoLock>();  // locks unsupported here (ENOLCK): run unguarded
  }
  return std::make_unique<TFileLock>(std::move(file));
}

}  // namespace platform
