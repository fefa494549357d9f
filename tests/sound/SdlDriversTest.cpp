// Which audio drivers the player tries when the user names none: ALSA only
// when the kernel lists a card, so that libasound never complains on stderr.
#include <gtest/gtest.h>

#include "platform/posix/SdlDrivers.h"

namespace {

TEST(ChooseSdlAudioDrivers, TriesAlsaOnlyWhenACardIsListed) {
  struct TCase {
    const char* cards;
    const char* drivers;
  };
  const TCase cases[] = {
      {"", "pulseaudio,pipewire"},  // no ALSA in the kernel
      {"--- no soundcards ---\n", "pulseaudio,pipewire"},
      {" 0 [PCH            ]: HDA-Intel - HDA Intel PCH\n"
       "                      HDA Intel PCH at 0xf7f10000 irq 32\n",
       "pulseaudio,pipewire,alsa"},
      {" 0 [NVidia         ]: HDA-Intel - HDA NVidia\n"
       "                      HDA NVidia at 0xf7080000 irq 17\n"
       " 1 [Device         ]: USB-Audio - USB Audio Device\n",
       "pulseaudio,pipewire,alsa"},
      {"10 [Loopback       ]: Loopback - Loopback", "pulseaudio,pipewire,alsa"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(platform::ChooseSdlAudioDrivers(c.cards), c.drivers) << c.cards;
  }
}

}  // namespace
