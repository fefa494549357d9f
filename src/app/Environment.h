// The program's real environment for TFormMain: the platform's files, the
// crash-safe save, the executable's path, the application-data folder and the
// chime player. Both the window and the console build their form from this.
#pragma once

#include <memory>

#include "app/TFormMain.h"
#include "platform/Files.h"
#include "platform/Sound.h"

namespace app {

class TProgramEnvironment {
 public:
  TProgramEnvironment();
  TFormEnvironment Get();

 private:
  platform::TPlatformFiles files_;
  std::unique_ptr<platform::TChimePlayer> chime_;
};

}  // namespace app
