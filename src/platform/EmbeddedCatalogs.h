// The message catalogs built into the program (po/*.po, compiled when the
// program is built), so that it needs no files beside itself.
#pragma once

#include <span>
#include <string_view>

namespace platform {

// The compiled catalog of `language` ("ja"); empty when there is none.
std::span<const unsigned char> EmbeddedCatalog(std::string_view language);

}  // namespace platform
