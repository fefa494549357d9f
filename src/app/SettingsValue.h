// Reading a settings value as a signed 32-bit integer: leading blanks, one
// optional sign, then decimal digits or hexadecimal ones introduced by "$",
// "x", "X", "0x" or "0X", and nothing after them. Anything else is no number.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace app {

std::optional<int32_t> ParseSettingsInteger(std::string_view text);

}  // namespace app
