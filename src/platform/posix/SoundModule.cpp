// The chime module: the SDL player, loaded by the program with its first chime.
#include "platform/Sound.h"

extern "C" __attribute__((visibility("default"))) platform::TChimePlayer* VelmoraNewChimePlayer() {
  return platform::MakeChimePlayer().release();
}
