#include "app/Environment.h"

#include "platform/AppData.h"

namespace app {

TProgramEnvironment::TProgramEnvironment() : chime_(platform::MakeChimePlayer()) {}

TFormEnvironment TProgramEnvironment::Get() {
  return TFormEnvironment{
      files_,
      [](const std::string& path, const ExifData::TBytePieces& pieces) {
        platform::SaveFileAtomically(path, pieces);
      },
      platform::ExecutablePath(),
      platform::AppDataFolder(),
      *chime_,
  };
}

}  // namespace app
