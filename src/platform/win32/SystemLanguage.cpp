#include <windows.h>

#include "platform/Translation.h"

namespace platform {

std::string SystemLanguage() {
  // The language the user reads Windows in, not the one of the formats.
  wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
  if (LCIDToLocaleName(MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT), name,
                       LOCALE_NAME_MAX_LENGTH, 0) == 0)
    return "en";
  std::string ascii;
  for (const wchar_t* c = name; *c != L'\0' && *c < 0x80; ++c) ascii += static_cast<char>(*c);
  return LanguageOfLocale(ascii);
}

}  // namespace platform
