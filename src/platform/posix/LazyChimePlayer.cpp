// The program's chime player: the audio library is loaded with the first
// chime, so runs that play none never load it.
#include <memory>

#include "platform/ProgramModule.h"
#include "platform/Sound.h"

namespace platform {
namespace {

class TLazyChimePlayer : public TChimePlayer {
 public:
  void Play(int number, bool wait) override {
    if (!tried_) {
      tried_ = true;
      // A missing module plays nothing, like a missing audio device.
      using TMake = TChimePlayer* (*)();
      if (auto make =
              reinterpret_cast<TMake>(ProgramModuleSymbol(kSoundModule, kSoundPlayerSymbol)))
        player_.reset(make());
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
