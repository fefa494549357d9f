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

// Copies what `from` delivers into `to`. False on a read error.
bool copyContent(int from, posix::TTempFile& to) {
  std::vector<unsigned char> chunk(kCopyChunk);
  for (;;) {
    const ssize_t n = read(from, chunk.data(), chunk.size());
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    to.Write(chunk.data(), static_cast<size_t>(n));
  }
}

}  // namespace

// The copy goes through a temporary file renamed over the backup name, so a
// symbolic link planted there is replaced, never written through, and a
// failed copy leaves an older backup as it was.
bool TPlatformFiles::CopyFile(const std::string& existing, const std::string& backup) {
  if (posix::HasNul(existing) || posix::HasNul(backup)) return false;
  try {
    posix::TUniqueFd in(open(existing.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat source {};
    if (!in.Valid() || fstat(in.Get(), &source) != 0 || !S_ISREG(source.st_mode)) return false;
    // A read-only file of the backup name refuses the copy, as it would refuse
    // a write; a link there is the name only and is replaced.
    struct stat old {};
    if (lstat(backup.c_str(), &old) == 0 && S_ISREG(old.st_mode) &&
        posix::WriteRefusal(backup, old) != 0) {
      return false;
    }
    posix::TTempFile temp(posix::FolderOf(backup), 0600);
    if (!copyContent(in.Get(), temp)) return false;
    const struct timespec times[2] = {source.st_atim, source.st_mtim};
    if (fchmod(temp.Fd(), source.st_mode & 0777) != 0 || futimens(temp.Fd(), times) != 0) {
      return false;
    }
    temp.Commit(backup);
    return true;
  } catch (const posix::EReplaceFailure&) {
    return false;
  }
}

}  // namespace platform
