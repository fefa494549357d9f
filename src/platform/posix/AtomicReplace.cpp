#include "platform/posix/AtomicReplace.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/uio.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/posix/EffectiveIds.h"
#include "platform/posix/MappedFiles.h"
#include "platform/posix/SignalCleanup.h"
#include "platform/posix/SystemReason.h"

namespace platform::posix {
namespace {

using TStep = EReplaceFailure::TStep;

// Symbolic links followed before giving up, as the kernel does (ELOOP).
constexpr int kMaxLinkHops = 40;
constexpr int kNameAttempts = 100;
// A copy this large starts its way to the disk at once, so that the disk
// writes it while the next files are stripped. Smaller ones wait for the
// group's flush, which sends them to the disk together.
constexpr uint64_t kWriteBackFrom = uint64_t{1} << 20;
// A temporary name: start, random characters, end.
constexpr std::string_view kTempNameStart = ".velmora-";
constexpr size_t kNameBytes = 16;
constexpr std::string_view kTempNameEnd = ".tmp";
constexpr size_t kTempNameSize = kTempNameStart.size() + kNameBytes + kTempNameEnd.size();

// Appends kNameBytes random characters to `name`.
void appendRandomSuffix(std::string& name) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  // The system's random bytes, drawn for many names at once: a batch of small
  // files would otherwise ask once per file. Each byte serves one name only.
  thread_local unsigned char pool[kNameBytes * 64];
  thread_local size_t used = sizeof pool;
  if (used == sizeof pool) {
    size_t got = 0;
    while (got < sizeof pool) {
      const ssize_t n = getrandom(pool + got, sizeof pool - got, 0);
      if (n < 0) {
        if (errno == EINTR) continue;
        throw EReplaceFailure(TStep::Create, errno);
      }
      got += static_cast<size_t>(n);
    }
    used = 0;
  }
  for (size_t i = 0; i < kNameBytes; ++i) name += kAlphabet[pool[used++] % (sizeof kAlphabet - 1)];
}

std::string nameOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

TUniqueFd openFolder(int at, const std::string& folder) {
  TUniqueFd fd(openat(at, folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd.Valid()) throw EReplaceFailure(TStep::Create, errno);
  return fd;
}

void writeAll(int fd, const void* data, size_t size, off_t at) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  while (size > 0) {
    const ssize_t n = pwrite(fd, bytes, size, at);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EReplaceFailure(TStep::Write, errno);
    }
    if (n == 0) throw EReplaceFailure(TStep::Write, ENOSPC);
    bytes += n;
    at += n;
    size -= static_cast<size_t>(n);
  }
}

std::vector<std::string> splitNames(const char* list, size_t size) {
  std::vector<std::string> names;
  for (size_t at = 0; at < size;) {
    const std::string name(list + at);
    at += name.size() + 1;
    if (!name.empty()) names.push_back(name);
  }
  return names;
}

// The names of the extended attributes of `fd`; empty where there are none or
// the file system has none.
std::vector<std::string> attributeNames(int fd, bool& failed) {
  // Most files have no attributes or a few short ones: one call into a buffer
  // on the stack answers, and a file without any costs no allocation.
  char small[1024];
  const ssize_t got = flistxattr(fd, small, sizeof small);
  if (got >= 0) return splitNames(small, static_cast<size_t>(got));
  if (errno == ENOTSUP) return {};
  if (errno != ERANGE) {
    failed = true;
    return {};
  }
  std::vector<char> list;
  for (;;) {
    const ssize_t need = flistxattr(fd, nullptr, 0);
    if (need < 0) {
      failed = errno != ENOTSUP;
      return {};
    }
    list.resize(static_cast<size_t>(need));
    const ssize_t got = flistxattr(fd, list.data(), list.size());
    if (got >= 0) {
      list.resize(static_cast<size_t>(got));
      break;
    }
    if (errno != ERANGE) {  // ERANGE: the list grew meanwhile
      failed = true;
      return {};
    }
  }
  return splitNames(list.data(), list.size());
}

bool copyAttribute(int from, int to, const std::string& name) {
  std::vector<char> value;
  for (;;) {
    const ssize_t need = fgetxattr(from, name.c_str(), nullptr, 0);
    if (need < 0) return errno == ENODATA;  // removed meanwhile: nothing to keep
    value.resize(static_cast<size_t>(need));
    const ssize_t got = fgetxattr(from, name.c_str(), value.data(), value.size());
    if (got >= 0) {
      value.resize(static_cast<size_t>(got));
      break;
    }
    if (errno != ERANGE) return false;
  }
  return fsetxattr(to, name.c_str(), value.data(), value.size(), 0) == 0;
}

// Refuses a file that the name no longer refers to, or whose size or times
// changed: another program replaced it or is still writing it.
void checkUnchanged(const TLoadedFile& loaded) {
  struct stat now {};
  if (fstatat(loaded.place.folder.Get(), loaded.place.name.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0)
    throw EReplaceFailure(TStep::Changed, errno);
  if (!SameFile(loaded.st, now)) throw EReplaceFailure(TStep::Changed, 0);
}

// The new bytes over the file `fd` itself: its inode, owner, attributes and
// other names stay. A flushed copy beside it survives until the file is whole.
void writeInPlace(const TLoadedFile& loaded, int fd, TTempFile& copy, const void* data, size_t size,
                  const std::function<void()>& beforeFinalCheck) {
  copy.Flush();
  FlushFolder(loaded.place.folder.Get());
  if (beforeFinalCheck) beforeFinalCheck();
  struct stat now {};
  if (fstat(fd, &now) != 0) throw EReplaceFailure(TStep::Write, errno);
  if (!SameFile(loaded.st, now)) throw EReplaceFailure(TStep::Changed, 0);
  checkUnchanged(loaded);
  // From the first byte written until the flush the file is torn: the copy is
  // what a crash leaves, and a signal waits until the file is whole again.
  const TSignalsHeld held;
  copy.Keep();
  writeAll(fd, data, size, 0);
  if (ftruncate(fd, static_cast<off_t>(size)) != 0 || fsync(fd) != 0)
    throw EReplaceFailure(TStep::Write, errno);
  copy.Remove();
  FlushFolder(loaded.place.folder.Get());
}

}  // namespace

void FlushFolder(int folder) { fsync(folder); }

int FlushFileSystem(int fd) { return syncfs(fd) == 0 ? 0 : errno; }

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

int WriteRefusal(int folder, const std::string& name, const struct stat& st) {
  if (faccessat(folder, name.c_str(), W_OK, AT_EACCESS) != 0) return errno;
  if (EffectiveUser() == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return EACCES;
  return 0;
}

TPlace ResolvePlace(const std::string& path) {
  if (HasNul(path) || path.empty())
    throw EReplaceFailure(TStep::Create, path.empty() ? ENOENT : EINVAL);
  TPlace place{openFolder(AT_FDCWD, FolderOf(path)), nameOf(path), false};
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    if (place.name.empty()) throw EReplaceFailure(TStep::Create, EISDIR);
    struct stat st {};
    if (fstatat(place.folder.Get(), place.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno == ENOENT) return place;
      throw EReplaceFailure(TStep::Create, errno);
    }
    if (!S_ISLNK(st.st_mode)) return place;
    if (st.st_uid != EffectiveUser()) place.foreignLink = true;
    std::vector<char> buffer(PATH_MAX + 1);
    const ssize_t n =
        readlinkat(place.folder.Get(), place.name.c_str(), buffer.data(), buffer.size());
    if (n < 0) throw EReplaceFailure(TStep::Create, errno);
    if (static_cast<size_t>(n) >= buffer.size()) throw EReplaceFailure(TStep::Create, ENAMETOOLONG);
    const std::string target(buffer.data(), static_cast<size_t>(n));
    if (target.empty()) throw EReplaceFailure(TStep::Create, ENOENT);
    // A relative target is relative to the folder the link lives in.
    if (target.find('/') != std::string::npos) {
      place.folder = openFolder(target[0] == '/' ? AT_FDCWD : place.folder.Get(), FolderOf(target));
    }
    place.name = nameOf(target);
  }
  throw EReplaceFailure(TStep::Create, ELOOP);
}

TLoadedFile OpenLoadedFile(const std::string& path) {
  // O_NOFOLLOW: a link is refused (ELOOP), not followed; the walk below takes
  // it one link at a time. O_NONBLOCK: opening a FIFO must not wait for a
  // writer; it is refused below.
  constexpr int kFlags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW;
  TLoadedFile loaded;
  // Most names are the file itself: opened at once, without a look at what
  // the name is first. Only a link takes the walk.
  if (!path.empty() && !HasNul(path) && !nameOf(path).empty()) {
    TPlace place{openFolder(AT_FDCWD, FolderOf(path)), nameOf(path), false};
    loaded.file = TUniqueFd(openat(place.folder.Get(), place.name.c_str(), kFlags));
    if (!loaded.file.Valid() && errno != ELOOP) throw EReplaceFailure(TStep::Create, errno);
    loaded.place = std::move(place);
  }
  if (!loaded.file.Valid()) {
    loaded.place = ResolvePlace(path);
    // A link put in place after the walk is refused, not followed.
    loaded.file = TUniqueFd(openat(loaded.place.folder.Get(), loaded.place.name.c_str(), kFlags));
    if (!loaded.file.Valid()) throw EReplaceFailure(TStep::Create, errno);
  }
  if (fstat(loaded.file.Get(), &loaded.st) != 0) throw EReplaceFailure(TStep::Create, errno);
  if (S_ISDIR(loaded.st.st_mode)) throw EReplaceFailure(TStep::Create, EISDIR);
  if (!S_ISREG(loaded.st.st_mode)) throw EReplaceFailure(TStep::Create, EINVAL);
  return loaded;
}

bool SameFile(const struct stat& loaded, const struct stat& st) {
  return loaded.st_dev == st.st_dev && loaded.st_ino == st.st_ino && loaded.st_size == st.st_size &&
         loaded.st_mtim.tv_sec == st.st_mtim.tv_sec &&
         loaded.st_mtim.tv_nsec == st.st_mtim.tv_nsec &&
         loaded.st_ctim.tv_sec == st.st_ctim.tv_sec && loaded.st_ctim.tv_nsec == st.st_ctim.tv_nsec;
}

TTempFile::TTempFile(int folder, mode_t mode) : folder_(folder) {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::string candidate;
    candidate.reserve(kTempNameSize);
    candidate += kTempNameStart;
    appendRandomSuffix(candidate);
    candidate += kTempNameEnd;
    // Made and put on record in one step: a signal finds either no file or
    // a file it may remove.
    const TSignalsHeld held;
    const int fd = openat(folder, candidate.c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
    if (fd >= 0) {
      fd_ = TUniqueFd(fd);
      slot_ = RegisterTempFile(folder, candidate.c_str());
      name_ = std::move(candidate);
      return;
    }
    if (errno != EEXIST) throw EReplaceFailure(TStep::Create, errno);
  }
  throw EReplaceFailure(TStep::Create, EEXIST);
}

TTempFile::~TTempFile() {
  const TSignalsHeld held;  // removed and off the record in one step
  fd_.Close();
  if (removable_ && !name_.empty()) unlinkat(folder_, name_.c_str(), 0);
  ReleaseTempFile(slot_);
}

void TTempFile::Write(const void* data, size_t size) {
  flushed_ = false;
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

void TTempFile::WriteAt(const ExifData::TBytePieces& pieces, off_t at) {
  // One call for all pieces where the system takes them (IOV_MAX at a time);
  // a short write goes on from the first byte not written.
  flushed_ = false;
  std::vector<iovec> left;
  left.reserve(pieces.size());
  for (const std::span<const uint8_t> piece : pieces) {
    if (!piece.empty()) left.push_back({const_cast<uint8_t*>(piece.data()), piece.size()});
  }
  size_t first = 0;
  while (first < left.size()) {
    const int count = static_cast<int>(std::min<size_t>(left.size() - first, IOV_MAX));
    ssize_t n = pwritev(fd_.Get(), left.data() + first, count, at);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EReplaceFailure(TStep::Write, errno);
    }
    if (n == 0) throw EReplaceFailure(TStep::Write, ENOSPC);
    at += n;
    while (n > 0) {
      iovec& piece = left[first];
      const size_t taken = std::min(static_cast<size_t>(n), piece.iov_len);
      piece.iov_base = static_cast<uint8_t*>(piece.iov_base) + taken;
      piece.iov_len -= taken;
      n -= static_cast<ssize_t>(taken);
      if (piece.iov_len == 0) ++first;
    }
  }
}

void TTempFile::Truncate(off_t size) {
  flushed_ = false;
  if (ftruncate(fd_.Get(), size) != 0) throw EReplaceFailure(TStep::Write, errno);
}

void TTempFile::Flush() {
  if (fsync(fd_.Get()) != 0) throw EReplaceFailure(TStep::Write, errno);
  flushed_ = true;
}

void TTempFile::FlushIfNeeded() {
  if (!flushed_) Flush();
}

void TTempFile::StartWriteBack() {
  // Only a start: errors show in the flush that follows.
  sync_file_range(fd_.Get(), 0, 0, SYNC_FILE_RANGE_WRITE);
}

void TTempFile::Commit(const std::string& name) {
  Rename(name);
  FlushFolder(folder_);
}

void TTempFile::Rename(const std::string& name) {
  if (!flushed_) Flush();
  if (const int error = fd_.Close()) throw EReplaceFailure(TStep::Write, error);
  {
    // Renamed and off the record in one step: a signal in between would
    // remove a name that no longer exists, or one that a new file took.
    const TSignalsHeld held;
    if (renameat(folder_, name_.c_str(), folder_, name.c_str()) != 0)
      throw EReplaceFailure(TStep::Create, errno);
    removable_ = false;
    ReleaseTempFile(std::exchange(slot_, -1));
  }
}

void TTempFile::CommitNew(const std::string& name) {
  if (!flushed_) Flush();
  if (const int error = fd_.Close()) throw EReplaceFailure(TStep::Write, error);
  {
    const TSignalsHeld held;
    if (linkat(folder_, name_.c_str(), folder_, name.c_str(), 0) == 0) {
      unlinkat(folder_, name_.c_str(), 0);
    } else if (errno == EEXIST ||
               renameat2(folder_, name_.c_str(), folder_, name.c_str(), RENAME_NOREPLACE) != 0) {
      throw EReplaceFailure(TStep::Create, errno);
    }
    removable_ = false;
    ReleaseTempFile(std::exchange(slot_, -1));
  }
  FlushFolder(folder_);
}

void TTempFile::Keep() {
  removable_ = false;
  ReleaseTempFile(std::exchange(slot_, -1));
}

void TTempFile::Remove() {
  if (!name_.empty() && unlinkat(folder_, name_.c_str(), 0) == 0) name_.clear();
}

bool KeepAttributes(int from, const struct stat& st, TTempFile& temp) {
  const int to = temp.Fd();
  bool kept = true;
  // Root gives the file back to its owner; a user keeps the group when she
  // belongs to it. A change of owner clears setuid and setgid, so the mode
  // comes after it, and after the ACL (which sets the group bits as its mask).
  const uid_t user = EffectiveUser();
  const uid_t owner = user == 0 ? st.st_uid : static_cast<uid_t>(-1);
  const auto giveOwner = [&] { return fchown(to, owner, st.st_gid) == 0; };
  // A new file is the caller's and in her group, so mostly there is nothing
  // to give; a group the folder gave instead shows in the check at the end.
  const bool ownersDiffer =
      (owner != static_cast<uid_t>(-1) && owner != user) || st.st_gid != EffectiveGroup();
  if (ownersDiffer && !giveOwner()) kept = false;
  bool listFailed = false;
  const std::vector<std::string> names = attributeNames(from, listFailed);
  for (const std::string& name : names) {
    if (!copyAttribute(from, to, name)) kept = false;
  }
  // A default ACL of the folder gives the new file an ACL the old one did not
  // have: it would widen who may read the photo.
  for (const std::string& name : attributeNames(to, listFailed)) {
    if (std::find(names.begin(), names.end(), name) == names.end() &&
        fremovexattr(to, name.c_str()) != 0) {
      kept = false;
    }
  }
  if (listFailed) kept = false;
  const auto giveMode = [&] { return fchmod(to, st.st_mode & 07777) == 0; };
  if (!giveMode()) kept = false;
  // The system may drop a bit silently (setgid for a group the user is not in).
  const auto matches = [&] {
    struct stat now {};
    return fstat(to, &now) == 0 && now.st_uid == st.st_uid && now.st_gid == st.st_gid &&
           (now.st_mode & 07777) == (st.st_mode & 07777);
  };
  if (matches()) return kept;
  // The folder's group was taken: the file's own is given, then the mode again.
  return !ownersDiffer && kept && giveOwner() && giveMode() && matches();
}

// The file `loaded` read, opened for a write in place. Throws
// EReplaceFailure: Changed when the name is gone or a link now (never
// created, never followed), Create when the user may not write it.
TUniqueFd openForWriting(const TLoadedFile& loaded) {
  TUniqueFd fd(openat(loaded.place.folder.Get(), loaded.place.name.c_str(),
                      O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW));
  if (!fd.Valid()) {
    if (errno == ENOENT || errno == ELOOP) throw EReplaceFailure(TStep::Changed, errno);
    throw EReplaceFailure(TStep::Create, errno);
  }
  return fd;
}

// Refuses a loaded file the user may not write, as a write in place would
// refuse it, without opening it; a name that is a link by now is judged as
// itself and then refused by the final check.
void checkWritable(const TLoadedFile& loaded) {
  if (faccessat(loaded.place.folder.Get(), loaded.place.name.c_str(), W_OK,
                AT_EACCESS | AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno == ENOENT) throw EReplaceFailure(TStep::Changed, errno);
    throw EReplaceFailure(TStep::Create, errno);
  }
  // A read-only file binds root too.
  if (EffectiveUser() == 0 && (loaded.st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
    throw EReplaceFailure(TStep::Create, EACCES);
}

// The bytes of `pieces` from offset `from` on.
ExifData::TBytePieces piecesFrom(const ExifData::TBytePieces& pieces, size_t from) {
  ExifData::TBytePieces rest;
  for (const std::span<const uint8_t> piece : pieces) {
    if (from >= piece.size()) {
      from -= piece.size();
      continue;
    }
    rest.push_back(piece.subspan(from));
    from = 0;
  }
  return rest;
}

// Writes the output's bytes to the temporary file beside the loaded file,
// each chunk of a long scan as soon as it is pulled. Returns the whole
// output's pieces.
ExifData::TBytePieces writeCopy(ExifData::TPulledOutput& output, TTempFile& temp) {
  const ExifData::TBytePieces known = output.Known();
  temp.WriteAt(known, 0);
  size_t written = 0;
  for (const std::span<const uint8_t> piece : known) written += piece.size();
  for (std::span<const uint8_t> chunk = output.Pull(); !chunk.empty(); chunk = output.Pull()) {
    temp.WriteAt({chunk}, static_cast<off_t>(written));
    written += chunk.size();
  }
  // The chunks are the output's own bytes from where the known pieces ended,
  // and may run past its end: what is left is written, what is past is cut.
  ExifData::TBytePieces pieces = output.Pieces();
  size_t size = 0;
  for (const std::span<const uint8_t> piece : pieces) {
    // A mapped input that shrank while it was read left zeros in its place.
    if (MappingChanged(piece.data())) throw EReplaceFailure(TStep::Changed, 0);
    size += piece.size();
  }
  if (size > written) temp.WriteAt(piecesFrom(pieces, written), static_cast<off_t>(written));
  if (size < written) temp.Truncate(static_cast<off_t>(size));
  return pieces;
}

std::unique_ptr<TPendingReplace> BeginReplace(const TLoadedFile& loaded,
                                              ExifData::TPulledOutput& output,
                                              const std::function<void()>& beforeFinalCheck) {
  // The load's status serves until the final check, which refuses the file
  // if any of it changed (a change of owner, mode or links changes its
  // ctime).
  const struct stat& st = loaded.st;
  const uid_t user = EffectiveUser();
  checkWritable(loaded);

  auto pending = std::make_unique<TPendingReplace>();
  pending->loaded = &loaded;
  pending->copy = std::make_unique<TTempFile>(loaded.place.folder.Get(), 0600);
  TTempFile& temp = *pending->copy;
  const ExifData::TBytePieces pieces = writeCopy(output, temp);
  for (const std::span<const uint8_t> piece : pieces) pending->size += piece.size();
  const bool ownFile = user == 0 || st.st_uid == user;
  if (ownFile && st.st_nlink == 1 && KeepAttributes(loaded.file.Get(), st, temp)) {
    if (pending->size >= kWriteBackFrom) temp.StartWriteBack();
    return pending;
  }
  const TUniqueFd fd = openForWriting(loaded);
  // The copy beside the file stays private to its owner.
  if (user == 0) {
    [[maybe_unused]] const int ignored = fchown(temp.Fd(), st.st_uid, st.st_gid);
  }
  if (fchmod(temp.Fd(), 0600) != 0) throw EReplaceFailure(TStep::Write, errno);
  // The pieces may be ranges of the file itself mapped into memory, which a
  // write in place would overwrite before they are read: gather them first.
  std::vector<uint8_t> bytes;
  for (const std::span<const uint8_t> piece : pieces)
    bytes.insert(bytes.end(), piece.begin(), piece.end());
  writeInPlace(loaded, fd.Get(), temp, bytes.data(), bytes.size(), beforeFinalCheck);
  return nullptr;
}

void FinishReplace(TPendingReplace& pending, const std::function<void()>& beforeFinalCheck) {
  pending.copy->FlushIfNeeded();
  if (beforeFinalCheck) beforeFinalCheck();
  checkUnchanged(*pending.loaded);
  pending.copy->Rename(pending.loaded->place.name);
}

void ReplaceLoadedFile(const TLoadedFile& loaded, ExifData::TPulledOutput& output,
                       const std::function<void()>& beforeFinalCheck) {
  if (const std::unique_ptr<TPendingReplace> pending =
          BeginReplace(loaded, output, beforeFinalCheck)) {
    FinishReplace(*pending, beforeFinalCheck);
    FlushFolder(loaded.place.folder.Get());
  }
}

void ReplaceFileContents(const std::string& path, const void* data, size_t size) {
  ReplaceFileContents(ResolvePlace(path), data, size);
}

void ReplaceFileContents(const TPlace& place, const void* data, size_t size) {
  const int folder = place.folder.Get();
  struct stat st {};
  const bool exists = fstatat(folder, place.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
  if (!exists && errno != ENOENT) throw EReplaceFailure(TStep::Create, errno);
  TUniqueFd existing;
  if (exists) {
    // Renaming over a folder or a device would not be a save of a file.
    if (S_ISDIR(st.st_mode)) throw EReplaceFailure(TStep::Create, EISDIR);
    if (!S_ISREG(st.st_mode)) throw EReplaceFailure(TStep::Create, EINVAL);
    existing = TUniqueFd(openat(folder, place.name.c_str(),
                                O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW));
    if (!existing.Valid()) throw EReplaceFailure(TStep::Create, errno);
    if (EffectiveUser() == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
      throw EReplaceFailure(TStep::Create, EACCES);
  }
  TTempFile temp(folder, exists ? 0600 : 0666);
  temp.Write(data, size);
  // What cannot be kept is lost, as with any replace by rename: a settings file
  // is the user's own.
  if (exists) KeepAttributes(existing.Get(), st, temp);
  temp.Commit(place.name);
}

const TLoadedFile* LoadedFileOf(const ExifData::TLoadHandle* handle) {
  const auto* ours = dynamic_cast<const TLoadedHandle*>(handle);
  return ours != nullptr ? &ours->Loaded() : nullptr;
}

int LoadedWriteRefusal(const TLoadedFile& loaded) {
  try {
    checkWritable(loaded);
  } catch (const EReplaceFailure& refusal) {
    return refusal.Error();
  }
  return 0;
}

}  // namespace platform::posix
