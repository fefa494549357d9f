#include "app/Environment.h"

#include "platform/AppData.h"

namespace app {

TProgramEnvironment::TProgramEnvironment() : chime_(platform::MakeChimePlayer()) {}

TFormEnvironment TProgramEnvironment::Get() {
  return TFormEnvironment{
      files_,
      [](const std::string& path, const ExifData::TLoadHandle* loaded,
         ExifData::TPulledOutput& output) { platform::SaveFileAtomically(path, loaded, output); },
      platform::ExecutablePath(),
      platform::AppDataFolder(),
      *chime_,
  };
}

}  // namespace app
