// Folders named by the environment, taken only when they are absolute: a
// relative one would depend on the folder the program was started in.
#pragma once

#include <cstdlib>
#include <string>

namespace platform::posix {

// The value of the environment variable `name` when it is an absolute path;
// empty otherwise.
inline std::string AbsolutePathFromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] == '/' ? std::string(value) : std::string();
}

}  // namespace platform::posix
