// Reading and replacing the settings file's bytes on POSIX.
#include "platform/IniStorage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/PlatformTexts.h"
#include "platform/posix/AtomicReplace.h"
#include "platform/posix/SystemReason.h"
#include "platform/posix/UniqueFd.h"

namespace platform::ini {
namespace {

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

TReadOutcome ReadWhole(const std::string& path, std::string& into) {
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

bool ReplaceWhole(const std::string& path, const std::string& text) {
  try {
    const posix::TPlace place = posix::ResolvePlace(path);
    if (!ownedByUser(path, place)) {
      throw EIniNotOwned(FormatText(kTextIniNotOwned, {AbsolutePath(path)}));
    }
    posix::ReplaceFileContents(place, text.data(), text.size());
    return true;
  } catch (const posix::EReplaceFailure&) {
    return false;
  }
}

}  // namespace platform::ini
