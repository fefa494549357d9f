// The per-user configuration folder (XDG base directories) and the folder test
// and creation the settings writer needs.
#include "platform/AppData.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/posix/EnvironmentPath.h"
#include "platform/posix/SystemReason.h"

namespace platform {
namespace {

std::string homeFromPasswd() {
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
      found == nullptr || found->pw_dir == nullptr || found->pw_dir[0] != '/') {
    return {};
  }
  return found->pw_dir;
}

}  // namespace

std::string AppDataFolder() {
  if (std::string config = posix::AbsolutePathFromEnvironment("XDG_CONFIG_HOME"); !config.empty())
    return config;
  std::string home = posix::AbsolutePathFromEnvironment("HOME");
  if (home.empty()) home = homeFromPasswd();
  if (home.empty()) return {};
  return (home.back() == '/' ? home : home + '/') + ".config";
}

std::string SubfolderPath(std::string_view base, std::string_view name) {
  std::string path(base);
  if (path.empty() || path.back() != '/') path += '/';
  return path.append(name) + '/';
}

bool FolderExists(const std::string& path) {
  if (posix::HasNul(path)) return false;
  struct stat st {};
  if (stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  switch (errno) {
    // Absent, or a name that cannot stand for a folder.
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
    case EINVAL:
      return false;
    // Cannot be looked at (EACCES, EIO, ...): let the write be attempted.
    default:
      return true;
  }
}

bool CreateFolder(const std::string& path) {
  if (posix::HasNul(path) || path.empty()) return false;
  // The missing folders above it first: an account that has never had a
  // configuration folder gets one, private as the base-directory convention
  // asks (0700), like every folder made here.
  std::string folder = path;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  const size_t slash = folder.rfind('/');
  if (slash != std::string::npos && slash > 0) {
    const std::string parent = folder.substr(0, slash);
    struct stat st {};
    if (stat(parent.c_str(), &st) != 0 && errno == ENOENT && !CreateFolder(parent)) return false;
  }
  return mkdir(folder.c_str(), 0700) == 0;
}

}  // namespace platform
