// Playing the built-in chimes. An asynchronous request returns at once and cuts
// off a chime still playing; a synchronous one returns when the chime has ended.
// A number without a chime, or no audio device, plays nothing and reports
// nothing; a device that does not answer is never waited for.
#pragma once

#include <memory>

#include "chimes/Chimes.h"

namespace platform {

// The numbers the chime selector offers: 0 is silence, the others the chimes.
inline constexpr int kSoundMin = 0;
inline constexpr int kSoundMax = chimes::kChimeCount;

class TChimePlayer {
 public:
  virtual ~TChimePlayer() = default;
  virtual void Play(int number, bool wait) = 0;
};

// The player of this platform (SDL2 audio on POSIX; silent when built without sound).
std::unique_ptr<TChimePlayer> MakeChimePlayer();

}  // namespace platform
