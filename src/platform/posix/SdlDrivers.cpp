#include "platform/posix/SdlDrivers.h"

#include <cctype>
#include <fstream>
#include <iterator>

namespace platform {

std::string ChooseSdlAudioDrivers(std::string_view asoundCards) {
  // A card is listed as a line " 0 [PCH ]: ..."; without cards the file says
  // "--- no soundcards ---".
  bool hasCard = false;
  std::size_t lineStart = 0;
  while (lineStart < asoundCards.size() && !hasCard) {
    std::size_t lineEnd = asoundCards.find('\n', lineStart);
    if (lineEnd == std::string_view::npos) lineEnd = asoundCards.size();
    const auto line = asoundCards.substr(lineStart, lineEnd - lineStart);
    const std::size_t first = line.find_first_not_of(' ');
    hasCard = first != std::string_view::npos &&
              std::isdigit(static_cast<unsigned char>(line[first])) &&
              line.find('[', first) != std::string_view::npos;
    lineStart = lineEnd + 1;
  }
  return hasCard ? "pulseaudio,pipewire,alsa" : "pulseaudio,pipewire";
}

std::string SdlAudioDriversHere() {
  std::ifstream cards("/proc/asound/cards");
  const std::string text((std::istreambuf_iterator<char>(cards)), std::istreambuf_iterator<char>());
  return ChooseSdlAudioDrivers(text);
}

}  // namespace platform
