// Which SDL audio drivers to try when the user has not named one. libasound
// prints "ALSA lib ..." lines on stderr when it is asked for a card that does
// not exist, and SDL cannot stop it, so ALSA is tried only when the kernel
// lists a card; the sound servers fail quietly when they are absent.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// `asoundCards` is the text of /proc/asound/cards (empty when it is missing).
std::string ChooseSdlAudioDrivers(std::string_view asoundCards);

// The same for this machine.
std::string SdlAudioDriversHere();

}  // namespace platform
