#include "platform/posix/SystemReason.h"

#include <cstring>

#include "platform/PlatformTexts.h"

namespace platform::posix {
namespace {

// strerror_r comes in two shapes: the GNU one returns the text, the XSI one
// fills the buffer and returns a status. Overloads accept either.
[[maybe_unused]] const char* reasonText(const char* gnuResult, const char*) { return gnuResult; }
[[maybe_unused]] const char* reasonText(int xsiResult, const char* buffer) {
  return xsiResult == 0 ? buffer : "Unknown error";
}

}  // namespace

std::string SystemReason(int error) {
  char buffer[256] = {};
  return TrimSystemReason(reasonText(strerror_r(error, buffer, sizeof buffer), buffer));
}

bool HasNul(const std::string& path) { return path.find('\0') != std::string::npos; }

}  // namespace platform::posix
