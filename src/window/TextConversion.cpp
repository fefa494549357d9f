#include "window/TextConversion.h"

namespace window {
namespace {

// Length of the valid UTF-8 sequence at `at`, or 0 when there is none.
size_t validSequence(std::string_view s, size_t at) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char lead = byte(at);
  size_t length;
  unsigned char low = 0x80, high = 0xBF;  // range of the second byte
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (at + length > s.size()) return 0;
  if (byte(at + 1) < low || byte(at + 1) > high) return 0;
  for (size_t i = 2; i < length; ++i)
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
  return length;
}

}  // namespace

wxString ToWx(std::string_view utf8) {
  std::string clean;
  clean.reserve(utf8.size());
  for (size_t at = 0; at < utf8.size();) {
    const size_t length = validSequence(utf8, at);
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
