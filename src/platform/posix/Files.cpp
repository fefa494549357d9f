// Loading a whole file, the executable's path and absolute paths.
#include "platform/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <new>
#include <system_error>
#include <vector>

#include "engine/EngineTexts.h"
#include "platform/PlatformTexts.h"
#include "platform/posix/AtomicReplace.h"
#include "platform/posix/MappedFiles.h"
#include "platform/posix/SystemReason.h"
#include "platform/posix/UniqueFd.h"

namespace platform {
namespace {

using ExifData::TLoadResult;
using posix::SystemReason;

TLoadResult failed(std::string message) { return {TLoadResult::TKind::Failed, std::move(message)}; }

TLoadResult cannotOpen(const std::string& path, int error) {
  return failed(FormatText(kTextCannotOpen, {AbsolutePath(path), SystemReason(error)}));
}

// A small file's bytes, read into memory that is neither zeroed first nor
// given back after each file: a batch reads into the same block again once
// the stream of the file before has let it go.
struct TReadBuffer {
  std::unique_ptr<uint8_t[]> data;
  size_t capacity = 0;
};

std::shared_ptr<TReadBuffer> readBuffer(size_t size) {
  // A large file that could not be mapped gets memory of its own, given back
  // with it.
  thread_local std::shared_ptr<TReadBuffer> kept;
  std::shared_ptr<TReadBuffer> buffer = size < posix::kMapFrom ? kept : nullptr;
  if (!buffer || buffer.use_count() > 2) buffer = std::make_shared<TReadBuffer>();
  if (buffer->capacity < size) {
    buffer->data.reset(new uint8_t[size]);  // not zeroed: the read fills it
    buffer->capacity = size;
  }
  if (size < posix::kMapFrom) kept = buffer;
  return buffer;
}

// A load whose file stays open, with its folder, for the run's save.
TLoadResult kept(posix::TLoadedFile loaded) {
  TLoadResult result;
  result.handle = std::make_shared<posix::TLoadedHandle>(std::move(loaded));
  return result;
}

}  // namespace

TLoadResult TPlatformFiles::LoadFile(const std::string& path, ExifData::TMemoryStream& into) {
  into.Clear();
  // The file is read through the links as they stand now, and kept open with
  // its folder: the save that follows writes this file or nothing.
  posix::TLoadedFile loaded;
  try {
    loaded = posix::OpenLoadedFile(path);
  } catch (const posix::EReplaceFailure& failure) {
    return cannotOpen(path, failure.Error());
  }
  const struct stat& st = loaded.st;
  const int fd = loaded.file.Get();
  if (st.st_size >= ExifData::kMaxInputSize) return {TLoadResult::TKind::TooLarge, {}};

  const auto size = static_cast<size_t>(st.st_size);
  if (size >= posix::kMapFrom) {
    if (std::shared_ptr<const void> mapped = posix::MapWholeFile(fd, size)) {
      const auto* data = static_cast<const uint8_t*>(mapped.get());
      into.Adopt(data, size, std::move(mapped));
      return kept(std::move(loaded));
    }
  }
  std::shared_ptr<TReadBuffer> buffer;
  try {
    buffer = readBuffer(size);
  } catch (const std::bad_alloc&) {
    return failed(SystemReason(ENOMEM));
  }
  uint8_t* const bytes = buffer->data.get();
  size_t got = 0;
  while (got < size) {
    const ssize_t n = read(fd, bytes + got, size - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      return failed(SystemReason(errno));
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  if (got < size) return failed(std::string(Tr(ExifData::texts::kStreamReadError)));
  if (size > 0) into.Adopt(bytes, size, std::move(buffer));
  return kept(std::move(loaded));
}

std::string ExecutablePath() {
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return {};
    if (static_cast<size_t>(n) < buffer.size())
      return std::string(buffer.data(), static_cast<size_t>(n));
    buffer.resize(buffer.size() * 2);
  }
}

std::string AbsolutePath(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  std::error_code error;
  const std::string folder = std::filesystem::current_path(error).string();
  if (error || folder.empty()) return path;
  // Joined as written: folding "." or ".." here could name another file when
  // a folder on the way is a symbolic link.
  return folder.back() == '/' ? folder + path : folder + '/' + path;
}

}  // namespace platform
