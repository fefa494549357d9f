#include <cstdlib>
#include <string_view>

#include "platform/Translation.h"

namespace platform {

std::string SystemLanguage() {
  // The first one set wins, as for the C library's messages. LANGUAGE may
  // list several languages; the first is the one wanted most.
  for (const char* variable : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value == nullptr || *value == '\0') continue;
    const std::string_view text(value);
    return LanguageOfLocale(text.substr(0, text.find(':')));
  }
  return "en";
}

}  // namespace platform
