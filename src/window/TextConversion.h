// Conversions at the toolkit boundary. Our strings are UTF-8 std::string; the
// toolkit's are wxString. Narrow literals must not reach wx directly: wx keeps
// the process in the "C" locale, where they convert to nothing.
#pragma once

#include <wx/string.h>

#include <string>
#include <string_view>

namespace window {

// UTF-8 to wx for display. Bytes that are not UTF-8 (a file name in another
// encoding) show as U+FFFD instead of emptying the whole text.
wxString ToWx(std::string_view utf8);
// wx to UTF-8.
std::string ToUtf8(const wxString& text);
// A path as the toolkit delivered it, back to the bytes the file system uses.
std::string PathFromWx(const wxString& path);

}  // namespace window
