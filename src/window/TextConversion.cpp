#include "window/TextConversion.h"

#include "app/Utf8.h"

namespace window {

wxString ToWx(std::string_view utf8) {
  std::string clean;
  clean.reserve(utf8.size());
  for (size_t at = 0; at < utf8.size();) {
    const size_t length = app::Utf8SequenceLength(utf8, at);
    if (length == 0) {
      clean += "\xEF\xBF\xBD";  // U+FFFD
      ++at;
    } else {
      clean.append(utf8.substr(at, length));
      at += length;
    }
  }
  return wxString::FromUTF8(clean.data(), clean.size());
}

std::string ToUtf8(const wxString& text) { return text.utf8_string(); }

std::string PathFromWx(const wxString& path) {
#ifdef __WXMSW__
  // Paths stay UTF-8 inside the program; the platform layer widens them.
  return path.utf8_string();
#else
  // The file-name converter gives back the very bytes a name arrived with,
  // also when they are not UTF-8.
  const wxCharBuffer bytes = path.fn_str();
  if (bytes.data() != nullptr && (bytes.length() > 0 || path.empty()))
    return std::string(bytes.data(), bytes.length());
  return path.utf8_string();
#endif
}

}  // namespace window
