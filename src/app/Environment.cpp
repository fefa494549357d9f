#include "app/Environment.h"

#include "platform/AppData.h"

namespace app {

TProgramEnvironment::TProgramEnvironment() : chime_(platform::MakeChimePlayer()) {}

TFormEnvironment TProgramEnvironment::Get() {
  return TFormEnvironment{
      files_,
      // Begun here and finished in groups by the form (app/SaveGroup.h).
      [](const std::string& path, const ExifData::TLoadHandle* loaded,
         ExifData::TPulledOutput& output) { return platform::BeginSave(path, loaded, output); },
      platform::ExecutablePath(),
      platform::AppDataFolder(),
      *chime_,
  };
}

}  // namespace app
