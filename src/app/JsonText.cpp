#include "app/JsonText.h"

#include "app/Utf8.h"

namespace app {

std::string JsonString(std::string_view text) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out = "\"";
  out.reserve(text.size() + 2);
  for (size_t at = 0; at < text.size();) {
    const auto byte = static_cast<unsigned char>(text[at]);
    const size_t length = Utf8SequenceLength(text, at);
    if (length == 0) {
      out += "\xEF\xBF\xBD";
      ++at;
      continue;
    }
    if (byte == '"' || byte == '\\') {
      out += '\\';
      out += static_cast<char>(byte);
    } else if (byte == '\n') {
      out += "\\n";
    } else if (byte == '\t') {
      out += "\\t";
    } else if (byte == '\r') {
      out += "\\r";
    } else if (byte < 0x20 || byte == 0x7F) {
      out += "\\u00";
      out += kDigits[byte >> 4];
      out += kDigits[byte & 0xF];
    } else {
      out.append(text, at, length);
    }
    at += length;
  }
  return out + '"';
}

}  // namespace app
