// The system's description of an errno value, made ready for a message.
#pragma once

#include <string>

namespace platform::posix {

// strerror's text, trimmed as messages want it (TrimSystemReason).
std::string SystemReason(int error);

// True when `path` holds a NUL byte: the system would see a shorter name.
bool HasNul(const std::string& path);

}  // namespace platform::posix
