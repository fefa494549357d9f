// The backup copy of a file about to be overwritten.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/Files.h"
#include "platform/posix/AtomicReplace.h"
#include "platform/posix/SystemReason.h"
#include "platform/posix/UniqueFd.h"

namespace platform {
namespace {

constexpr size_t kCopyChunk = size_t{1} << 20;
constexpr size_t kCompareChunk = size_t{1} << 16;

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

// Whether the regular file `name` in `folder` holds exactly the bytes of `in`
// (a regular file of `size` bytes). Anything that cannot be read counts as
// different.
bool sameContent(int in, off_t size, int folder, const std::string& name) {
  posix::TUniqueFd other(
      openat(folder, name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW));
  struct stat st {};
  if (!other.Valid() || fstat(other.Get(), &st) != 0 || !S_ISREG(st.st_mode) ||
      st.st_size != size) {
    return false;
  }
  std::vector<unsigned char> mine(kCompareChunk);
  std::vector<unsigned char> theirs(kCompareChunk);
  for (off_t at = 0; at < size;) {
    const ssize_t n = pread(in, mine.data(), mine.size(), at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    size_t got = 0;
    while (got < static_cast<size_t>(n)) {
      const ssize_t m = pread(other.Get(), theirs.data() + got, static_cast<size_t>(n) - got,
                              at + static_cast<off_t>(got));
      if (m < 0 && errno == EINTR) continue;
      if (m <= 0) return false;
      got += static_cast<size_t>(m);
    }
    if (std::memcmp(mine.data(), theirs.data(), got) != 0) return false;
    at += n;
  }
  return true;
}

// What a name that is already taken holds: the same bytes (kept) or anything
// else (occupied, never touched).
ExifData::TBackupOutcome takenName(int in, off_t size, int folder, const std::string& name) {
  return sameContent(in, size, folder, name) ? ExifData::TBackupOutcome::Kept
                                             : ExifData::TBackupOutcome::Occupied;
}

TPlatformFiles::TWrittenBackup identity(const std::string& name, const struct stat& st) {
  return {name, static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino),
          static_cast<int64_t>(st.st_size),
          static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

}  // namespace

// The copy goes through a temporary file that takes the backup name only while
// nothing bears it, so an older backup, a link or another file of that name is
// never replaced or written through, and a failed copy leaves nothing behind.
ExifData::TBackupOutcome TPlatformFiles::CopyToBackup(const std::string& existing,
                                                      const std::string& backup,
                                                      const ExifData::TLoadHandle* loaded) {
  using ExifData::TBackupOutcome;
  if (posix::HasNul(existing) || posix::HasNul(backup)) return TBackupOutcome::Failed;
  try {
    // The copy is of the file the load read, not of whatever the name
    // refers to by now.
    posix::TUniqueFd opened;
    const posix::TLoadedFile* file = posix::LoadedFileOf(loaded);
    int in = file != nullptr ? file->file.Get() : -1;
    if (in < 0) {
      opened =
          posix::TUniqueFd(open(existing.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
      in = opened.Get();
    }
    struct stat source {};
    if (in < 0 || fstat(in, &source) != 0 || !S_ISREG(source.st_mode)) {
      return TBackupOutcome::Failed;
    }
    const posix::TUniqueFd folder(
        open(posix::FolderOf(backup).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.Valid()) return TBackupOutcome::Failed;
    const size_t slash = backup.find_last_of('/');
    const std::string name = slash == std::string::npos ? backup : backup.substr(slash + 1);
    struct stat old {};
    if (fstatat(folder.Get(), name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0) {
      return takenName(in, source.st_size, folder.Get(), name);
    }
    if (errno != ENOENT) return TBackupOutcome::Failed;
    posix::TTempFile temp(folder.Get(), 0600);
    if (!copyContent(in, temp)) return TBackupOutcome::Failed;
    // Root's backup of a user's photo is the user's, so she can read her own
    // original: owner and group first (a change of owner clears setuid and
    // setgid), then the mode. Another user's copy is her own and gets neither.
    const bool root = geteuid() == 0;
    if (root && fchown(temp.Fd(), source.st_uid, source.st_gid) != 0) {
      return TBackupOutcome::Failed;
    }
    const struct timespec times[2] = {source.st_atim, source.st_mtim};
    if (fchmod(temp.Fd(), source.st_mode & (root ? 07777 : 0777)) != 0 ||
        futimens(temp.Fd(), times) != 0) {
      return TBackupOutcome::Failed;
    }
    struct stat made {};
    if (fstat(temp.Fd(), &made) != 0) return TBackupOutcome::Failed;
    try {
      temp.CommitNew(name);
    } catch (const posix::EReplaceFailure& failure) {
      // Another file took the name meanwhile.
      if (failure.Error() != EEXIST) throw;
      return takenName(in, source.st_size, folder.Get(), name);
    }
    rememberBackup(identity(backup, made));
    return TBackupOutcome::Written;
  } catch (const posix::EReplaceFailure&) {
    return TBackupOutcome::Failed;
  }
}

bool TPlatformFiles::MayReplace(const std::string& path, const ExifData::TLoadHandle* loaded) {
  // Without a load of ours the save takes the path as it stands: its refusal is the save's to
  // report.
  static_cast<void>(path);
  const posix::TLoadedFile* file = posix::LoadedFileOf(loaded);
  return file == nullptr || posix::LoadedWriteRefusal(*file) == 0;
}

bool TPlatformFiles::RemoveBackup(const std::string& backup) {
  const TWrittenBackup made = takeBackup(backup);
  if (made.name.empty()) return false;
  const posix::TUniqueFd folder(
      open(posix::FolderOf(backup).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  const size_t slash = backup.find_last_of('/');
  const std::string name = slash == std::string::npos ? backup : backup.substr(slash + 1);
  struct stat now {};
  if (!folder.Valid() || fstatat(folder.Get(), name.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0) {
    return false;
  }
  // Another file under that name by now is not ours to remove.
  if (!(identity(backup, now) == made) || unlinkat(folder.Get(), name.c_str(), 0) != 0)
    return false;
  fsync(folder.Get());
  return true;
}

}  // namespace platform
