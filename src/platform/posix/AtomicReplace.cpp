#include "platform/posix/AtomicReplace.h"

#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <vector>

#include "platform/posix/SystemReason.h"

namespace platform::posix {
namespace {

using TStep = EReplaceFailure::TStep;

// Symbolic links followed before giving up, as the kernel does (ELOOP).
constexpr int kMaxLinkHops = 40;
constexpr int kNameAttempts = 100;

std::string randomSuffix() {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char bytes[16] = {};
  size_t got = 0;
  while (got < sizeof bytes) {
    const ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EReplaceFailure(TStep::Create, errno);
    }
    got += static_cast<size_t>(n);
  }
  std::string suffix;
  for (unsigned char b : bytes) suffix += kAlphabet[b % (sizeof kAlphabet - 1)];
  return suffix;
}

// The path a chain of symbolic links at `path` ends in. Only the last
// component is followed; folders on the way stay as written.
std::string finalTarget(const std::string& path) {
  std::string current = path;
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat st {};
    if (lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
    std::vector<char> buffer(PATH_MAX + 1);
    const ssize_t n = readlink(current.c_str(), buffer.data(), buffer.size());
    if (n < 0) throw EReplaceFailure(TStep::Create, errno);
    if (static_cast<size_t>(n) >= buffer.size()) throw EReplaceFailure(TStep::Create, ENAMETOOLONG);
    std::string target(buffer.data(), static_cast<size_t>(n));
    if (target.empty() || target[0] != '/') {
      const std::string folder = FolderOf(current);
      target = (folder == "/" ? folder : folder + "/") + target;
    }
    current = std::move(target);
  }
  throw EReplaceFailure(TStep::Create, ELOOP);
}

}  // namespace

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

int WriteRefusal(const std::string& path, const struct stat& st) {
  if (faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return errno;
  if (geteuid() == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return EACCES;
  return 0;
}

TTempFile::TTempFile(const std::string& folder, mode_t mode) : folder_(folder) {
  if (HasNul(folder)) throw EReplaceFailure(TStep::Create, EINVAL);
  const std::string prefix = (folder == "/" ? folder : folder + "/") + ".velmora-";
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::string candidate = prefix + randomSuffix() + ".tmp";
    const int fd =
        open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
    if (fd >= 0) {
      fd_ = TUniqueFd(fd);
      path_ = std::move(candidate);
      return;
    }
    if (errno != EEXIST) throw EReplaceFailure(TStep::Create, errno);
  }
  throw EReplaceFailure(TStep::Create, EEXIST);
}

TTempFile::~TTempFile() {
  fd_.Close();
  if (!committed_ && !path_.empty()) unlink(path_.c_str());
}

void TTempFile::Write(const void* data, size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  while (size > 0) {
    const ssize_t n = write(fd_.Get(), bytes, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EReplaceFailure(TStep::Write, errno);
    }
    if (n == 0) throw EReplaceFailure(TStep::Write, ENOSPC);
    bytes += n;
    size -= static_cast<size_t>(n);
  }
}

void TTempFile::Commit(const std::string& target) {
  if (fsync(fd_.Get()) != 0) throw EReplaceFailure(TStep::Write, errno);
  if (const int error = fd_.Close()) throw EReplaceFailure(TStep::Write, error);
  if (rename(path_.c_str(), target.c_str()) != 0) throw EReplaceFailure(TStep::Create, errno);
  committed_ = true;
  // The new name is only durable once the folder is flushed. The content is in
  // place already, so a folder that cannot be flushed is no failure of the save.
  TUniqueFd folder(open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.Valid()) fsync(folder.Get());
}

void ReplaceFileContents(const std::string& path, const void* data, size_t size) {
  if (HasNul(path)) throw EReplaceFailure(TStep::Create, EINVAL);
  const std::string target = finalTarget(path);
  struct stat st {};
  const bool exists = stat(target.c_str(), &st) == 0;
  if (!exists && errno != ENOENT) throw EReplaceFailure(TStep::Create, errno);
  if (exists) {
    // Renaming over a folder or a device would not be a save of a file.
    if (S_ISDIR(st.st_mode)) throw EReplaceFailure(TStep::Create, EISDIR);
    if (!S_ISREG(st.st_mode)) throw EReplaceFailure(TStep::Create, EINVAL);
    if (const int refusal = WriteRefusal(target, st)) throw EReplaceFailure(TStep::Create, refusal);
  }
  // An existing file's content is private until its own bits are set.
  TTempFile temp(FolderOf(target), exists ? 0600 : 0666);
  temp.Write(data, size);
  if (exists) {
    if (geteuid() == 0) {
      if (fchown(temp.Fd(), st.st_uid, st.st_gid) != 0) throw EReplaceFailure(TStep::Write, errno);
    } else if (st.st_gid != getegid()) {
      // Keeping the group works when the user belongs to it; otherwise the
      // file takes the user's group, as any replace by rename does.
      [[maybe_unused]] const int ignored = fchown(temp.Fd(), static_cast<uid_t>(-1), st.st_gid);
    }
    if (fchmod(temp.Fd(), st.st_mode & 0777) != 0) throw EReplaceFailure(TStep::Write, errno);
  }
  temp.Commit(target);
}

}  // namespace platform::posix
