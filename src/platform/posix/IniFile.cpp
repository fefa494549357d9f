// The settings file: read whole at opening, edited in memory, written back by
// one crash-safe replace.
#include "platform/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Files.h"
#include "platform/PlatformTexts.h"
#include "platform/posix/AtomicReplace.h"
#include "platform/posix/IniText.h"
#include "platform/posix/SystemReason.h"
#include "platform/posix/UniqueFd.h"

namespace platform {
namespace {

// The platform hands out at most this many bytes of a value (its buffer of
// 2048 units less the terminator).
constexpr size_t kMaxValueBytes = 2047;

enum class TReadOutcome { Read, Absent, Unreadable };

TReadOutcome readWhole(const std::string& path, std::string& into) {
  if (posix::HasNul(path)) return TReadOutcome::Absent;
  posix::TUniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (!fd.Valid()) {
    return errno == ENOENT || errno == ENOTDIR ? TReadOutcome::Absent : TReadOutcome::Unreadable;
  }
  struct stat st {};
  if (fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return TReadOutcome::Unreadable;
  char chunk[8192];
  for (;;) {
    const ssize_t n = read(fd.Get(), chunk, sizeof chunk);
    if (n == 0) return TReadOutcome::Read;
    if (n < 0) {
      if (errno == EINTR) continue;
      into.clear();
      return TReadOutcome::Unreadable;
    }
    into.append(chunk, static_cast<size_t>(n));
  }
}

// Cuts `value` to the limit without splitting a UTF-8 sequence.
std::string limited(std::string value) {
  if (value.size() <= kMaxValueBytes) return value;
  size_t cut = kMaxValueBytes;
  while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80) --cut;
  value.resize(cut);
  return value;
}

// Root running with another user's configuration folder (sudo keeping the
// environment, su without "-") must not write through a link that user
// planted, nor into a folder that user controls: the link could name any file.
bool ownedByUser(const std::string& path, const posix::TPlace& place) {
  if (place.foreignLink) return false;
  std::string folder = posix::FolderOf(path);
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  struct stat st {};
  if (lstat(folder.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && st.st_uid != geteuid())
    return false;
  return fstat(place.folder.Get(), &st) == 0 && st.st_uid == geteuid();
}

}  // namespace

TIniFile::TIniFile(std::string path) : path_(std::move(path)) {
  const TReadOutcome outcome = readWhole(path_, text_);
  unreadable_ = outcome == TReadOutcome::Unreadable;
  if (outcome == TReadOutcome::Read) onDisk_ = text_;
}

TIniFile::~TIniFile() = default;

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& fallback) const {
  std::optional<std::string> value = posix::FindIniValue(text_, section, key);
  return value ? limited(std::move(*value)) : fallback;
}

void TIniFile::EraseSection(const std::string& section) {
  if (posix::EraseIniSection(text_, section)) dirty_ = true;
}

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
  posix::SetIniValue(text_, section, key, value);
  dirty_ = true;
}

void TIniFile::Flush() {
  // Rewriting the same bytes would only cost a flush and a rename.
  if (onDisk_ && *onDisk_ == text_) dirty_ = false;
  if (!dirty_) return;
  const std::string refused = FormatText(kTextIniCannotWrite, {AbsolutePath(path_)});
  if (unreadable_) throw EIniWriteError(refused);
  try {
    const posix::TPlace place = posix::ResolvePlace(path_);
    if (!ownedByUser(path_, place)) {
      throw EIniNotOwned(FormatText(kTextIniNotOwned, {AbsolutePath(path_)}));
    }
    posix::ReplaceFileContents(place, text_.data(), text_.size());
  } catch (const posix::EReplaceFailure&) {
    throw EIniWriteError(refused);
  }
  onDisk_ = text_;
  dirty_ = false;
}

}  // namespace platform
