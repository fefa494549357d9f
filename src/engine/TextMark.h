// Marks a user-facing English text where it is defined. The mark is the text
// itself; whoever shows the text looks up its translation (platform::Tr), and
// the catalog check finds every marked text in the sources.
#pragma once

#include <string_view>

namespace ExifData {

constexpr std::string_view Tx(std::string_view english) { return english; }

}  // namespace ExifData
