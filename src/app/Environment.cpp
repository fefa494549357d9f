#include "app/Environment.h"

#include "platform/AppData.h"

namespace app {

TProgramEnvironment::TProgramEnvironment() : chime_(platform::MakeChimePlayer()) {}

TFormEnvironment TProgramEnvironment::Get() {
  return TFormEnvironment{
      files_,
      [](const std::string& path, const void* data, size_t size) {
        platform::SaveFileAtomically(path, data, size);
      },
      platform::ExecutablePath(),
      platform::SpecialFolderPath(platform::kFolderAppData),
      *chime_,
  };
}

}  // namespace app
