// The backup copy made before a file is stripped.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/Files.h"
#include "platform/posix/AtomicReplace.h"
#include "platform/posix/SystemReason.h"
#include "platform/posix/UniqueFd.h"

namespace platform {
namespace {

constexpr size_t kCopyChunk = size_t{1} << 20;

// Copies the whole of `from` into `to`. False on a read error.
bool copyContent(int from, posix::TTempFile& to) {
  std::vector<unsigned char> chunk(kCopyChunk);
  for (off_t at = 0;;) {
    const ssize_t n = pread(from, chunk.data(), chunk.size(), at);
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    to.Write(chunk.data(), static_cast<size_t>(n));
    at += n;
  }
}

}  // namespace

// The copy goes through a temporary file renamed over the backup name, so a
// symbolic link planted there is replaced, never written through, and a
// failed copy leaves an older backup as it was.
bool TPlatformFiles::CopyToBackup(const std::string& existing, const std::string& backup) {
  if (posix::HasNul(existing) || posix::HasNul(backup)) return false;
  try {
    // The copy is of the file the load read, not of whatever the name
    // refers to by now.
    posix::TUniqueFd opened;
    int in = posix::LoadedFd(existing);
    if (in < 0) {
      opened =
          posix::TUniqueFd(open(existing.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
      in = opened.Get();
    }
    struct stat source {};
    if (in < 0 || fstat(in, &source) != 0 || !S_ISREG(source.st_mode)) return false;
    // A read-only file of the backup name refuses the copy, as it would refuse
    // a write; a link there is the name only and is replaced.
    const posix::TUniqueFd folder(
        open(posix::FolderOf(backup).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.Valid()) return false;
    const size_t slash = backup.find_last_of('/');
    const std::string name = slash == std::string::npos ? backup : backup.substr(slash + 1);
    struct stat old {};
    if (fstatat(folder.Get(), name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(old.st_mode) && posix::WriteRefusal(folder.Get(), name, old) != 0) {
      return false;
    }
    posix::TTempFile temp(folder.Get(), 0600);
    if (!copyContent(in, temp)) return false;
    // Root's backup of a user's photo is the user's, so she can read her own
    // original: owner and group first (a change of owner clears setuid and
    // setgid), then the mode. Another user's copy is her own and gets neither.
    const bool root = geteuid() == 0;
    if (root && fchown(temp.Fd(), source.st_uid, source.st_gid) != 0) return false;
    const struct timespec times[2] = {source.st_atim, source.st_mtim};
    if (fchmod(temp.Fd(), source.st_mode & (root ? 07777 : 0777)) != 0 ||
        futimens(temp.Fd(), times) != 0) {
      return false;
    }
    temp.Commit(name);
    return true;
  } catch (const posix::EReplaceFailure&) {
    return false;
  }
}

}  // namespace platform
