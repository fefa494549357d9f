// Where the file lives: $XDG_RUNTIME_DIR (per login session, private) when it
// is set and a folder; otherwise a per-user folder velmora-<uid> under $TMPDIR
// (absolute) or /tmp, created 0700. That folder is used only when it is a real
// folder (not a link) owned by the user and writable by nobody else; anything
// else there may have been planted by another user.
#include "platform/posix/InstanceFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/posix/EnvironmentPath.h"

namespace platform::posix {
namespace {

TInstanceFolder runtimeFolder() {
  const std::string path = AbsolutePathFromEnvironment("XDG_RUNTIME_DIR");
  if (path.empty()) return {};
  return {TUniqueFd(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)), path, TUniqueFd()};
}

TInstanceFolder perUserFolder() {
  std::string base = AbsolutePathFromEnvironment("TMPDIR");
  if (base.empty()) base = "/tmp";
  if (base.back() != '/') base += '/';
  const std::string path = base + "velmora-" + std::to_string(geteuid());
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return {};
  // O_NOFOLLOW: a link there is refused.
  TUniqueFd folder(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW));
  if (!folder.Valid() || !IsPrivateFolder(folder.Get())) return {};
  return {std::move(folder), path, TUniqueFd()};
}

bool openLockFile(TInstanceFolder& place, const std::string& name) {
  if (!place.folder.Valid()) return false;
  place.lockFile = TUniqueFd(openat(place.folder.Get(), name.c_str(),
                                    O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600));
  return place.lockFile.Valid();
}

}  // namespace

bool IsPrivateFolder(int folder) {
  struct stat st {};
  return fstat(folder, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid() &&
         (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

TInstanceFolder FindInstanceFolder(const std::string& name) {
  const std::string fileName = name + ".lock";
  if (fileName.find('/') != std::string::npos || fileName.find('\0') != std::string::npos)
    return {};
  if (TInstanceFolder runtime = runtimeFolder(); openLockFile(runtime, fileName)) return runtime;
  if (TInstanceFolder perUser = perUserFolder(); openLockFile(perUser, fileName)) return perUser;
  return {};
}

}  // namespace platform::posix
