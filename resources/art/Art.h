// The window's picture and the program icon, built into the executable as PNG
// files (made by make-art.sh).
#pragma once

#include <span>

namespace art {

// 1020 x 1280, 8 bits per channel with alpha.
std::span<const unsigned char> PicturePng();
// The icon's four images, 16, 32, 48 and 256 pixels square, with alpha.
std::span<const unsigned char> Icon16Png();
std::span<const unsigned char> Icon32Png();
std::span<const unsigned char> Icon48Png();
std::span<const unsigned char> Icon256Png();

}  // namespace art
