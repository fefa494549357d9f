#include "platform/Arguments.h"

#include <windows.h>
// windows.h first: shellapi.h depends on it.
#include <shellapi.h>

#include "platform/win32/Utf.h"

namespace platform {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return {argv, argv + argc};
  std::vector<std::string> arguments;
  arguments.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) arguments.push_back(win32::Narrow(wide[i]));
  LocalFree(wide);
  return arguments;
}

}  // namespace platform
