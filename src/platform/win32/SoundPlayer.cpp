// Chimes through PlaySoundW, played from the synthesised waves in memory
// (SND_MEMORY). The cached wave lives until the process ends, so an
// asynchronous chime may outlive the call; PlaySoundW itself stops a chime
// still playing when the next one starts. SND_NODEFAULT: a failure is silent.
#include <windows.h>
// windows.h first: mmsystem.h depends on it.
#include <mmsystem.h>

#include "chimes/Chimes.h"
#include "platform/Sound.h"

namespace platform {
namespace {

class TWinChimePlayer final : public TChimePlayer {
 public:
  ~TWinChimePlayer() override { PlaySoundW(nullptr, nullptr, 0); }

  void Play(int number, bool wait) override {
    const auto wave = chimes::ChimeWave(number);
    if (wave.empty()) return;  // no such chime: nothing plays, nothing is cut
    const DWORD flags = SND_MEMORY | SND_NODEFAULT | (wait ? SND_SYNC : SND_ASYNC);
    PlaySoundW(reinterpret_cast<LPCWSTR>(wave.data()), nullptr, flags);
  }
};

}  // namespace

std::unique_ptr<TChimePlayer> MakeChimePlayer() { return std::make_unique<TWinChimePlayer>(); }

}  // namespace platform
