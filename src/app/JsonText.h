// JSON text for the machine-readable output: strings escaped, always valid.
#pragma once

#include <string>
#include <string_view>

namespace app {

// `text` as a JSON string, quotes included. Control characters are escaped;
// bytes that are not UTF-8 (a file name on POSIX may hold any) become U+FFFD,
// since JSON text must be Unicode.
std::string JsonString(std::string_view text);

}  // namespace app
