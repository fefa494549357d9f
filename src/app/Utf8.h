// Well-formed UTF-8, as the console and the window check it before showing text.
#pragma once

#include <cstddef>
#include <string_view>

namespace app {

// The length of the well-formed UTF-8 sequence at `text[at]` (1 to 4), or 0
// when the bytes there are not one: overlong forms, surrogates, code points
// above U+10FFFF and cut sequences give 0.
size_t Utf8SequenceLength(std::string_view text, size_t at);

}  // namespace app
