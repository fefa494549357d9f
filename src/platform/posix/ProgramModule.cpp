#include "platform/ProgramModule.h"

#include <dlfcn.h>

#include <string>

#include "platform/Files.h"
#include "platform/posix/AtomicReplace.h"

namespace platform {

void* ProgramModuleSymbol(const char* module, const char* symbol) {
  const std::string folder = posix::FolderOf(ExecutablePath());
  const std::string name = std::string(module).append(".so");
  for (const char* within : {"/", "/../lib/velmora/"}) {
    const std::string path = std::string(folder).append(within).append(name);
    // Never closed: see the header.
    if (void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) return dlsym(handle, symbol);
  }
  return nullptr;
}

}  // namespace platform
