#include "platform/StandardStreams.h"

#include <unistd.h>

#include <cerrno>

namespace platform {

bool ReadStandardInput(std::vector<uint8_t>& into) {
  into.clear();
  constexpr size_t kStep = size_t{1} << 16;
  for (;;) {
    const size_t at = into.size();
    into.resize(at + kStep);
    const ssize_t n = read(STDIN_FILENO, into.data() + at, kStep);
    if (n < 0 && errno == EINTR) {
      into.resize(at);
      continue;
    }
    into.resize(at + (n > 0 ? static_cast<size_t>(n) : 0));
    if (n < 0) return false;
    if (n == 0) return true;
  }
}

bool WriteStandardOutput(const ExifData::TBytePieces& pieces) {
  for (const std::span<const uint8_t> piece : pieces) {
    for (size_t done = 0; done < piece.size();) {
      const ssize_t n = write(STDOUT_FILENO, piece.data() + done, piece.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      done += static_cast<size_t>(n);
    }
  }
  return true;
}

void AttachParentConsole() {}

}  // namespace platform
