// The program's chime player: the audio library is loaded with the first
// chime, so runs that play none never load it. Nor is it loaded where no audio
// output can exist (a server, a container): the library and its fifty
// dependencies would be loaded only to find no device.
#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "platform/ProgramModule.h"
#include "platform/Sound.h"
#include "platform/posix/EnvironmentPath.h"

namespace platform {
namespace {

bool hasValue(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

// An ALSA playback device: "pcmC<card>D<device>p".
bool isPlaybackDevice(const char* name) {
  if (std::strncmp(name, "pcmC", 4) != 0) return false;
  const size_t length = std::strlen(name);
  return length > 4 && name[length - 1] == 'p' && std::strchr(name + 4, 'D') != nullptr;
}

bool hasPlaybackDevice() {
  DIR* folder = opendir("/dev/snd");
  if (folder == nullptr) return false;
  bool found = false;
  while (const dirent* entry = readdir(folder)) {
    if (isPlaybackDevice(entry->d_name)) {
      found = true;
      break;
    }
  }
  closedir(folder);
  return found;
}

// Whether some audio output could be reached: a driver chosen by the user, a
// sound server's socket, or a playback device. Cheap: a few environment
// variables and at most three look-ups in the file system.
bool audioOutputMayExist() {
  if (hasValue("SDL_AUDIODRIVER") || hasValue("PULSE_SERVER")) return true;
  if (const std::string runtime = posix::AbsolutePathFromEnvironment("XDG_RUNTIME_DIR");
      !runtime.empty()) {
    for (const char* socket : {"/pulse/native", "/pipewire-0"}) {
      if (access((runtime + socket).c_str(), F_OK) == 0) return true;
    }
  }
  return hasPlaybackDevice();
}

class TLazyChimePlayer : public TChimePlayer {
 public:
  void Play(int number, bool wait) override {
    if (!tried_) {
      tried_ = true;
      // A missing module plays nothing, like a missing audio device.
      using TMake = TChimePlayer* (*)();
      if (audioOutputMayExist()) {
        if (auto make =
                reinterpret_cast<TMake>(ProgramModuleSymbol(kSoundModule, kSoundPlayerSymbol)))
          player_.reset(make());
      }
    }
    if (player_) player_->Play(number, wait);
  }

 private:
  bool tried_ = false;
  std::unique_ptr<TChimePlayer> player_;
};

}  // namespace

std::unique_ptr<TChimePlayer> MakeChimePlayer() { return std::make_unique<TLazyChimePlayer>(); }

}  // namespace platform
