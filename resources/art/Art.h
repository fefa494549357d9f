// The window's picture and the program icon, built into the executable as PNG
// files (made by make-art.sh).
#pragma once

#include <span>

namespace art {

// 1020 x 1280, 8 bits per channel with alpha.
std::span<const unsigned char> PicturePng();
// The icon's images, 16 to 256 pixels square, with alpha. The Windows icon
// file holds 16, 32, 48 and 256; docks and task switchers on other desktops
// also look for 64 and 128.
std::span<const unsigned char> Icon16Png();
std::span<const unsigned char> Icon32Png();
std::span<const unsigned char> Icon48Png();
std::span<const unsigned char> Icon64Png();
std::span<const unsigned char> Icon128Png();
std::span<const unsigned char> Icon256Png();

}  // namespace art
